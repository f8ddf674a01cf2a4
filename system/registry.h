// Registry entries of the installation: the generic string writer, the folder of an
// earlier installation, and the keys that register the installed program.
#pragma once

#include <windows.h>

// Creates (or opens) root\subkey and sets valueName ("" = the key's default value) to
// text as REG_SZ. 0, or the registry's error code. Nothing is logged.
LONG WriteRegistryString(HKEY root, const char* subkey, const char* valueName, const char* text);

// The "Path" value of the main program's App Paths key (a REG_EXPAND_SZ one expanded):
// 0 with *out a new heap string the caller frees, or 2 with *out none when there is no
// such string value.
int ReadAppPathValue(char** out);

// Whether root\subkey exists.
bool RegistryKeyExists(HKEY root, const char* subkey);

// Deletes root\subkey (a trailing backslash allowed) when it has no subkeys, and when
// onlyWhenEmpty also no values; the 95/98 family would otherwise delete whatever is
// below it. True when the key is gone.
bool DeleteRegistryKey(HKEY root, const char* subkey, bool onlyWhenEmpty);

// Creates gProductKey under HKEY_CURRENT_USER and logs it. 0, or the registry's error code.
LONG CreateProductKey();

// The main program's App Paths key: "Path" = folder, default value = program path.
// 1 when the key was created (and logged) with both values, else 0; a key made without
// its values is logged all the same.
int RegisterAppPath(const char* programPath, const char* folder);

// The product's Uninstall entry: "DisplayName" and "UninstallString", and
// "DisplayVersion" and "Publisher" when the configuration names them.
// 1 when the key was created (and logged) with both values, else 0.
int RegisterUninstall(const char* displayName, const char* command);

// The keys of those two entries below HKEY_LOCAL_MACHINE, as new heap strings.
char* AppPathKeyPath();
char* UninstallKeyPath();
