#pragma once
// The few system calls behind capture_system.cpp that differ between POSIX
// (capture_system_posix.cpp) and Windows (capture_system_windows.cpp). Everything built on them,
// and every rule about which file goes where, is capture_system.cpp's. Calls marked
// "handler-safe" touch only the system and may be made from the stop-signal handler.

#include <cstddef>
#include <cstdio>
#include <string>

#ifdef _WIN32
// The C runtime's narrow names reach MAX_PATH bytes.
inline constexpr size_t kPathBytes = 260;
inline constexpr size_t kNameKept = 100; // bytes of a destination's name in its temporary one
#else
inline constexpr size_t kPathBytes = 4096; // PATH_MAX
inline constexpr size_t kNameKept = 200;
#endif

// Ignores what would end the process instead of failing a write; notes the umask for new files.
void platformStart();
// Sends SIGINT and SIGTERM to handler; platformHandlerRearm keeps it after each delivery.
void platformStopHandlerInstall(void (*handler)(int));
void platformHandlerRearm(int number); // handler-safe
// Ends the process killed by the signal (on POSIX as soon as the handler returns).
void platformEndBySignal(int number); // handler-safe
// Writes the text to standard error; nothing is left to do when it fails. Handler-safe.
void platformSay(const char* text);

// 0 when the existing folder takes new files, or the existing file may be written; else errno.
int platformFolderAccess(const char* folder);
int platformFileAccess(const char* path);

// Turns name, which ends in "XXXXXX", into the name of a new file open for writing by this run
// alone, with the permissions the umask allows: its descriptor, or -1 with errno set.
int platformUniqueFileCreate(char* name);
// The descriptor as a binary stream for writing; null with errno set.
FILE* platformStreamOpen(int fd);
void platformDescriptorClose(int fd);

// Handler-safe: each returns false when the system refused.
bool platformFileRemove(const char* path);
bool platformFolderRemove(const char* folder);
// Replaces `to` with `from`; false with the system's reason.
bool platformRenameOver(const char* from, const char* to, std::string& reason);
