// Undoing an installation that stopped before its files replaced the old ones.
#pragma once

// What this run made that existed before it only because of it.
struct MadeByThisRun {
  bool companyKey;     // HKEY_CURRENT_USER\Software\<company>
  bool productKey;     // gProductKey
  bool programFolder;  // the program-menu folder
};

// Notes which of the product key, its company key and the program-menu folder
// named folderName do not exist yet; called before they are created.
MadeByThisRun NoteWhatExists(const char* folderName);

// Deletes every temporary file of gReplaceList and, newest first, what the uninstall
// log recorded and this run made: the folders the extraction created (only when empty),
// the program-menu folder, the product key and then its company key when left empty.
// Nothing else was touched before the replacement, so nothing else is undone.
void RollBackInstallation(const MadeByThisRun& made);
