# One libFuzzer executable per tests/fuzz/<name>_fuzz.cpp; scripts/run-fuzz runs them,
# each with its seed corpus tests/fuzz/corpus/<name>/.
file(GLOB ZORKAN_FUZZ_HARNESSES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(harness ${ZORKAN_FUZZ_HARNESSES})
    get_filename_component(stem ${harness} NAME_WE)
    add_executable(${stem} ${harness})
    target_link_libraries(${stem} PRIVATE zorkan_core)
    target_link_options(${stem} PRIVATE -fsanitize=fuzzer)
endforeach()
