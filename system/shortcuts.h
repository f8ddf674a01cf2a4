// The program-menu folder and its shortcuts.
#pragma once

#include <cstdint>

// $(ShellPrograms)\<folderName> as a new heap string; none when memory runs out.
char* ProgramFolderPath(const char* folderName);

// Creates $(ShellPrograms)\<folderName> (its last level only) and logs it, made or not.
// 0 when the folder exists afterwards, 34 when it could not be made, 8 out of memory.
int CreateProgramFolder(const char* folderName);

// True when the path's attributes can be read; a drive that is not ready raises no
// system message box.
bool FileExists(const char* path);

// Makes $(ShellPrograms)\<folderName>\<name>.lnk for a shortcut record of the
// configuration (its texts are read from gStrings). A record whose expanded target does
// not exist is skipped: 0, nothing logged. Otherwise the link path is logged whether or
// not it could be saved; 0 when it was, 35 when a shell call failed, 8 out of memory.
int CreateShortcut(const char* folderName, const uint8_t* record);
