// The web build in a real browser: headless Chromium (SwiftShader) draws the built page, served on
// 127.0.0.1. Needs the page (bash scripts/web.sh --build).
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support.h"

namespace {

using namespace std::chrono_literals;

// The page at the address in headless Chromium, its folder served by python3 on a port the system
// picks: the DOM once done (the title is the one it set last), and a screenshot in shot.
std::string pageDom(const std::string& query, const std::string& shot) {
    const std::string log = freshDir("kiru-browser-server.log"), dom = freshDir("kiru-browser.dom");
    const pid_t server = spawn("exec python3 -u -m http.server --bind 127.0.0.1 --directory '" +
                               std::string(KIRU_WEB_PAGE_DIR) + "' 0 >" + log + " 2>/dev/null");
    waitUntil([&] { return readFile(log).find(" port ") != std::string::npos; }, 10s);
    const std::string said = readFile(log); // "Serving HTTP on 127.0.0.1 port N ..."
    const std::string url =
        "http://127.0.0.1:" + std::to_string(std::atoi(said.c_str() + said.find(" port ") + 6)) +
        "/index.html?" + query;
    waitExit(spawn("exec chromium --headless=new --no-sandbox --use-angle=swiftshader "
                   "--enable-unsafe-swiftshader --force-device-scale-factor=1 "
                   "--window-size=800,600 --virtual-time-budget=30000 --dump-dom --screenshot='" +
                   shot + "' '" + url + "' >" + dom + " 2>/dev/null"),
             120s);
    kill(server, SIGTERM);
    waitExit(server, 10s);
    return readFile(dom);
}

// One frame of each scene matches kiru-capture's: at least 99% of the pixels within 24/255 on
// every channel. A canvas larger than the browser can draw shows one line as the title and under
// the canvas instead of a frame (the address's other refusals are the CPU tests').
TEST(BrowserFrames, EachSceneMatchesTheNativeFrameAndATooLargeCanvasSaysWhy) {
    ASSERT_TRUE(std::filesystem::exists(KIRU_WEB_PAGE_DIR "/kiru.wasm"))
        << "no web build in " KIRU_WEB_PAGE_DIR ": run bash scripts/web.sh --build";
    const std::string dir = freshDir("kiru-browser-frames");
    std::string out;
    ASSERT_EQ(
        shellRun(kCapture + "--size 800x600 --frames 170,780,1561,2582,3122 --out " + dir, out), 0)
        << out;
    for (const int frame : {170, 780, 1561, 2582, 3122}) {
        const std::string shot = dir + "/web.png", name = std::to_string(frame);
        EXPECT_NE(pageDom("frame=" + name + "&size=800x600", shot)
                      .find("<title>kiru frame " + name + "</title>"),
                  std::string::npos)
            << name;
        const Picture web = pngRead(shot);
        const PictureDifference difference = pictureCompare(web, stillRead(dir, frame), 24);
        std::printf("frame %4d: %.3f%% of pixels within 24/255 on every channel (largest "
                    "difference %d/255)\n",
                    frame, difference.within * 100.0, difference.largest);
        EXPECT_TRUE(web.width == 800 && web.height == 600 && difference.within >= 0.99) << name;
    }
    const std::string dom = pageDom("frame=3&size=16384x16384", dir + "/big.png");
    const std::string says = "kiru: could not start: this browser cannot draw 16384x16384 pixels";
    EXPECT_NE(dom.find("<title>" + says), std::string::npos) << dom;
    EXPECT_NE(dom.find("<div id=\"status\" class=\"\">" + says), std::string::npos) << dom;
}

} // namespace
