# Installing. The default layout is a desktop install: the program directory (the program, the
# plug-in, the skin and the help side by side) in lib/nekomado, a launcher in bin, the desktop
# entry and the icons in share. When that program directory is not writable (a system prefix),
# the program keeps its settings and logs under $XDG_DATA_HOME/nekomado instead.
# -DNK_PORTABLE_INSTALL=ON installs the flat program directory alone, as a portable install.
option(NK_PORTABLE_INSTALL "Install the program directory alone, flat under the prefix" OFF)

if(NK_PORTABLE_INSTALL)
    set(NK_INSTALL_PROGRAM_DIR .)
else()
    set(NK_INSTALL_PROGRAM_DIR lib/nekomado)
endif()

if(TARGET nekomado)
    install(TARGETS nekomado RUNTIME DESTINATION ${NK_INSTALL_PROGRAM_DIR})
endif()
if(TARGET Hakobune)
    install(TARGETS Hakobune LIBRARY DESTINATION ${NK_INSTALL_PROGRAM_DIR})
endif()
if(TARGET nk-convert)
    install(TARGETS nk-convert RUNTIME DESTINATION ${NK_INSTALL_PROGRAM_DIR})
endif()
install(DIRECTORY ${NK_PROGRAM_DIR}/skin ${NK_PROGRAM_DIR}/help DESTINATION ${NK_INSTALL_PROGRAM_DIR} OPTIONAL)

if(NOT NK_PORTABLE_INSTALL AND TARGET nekomado)
    # The launcher is a link: the program finds its directory through /proc/self/exe, which
    # resolves it, so the plug-in and the skin are found beside the real file.
    install(CODE "
        set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
        file(MAKE_DIRECTORY \"\${bin}\")
        file(REMOVE \"\${bin}/nekomado\")
        file(CREATE_LINK ../${NK_INSTALL_PROGRAM_DIR}/nekomado \"\${bin}/nekomado\" SYMBOLIC)
        message(STATUS \"Installing: \${bin}/nekomado\")
        set(NK_LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/bin/nekomado\")
        configure_file(\"${PROJECT_SOURCE_DIR}/app/nekomado.desktop.in\"
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/nekomado.desktop\" @ONLY)
        message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/nekomado.desktop\")
    ")
    foreach(size 16 24 32 48 64 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/help/resources/nekomado-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME nekomado.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/help/resources/nekomado.svg DESTINATION share/icons/hicolor/scalable/apps)
endif()
