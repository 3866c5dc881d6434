// The web build in a real browser: headless Chromium (SwiftShader) renders one frame of each scene
// from the built page, served on 127.0.0.1, and each must match kiru-capture's frame: at least 99%
// of the pixels within 24/255 on every channel. Needs the page (bash scripts/web.sh --build).
#include <gtest/gtest.h>

#include <SDL_image.h>
#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// A port on 127.0.0.1 that was free a moment ago.
int freePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    close(s);
    return ntohs(address.sin_port);
}

bool accepts(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return ok;
}

// The page's folder served on 127.0.0.1 only, for as long as the object lives.
struct Server {
    pid_t pid = -1;
    int port = freePort();
    explicit Server(const std::string& dir) {
        const std::string portText = std::to_string(port);
        const char* argv[] = {"python3",   "-m",          "http.server", portText.c_str(), "--bind",
                              "127.0.0.1", "--directory", dir.c_str(),   nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&quiet, 1, 2);
        posix_spawnp(&pid, "python3", &quiet, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&quiet);
        for (int i = 0; i < 100 && !accepts(port); ++i) {
            usleep(100000);
        }
    }
    ~Server() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
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

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t n; pipe != nullptr && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    return out;
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
    ASSERT_TRUE(accepts(server.port)) << "python3 -m http.server did not start";
    for (const int frame : kFrames) {
        const std::string shot = dir + "/web-" + std::to_string(frame) + ".png";
        const std::string url = "http://127.0.0.1:" + std::to_string(server.port) +
                                "/index.html?frame=" + std::to_string(frame) + "&size=800x600";
        // The DOM, printed once the page is done, carries the title the page sets last.
        const std::string dom =
            run("chromium --headless=new --no-sandbox --use-angle=swiftshader "
                "--enable-unsafe-swiftshader --force-device-scale-factor=1 --window-size=800,600 "
                "--virtual-time-budget=30000 --dump-dom --screenshot='" +
                shot + "' '" + url + "' 2>/dev/null");
        EXPECT_NE(dom.find("<title>kiru frame " + std::to_string(frame) + "</title>"),
                  std::string::npos)
            << url;

        const std::vector<uint8_t> web = loadRgb(shot);
        const std::vector<uint8_t> native =
            loadRgb(dir + "/native/frame-" + std::to_string(1000000 + frame).substr(1) + ".png");
        ASSERT_EQ(web.size(), 800u * 600 * 3) << shot;
        ASSERT_EQ(native.size(), web.size());
        long within = 0;
        int largest = 0;
        for (size_t i = 0; i < web.size(); i += 3) {
            int worst = 0;
            for (size_t c = i; c < i + 3; ++c) {
                worst = std::max(worst, std::abs(web[c] - native[c]));
            }
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

} // namespace
