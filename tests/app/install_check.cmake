# Installs the build into a temporary prefix and checks what a desktop install must hold:
# cmake -DBUILD_DIR=... -DPREFIX=... -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(expected
    bin/nekomado
    lib/nekomado/nekomado
    lib/nekomado/Hakobune.so
    lib/nekomado/skin/Header.html
    lib/nekomado/skin/Res.html
    lib/nekomado/skin/NewRes.html
    lib/nekomado/skin/Footer.html
    lib/nekomado/help
    share/applications/nekomado.desktop
    share/icons/hicolor/scalable/apps/nekomado.svg)
foreach(size 16 24 32 48 64 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/nekomado.png)
endforeach()
foreach(f ${expected})
    if(NOT EXISTS "${PREFIX}/${f}")
        message(FATAL_ERROR "missing after install: ${f}")
    endif()
endforeach()

file(READ_SYMLINK "${PREFIX}/bin/nekomado" launcher)
if(NOT launcher STREQUAL "../lib/nekomado/nekomado")
    message(FATAL_ERROR "the launcher points at ${launcher}")
endif()

file(READ "${PREFIX}/share/applications/nekomado.desktop" entry)
foreach(line "Exec=${PREFIX}/bin/nekomado" "Name[ja]=" "Comment[ja]=" "Categories=Network;News;" "Icon=nekomado")
    string(FIND "${entry}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the desktop entry lacks ${line}")
    endif()
endforeach()

find_program(VALIDATE desktop-file-validate REQUIRED)
execute_process(COMMAND ${VALIDATE} "${PREFIX}/share/applications/nekomado.desktop"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
