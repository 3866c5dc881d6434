#pragma once
// What kiru-capture asks of the operating system: stop signals, processor time, the terminal,
// writable folders, folders made and removed, and temporary files renamed into place. This unit
// is the only one that calls the system directly. Its rules are capture_system.cpp's, the same on
// every system; the calls that differ are capture_system_platform.h's.

#include <cstdio>
#include <string>
#include <vector>

// Call first, while the process has one thread: a file-size limit then gives a write error to
// report instead of ending the process, and new files get the permissions the umask allows.
void captureSystemStart();

// SIGINT and SIGTERM: the first asks the run to stop after the current frame; a second one, of
// either kind, removes the temporary files and the folders made so far and ends the process at
// once, killed by that signal.
void stopSignalsCatch();
// The first stop signal's number, 0 while none came.
int stopSignalNumber();
// "SIGINT", "SIGTERM".
std::string stopSignalName(int number);

// Processor time of every thread of the process so far, user and system, in seconds.
double processorSeconds();

bool standardErrorIsTerminal();

// True when files can be created in the existing folder; otherwise false with the reason.
bool folderWritable(const std::string& folder, std::string& reason);
// True when the existing file may be replaced; otherwise false with the reason.
bool fileWritable(const std::string& path, std::string& reason);

// Creates the missing folders in order, outermost first; false with a reason at the first that
// fails. A second stop signal removes those made.
bool captureFoldersMake(const std::vector<std::string>& missing, std::string& error);
// Removes those of the folders captureFoldersMake made that are empty, innermost first.
void captureFoldersRemoveEmpty();

// A new file with a unique name beside its destination, open for writing; it takes the
// destination's name only when complete, so that nothing at the destination changes before.
struct TempFile {
    std::string path;        // the temporary file's own name
    std::string destination; // the file it becomes (a symbolic link's target, followed)
    FILE* file = nullptr;
    int slot = -1; // its place among the files a second stop signal removes
};

// Creates the temporary file for destination, which must be a regular file (or a link to one)
// or a new name. False with the reason when it cannot be made.
bool tempFileCreate(const std::string& destination, TempFile& temp, std::string& reason);
// Closes temp.file if open; true only when every byte reached the file system (else errno in
// reason).
bool tempFileClose(TempFile& temp, std::string& reason);
// Renames the closed file into place, replacing what was there; false with the reason when it
// cannot (the temporary file is then removed).
bool tempFileCommit(TempFile& temp, std::string& reason);
// Closes and removes the temporary file; the destination is left as it was.
void tempFileDiscard(TempFile& temp);
