# Flags shared by every target of ours, carried by one INTERFACE target.

add_library(nk_common INTERFACE)
target_compile_features(nk_common INTERFACE cxx_std_20)
target_compile_options(nk_common INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wcast-qual
    -Woverloaded-virtual -Wnon-virtual-dtor -Wimplicit-fallthrough)
if(NK_WERROR)
    target_compile_options(nk_common INTERFACE -Werror)
endif()
target_include_directories(nk_common INTERFACE ${PROJECT_SOURCE_DIR})

if(NK_SANITIZE)
    # Applied globally so that every object, including test main and the plug-in, is instrumented.
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Adds a source folder when it exists, so that folders appear as their issue builds them.
# NK_SKIP lists folders to leave out of a developer build (e.g. -DNK_SKIP=boardserver).
macro(nk_add_folder name)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${name}/CMakeLists.txt AND NOT "${name}" IN_LIST NK_SKIP)
        add_subdirectory(${name})
    endif()
endmacro()

# nk_add_gtest(NAME name SOURCES ... LIBS ... [LABELS ...] [DISPLAY])
# A GoogleTest binary registered with CTest. DISPLAY marks tests that need a display; the
# sanitizer run skips them through the "gui" label.
function(nk_add_gtest)
    cmake_parse_arguments(T "DISPLAY" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE nk_common ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    target_compile_definitions(${T_NAME} PRIVATE
        NK_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
        NK_PROGRAM_DIR="${NK_PROGRAM_DIR}")
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set(labels ${T_LABELS})
    if(T_DISPLAY)
        list(APPEND labels gui)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
    if(labels)
        set_tests_properties(${T_NAME} PROPERTIES LABELS "${labels}")
    endif()
endfunction()

# nk_add_folder_tests(dir): tests/<dir> when it exists.
macro(nk_add_test_folder name)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/CMakeLists.txt AND NOT "${name}" IN_LIST NK_SKIP)
        add_subdirectory(${name})
    endif()
endmacro()
