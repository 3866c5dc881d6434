#include "capture/capture_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

#include "app/command_line.h"
#include "capture/multisample.h"
#include "capture/video_file.h"
#include "capture/video_format.h"

namespace {

const char kDescription[] =
    "Plays kiru's frames at the fixed 1/60 s step, unpaced, and writes the listed ones as PNG\n"
    "stills, as a video at 60 frames per second (H.264 MP4, VP9 WebM or a lossless FFV1\n"
    "Matroska master, from the name's ending), or both. With no display it renders through\n"
    "SDL's offscreen (EGL) driver.";

std::string sizeText(int32_t width, int32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

// The same name, as far as the text tells (no file is looked at): "./a//b/" is "a/b", "a/../b"
// is "b", "/.." is "/".
std::string nameOf(const std::string& path) {
    const bool absolute = path.starts_with('/');
    std::vector<std::string> parts;
    for (size_t start = 0; start <= path.size();) {
        const size_t slash = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, slash - start);
        if (part == ".." && !parts.empty() && parts.back() != "..") {
            parts.pop_back();
        } else if (part == ".." && absolute) {
            // nothing is above the root
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string name = absolute ? "/" : "";
    for (const std::string& part : parts) {
        name += (name.empty() || name == "/" ? "" : "/") + part;
    }
    return name.empty() ? "." : name;
}

// The video must not be written where a still goes, nor over the stills' folder.
bool outputsApart(const CaptureOptions& options, std::string& error) {
    if (options.videoPath.empty() || options.outDir.empty()) {
        return true;
    }
    const std::string video = nameOf(options.videoPath);
    const std::string still = "the video \"" + options.videoPath + "\" is ";
    if (video == nameOf(options.outDir)) {
        error = still + "the stills' folder";
        return false;
    }
    const std::string dir = nameOf(options.outDir);
    const std::string folder = dir == "." ? "" : dir.ends_with('/') ? dir : dir + "/";
    uint32_t frame = 0;
    const char* digits = video.c_str() + folder.size() + 6;
    if (video.starts_with(folder + "frame-") && digitsRead(digits, kMaxCaptureFrame, frame) &&
        frameListContains(options.frames, frame) &&
        nameOf(captureFramePath(options.outDir, frame)) == video) {
        error = still + "the still of frame " + std::to_string(frame);
        return false;
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
        if (*text != ',') {
            break; // left on the character that does not belong, which the reason looks at
        }
        ++text;
    }
    if (*text >= '0' && *text <= '9') { // digitsRead stopped inside a number: past the limit
        error = std::string("the frame list \"") + start + "\" passes the last frame, " +
                std::to_string(kMaxCaptureFrame);
        return false;
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

std::vector<std::vector<FrameRange>> frameListSplit(const std::vector<FrameRange>& frames,
                                                    uint32_t jobs, uint32_t keyInterval) {
    std::vector<FrameRange> sorted = frames;
    std::sort(sorted.begin(), sorted.end(),
              [](const FrameRange& a, const FrameRange& b) { return a.first < b.first; });
    std::vector<FrameRange> ranges; // overlapping and touching ranges merged
    uint64_t total = 0;
    for (const FrameRange& range : sorted) {
        if (!ranges.empty() && range.first <= uint64_t{ranges.back().last} + 1) {
            ranges.back().last = std::max(ranges.back().last, range.last);
        } else {
            ranges.push_back(range);
        }
    }
    for (const FrameRange& range : ranges) {
        total += range.last - range.first + 1;
    }
    // More jobs than frames would only add empty ones.
    const uint64_t n = std::min<uint64_t>(jobs, total);
    const auto cut = [&](uint64_t k) { // job k's first listed frame, counted from 0
        return k == n ? total : k * total / n / keyInterval * keyInterval;
    };
    std::vector<std::vector<FrameRange>> lists;
    for (uint64_t k = 0; k < n; ++k) {
        const uint64_t from = cut(k);
        const uint64_t to = cut(k + 1);
        if (from >= to) {
            continue;
        }
        std::vector<FrameRange>& list = lists.emplace_back();
        uint64_t seen = 0;
        for (const FrameRange& range : ranges) {
            const uint64_t size = range.last - range.first + 1;
            const uint64_t lo = std::max(from, seen);
            const uint64_t hi = std::min(to, seen + size);
            if (lo < hi) {
                list.push_back({static_cast<uint32_t>(range.first + (lo - seen)),
                                static_cast<uint32_t>(range.first + (hi - 1 - seen))});
            }
            seen += size;
        }
    }
    return lists;
}

std::string frameListText(const std::vector<FrameRange>& ranges) {
    std::string text;
    for (const FrameRange& range : ranges) {
        text += (text.empty() ? "" : ",") + std::to_string(range.first);
        if (range.last != range.first) {
            text += "-" + std::to_string(range.last);
        }
    }
    return text;
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
    const std::string loop = "1-" + std::to_string(kLoopFrames);
    const std::string sizeHelp = "window size, multiples of " +
                                 std::to_string(kWindowSideMultiple) + " (default " +
                                 sizeText(kDefaultWidth, kDefaultHeight) + ")";
    auto* sizeOption = app.add_option("--size", size, sizeHelp)->type_name("WxH");
    auto* framesOption = app.add_option("--frames", frames,
                                        "frames to write, counted from 1, like 1-120,480,900-910;\n"
                                        "they play in frame order, each once, whatever the\n"
                                        "list's order (default 1; with --video one whole loop,\n" +
                                            loop + ")")
                             ->type_name("LIST");
    auto* outOption = app.add_option("--out", out,
                                     "folder for frame-000123.png stills\n"
                                     "(default " +
                                         CaptureOptions{}.outDir + ", none with --video alone)")
                          ->type_name("DIR");
    auto* videoOption =
        app.add_option("--video", options.videoPath,
                       "video at 60 fps, one video frame per listed frame: .mp4\nH.264 (at most " +
                           std::to_string(kMaxVideoMacroblocks) +
                           " 16 x 16 macroblocks a frame,\n" +
                           sizeText(kMaxVideoExampleWidth, kMaxVideoExampleHeight) +
                           "), .webm VP9, .mkv lossless FFV1 in RGB")
            ->type_name("FILE");
    const auto scale = [](const VideoFormat& format) {
        return std::string(format.ending) + " " + std::to_string(format.crfLowest) + " to " +
               std::to_string(format.crfHighest) + " (default " +
               std::to_string(format.crfDefault) + ")";
    };
    auto* crfOption = app.add_option("--crf", options.crf,
                                     "video quality, the encoder's constant rate factor, lower\n"
                                     "is better: " +
                                         scale(kVideoMp4) + ", 0 lossless;\n" + scale(kVideoWebm) +
                                         "; none for " + kVideoMkv.ending)
                          ->type_name("N");
    std::string sampleCounts;
    for (size_t k = 0; k < std::size(kSampleCounts); ++k) {
        const bool lastOne = k + 1 == std::size(kSampleCounts);
        sampleCounts += (k == 0 ? "" : lastOne ? " or " : ", ") + std::to_string(kSampleCounts[k]);
    }
    auto* samplesOption =
        app.add_option("--samples", options.samples,
                       "draw each frame with N samples a pixel (" + sampleCounts +
                           "),\nanti-aliased, and resolve it before reading it back")
            ->type_name("N");
    app.add_flag("--dry-run", options.dryRun,
                 "play the listed frames; read back and write nothing");
    app.add_flag("--stats", options.stats, "print the listed frames' time on standard output");
    auto* jobsOption = app.add_option("--list-jobs", options.listJobs,
                                      "run nothing: print the listed frames as N lists of\n"
                                      "contiguous frames, one a line, for N runs side by side\n"
                                      "(a video's each starting on a key frame)")
                           ->type_name("N");
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
    if (!samplesOption->empty() && std::find(std::begin(kSampleCounts), std::end(kSampleCounts),
                                             options.samples) == std::end(kSampleCounts)) {
        error = "--samples takes " + sampleCounts + ", not " + std::to_string(options.samples);
        return false;
    }
    if (!jobsOption->empty() && options.listJobs < 1) {
        error = "--list-jobs takes 1 or more, not " + std::to_string(options.listJobs);
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
    if (options.dryRun && (!outOption->empty() || !videoOption->empty())) {
        error = "--dry-run writes nothing: leave out --out and --video";
        return false;
    }
    if (!sizeOption->empty() && !windowSizeParse(size.c_str(), options.width, options.height)) {
        error = "bad size \"" + size + "\" (expected " + kWindowSizeRule + ")";
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
    if (!outputsApart(options, error)) {
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
    const int64_t macroblocks = int64_t{(options.width + 15) / 16} * ((options.height + 15) / 16);
    if (!videoOption->empty() && format == &kVideoMp4 && macroblocks > kMaxVideoMacroblocks) {
        error = "--size " + sizeText(options.width, options.height) +
                " is too large for an H.264 video: " + std::to_string(macroblocks) +
                " macroblocks of 16 x 16 pixels a frame, where the largest level (6.2) allows " +
                std::to_string(kMaxVideoMacroblocks) + ", as in " +
                sizeText(kMaxVideoExampleWidth, kMaxVideoExampleHeight);
        return false;
    }
    return true;
}

std::string captureJobsText(const CaptureOptions& options) {
    std::string reason;
    const VideoFormat* format =
        options.videoPath.empty() ? nullptr : videoFormatOf(options.videoPath, reason);
    std::string text;
    for (const auto& list :
         frameListSplit(options.frames, options.listJobs,
                        format != nullptr ? videoKeyFrameInterval(*format) : 1)) {
        text += frameListText(list) + "\n";
    }
    return text;
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
