# Fails when the program's own code opens a file for writing anywhere but in the atomic writer
# (base/textfile.cpp): every file the program writes must be replaced whole, never left half
# written by a crash. The board server, a test tool, is not the program and is not scanned.
# usage: cmake -DSOURCE_DIR=<tree> [-DEXPECT=<n>] -P single_writer_check.cmake
# With EXPECT the check passes only when exactly n lines are reported (its own test).
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
    message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

# Every top-level folder is the program's (a new one is checked from its first day) except these:
# the board server, a test tool, and what is never part of the program.
set(not_program boardserver bench fuzz tests cmake docs scripts)
file(GLOB entries RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
set(folders)
foreach(entry ${entries})
    if(IS_DIRECTORY ${SOURCE_DIR}/${entry} AND NOT entry IN_LIST not_program AND NOT entry MATCHES "^[.]")
        list(APPEND folders ${entry})
    endif()
endforeach()
set(allowed base/textfile.cpp base/textfile.h)

# Each pattern with what it catches. CMake's regular expressions have no word boundary, hence
# the explicit "not an identifier character" before names that could end another name.
set(patterns
    "(^|[^A-Za-z0-9_])(w?of|w?f)stream([^A-Za-z0-9_]|$)|basic_o?fstream" # C++ file streams
    "(^|[^A-Za-z0-9_])(f|fre|fd)open[ \t]*\\(.*\"[^\"]*[wa+][^\"]*\""  # C streams for writing
    "(^|[^A-Za-z0-9_])O_(WRONLY|RDWR|CREAT|APPEND|TRUNC|TMPFILE)([^A-Za-z0-9_]|$)" # open flags
    "(^|[^A-Za-z0-9_])creat[ \t]*\\("
    "(^|[^A-Za-z0-9_])(mkstemps?|mkostemps?|tmpfile|tmpnam)[ \t]*\\("
    "(QIODevice|QIODeviceBase|QFile|QIODevice::OpenModeFlag)::(WriteOnly|ReadWrite|Append|Truncate|NewOnly)"
    "(^|[^A-Za-z0-9_])(QSaveFile|QTemporaryFile|QSettings|QLockFile)([^A-Za-z0-9_]|$)"
    "QFile::copy|QFile::link|copy_file[ \t]*\\(|filesystem::copy[ \t]*\\(|fs::copy[ \t]*\\("
    "(^|[^A-Za-z0-9_])(truncate|ftruncate|pwrite|sendfile)[ \t]*\\(")

set(findings 0)
foreach(folder ${folders})
    file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
        ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.c)
    foreach(source ${sources})
        if(source IN_LIST allowed)
            continue()
        endif()
        # One list element per line: semicolons and brackets would split or join elements.
        file(READ ${SOURCE_DIR}/${source} content)
        string(REPLACE ";" "<semicolon>" content "${content}")
        string(REPLACE "[" "<open>" content "${content}")
        string(REPLACE "]" "<close>" content "${content}")
        string(REPLACE "\\" "<backslash>" content "${content}")
        string(REPLACE "\n" ";" lines "${content}")
        set(number 0)
        foreach(line IN LISTS lines)
            math(EXPR number "${number} + 1")
            # What a line comment says is not code.
            string(REGEX REPLACE "//.*$" "" code "${line}")
            foreach(pattern ${patterns})
                if(code MATCHES "${pattern}")
                    string(REPLACE "<semicolon>" ";" shown "${line}")
                    string(REPLACE "<open>" "[" shown "${shown}")
                    string(REPLACE "<close>" "]" shown "${shown}")
                    string(REPLACE "<backslash>" "\\" shown "${shown}")
                    string(STRIP "${shown}" shown)
                    message("${source}:${number}: opens a file for writing outside base::WriteFileAtomic: ${shown}")
                    math(EXPR findings "${findings} + 1")
                    break()
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()

if(DEFINED EXPECT)
    if(NOT findings EQUAL EXPECT)
        message(FATAL_ERROR "${findings} lines reported, ${EXPECT} planted")
    endif()
elseif(findings GREATER 0)
    message(FATAL_ERROR "${findings} lines open a file for writing outside the atomic writer")
endif()
