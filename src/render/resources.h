#pragma once
// Finding the demo's files ("res/box1.png") wherever a build tree, an install or an unpacked zip
// put them, so that the programs run from any folder: the places a build searches, in order, and
// the first that holds the file.

#include <string>
#include <vector>

// The program's folder, ending in a separator; the platform sets it at start-up ("" when it is
// not known: then only the working folder and the installed data folder are searched).
void resourceProgramFolderSet(const char* folder);

// The paths tried for name, in order, with dataFolder as the installed data folder and
// relativeDataFolder as the same folder seen from the program's folder ("" leaves either out).
std::vector<std::string> resourceCandidates(const char* name, const std::string& programFolder,
                                            const std::string& dataFolder,
                                            const std::string& relativeDataFolder);

// The first of this build's candidates that is a file, or "" when none is.
std::string resourceFind(const char* name);

// This build's candidates joined with ", ", for a message that says where a file was looked for.
std::string resourceSearchedPlaces(const char* name);
