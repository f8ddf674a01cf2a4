// The setup state that every part shares: plain process-wide variables. The ones
// that hold Windows objects are in state_win.h.
#pragma once

#include <cstddef>
#include <cstdint>

// One entry per FileRecord, same index.
struct ReplaceEntry {
  char* targetPath;  // expanded target; set when the file is opened for writing
  int32_t handled;   // set once the install phase has dealt with the entry
  char* tempPath;    // temporary file actually written
};

constexpr uint32_t kWindowSize = 0x8000;

extern const uint8_t* gConfig;
extern size_t gConfigSize;
extern const uint8_t* gStrings;
extern size_t gStringsSize;
extern const uint8_t* gProductData;  // CONFIG 3; none: the built-in registrations
extern size_t gProductDataSize;
extern const uint8_t* gArchive;
extern uint32_t gArchiveSize;
extern uint8_t* gWindow;  // kWindowSize bytes: the decoder's window and output buffer
extern uint32_t gSelectionBytes;
extern uint8_t* gActiveSelection;
extern uint8_t* gCustomSelection;
extern const char* gCompanyName;      // into gStrings
extern const char* gProductName;      // into gStrings
extern const char* gMainProgramFile;  // into gStrings
extern char* gProductKey;             // "Software\<company>\<product>\"
extern const char* gWindowTitle;      // into gStrings
extern char* gNextText;
extern char* gFinishText;
extern ReplaceEntry* gReplaceList;
extern int gLogActive;
extern int gRestartNeeded;
// Answers of the Extract and restart dialogs, read by the extraction and the install
// phase on the same thread.
extern int gCancelRequested;  // 1 once the user confirmed Cancel in the Extract dialog
extern int gRestartLater;     // restart dialog: 0 restart now, 1 restart later
// Switches of the command line that the install phase reads.
extern int gSilent;     // 1: no window and no message box at all
extern int gNoRestart;  // 1: a needed restart is only told, never offered
