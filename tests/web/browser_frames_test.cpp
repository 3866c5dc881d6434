// The web build in a real browser: headless Chromium (SwiftShader) renders one frame of each scene
// from the built page, served on 127.0.0.1, and each must match kiru-capture's frame: at least 99%
// of the pixels within 24/255 on every channel. Needs the page (bash scripts/web.sh --build).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support.h"

namespace {

using namespace std::chrono_literals;

// The page's folder served on 127.0.0.1 only, on a port the system picks, for as long as the
// object lives.
struct Server {
    const std::string log = freshDir("kiru-browser-server.log");
    const pid_t pid = spawn("exec python3 -u -m http.server --bind 127.0.0.1 --directory '" +
                            std::string(KIRU_WEB_PAGE_DIR) + "' 0 >" + log + " 2>/dev/null");
    int port = 0;
    Server() {
        waitUntil([&] { return readFile(log).find(" port ") != std::string::npos; }, 10s);
        const std::string said = readFile(log); // "Serving HTTP on 127.0.0.1 port N ..."
        port = said.empty() ? 0 : std::atoi(said.c_str() + said.find(" port ") + 6);
    }
    ~Server() {
        kill(pid, SIGTERM);
        waitExit(pid, 10s);
    }
};

// The page at the address, in headless Chromium: its DOM once done (the title is the one it set
// last), and a screenshot in shot when one is named.
std::string pageDom(int port, const std::string& query, const std::string& shot = "") {
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/index.html?" + query;
    const std::string dom = freshDir("kiru-browser.dom");
    waitExit(spawn("exec chromium --headless=new --no-sandbox --use-angle=swiftshader "
                   "--enable-unsafe-swiftshader --force-device-scale-factor=1 "
                   "--window-size=800,600 --virtual-time-budget=30000 --dump-dom " +
                   (shot.empty() ? "" : "--screenshot='" + shot + "' ") + "'" + url + "' >" + dom +
                   " 2>/dev/null"),
             120s);
    return readFile(dom);
}

TEST(BrowserFrames, EachSceneMatchesTheNativeFrame) {
    const std::string page = KIRU_WEB_PAGE_DIR;
    ASSERT_TRUE(std::filesystem::exists(page + "/kiru.wasm"))
        << "no web build in " << page << ": run bash scripts/web.sh --build";
    // One frame well inside each scene (they start in frames 1, 481, 1322, 2283 and 2823).
    const int kFrames[] = {170, 780, 1561, 2582, 3122};
    const std::string dir = freshDir("kiru-browser-frames");
    const std::string capture = std::string("'") + KIRU_CAPTURE_PATH +
                                "' --size 800x600 --frames 170,780,1561,2582,3122 --out '" + dir +
                                "/native'";
    ASSERT_EQ(std::system(capture.c_str()), 0) << capture;

    const Server server;
    ASSERT_GT(server.port, 0) << "python3's http.server did not start";
    for (const int frame : kFrames) {
        const std::string shot = dir + "/web-" + std::to_string(frame) + ".png";
        const std::string query = "frame=" + std::to_string(frame) + "&size=800x600";
        EXPECT_NE(pageDom(server.port, query, shot)
                      .find("<title>kiru frame " + std::to_string(frame) + "</title>"),
                  std::string::npos)
            << query;

        const Picture web = pngRead(shot), native = stillRead(dir + "/native", frame);
        ASSERT_TRUE(web.width == 800 && web.height == 600) << shot;
        ASSERT_EQ(native.rgb.size(), web.rgb.size());
        const PictureDifference difference = pictureCompare(web, native, 24);
        std::printf("frame %4d: %.3f%% of pixels within 24/255 on every channel (largest "
                    "difference %d/255)\n",
                    frame, difference.within * 100.0, difference.largest);
        EXPECT_GE(difference.within, 0.99) << "frame " << frame;
    }
    std::filesystem::remove_all(dir);
}

// A bad address, and a canvas larger than the browser can draw, show one line as the title and
// under the canvas instead of a frame.
TEST(BrowserFrames, ABadAddressSaysWhyAndDrawsNothing) {
    const Server server;
    ASSERT_GT(server.port, 0) << "python3's http.server did not start";
    for (const auto& [query, says] :
         {std::pair{"frame=0", "bad frame \"0\""},
          {"frame=3&size=801x600", "bad size"},
          {"frame=%33&foo=bar", "unknown field \"foo\""},
          {"frame=3&size=16384x16384", "this browser cannot draw 16384x16384 pixels"}}) {
        const std::string dom = pageDom(server.port, query);
        const size_t title = dom.find("<title>kiru: ");
        EXPECT_NE(title, std::string::npos) << query;
        EXPECT_NE(dom.find(says, title), std::string::npos) << query << ": " << dom;
        EXPECT_NE(dom.find("<div id=\"status\" class=\"\">kiru: "), std::string::npos) << query;
    }
}

} // namespace
