// The product's file types and sound events: from CONFIG 3, or the sample archive
// program's built-in ones when the setup has none.
#pragma once

// Told of each key that could not be written: its root's name ("HKEY_CLASSES_ROOT\")
// and its path.
struct RegistrationFailures {
  void (*add)(void* context, const char* root, const char* key);
  void* context;
};

// Makes the installed program the handler of the product's file types (the extension
// names the type; the type gets its display name, icon, open command and DDE) and
// registers its sound events in the user's scheme. Every write overwrites; a failed
// one is told and the rest go on. Each extension key written is logged with its type
// key right after it, and each sound-event key written is logged, so the uninstaller
// can take them back.
void RegisterFileTypes(const RegistrationFailures& failures);

// Sets the default value of HKEY_CLASSES_ROOT\<keyPath> to "<iconFile>,<iconIndex>",
// iconFile expanded. Nothing is written when the text would not fit the 2000
// characters an icon location gets. 0 or the registry's error.
long WriteDefaultIcon(const char* keyPath, const char* iconFile, int iconIndex);
