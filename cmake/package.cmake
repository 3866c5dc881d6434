# The Debian package that scripts/package.sh makes with CPack from the install rules. Configure
# with the prefix the package installs to (/usr), since the programs look for their images in
# the data folder under the prefix given at build time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kiru)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "kiru developers <dev@kiru.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Not games: Debian keeps games' programs in /usr/games, which is not on root's PATH, and
# kiru-capture is a tool for /usr/bin.
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL opens EGL at run time, so dpkg-shlibdeps cannot see it; kiru-capture needs it to render
# with no display.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libegl1, libegl-mesa0")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "real-time OpenGL graphics demo
kiru plays five animated scenes in a loop: growing bars with captions, two
textured cubes over a particle fountain, a rolling field of cube columns under
a circling camera, a fly-around of that field, and the credits. It draws with
OpenGL 2.0 through SDL2 and runs full-screen until Escape is pressed.
.
kiru-realtime plays the demo at its true speed on any display; kiru and
kiru-unpaced pace it one update per frame. kiru-capture writes chosen frames
as PNG stills or a video (H.264 MP4, VP9 WebM or a lossless FFV1 master),
with or without a display.")

include(CPack)
