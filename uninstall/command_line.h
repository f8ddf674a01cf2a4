// The uninstaller's command line: "<program>" <log> [/S] [/LOG=<file>].
#pragma once

struct UninstallOptions {
  bool silent;      // /S: no question, no windows
  char* logName;    // heap string; "uninstal.l0g" when none is given
  char* textLog;    // heap string from /LOG=, or none
};

enum CommandLineResult { commandLineOk, commandLineBad, commandLineNoMemory };

// Reads the whole command line as the system gives it, program name first. Quotes
// group blanks into one argument anywhere in it (/LOG="C:\My Logs\x.txt").
int ParseUninstallCommandLine(const char* commandLine, UninstallOptions* out);
void FreeUninstallOptions(UninstallOptions* options);

// The log's full path: a relative name is taken from the uninstaller's own folder.
// A new heap string, or none when out of memory.
char* ResolveLogPath(const char* programFolder, const char* logName);
