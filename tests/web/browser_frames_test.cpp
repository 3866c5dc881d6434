// The web build in a real browser: headless Chromium (SwiftShader) renders one frame of each scene
// from the built page, served on 127.0.0.1, and each must match kiru-capture's frame: at least 99%
// of the pixels within 24/255 on every channel. Needs the page (bash scripts/web.sh --build).
#include <gtest/gtest.h>

#include <SDL_image.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <signal.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        for (int c; (c = std::fgetc(pipe)) != EOF;) {
            out += static_cast<char>(c);
        }
        pclose(pipe);
    }
    return out;
}

// The page's folder served on 127.0.0.1 only, on a port the system picks, for as long as the
// object lives. Python says its process and port once it listens.
struct Server {
    FILE* pipe;
    int pid = 0;
    int port = 0;
    explicit Server(const std::string& dir)
        : pipe(popen(("python3 -c 'import functools, http.server as h, os, sys\n"
                      "s = h.ThreadingHTTPServer((\"127.0.0.1\", 0), functools.partial("
                      "h.SimpleHTTPRequestHandler, directory=sys.argv[1]))\n"
                      "print(os.getpid(), s.server_port, flush=True)\n"
                      "s.serve_forever()' '" +
                      dir + "' 2>/dev/null")
                         .c_str(),
                     "r")) {
        if (pipe == nullptr || std::fscanf(pipe, "%d %d", &pid, &port) != 2) {
            port = 0;
        }
    }
    ~Server() {
        if (pid > 0) { // it started, so the pipe is open
            kill(pid, SIGTERM);
            pclose(pipe);
        }
    }
};

// RGB bytes of an 800 x 600 PNG; empty when the file is missing or another size.
std::vector<uint8_t> loadRgb(const std::string& path) {
    std::vector<uint8_t> bytes;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    SDL_Surface* rgb =
        loaded ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
    for (int y = 0; rgb != nullptr && rgb->w == 800 && rgb->h == 600 && y < 600; ++y) {
        const auto* row = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch;
        bytes.insert(bytes.end(), row, row + 800 * 3);
    }
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(loaded);
    return bytes;
}

// The page at the address, in headless Chromium: its DOM once done (the title is the one it set
// last), and a screenshot in shot when one is named.
std::string pageDom(int port, const std::string& query, const std::string& shot = "") {
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/index.html?" + query;
    return run("timeout 120 chromium --headless=new --no-sandbox --use-angle=swiftshader "
               "--enable-unsafe-swiftshader --force-device-scale-factor=1 --window-size=800,600 "
               "--virtual-time-budget=30000 --dump-dom " +
               (shot.empty() ? "" : "--screenshot='" + shot + "' ") + "'" + url + "' 2>/dev/null");
}

TEST(BrowserFrames, EachSceneMatchesTheNativeFrame) {
    const std::string page = KIRU_WEB_PAGE_DIR;
    ASSERT_TRUE(std::filesystem::exists(page + "/kiru.wasm"))
        << "no web build in " << page << ": run bash scripts/web.sh --build";
    // One frame well inside each scene (they start in frames 1, 481, 1322, 2283 and 2823).
    const int kFrames[] = {170, 780, 1561, 2582, 3122};
    const std::string dir = "/tmp/kiru-browser-frames-" + std::to_string(getpid());
    const std::string capture = std::string("'") + KIRU_CAPTURE_PATH +
                                "' --size 800x600 --frames 170,780,1561,2582,3122 --out '" + dir +
                                "/native'";
    ASSERT_EQ(std::system(capture.c_str()), 0) << capture;

    const Server server(page);
    ASSERT_GT(server.port, 0) << "python3's http.server did not start";
    for (const int frame : kFrames) {
        const std::string shot = dir + "/web-" + std::to_string(frame) + ".png";
        const std::string query = "frame=" + std::to_string(frame) + "&size=800x600";
        EXPECT_NE(pageDom(server.port, query, shot)
                      .find("<title>kiru frame " + std::to_string(frame) + "</title>"),
                  std::string::npos)
            << query;

        const std::vector<uint8_t> web = loadRgb(shot);
        const std::vector<uint8_t> native =
            loadRgb(dir + "/native/frame-" + std::to_string(1000000 + frame).substr(1) + ".png");
        ASSERT_EQ(web.size(), 800u * 600 * 3) << shot;
        ASSERT_EQ(native.size(), web.size());
        long within = 0;
        int largest = 0;
        for (size_t i = 0; i < web.size(); i += 3) {
            const auto d = [&](size_t c) { return std::abs(web[i + c] - native[i + c]); };
            const int worst = std::max({d(0), d(1), d(2)});
            within += worst <= 24;
            largest = std::max(largest, worst);
        }
        const double share = static_cast<double>(within) / (800 * 600);
        std::printf("frame %4d: %.3f%% of pixels within 24/255 on every channel (largest "
                    "difference %d/255)\n",
                    frame, share * 100.0, largest);
        EXPECT_GE(share, 0.99) << "frame " << frame;
    }
    std::filesystem::remove_all(dir);
}

// A bad address, and a canvas larger than the browser can draw, show one line as the title and
// under the canvas instead of a frame.
TEST(BrowserFrames, ABadAddressSaysWhyAndDrawsNothing) {
    const Server server(KIRU_WEB_PAGE_DIR);
    ASSERT_GT(server.port, 0) << "python3's http.server did not start";
    for (const auto& [query, says] :
         {std::pair{"frame=0", "bad frame \"0\""},
          {"frame=3&size=801x600", "bad size"},
          {"frame=3&size=16384x16384", "this browser cannot draw 16384x16384 pixels"}}) {
        const std::string dom = pageDom(server.port, query);
        const size_t title = dom.find("<title>kiru: ");
        EXPECT_NE(title, std::string::npos) << query;
        EXPECT_NE(dom.find(says, title), std::string::npos) << query << ": " << dom;
        EXPECT_NE(dom.find("<div id=\"status\" class=\"\">kiru: "), std::string::npos) << query;
    }
}

} // namespace
