// CONFIG 3, ProductData: what the install phase registers for the product beyond its
// files and shortcuts. One language-neutral resource of little-endian 32-bit words;
// its texts and paths are string numbers of CONFIG 2, paths with $(Name) references.
// A setup without it registers the sample product's own values (builtin_product.h),
// so setups built before it existed install as they always did.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/config.h"

constexpr uint32_t kProductDataId = 3;

// Header words.
enum ProductDataWord {
  productFlags = 0,            // productWrite... bits
  productMainProgram = 1,      // path: App Paths default value; its folder is "Path"
  productUninstaller = 2,      // path: the Uninstall entry starts it on the log
  productLog = 3,              // path: where the uninstall log is written
  productFileTypeCount = 4,
  productFileTypeTable = 5,    // byte offset of FileTypeRecords
  productSoundEventCount = 6,
  productSoundEventTable = 7,  // byte offset of SoundEventRecords
  productSoundApp = 8,         // name: key under AppEvents\Schemes\Apps
  productSoundAppName = 9,     // text: that key's default value
  kProductDataHeaderWords = 16,  // words 10-15 reserved, 0
};
constexpr uint32_t kProductDataHeaderSize = 4 * kProductDataHeaderWords;

enum ProductDataFlag : uint32_t {
  productWriteAppPath = 1,    // the main program's App Paths key
  productWriteUninstall = 2,  // the Uninstall entry
};

// One file type: the extension key names the type key, which gets the display name,
// the icon and the open verb.
constexpr uint32_t kFileTypeRecordSize = 36;
enum FileTypeField {
  fileTypeExtension = 0,       // name: ".txt"
  fileTypeName = 4,            // name: the type's key under HKEY_CLASSES_ROOT
  fileTypeDisplayName = 8,     // text
  fileTypeIconFile = 12,       // path; the icon location is "<path>,<index>"
  fileTypeIconIndex = 16,      // signed; negative: a resource number
  fileTypeOpenCommand = 20,    // path: shell\open\command
  fileTypeDdeCommand = 24,     // shell\open\ddeexec; empty string: no DDE keys
  fileTypeDdeApplication = 28,
  fileTypeDdeTopic = 32,
};

// One sound event: AppEvents\EventLabels\<event> gets the label, and
// AppEvents\Schemes\Apps\<app>\<event> an empty default (no sound assigned).
constexpr uint32_t kSoundEventRecordSize = 8;
enum SoundEventField {
  soundEventName = 0,   // name: the event's key
  soundEventLabel = 4,  // text
};

// Checks every table and string number of CONFIG 3 against its size and the string
// count of the CONFIG 2 table strings, as CheckConfiguration does for CONFIG 1.
ConfigProblem CheckProductData(const uint8_t* data, size_t size, const uint8_t* strings,
                               size_t stringsSize);

// What the program reads, from gProductData or, when there is none, the built-in values.
// Paths hold $(Name) references; texts are in the user's language.
// A string of the header: the three paths, the sound scheme's key and its name.
const char* ProductString(ProductDataWord which);
bool ProductWrites(ProductDataFlag what);
uint32_t ProductFileTypeCount();
uint32_t ProductSoundEventCount();
// Whether there is anything for the associate page to ask about.
bool ProductHasAssociations();
// Record i of CONFIG 3's file-type or sound-event table; gProductData only.
const uint8_t* ProductRecord(ProductDataWord tableWord, uint32_t recordSize, uint32_t i);
