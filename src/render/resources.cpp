#include "render/resources.h"

#include <filesystem>

// The build names the installed data folder and its path from the programs' folder.
#ifndef KIRU_DATA_DIR
#define KIRU_DATA_DIR ""
#endif
#ifndef KIRU_RELATIVE_DATA_DIR
#define KIRU_RELATIVE_DATA_DIR ""
#endif

namespace {

std::string programFolder;

std::string inFolder(const std::string& folder, const char* name) {
    return folder.empty() || folder.back() == '/' || folder.back() == '\\' ? folder + name
                                                                           : folder + "/" + name;
}

} // namespace

void resourceProgramFolderSet(const char* folder) {
    programFolder = folder != nullptr ? folder : "";
}

std::vector<std::string> resourceCandidates(const char* name, const std::string& programFolder,
                                            const std::string& dataFolder,
                                            const std::string& relativeDataFolder) {
    std::vector<std::string> candidates = {name};
    if (!dataFolder.empty()) {
        candidates.push_back(inFolder(dataFolder, name));
    }
    if (!programFolder.empty() && !relativeDataFolder.empty()) {
        candidates.push_back(inFolder(inFolder(programFolder, relativeDataFolder.c_str()), name));
    }
    if (!programFolder.empty()) {
        candidates.push_back(inFolder(programFolder, name));
    }
    return candidates;
}

std::string resourceFind(const char* name) {
    for (const std::string& path :
         resourceCandidates(name, programFolder, KIRU_DATA_DIR, KIRU_RELATIVE_DATA_DIR)) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(path, ignored)) {
            return path;
        }
    }
    return "";
}

std::string resourceSearchedPlaces(const char* name) {
    std::string places;
    for (const std::string& path :
         resourceCandidates(name, programFolder, KIRU_DATA_DIR, KIRU_RELATIVE_DATA_DIR)) {
        places += (places.empty() ? "" : ", ") + path;
    }
    return places;
}
