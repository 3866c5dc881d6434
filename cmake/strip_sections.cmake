# Run by `cmake --install` after the programs are installed (cmake/install.cmake sets the
# KIRU_... variables): when the install strips them, it also removes the .comment section (the
# compilers' version strings) and the .note section, with the same options as Debian's dh_strip.
# The build-id notes (.note.gnu.build-id and the like) are other sections and stay.
if(CMAKE_INSTALL_DO_STRIP)
    foreach(program IN LISTS KIRU_STRIPPED_PROGRAMS)
        execute_process(
            COMMAND ${KIRU_STRIP} --remove-section=.comment --remove-section=.note
                    "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${KIRU_INSTALL_BINDIR}/${program}"
            COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endif()
