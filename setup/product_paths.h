// The paths the install phase registers, derived from the product's (expanded) ones.
#pragma once

// The folder that holds path, without its last separator: "C:\App" for
// "C:\App\app.exe", "C:" for "C:\app.exe". A new heap string.
char* FolderOf(const char* path);

// The Uninstall entry's command: the uninstaller quoted, then the log by its name
// alone when it lies beside the uninstaller (where the uninstaller looks first), by
// its whole path in quotes otherwise. A new heap string.
char* UninstallCommand(const char* uninstaller, const char* log);
