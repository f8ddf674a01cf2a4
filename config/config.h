// Reading the configuration resources: InstallConfig (CONFIG 1, binary tables) and
// ConfigStrings (CONFIG 2, one per language). Readers use gConfig and gStrings.
#pragma once

#include <cstddef>
#include <cstdint>

// Header words of InstallConfig.
enum ConfigWord {
  wordComponentCount = 0,
  wordComponentTable = 1,
  wordShortcutCount = 2,
  wordShortcutTable = 3,
  wordPathPageCount = 4,
  wordPathPageTable = 5,
  wordFileCount = 6,
  wordFileTable = 7,
  wordSetupTypeCount = 8,
  wordCustomSetupType = 9,
  wordSetupTypeIcon = 10,         // [0..3]
  wordSetupTypeBitmap = 14,       // [0..3]
  wordPayloadCrc = 35,
  wordCompanyName = 36,
  wordProductName = 37,
  wordWindowTitle = 39,
  wordAgreementText = 42,
  wordDefaultProgramFolder = 43,
  wordInfoText = 44,
  wordWelcomeText = 46,
  wordSetupTypeDescription = 47,  // [0..3]
  wordSetupTypeName = 51,         // [0..3]
  wordMainProgramFile = 55,
  // String numbers of the Uninstall entry's DisplayVersion and Publisher; 0: none.
  wordDisplayVersion = 56,
  wordPublisher = 57,
};

constexpr int kHeaderWords = 61;
constexpr uint32_t kHeaderSize = kHeaderWords * 4;
constexpr uint32_t kMaxSetupTypes = 4;
constexpr uint32_t kMaxPathPages = 11;

// Records: size and the byte offset of each field that is read.
constexpr uint32_t kComponentRecordSize = 12;
enum { componentName = 0, componentDescription = 4, componentImage = 8 };

constexpr uint32_t kPathPageRecordSize = 20;
enum { pathVariable = 0, pathDefaultValue = 4, pathPageText = 8, pathBitmap = 16 };

constexpr uint32_t kShortcutRecordSize = 44;
enum { shortcutName = 0, shortcutTarget = 4, shortcutArguments = 8, shortcutShowCommand = 28,
       shortcutBitmap = 40 };

constexpr uint32_t kFileRecordSize = 40;
enum { fileTarget = 0, fileStreamBlock = 4, fileSize = 8, fileTime = 12, fileAttributes = 20,
       fileBitmap = 36 };

uint32_t ReadLittleWord(const uint8_t* bytes);

// Header word w of gConfig.
uint32_t ConfigWord(int w);

// String n of gStrings, used in place.
const char* ConfigString(uint32_t n);

// Record i of the table whose offset is header word offsetWord.
const uint8_t* ConfigRecord(int offsetWord, uint32_t recordSize, uint32_t i);

// A 32-bit field of a record.
uint32_t RecordField(const uint8_t* record, int fieldOffset);

// (componentCount + 7) / 8.
uint32_t SelectionBytesFor(uint32_t componentCount);

// True when the bitmap at bitmapOffset in gConfig shares a set bit with selection
// over gSelectionBytes bytes.
bool SelectionIntersects(uint32_t bitmapOffset, const uint8_t* selection);

// Copies the bitmap at bitmapOffset in gConfig into selection (gSelectionBytes bytes).
void CopySelection(uint8_t* selection, uint32_t bitmapOffset);

// What CheckConfiguration finds wrong first.
enum ConfigProblem {
  configOk = 0,
  configNoHeader,         // InstallConfig shorter than its header
  configBadStrings,       // ConfigStrings cannot be read as a string table
  configBadLimit,         // a count breaks its limit (setup types, path pages, payload size)
  configTableOutside,     // a table runs past the end of InstallConfig
  configBitmapOutside,    // a selection bitmap runs past the end of InstallConfig
  configBadStringNumber,  // a string number is not below the string count
};

// Checks every count, table, bitmap and string number that the program reads against
// the sizes of the resources, so that a damaged setup refuses to start instead of
// reading past them.
ConfigProblem CheckConfiguration(const uint8_t* config, size_t configSize,
                                 const uint8_t* strings, size_t stringsSize);
