# The windowed program, its Qt library and its Qt Test suite.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Multimedia Test)
find_package(JPEG REQUIRED)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

# ---- zorkan_ui: every window unit, the application shell and the pictures ----
file(GLOB ZORKAN_APP_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/*.cpp
                                              ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp)
list(REMOVE_ITEM ZORKAN_APP_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/app/main.cpp)
file(GLOB ZORKAN_RESOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/assets/*.qrc)
add_library(zorkan_ui STATIC ${ZORKAN_UI_SOURCES} ${ZORKAN_APP_SOURCES} ${ZORKAN_RESOURCES})
target_link_libraries(zorkan_ui PUBLIC zorkan_core Qt6::Widgets Qt6::PrintSupport
                                       Qt6::Multimedia JPEG::JPEG)

add_executable(zorkan ${CMAKE_CURRENT_SOURCE_DIR}/app/main.cpp)
target_link_libraries(zorkan PRIVATE zorkan_ui)

# ---- ui_tests: Qt Test under the offscreen platform ----
file(GLOB ZORKAN_UI_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/ui/*.cpp)
if(ZORKAN_UI_TESTS)
    add_executable(ui_tests ${ZORKAN_UI_TESTS})
    target_link_libraries(ui_tests PRIVATE zorkan_ui Qt6::Test)
    target_compile_definitions(ui_tests PRIVATE
        ZORKAN_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
    add_test(NAME ui_tests COMMAND ui_tests)
    set_tests_properties(ui_tests PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        TIMEOUT 300)
endif()

# ---- drawpictures: redraws assets/ (scripts/draw-pictures); not part of the build ----
add_executable(drawpictures EXCLUDE_FROM_ALL ${CMAKE_CURRENT_SOURCE_DIR}/scripts/drawpictures.cpp)
target_link_libraries(drawpictures PRIVATE Qt6::Gui JPEG::JPEG)

# ---- the redraw benchmarks of the characteristics, special filters and pole-zero windows paint with Qt ----
if(TARGET bench)
    target_sources(bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/bench/ui/characteristics_bench.cpp
                                 ${CMAKE_CURRENT_SOURCE_DIR}/bench/ui/purposewindow_bench.cpp
                                 ${CMAKE_CURRENT_SOURCE_DIR}/bench/ui/polezero_bench.cpp)
    target_link_libraries(bench PRIVATE zorkan_ui)
endif()
