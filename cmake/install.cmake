# What `cmake --install` lays out under the prefix: the programs in bin/, the images in
# share/kiru/res/ (where the programs look after the working folder), the desktop entry, its
# icons, the manual pages and the copyright notice. Included last from the root list, so every
# program target (KIRU_PROGRAMS) is known here; GNUInstallDirs is included there.

set(KIRU_INSTALL_DATA_DIR "${CMAKE_INSTALL_DATADIR}/kiru")

install(TARGETS ${KIRU_PROGRAMS}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cmake --install --strip, and CPack's, which the package uses) also drops
# the compiler's .comment and .note sections, as Debian's dh_strip does.
if(NOT WIN32)
    install(CODE "set(KIRU_STRIP \"${CMAKE_STRIP}\")
                  set(KIRU_STRIPPED_PROGRAMS ${KIRU_PROGRAMS})
                  set(KIRU_INSTALL_BINDIR \"${CMAKE_INSTALL_BINDIR}\")")
    install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/strip_sections.cmake)
endif()

install(FILES ${KIRU_IMAGES} DESTINATION ${KIRU_INSTALL_DATA_DIR}/res)

# The desktop entry and the AppStream description that software centres list, both named by
# kiru's application ID.
set(KIRU_APP_ID io.github.kirudemo.kiru)
install(FILES ${CMAKE_SOURCE_DIR}/data/${KIRU_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
set(KIRU_METAINFO ${CMAKE_SOURCE_DIR}/data/${KIRU_APP_ID}.metainfo.xml)
if(NOT KIRU_CAPTURE)
    # The demo alone does not provide kiru-capture.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KIRU_METAINFO})
    file(READ ${KIRU_METAINFO} metainfo)
    string(REGEX REPLACE "[ ]*<binary>kiru-capture</binary>\n" "" metainfo "${metainfo}")
    set(KIRU_METAINFO ${CMAKE_BINARY_DIR}/${KIRU_APP_ID}.metainfo.xml)
    file(GENERATE OUTPUT ${KIRU_METAINFO} CONTENT "${metainfo}")
endif()
install(FILES ${KIRU_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Committed, made by scripts/icon.sh from a frame of the demo.
foreach(size 256 128 48)
    install(FILES ${CMAKE_SOURCE_DIR}/data/icons/kiru-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME kiru.png)
endforeach()

# Manual pages, with the installed data folder (KIRU_DATA_DIR) filled in, compressed as Debian
# expects (-n: no name or time stamp in the header, so the same page gives the same bytes).
# kiru-unpaced and kiru-realtime are links to kiru(6).
set(manual_dir ${CMAKE_BINARY_DIR}/man)
set(manual_pages kiru.6)
if(KIRU_CAPTURE)
    list(APPEND manual_pages kiru-capture.1)
endif()
set(manual_files)
foreach(page ${manual_pages})
    configure_file(${CMAKE_SOURCE_DIR}/data/man/${page}.in ${manual_dir}/${page} @ONLY)
    add_custom_command(OUTPUT ${manual_dir}/${page}.gz
                       COMMAND gzip -9nkf ${page}
                       WORKING_DIRECTORY ${manual_dir}
                       DEPENDS ${manual_dir}/${page}
                       COMMENT "Compressing the manual page ${page}")
    list(APPEND manual_files ${manual_dir}/${page}.gz)
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${manual_files})

foreach(program kiru-unpaced kiru-realtime)
    file(CREATE_LINK kiru.6.gz ${manual_dir}/${program}.6.gz SYMBOLIC)
    install(FILES ${manual_dir}/${program}.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()
install(FILES ${manual_dir}/kiru.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
if(KIRU_CAPTURE)
    install(FILES ${manual_dir}/kiru-capture.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The change log, in Debian's form, as a native package keeps it.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
                   COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/data/changelog > changelog.gz
                   WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                   DEPENDS ${CMAKE_SOURCE_DIR}/data/changelog
                   COMMENT "Compressing the change log")
add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/data/copyright ${CMAKE_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
