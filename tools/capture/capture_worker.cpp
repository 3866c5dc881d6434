#include "capture/capture_worker.h"

#include <utility>

#include "capture/capture_options.h"
#include "capture/still_file.h"
#include "capture/video_file.h"

namespace {
// One buffer being filled, one being written, one waiting between them.
constexpr size_t kSlots = 3;
} // namespace

CaptureWorker::CaptureWorker(int32_t width, int32_t height, std::string stillsDir, VideoFile* video)
    : width_(width), height_(height), stillsDir_(std::move(stillsDir)), video_(video) {
    for (size_t i = 0; i < kSlots; ++i) {
        slots_.emplace_back(static_cast<size_t>(width) * height * 4);
        free_.push_back(i);
    }
    thread_ = std::thread(&CaptureWorker::run, this);
}

CaptureWorker::~CaptureWorker() {
    std::string ignored;
    finish(ignored);
}

uint8_t* CaptureWorker::buffer() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty(); });
    current_ = free_.front();
    free_.pop_front();
    return slots_[current_].data();
}

void CaptureWorker::submit(uint32_t frame, bool still) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued_.push_back({frame, still, current_});
    }
    changed_.notify_all();
}

bool CaptureWorker::failed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return !error_.empty();
}

bool CaptureWorker::finish(std::string& error) {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    error = error_;
    return error_.empty();
}

void CaptureWorker::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
        if (queued_.empty()) {
            return;
        }
        const Job job = queued_.front();
        queued_.pop_front();
        const bool skip = !error_.empty();
        lock.unlock();
        std::string error;
        if (!skip) {
            const uint8_t* pixels = slots_[job.slot].data();
            const bool written = !job.still || stillWrite(captureFramePath(stillsDir_, job.frame),
                                                          width_, height_, pixels, error);
            if (written && video_ != nullptr) {
                video_->add(pixels, error);
            }
        }
        lock.lock();
        if (error_.empty()) {
            error_ = error;
        }
        free_.push_back(job.slot);
        changed_.notify_all();
    }
}
