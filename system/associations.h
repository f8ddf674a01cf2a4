// File associations of the installed archive program and its sound events.
#pragma once

// Makes $(Destination)\quorbex.exe the handler of the archive extensions (open command,
// DDE open and icon) and registers the program's two sound events, English or Japanese
// by the thread locale. Every write overwrites; failures leave that one key unwritten.
// Each extension key written is logged with its file-type key right after it, and
// each sound-event key written is logged, so the uninstaller can take them back.
void RegisterFileTypes();

// Sets the default value of HKEY_CLASSES_ROOT\<keyPath> to
// "$(Destination)\quorbex.exe,<iconIndex>" (expanded). Nothing is written when the
// text would not fit the 2000 characters an icon location gets.
void WriteDefaultIcon(const char* keyPath, int iconIndex);
