# The Windows build's tests (included by tests/CMakeLists.txt when cross-building): the CPU and
# rendering tests as .exe files, each started under Wine through scripts/wine.sh. The capture
# tool's own tests join when it builds for Windows (TODO(windows), see the root list); the runs
# of the programs themselves under Wine are the native build's `wine` label.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine.sh)
# Each test is a Wine process of its own: a second or two to start, more while the prefix is made.
set(KIRU_WINE_DISCOVERY_TIMEOUT 300)
set(KIRU_WINE_TEST_TIMEOUT 300)

file(GLOB KIRU_CPU_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cpu/*.cpp)
list(FILTER KIRU_CPU_TEST_SOURCES EXCLUDE REGEX "/capture_[a-z_]*test\\.cpp$")
add_executable(kiru_cpu_tests ${KIRU_CPU_TEST_SOURCES})
# The image test reads the glyph rectangles of tools/imagegen/font_atlas.h.
target_include_directories(kiru_cpu_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(kiru_cpu_tests PRIVATE kiru_core GTest::gtest GTest::gtest_main)
gtest_discover_tests(kiru_cpu_tests WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                     DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT ${KIRU_WINE_DISCOVERY_TIMEOUT}
                     PROPERTIES LABELS cpu TIMEOUT ${KIRU_WINE_TEST_TIMEOUT})

# The frame read-back is the capture tool's unit, plain GL, compiled in here on its own.
file(GLOB KIRU_GL_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/gl/*.cpp)
add_executable(kiru_gl_tests ${KIRU_GL_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/src/web/gl/gl_layer_core.cpp
                             ${CMAKE_SOURCE_DIR}/tools/capture/frame_grab.cpp)
target_include_directories(kiru_gl_tests PRIVATE ${CMAKE_SOURCE_DIR}/src/web ${CMAKE_SOURCE_DIR}/tools)
# Its main() is SDL_main here, entered through SDL2main as the programs are.
target_link_libraries(kiru_gl_tests PRIVATE SDL2::SDL2main kiru_core GTest::gtest)
gtest_discover_tests(kiru_gl_tests WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                     DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT ${KIRU_WINE_DISCOVERY_TIMEOUT}
                     PROPERTIES LABELS gl TIMEOUT ${KIRU_WINE_TEST_TIMEOUT})
