#pragma once
// The capture's writing thread. The frame loop reads each listed frame back into one of a few
// fixed buffers and queues it; the worker writes it as a PNG still, a video frame or both, and
// hands the buffer back. When every buffer is queued the loop waits, so memory stays flat
// however long the capture.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class VideoFile;

class CaptureWorker {
  public:
    // Stills go to stillsDir ("" for none), video frames to video (null for none).
    CaptureWorker(int32_t width, int32_t height, std::string stillsDir, VideoFile* video);
    CaptureWorker(const CaptureWorker&) = delete;
    CaptureWorker& operator=(const CaptureWorker&) = delete;
    ~CaptureWorker();

    // A free buffer of width x height x 4 bytes for the next frame; waits while none is free.
    uint8_t* buffer();
    // Queues the buffer last returned by buffer() as frame `frame`, with a still when still.
    void submit(uint32_t frame, bool still);
    // True once a write failed; the worker then drops what is queued.
    bool failed();
    // Writes what is queued and stops the thread: false with the first write error.
    bool finish(std::string& error);

  private:
    struct Job {
        uint32_t frame;
        bool still;
        size_t slot;
    };
    void run();

    int32_t width_;
    int32_t height_;
    std::string stillsDir_;
    VideoFile* video_;
    std::vector<std::vector<uint8_t>> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<size_t> free_;
    std::deque<Job> queued_;
    size_t current_ = 0;
    bool stopping_ = false;
    std::string error_;
    std::thread thread_;
};
