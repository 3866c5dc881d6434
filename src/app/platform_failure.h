#pragma once
// The start-up failure both platform units (app/platform.cpp, web/platform_web.cpp) record and
// platformFailure reads back.

// Records "what (reason)", or what alone when reason is null or empty, on one line: control
// characters become spaces and a long line is cut. Returns false, for `return platformFail(...)`.
bool platformFail(const char* what, const char* reason = nullptr);

// Forgets the last failure, at the start of a new start-up.
void platformFailClear();
