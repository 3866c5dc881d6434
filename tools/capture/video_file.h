#pragma once
// One H.264 video in an MP4 at exactly 60 frames per second, written through FFmpeg's libraries
// (libavformat, libavcodec with libx264, libswscale): yuv420p, tagged BT.709 with limited range,
// time base 1/60, each frame lasting one tick.

#include <cstdint>
#include <string>

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
    ~VideoFile(); // a file not finished is removed

    // Creates the file and writes its header; crf is x264's constant rate factor. False, with
    // "cannot write PATH: reason", when any step fails (the file is then removed).
    bool open(const std::string& path, int32_t width, int32_t height, int crf, std::string& error);

    // Converts and encodes one frame of width x height pixels, 4 bytes each (R, G, B, unused),
    // bottom row first as GL reads them.
    bool add(const uint8_t* rgbx, std::string& error);

    // Drains the encoder, writes the trailer and closes the file: true only when every byte
    // reached the file system. On failure the file is removed.
    bool finish(std::string& error);

    int64_t frames() const { return frames_; }

  private:
    bool writePackets(std::string& error);
    bool fail(const char* what, int code, std::string& error);
    void release();

    std::string path_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int64_t frames_ = 0;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* scaler_ = nullptr;
};
