# The Windows build's tests (included by tests/CMakeLists.txt when cross-building): the CPU and
# rendering tests as .exe files, each started under Wine through scripts/wine.sh. The runs of the
# programs themselves under Wine are the native build's `wine` label.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine.sh)
# Each test is a Wine process of its own: a second or two to start, more while the prefix is made.
set(KIRU_WINE_DISCOVERY_TIMEOUT 300)
set(KIRU_WINE_TEST_TIMEOUT 300)

file(GLOB KIRU_CPU_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cpu/*.cpp)
add_executable(kiru_cpu_tests ${KIRU_CPU_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/src/web/page_request.cpp)
target_link_libraries(kiru_cpu_tests PRIVATE kiru_capture GTest::gtest GTest::gtest_main)
gtest_discover_tests(kiru_cpu_tests WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                     DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT ${KIRU_WINE_DISCOVERY_TIMEOUT}
                     PROPERTIES LABELS cpu TIMEOUT ${KIRU_WINE_TEST_TIMEOUT})

# The whole-frame test stands in for the GL library's glDrawArrays, which opengl32's import
# library does not allow; the composer it checks is the very same source natively.
file(GLOB KIRU_GL_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/gl/*.cpp)
list(FILTER KIRU_GL_TEST_SOURCES EXCLUDE REGEX "/frame_test\\.cpp$")
add_executable(kiru_gl_tests ${KIRU_GL_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/src/web/gl/gl_layer_core.cpp)
target_include_directories(kiru_gl_tests PRIVATE ${CMAKE_SOURCE_DIR}/src/web)
# Its main() is SDL_main here, entered through SDL2main as the programs are.
target_link_libraries(kiru_gl_tests PRIVATE SDL2::SDL2main kiru_capture GTest::gtest)
gtest_discover_tests(kiru_gl_tests WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                     DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT ${KIRU_WINE_DISCOVERY_TIMEOUT}
                     PROPERTIES LABELS gl TIMEOUT ${KIRU_WINE_TEST_TIMEOUT})
