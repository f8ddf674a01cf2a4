// Filling the variable table from the system: folders, shell folders, names and
// registry values.
#pragma once

#include <windows.h>

// 0, or 1 when the shell gives the folder no file-system path (the variable is then
// left undefined).
int SetShellFolderVariable(const char* name, int csidl);

// 0 with *out a new heap string, else *out is none and the result is the registry's
// error code, registryNotString for a value that is not REG_SZ, or 8 when memory
// runs out.
int ReadRegistryString(HKEY root, const char* subkey, const char* valueName, char** out);

// Creates the table and sets every variable the system provides, the shell folders
// when first read. Always 0: a variable whose source fails is empty, or undefined
// for a shell folder.
int SeedVariables();
