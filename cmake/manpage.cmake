# Makes the manual page of zorkan-cli (cmake -P, at build time):
#   cmake -DHELP2MAN=... -DCLI=.../zorkan-cli -DOUTPUT=.../zorkan-cli.1.gz [-DSEE_ALSO=page]
#         -P manpage.cmake
# help2man turns `zorkan-cli --help` and `--version` into the page; a section COMMANDS adds
# the --help of every command that the general help lists, so a new command appears in the
# page without touching this file.
foreach(var HELP2MAN CLI OUTPUT)
    if(NOT ${var})
        message(FATAL_ERROR "manpage.cmake: ${var} is not set")
    endif()
endforeach()

execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE usage RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CLI} --help failed: ${status}")
endif()

# The commands are the indented first words of the lines after "Команды:" up to the next
# blank line.
string(REPLACE "\n" ";" lines "${usage}")
set(commands)
set(inCommands OFF)
foreach(line IN LISTS lines)
    if(line MATCHES "^Команды:")
        set(inCommands ON)
    elseif(inCommands AND line STREQUAL "")
        set(inCommands OFF)
    elseif(inCommands AND line MATCHES "^  +([a-z][a-z0-9-]*) ")
        list(APPEND commands ${CMAKE_MATCH_1})
    endif()
endforeach()
if(NOT commands)
    message(FATAL_ERROR "no commands found in the help of ${CLI}")
endif()

# Roff for a block shown as is: backslashes and minus signs escaped, a line that starts
# with a control character or looks like an include-file heading made harmless.
function(as_roff text result)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'\\[])" "\\1\\\\&\\2" text "${text}")
    set(${result} "${text}" PARENT_SCOPE)
endfunction()

get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
set(include "[NAME]\nzorkan-cli \\- расчёт и исследование цифровых БИХ-фильтров из командной строки\n")
string(APPEND include "[COMMANDS]\n")
foreach(command IN LISTS commands)
    execute_process(COMMAND ${CLI} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${CLI} ${command} --help failed: ${status}")
    endif()
    as_roff("${help}" help)
    string(APPEND include ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
if(SEE_ALSO)
    string(APPEND include "[SEE ALSO]\n.BR ${SEE_ALSO} (1)\n")
endif()
file(WRITE ${folder}/zorkan-cli.h2m "${include}")

get_filename_component(page ${OUTPUT} NAME_WLE)
execute_process(
    # help2man reads and writes text in the encoding of its locale; the help is UTF-8.
    COMMAND ${HELP2MAN} --locale=C.UTF-8 --no-info --section=1 --include=${folder}/zorkan-cli.h2m
            --output=${folder}/${page} ${CLI}
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "help2man failed: ${status}")
endif()
# -n: no name or time stamp in the archive, so the same page gives the same bytes.
execute_process(COMMAND gzip -9 -n -c ${folder}/${page} OUTPUT_FILE ${OUTPUT}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed: ${status}")
endif()
