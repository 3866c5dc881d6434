#pragma once
// The three kinds of video kiru-capture writes, told apart by the name's ending, and each one's
// encoder quality scale. Pure: no FFmpeg, so that the option parser of every build can refuse a
// name before anything starts.

#include <string>

struct VideoFormat {
    const char* ending;  // ".mp4", ".webm" or ".mkv"
    const char* muxer;   // libavformat's name for the container
    const char* encoder; // libavcodec's name for the encoder
    bool lossless;       // no quality to choose: --crf does not apply
    int crfLowest;       // the encoder's own constant rate factor scale, lowest is best
    int crfHighest;
    int crfDefault;
};

// x264's CRF 18 is visually lossless for this content; libvpx's 32, in the realtime mode that
// kiru-capture uses, keeps the demo's frames within 0.4 dB of its slow "good" mode at 31, the
// usual web quality (VP9's scale runs to 63).
inline constexpr VideoFormat kVideoMp4{".mp4", "mp4", "libx264", false, 0, 51, 18};
inline constexpr VideoFormat kVideoWebm{".webm", "webm", "libvpx-vp9", false, 0, 63, 32};
inline constexpr VideoFormat kVideoMkv{".mkv", "matroska", "ffv1", true, 0, 0, 0};

// A closed group of pictures every half second, whatever the pictures show: sites ask for it,
// players seek to it, and the farm's jobs, each starting on one, join exactly.
inline constexpr int kKeyFrameInterval = 30;

// Frames from one key frame to the next: kKeyFrameInterval, or 1 for the lossless master, whose
// every frame is one.
inline constexpr int videoKeyFrameInterval(const VideoFormat& format) {
    return format.lossless ? 1 : kKeyFrameInterval;
}

// The endings, as a message lists them: ".mp4 (H.264), .webm (VP9) or .mkv (lossless FFV1)".
extern const char* const kVideoEndings;

// The format (one of the three above) that path's ending names (letter case and trailing slashes
// ignored), or nullptr with the reason, which lists the three endings.
const VideoFormat* videoFormatOf(const std::string& path, std::string& reason);
