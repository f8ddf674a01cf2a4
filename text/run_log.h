// The text log of a run that was asked for one (/LOG=): one line per thing done or
// failed, each with the local time, in UTF-8. Without an open log every call is
// nothing, so callers write their lines unconditionally.
#pragma once

// Creates the log file, replacing any. False when it cannot be created.
bool OpenRunLog(const char* path);
void CloseRunLog();

// Writes "what text" as one line; text is in the system's code page and may be none.
// Line breaks inside text are written as blanks, so that one thing stays one line.
void RunLog(const char* what, const char* text = nullptr);
