# Where `cmake --install` (and so the .deb) puts each file.
include(GNUInstallDirs)

set(VARNHOLT_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VARNHOLT_RESOURCES_DIR ${PROJECT_SOURCE_DIR}/resources)
set(VARNHOLT_METAINFO_ID org.varnholt.varnholt)

install(TARGETS varnholt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${VARNHOLT_PACKAGING_DIR}/completions/varnholt.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME varnholt)
install(FILES ${VARNHOLT_PACKAGING_DIR}/completions/_varnholt DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${VARNHOLT_PACKAGING_DIR}/completions/varnholt.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

# Debian wants the changelog compressed without a time stamp or name inside, so that two builds
# of the same sources give the same bytes.
set(VARNHOLT_CHANGELOG_GZ ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${VARNHOLT_CHANGELOG_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${VARNHOLT_PACKAGING_DIR}/changelog > ${VARNHOLT_CHANGELOG_GZ}
    DEPENDS ${VARNHOLT_PACKAGING_DIR}/changelog
    VERBATIM)
add_custom_target(varnholt_changelog ALL DEPENDS ${VARNHOLT_CHANGELOG_GZ})
install(FILES ${VARNHOLT_PACKAGING_DIR}/copyright ${VARNHOLT_CHANGELOG_GZ}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/varnholt)

# Manual pages come from the programs' own --help, so they cannot fall behind the options. A build
# meant to be installed needs them; developer builds (which may run under sanitizers) skip them.
if(NOT VARNHOLT_DEVELOPER_PATHS)
    find_program(VARNHOLT_HELP2MAN help2man REQUIRED)
    find_program(VARNHOLT_RSVG_CONVERT rsvg-convert REQUIRED)
    set(VARNHOLT_MAN_DIR ${CMAKE_CURRENT_BINARY_DIR}/packaging/man)
    set(VARNHOLT_MAN_PAGES)
    # help2man runs EXECUTABLE --help and --version; ARGN are extra help2man options.
    function(varnholt_manual_page program summary executable)
        set(page ${VARNHOLT_MAN_DIR}/${program}.1)
        add_custom_command(OUTPUT ${page}.gz
            COMMAND ${CMAKE_COMMAND} -E make_directory ${VARNHOLT_MAN_DIR}
            COMMAND ${CMAKE_COMMAND} -E env VARNHOLT_HELP_PROGRAM=$<TARGET_FILE:${program}>
                    ${VARNHOLT_HELP2MAN} --no-info --section=1 --name=${summary}
                    --include=${VARNHOLT_PACKAGING_DIR}/man/${program}.h2m --output=${page} ${ARGN} ${executable}
            COMMAND gzip -9n -f ${page}
            DEPENDS ${program} ${VARNHOLT_PACKAGING_DIR}/man/${program}.h2m ${VARNHOLT_PACKAGING_DIR}/help-with-commands
            VERBATIM)
        set(VARNHOLT_MAN_PAGES ${VARNHOLT_MAN_PAGES} ${page}.gz PARENT_SCOPE)
    endfunction()
    # varnholt's own --help lists the subcommands without their options; the wrapper adds them.
    varnholt_manual_page(varnholt "export Messages, Notes and Voice Memos from a Mac home folder"
        ${VARNHOLT_PACKAGING_DIR}/help-with-commands)
    if(TARGET varnholt-gui)
        # The window's --version names the application (Varnholt), not the command.
        varnholt_manual_page(varnholt-gui "desktop window to export Messages, Notes and Voice Memos"
            $<TARGET_FILE:varnholt-gui> "--version-string=varnholt-gui ${PROJECT_VERSION}")
    endif()
    add_custom_target(varnholt_manual_pages ALL DEPENDS ${VARNHOLT_MAN_PAGES})
    install(FILES ${VARNHOLT_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

    if(TARGET varnholt-gui)
        set(VARNHOLT_ICON_PNG ${CMAKE_CURRENT_BINARY_DIR}/packaging/icons/128x128/varnholt.png)
        add_custom_command(OUTPUT ${VARNHOLT_ICON_PNG}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging/icons/128x128
            COMMAND ${VARNHOLT_RSVG_CONVERT} --width=128 --height=128 --keep-aspect-ratio
                    --output=${VARNHOLT_ICON_PNG} ${VARNHOLT_RESOURCES_DIR}/icons/varnholt.svg
            DEPENDS ${VARNHOLT_RESOURCES_DIR}/icons/varnholt.svg
            VERBATIM)
        add_custom_target(varnholt_icon_png ALL DEPENDS ${VARNHOLT_ICON_PNG})
        install(FILES ${VARNHOLT_ICON_PNG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
    endif()
endif()

if(TARGET varnholt-gui)
    install(TARGETS varnholt-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${VARNHOLT_RESOURCES_DIR}/varnholt.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${VARNHOLT_RESOURCES_DIR}/icons/varnholt.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${VARNHOLT_PACKAGING_DIR}/${VARNHOLT_METAINFO_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
