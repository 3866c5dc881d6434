#pragma once
// One video at exactly 60 frames per second, written through FFmpeg's libraries (libavformat,
// libavcodec, libswscale), of the format its name's ending asks for (capture/video_format.h):
// .mp4 H.264 High and .webm VP9, both yuv420p tagged BT.709 with limited range and a key frame
// every 30 frames; .mkv FFV1 in RGB, every frame a key frame, decoding to the very pixels read
// back. Each frame lasts one 1/60 s tick; an MP4 counts in those ticks and has no edit list.

#include <cstdint>
#include <string>

#include "capture/capture_system.h"

// "" where this build writes videos; otherwise why it does not, on one line (FFmpeg's libraries
// are not built for Windows: video_file_none.cpp stands in for video_file.cpp there).
const char* videoUnavailableReason();

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

class VideoFile {
  public:
    VideoFile() = default;
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;
    ~VideoFile(); // a video not finished is dropped; the destination stays as it was

    // Starts the video in a temporary file beside path and writes its header; crf is the
    // encoder's constant rate factor (unused for the lossless .mkv). False, with "cannot write
    // PATH: step: reason" (FFmpeg's own reason), when any step fails; the temporary file is then
    // removed and path left as it was.
    bool open(const std::string& path, int32_t width, int32_t height, int crf, std::string& error);

    // Converts and encodes one frame of width x height pixels, 4 bytes each (R, G, B, unused),
    // bottom row first as GL reads them.
    bool add(const uint8_t* rgbx, std::string& error);

    // Drains the encoder, writes the trailer, closes the file and renames it to the path given
    // to open, replacing what was there: true only when every byte reached the file system. On
    // failure the temporary file is removed and the path left as it was.
    bool finish(std::string& error);

    // Drops a video not finished: its temporary file is removed, the destination left as it was.
    void discard();

    int64_t frames() const { return frames_; }

  private:
    bool writePackets(std::string& error);
    // Says which step failed and why, and drops the file: false.
    bool fail(const char* step, int code, std::string& error);
    bool failBecause(const char* step, const std::string& reason, std::string& error);
    void release();

    std::string path_;
    TempFile file_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int64_t frames_ = 0;
    bool lossless_ = false;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* scaler_ = nullptr;
};
