// The /LOG=<file> record of a run: UTF-8 text, one line per action, each with the
// local time.
#pragma once

// Creates (replaces) the file. False when it cannot be created.
bool OpenTextLog(const char* path);

// Appends "YYYY-MM-DD HH:MM:SS " and the parts, joined, taken in the ANSI code page.
// Does nothing when no text log is open.
void WriteTextLog(const char* first, const char* second = "", const char* third = "");

void CloseTextLog();
