#include "capture/capture_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/command_line.h"
#include "capture/capture_system.h"
#include "capture/video_file.h"
#include "capture/video_format.h"

namespace {

const char kDescription[] =
    "Plays kiru's frames at the fixed 1/60 s step, unpaced, and writes the listed ones as PNG\n"
    "stills, as a video at 60 frames per second (H.264 MP4, VP9 WebM or a lossless FFV1\n"
    "Matroska master, from the name's ending), or both. With no display it renders through\n"
    "SDL's offscreen (EGL) driver.";

// Appends to missing the folders to make for dir; false with a reason when they cannot be.
bool folderCheck(const std::string& dir, std::vector<std::string>& missing, std::string& error) {
    namespace fs = std::filesystem;
    std::string existing = dir[0] == '/' ? "/" : ".";
    bool absent = false;
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        std::error_code code;
        const fs::file_status status = absent ? fs::file_status{} : fs::status(part, code);
        if (!absent && fs::exists(status)) {
            if (!fs::is_directory(status)) {
                error = "\"" + part + "\" is not a folder";
                return false;
            }
            existing = part;
        } else if (!absent && code != std::errc::no_such_file_or_directory) {
            error = "cannot use the folder \"" + part + "\": " + code.message();
            return false;
        } else {
            absent = true;
            missing.push_back(part);
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    std::string reason;
    if (!folderWritable(existing, reason)) {
        error = "cannot write into \"" + existing + "\": " + reason;
        return false;
    }
    return true;
}

// Why the file cannot be written, "" when it can: only a new name, or a regular file (or a link
// to one) that may be written, is replaced. Devices, FIFOs, sockets and folders are never opened
// or replaced, and a link to nothing is left alone rather than replaced by the file.
std::string destinationProblem(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code code;
    const bool link = fs::is_symlink(fs::symlink_status(path, code));
    const fs::file_status status = fs::status(path, code);
    std::string reason;
    switch (status.type()) {
    case fs::file_type::not_found:
        return link ? "is a symbolic link to nothing" : "";
    case fs::file_type::regular:
        return fileWritable(path, reason) ? "" : "cannot be written: " + reason;
    case fs::file_type::directory:
        return "is a folder";
    case fs::file_type::fifo:
        return "is a FIFO";
    case fs::file_type::block:
    case fs::file_type::character:
        return "is a device";
    case fs::file_type::socket:
        return "is a socket";
    default:
        return "cannot be used: " + code.message();
    }
}

// The problem as told: what a thing is that cannot be written says what can be.
std::string told(const std::string& problem) {
    return problem.starts_with("is ") ? problem + " (only a new name or a regular file is written)"
                                      : problem;
}

// The listed stills that already exist in dir must be files that can be replaced.
bool stillsCheck(const std::string& dir, const std::vector<FrameRange>& frames,
                 std::string& error) {
    namespace fs = std::filesystem;
    std::error_code code;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, code)) {
        const std::string name = entry.path().filename().string();
        uint32_t frame = 0;
        const char* digits = name.c_str() + (name.starts_with("frame-") ? 6 : 0);
        if (name.starts_with("frame-") && digitsRead(digits, kMaxCaptureFrame, frame) &&
            frameListContains(frames, frame) && captureFramePath(dir, frame) == dir + "/" + name) {
            const std::string problem = destinationProblem(dir + "/" + name);
            if (!problem.empty()) {
                error = "the still \"" + dir + "/" + name + "\" " + told(problem);
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool frameListParse(const char* text, std::vector<FrameRange>& ranges, std::string& error) {
    ranges.clear();
    const char* start = text;
    for (;;) {
        FrameRange range{};
        if (!digitsRead(text, kMaxCaptureFrame, range.first)) {
            break;
        }
        range.last = range.first;
        if (*text == '-') {
            ++text;
            if (!digitsRead(text, kMaxCaptureFrame, range.last)) {
                break;
            }
        }
        if (range.first == 0) {
            error = "frame numbers start at 1";
            return false;
        }
        if (range.last < range.first) {
            error = "a frame range must not run backwards";
            return false;
        }
        ranges.push_back(range);
        if (*text == '\0') {
            return true;
        }
        if (*text++ != ',') {
            break;
        }
    }
    error = std::string("cannot read the frame list \"") + start +
            "\" (expected numbers and ranges like 1-120,480)";
    return false;
}

bool frameListContains(const std::vector<FrameRange>& ranges, uint32_t frame) {
    for (const FrameRange& range : ranges) {
        if (frame >= range.first && frame <= range.last) {
            return true;
        }
    }
    return false;
}

uint32_t frameListLast(const std::vector<FrameRange>& ranges) {
    uint32_t last = 0;
    for (const FrameRange& range : ranges) {
        last = range.last > last ? range.last : last;
    }
    return last;
}

bool captureOptionsParse(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& message) {
    std::string& error = message;
    CLI::App app(kDescription, "kiru-capture");
    app.get_formatter()->column_width(16);
    app.allow_extras();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.set_help_flag("-h,--help", "show this and exit");
    std::string size;
    std::string frames;
    std::string out;
    auto* sizeOption =
        app.add_option("--size", size, "window size, multiples of 4 (default 800x600)")
            ->type_name("WxH");
    auto* framesOption = app.add_option("--frames", frames,
                                        "frames to write, counted from 1, like 1-120,480,900-910;\n"
                                        "they play in frame order, each once, whatever the\n"
                                        "list's order (default 1; with --video one whole loop,\n"
                                        "1-4023)")
                             ->type_name("LIST");
    auto* outOption = app.add_option("--out", out,
                                     "folder for frame-000123.png stills\n"
                                     "(default capture, none with --video alone)")
                          ->type_name("DIR");
    auto* videoOption = app.add_option("--video", options.videoPath,
                                       "video at 60 fps, one video frame per listed frame:\n"
                                       ".mp4 H.264 (at most 8192x4352), .webm VP9,\n"
                                       ".mkv lossless FFV1 in RGB")
                            ->type_name("FILE");
    auto* crfOption = app.add_option("--crf", options.crf,
                                     "video quality, the encoder's constant rate factor,\n"
                                     "lower is better: .mp4 0 (lossless) to 51 (default 18),\n"
                                     ".webm 0 to 63 (default 31); none for .mkv")
                          ->type_name("N");
    app.add_flag("--dry-run", options.dryRun,
                 "play the listed frames; read back and write nothing");
    app.add_flag("--stats", options.stats, "print the listed frames' time on standard output");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        options.help = true;
        message = app.help();
        return true;
    } catch (const CLI::ParseError& failure) {
        error = failure.what();
        return false;
    }
    if (!app.remaining().empty()) {
        error = "unknown argument \"" + app.remaining().front() + "\"";
        return false;
    }
    if (!videoOption->empty() && *videoUnavailableReason() != '\0') {
        error = videoUnavailableReason();
        return false;
    }
    if (!videoOption->empty() && options.videoPath.empty()) {
        error = "--video needs a file";
        return false;
    }
    // The format comes from the name; --crf is on its encoder's own scale (x264's without one).
    const VideoFormat* format = videoOption->empty() ? &kVideoMp4 : nullptr;
    if (format == nullptr && (format = videoFormatOf(options.videoPath, error)) == nullptr) {
        return false;
    }
    if (format->lossless && !crfOption->empty()) {
        error = std::string("--crf does not apply to the lossless ") + format->ending + " video";
        return false;
    }
    if (crfOption->empty()) {
        options.crf = format->crfDefault;
    } else if (options.crf < format->crfLowest || options.crf > format->crfHighest) {
        error = "--crf takes " + std::to_string(format->crfLowest) + " to " +
                std::to_string(format->crfHighest) + " for " + format->ending + ", not " +
                std::to_string(options.crf);
        return false;
    }
    if (options.dryRun && (!outOption->empty() || !videoOption->empty())) {
        error = "--dry-run writes nothing: leave out --out and --video";
        return false;
    }
    if (!sizeOption->empty() && !windowSizeParse(size.c_str(), options.width, options.height)) {
        error = "bad size \"" + size + "\" (expected " + kWindowSizeRule + ")";
        return false;
    }
    const int64_t macroblocks = int64_t{(options.width + 15) / 16} * ((options.height + 15) / 16);
    if (!videoOption->empty() && format == &kVideoMp4 && macroblocks > kMaxVideoMacroblocks) {
        error = "--size " + std::to_string(options.width) + "x" + std::to_string(options.height) +
                " is too large for an H.264 video: " + std::to_string(macroblocks) +
                " macroblocks of 16 x 16 pixels a frame, where the largest level (6.2) allows " +
                std::to_string(kMaxVideoMacroblocks) + ", as in 8192x4352";
        return false;
    }
    if (!framesOption->empty()) {
        if (!frameListParse(frames.c_str(), options.frames, error)) {
            return false;
        }
    } else if (!videoOption->empty()) {
        options.frames = {{1, kLoopFrames}};
    }
    if (!outOption->empty()) {
        if (out.empty()) {
            error = "--out needs a folder";
            return false;
        }
        options.outDir = out;
    } else if (!videoOption->empty() || options.dryRun) {
        options.outDir.clear();
    }
    return true;
}

bool captureOutputsCheck(const CaptureOptions& options, std::vector<std::string>& missing,
                         std::string& error) {
    missing.clear();
    if (!options.outDir.empty() && (!folderCheck(options.outDir, missing, error) ||
                                    !stillsCheck(options.outDir, options.frames, error))) {
        return false;
    }
    const std::string& video = options.videoPath;
    if (video.empty()) {
        return true;
    }
    const std::string problem = video.back() == '/' ? "is a folder" : destinationProblem(video);
    if (!problem.empty()) {
        error = "the video \"" + video + "\" " + told(problem);
        return false;
    }
    const size_t slash = video.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : video.substr(0, slash == 0 ? 1 : slash);
    std::vector<std::string> more;
    if (!folderCheck(folder, more, error)) {
        return false;
    }
    for (const std::string& part : more) {
        if (std::find(missing.begin(), missing.end(), part) == missing.end()) {
            missing.push_back(part);
        }
    }
    return true;
}

std::string captureFramePath(const std::string& dir, uint32_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06u.png", frame);
    return dir + name;
}

std::string printable(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}
