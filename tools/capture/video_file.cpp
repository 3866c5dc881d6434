#include "capture/video_file.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "capture/video_format.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

constexpr AVRational kFrameTime{1, 60};
// x264's speed preset. On the 2-core machine this was chosen on, with Mesa's software renderer
// taking 33 ms of processor time a 1280 x 720 frame of scene 3, read-back, conversion and
// "superfast" add about 10 ms ("veryfast" 15, "ultrafast" 9 but twice the bytes). x264 picks its
// thread count from the cores.
const char* const kPreset = "superfast";
// libvpx's VP9 in its realtime mode at its fastest speed that FFmpeg offers (8), tuned for screen
// content, which suits the demo's flat, sharp-edged frames: in scenes 1 to 5 the files come out
// about a fifth larger and 0.1 to 0.4 dB below "good" quality at speed 5 with CRF 31 (the
// setting before), for about a ninth of the encoder's time; realtime without the screen tuning
// was cheaper still but two fifths larger and 0.6 dB below (docs/benchmarks.md).
constexpr int kVp9CpuUsed = 8;
// libvpx takes a thread for each 1280 x 720 pixels of the frame, on at most half the cores: on
// two, a second thread cost 3% of the render's processor time and gained nothing while the
// render kept the other core busy; a 3840 x 2160 frame on a larger machine spreads over nine.
constexpr int64_t kVp9PixelsPerThread = 1280 * 720;

std::string reasonOf(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = "";
    av_strerror(code, text, sizeof text);
    return text;
}

// The encoder's settings for the format: quality, speed, key frames and profile.
void encoderOptionsSet(const VideoFormat& format, int crf, AVCodecContext* codec,
                       AVDictionary** options) {
    const std::string encoder = format.encoder;
    codec->gop_size = videoKeyFrameInterval(format);
    codec->keyint_min = videoKeyFrameInterval(format);
    if (encoder == "libx264") {
        // Key frames where the interval puts them and nowhere else, each group closed.
        const std::string interval = std::to_string(kKeyFrameInterval);
        const std::string params =
            "keyint=" + interval + ":min-keyint=" + interval + ":scenecut=0:open-gop=0";
        av_dict_set(options, "preset", kPreset, 0);
        // CRF 0 is lossless, which only x264's High 4:4:4 Predictive profile holds (x264 picks
        // it); every other CRF is High.
        if (crf > 0) {
            av_dict_set(options, "profile", "high", 0);
        }
        av_dict_set(options, "x264-params", params.c_str(), 0);
        av_dict_set_int(options, "crf", crf, 0);
    } else if (encoder == "libvpx-vp9") {
        codec->bit_rate = 0; // constant quality: the CRF alone decides
        const int64_t threads = int64_t{codec->width} * codec->height / kVp9PixelsPerThread;
        const int64_t halfTheCores = std::max(1U, std::thread::hardware_concurrency() / 2);
        codec->thread_count = static_cast<int>(std::clamp<int64_t>(threads, 1, halfTheCores));
        av_dict_set(options, "row-mt", "1", 0);
        av_dict_set(options, "deadline", "realtime", 0);
        av_dict_set_int(options, "cpu-used", kVp9CpuUsed, 0);
        av_dict_set(options, "tune-content", "screen", 0);
        // Frame by frame: realtime keeps no frames back for alternate references anyway.
        av_dict_set_int(options, "lag-in-frames", 0, 0);
        av_dict_set_int(options, "crf", crf, 0);
    } else {
        // FFV1 version 3: slices checked by CRCs, coded on all cores.
        codec->thread_count = 0;
        av_dict_set(options, "level", "3", 0);
        av_dict_set(options, "slicecrc", "1", 0);
    }
}

} // namespace

const char* videoUnavailableReason() {
    return "";
}

VideoFile::~VideoFile() {
    discard();
}

void VideoFile::discard() {
    release();
    tempFileDiscard(file_);
}

