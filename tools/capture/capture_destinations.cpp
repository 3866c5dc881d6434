#include "capture/capture_destinations.h"

#include <algorithm>
#include <filesystem>

#include "app/command_line.h"
#include "capture/capture_system.h"

namespace {

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
