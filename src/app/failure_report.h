#pragma once
// Telling a person why the demo could not start.

// Writes "kiru: <reason>" on standard error. On Windows, where a GUI program has no console, it
// also shows the reason in a message box, unless KIRU_NO_MESSAGE_BOX is set to a non-empty value
// (the tests under Wine set it, so that no box waits for a click).
void failureReport(const char* reason);