bool VideoFile::fail(const char* step, int code, std::string& error) {
    // A write error sticks to the file's I/O context; it is the reason worth telling.
    if (format_ != nullptr && format_->pb != nullptr && format_->pb->error < 0) {
        code = format_->pb->error;
    }
    return failBecause(step, reasonOf(code), error);
}

bool VideoFile::failBecause(const char* step, const std::string& reason, std::string& error) {
    error = "cannot write " + path_ + ": " + step + ": " + reason;
    release();
    tempFileDiscard(file_);
    return false;
}

void VideoFile::release() {
    sws_freeContext(scaler_);
    scaler_ = nullptr;
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    avcodec_free_context(&codec_);
    if (format_ != nullptr) {
        avio_closep(&format_->pb);
        avformat_free_context(format_);
        format_ = nullptr;
    }
}

bool VideoFile::open(const std::string& path, int32_t width, int32_t height, int crf,
                     std::string& error) {
    path_ = path;
    width_ = width;
    height_ = height;
    std::string reason;
    const VideoFormat* format = videoFormatOf(path, reason);
    if (format == nullptr) {
        error = reason;
        return false;
    }
    lossless_ = format->lossless;
    // FFmpeg's and the encoders' own messages would break the one-line rule; failures are told
    // here.
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec* codec = avcodec_find_encoder_by_name(format->encoder);
    if (codec == nullptr) {
        error = "cannot write " + path + ": this FFmpeg has no " + format->encoder + " encoder";
        return false;
    }
    // FFmpeg opens it again by name: the close only gives the name up.
    if (!tempFileCreate(path, file_, reason) || !tempFileClose(file_, reason)) {
        return failBecause("creating the file", reason, error);
    }
    // "file:" keeps FFmpeg from reading a protocol into a name with a colon.
    const std::string url = "file:" + file_.path;
    int code = avformat_alloc_output_context2(&format_, nullptr, format->muxer, url.c_str());
    if (code < 0) {
        return fail("setting up the muxer", code, error);
    }
    stream_ = avformat_new_stream(format_, nullptr);
    codec_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (stream_ == nullptr || codec_ == nullptr || frame_ == nullptr || packet_ == nullptr) {
        return fail("allocating the encoder", AVERROR(ENOMEM), error);
    }
    // The master keeps the RGB the demo drew (sRGB); the others are BT.709 limited-range YUV.
    const AVPixelFormat pixels = lossless_ ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_YUV420P;
    codec_->width = width;
    codec_->height = height;
    codec_->pix_fmt = pixels;
    codec_->time_base = kFrameTime;
    codec_->framerate = av_inv_q(kFrameTime);
    codec_->color_range = lossless_ ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    codec_->colorspace = lossless_ ? AVCOL_SPC_RGB : AVCOL_SPC_BT709;
    codec_->color_primaries = AVCOL_PRI_BT709;
    codec_->color_trc = lossless_ ? AVCOL_TRC_IEC61966_2_1 : AVCOL_TRC_BT709;
    if ((format_->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVDictionary* options = nullptr;
    encoderOptionsSet(*format, crf, codec_, &options);
    code = avcodec_open2(codec_, codec, &options);
    av_dict_free(&options);
    if (code < 0) {
        return fail("opening the encoder", code, error);
    }
    code = avcodec_parameters_from_context(stream_->codecpar, codec_);
    if (code < 0) {
        return fail("setting up the video stream", code, error);
    }
    stream_->time_base = kFrameTime;
    stream_->avg_frame_rate = codec_->framerate;
    stream_->r_frame_rate = codec_->framerate;

    frame_->format = pixels;
    frame_->width = width;
    frame_->height = height;
    frame_->color_range = codec_->color_range;
    frame_->colorspace = codec_->colorspace;
    frame_->color_primaries = codec_->color_primaries;
    frame_->color_trc = codec_->color_trc;
    code = av_frame_get_buffer(frame_, 0);
    if (code < 0) {
        return fail("allocating the frame buffer", code, error);
    }
    if (!lossless_) {
        // Read as RGBA, whose unused fourth byte yuv420p drops: the same YUV as from RGB0, about a
        // millisecond a 720p frame sooner through swscale's vector code.
        scaler_ = sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, pixels,
                                 SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (scaler_ == nullptr) {
            return failBecause("setting up the scaler",
                               "swscale cannot convert RGB to yuv420p here", error);
        }
        // Full-range RGB in, BT.709 limited-range YUV out (swscale's default matrix is BT.601).
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(scaler_, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }

    code = avio_open(&format_->pb, url.c_str(), AVIO_FLAG_WRITE);
    if (code < 0) {
        return fail("opening the file", code, error);
    }
    // An MP4 counts in frames, with its index at the front so that players can start at once.
    // x264's B-frames are shown after they are decoded: negative composition offsets let the
    // first frame show at 0 with no edit list to hide the decoder's delay.
    AVDictionary* muxing = nullptr;
    if (std::strcmp(format->muxer, "mp4") == 0) {
        av_dict_set(&muxing, "video_track_timescale", "60", 0);
        av_dict_set(&muxing, "movflags", "+faststart+negative_cts_offsets", 0);
        av_dict_set(&muxing, "use_editlist", "0", 0);
    }
    code = avformat_write_header(format_, &muxing);
    av_dict_free(&muxing);
    if (code < 0) {
        return fail("writing the header", code, error);
    }
    return true;
}

bool VideoFile::writePackets(std::string& error) {
    for (;;) {
        int code = avcodec_receive_packet(codec_, packet_);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) {
            return true;
        }
        if (code < 0) {
            return fail("encoding", code, error);
        }
        packet_->duration = 1;
        av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        code = av_interleaved_write_frame(format_, packet_);
        if (code < 0 || format_->pb->error < 0) {
            return fail("writing a packet", code, error);
        }
    }
}

bool VideoFile::add(const uint8_t* rgbx, std::string& error) {
    int code = av_frame_make_writable(frame_);
    if (code < 0) {
        return fail("allocating the frame buffer", code, error);
    }
    // The last row first: the picture comes out top row first.
    const int stride = width_ * 4;
    if (lossless_) {
        for (int32_t y = 0; y < height_; ++y) {
            const uint8_t* from = rgbx + static_cast<size_t>(height_ - 1 - y) * stride;
            uint8_t* to = frame_->data[0] + static_cast<size_t>(y) * frame_->linesize[0];
            for (int32_t x = 0; x < width_; ++x, from += 4, to += 4) {
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
                to[3] = 0;
            }
        }
    } else {
        const uint8_t* source[1] = {rgbx + static_cast<size_t>(height_ - 1) * stride};
        const int sourceStride[1] = {-stride};
        code = sws_scale(scaler_, source, sourceStride, 0, height_, frame_->data, frame_->linesize);
        if (code < 0) {
            return fail("converting to YUV", code, error);
        }
    }
    frame_->pts = frames_++;
    code = avcodec_send_frame(codec_, frame_);
    if (code < 0) {
        return fail("encoding", code, error);
    }
    return writePackets(error);
}

bool VideoFile::finish(std::string& error) {
    int code = avcodec_send_frame(codec_, nullptr);
    if (code < 0) {
        return fail("encoding", code, error);
    }
    if (!writePackets(error)) {
        return false;
    }
    code = av_write_trailer(format_);
    if (code < 0) {
        return fail("writing the trailer", code, error);
    }
    code = avio_closep(&format_->pb);
    if (code < 0) {
        return fail("closing the file", code, error);
    }
    release();
    std::string reason;
    if (!tempFileCommit(file_, reason)) {
        error = "cannot write " + path_ + ": renaming it into place: " + reason;
        return false;
    }
    return true;
}
