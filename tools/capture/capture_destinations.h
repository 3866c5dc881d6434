#pragma once
// Where kiru-capture's stills and video may go, checked before anything is made: the file system
// as it is when the run starts.

#include <string>
#include <vector>

#include "capture/capture_options.h"

// Checks, without creating anything, that the stills folder and the video can be made: every
// existing part of their paths is a folder, the nearest existing folder can be written, and the
// video and the listed stills already there are regular files (or links to them) that can be
// written, not folders, devices, FIFOs, sockets or links to nothing. missing gets the folders to
// create, outermost first.
bool captureOutputsCheck(const CaptureOptions& options, std::vector<std::string>& missing,
                         std::string& error);
