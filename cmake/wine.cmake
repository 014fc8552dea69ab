# CTest runs each Windows test program through Wine's 64-bit loader, found
# wherever this system keeps it by scripts/find-wine.sh, which the scripts ask
# too. Without Wine the program still builds; tests/CMakeLists.txt then stops
# with the line that says what was looked for. Read by both toolchain files.
execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../scripts/find-wine.sh
                OUTPUT_VARIABLE wine ERROR_VARIABLE QUILLMARK_WINE_MISSING RESULT_VARIABLE status
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
if(status EQUAL 0)
    string(REGEX REPLACE "\n.*" "" wine "${wine}")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${wine})
endif()
