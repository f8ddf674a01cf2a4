// Registry entries of the installation: the generic string writer, the folder of an
// earlier installation, and the keys that register the installed program.
#pragma once

#include <windows.h>

// Creates (or opens) root\subkey and sets valueName ("" = the key's default value) to
// text as REG_SZ. 0, or the registry's error code. Nothing is logged.
LONG WriteRegistryString(HKEY root, const char* subkey, const char* valueName, const char* text);

// The "Path" value of the main program's App Paths key: 0 with *out a new heap string
// the caller frees, or 2 with *out none when there is no such string value.
int ReadAppPathValue(char** out);

// Creates gProductKey under HKEY_CURRENT_USER and logs it. 0, or the registry's error code.
LONG CreateProductKey();

// The main program's App Paths key: "Path" = folder, default value = program path.
// 1 when the key was created (and logged), else 0.
int RegisterAppPath(const char* programPath, const char* folder);

// The product's Uninstall entry: "DisplayName" and "UninstallString", and
// "DisplayVersion" and "Publisher" when the configuration names them.
// 1 when the key was created (and logged), else 0.
int RegisterUninstall(const char* displayName, const char* command);
