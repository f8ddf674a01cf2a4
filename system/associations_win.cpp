#include "system/associations.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "system/registry.h"
#include "system/uninstall_log.h"
#include "text/strings.h"
#include "text/variables.h"

namespace {

struct ArchiveType {
  const char* extension;
  const char* progId;     // one per extension, so each can be taken back on its own
  const char* kind;       // display name without " Archive"
  int iconIndex;          // negative: the icon resource with that number
};

// In the order the keys are written. ".tgz" shares name and icon with ".gz".
static const ArchiveType kArchiveTypes[] = {
    {".arj", "quorbex.arj", "Arj", -13},
    {".boo", "quorbex.boo", "Btoa", -117},
    {".frz", "quorbex.frz", "Freeze", -20},
    {".gz", "quorbex.gz", "Gnu Zip", -7},
    {".hqx", "quorbex.hqx", "BinHex", -11},
    {".lzh", "quorbex.lzh", "LHarc", -12},
    {".mme", "quorbex.mme", "Mime", -17},
    {".msc", "quorbex.msc", "MS Compress", -120},
    {".pak", "quorbex.pak", "Quake Pack", -118},
    {".rar", "quorbex.rar", "Rar", -121},
    {".sit", "quorbex.sit", "StuffIt", -5},
    {".tar", "quorbex.tar", "Tar", -8},
    {".tgz", "quorbex.tgz", "Gnu Zip", -7},
    {".uue", "quorbex.uue", "UUEncode", -10},
    {".xxe", "quorbex.xxe", "XXEncode", -154},
    {".z", "quorbex.z", "Compress", -9},
    {".zip", "quorbex.zip", "Zip", -3},
    {".zoo", "quorbex.zoo", "Zoo", -19},
};
static_assert(sizeof(kArchiveTypes) / sizeof(kArchiveTypes[0]) == 18, "archive extensions");

const char kArchiveWord[] = " Archive";
// "Archive" in half-width katakana, code page 932.
const char kArchiveWordJapanese[] = " \xB1\xB0\xB6\xB2\xCC\xDE";

struct SoundEvent {
  const char* key;  // under HKEY_CURRENT_USER
  const char* english;
  const char* japanese;  // code page 932
};

// The program's events, with no sound file assigned to either.
static const SoundEvent kSoundEvents[] = {
    {"AppEvents\\EventLabels\\TORVQBOperationCompleteFail", "Complete Fail", "\x8E\xB8\x94\x73"},
    {"AppEvents\\EventLabels\\TORVQBOperationCompleteSuccess", "Complete Success",
     "\x90\xAC\x8C\xF7"},
    {"AppEvents\\Schemes\\Apps\\TORVQuorbex32", "Quorbex32 Ovalis", "Quorbex32 Ovalis"},
    {"AppEvents\\Schemes\\Apps\\TORVQuorbex32\\TORVQBOperationCompleteFail", "", ""},
    {"AppEvents\\Schemes\\Apps\\TORVQuorbex32\\TORVQBOperationCompleteSuccess", "", ""},
};
static_assert(sizeof(kSoundEvents) / sizeof(kSoundEvents[0]) == 5, "sound event keys");

constexpr size_t kIconLocationSize = 2000;

bool ThreadLocaleIsJapanese() {
  return PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())) == LANG_JAPANESE;
}

// The default value of HKEY_CLASSES_ROOT\<progId><subkey>.
void WriteClassValue(const char* progId, const char* subkey, const char* text) {
  char* path = ConcatStrings(progId, subkey, nullptr);
  if (path == nullptr) return;
  WriteRegistryString(HKEY_CLASSES_ROOT, path, "", text);
  std::free(path);
}

}  // namespace

void WriteDefaultIcon(const char* keyPath, int iconIndex) {
  char* program = ExpandVariables("$(Destination)\\quorbex.exe,");
  if (program == nullptr) return;
  char number[16];
  int numberLength = wsprintfA(number, "%d", iconIndex);
  size_t programLength = std::strlen(program);

  // A cut location would name another file; better no icon than a wrong one.
  if (numberLength > 0 && programLength + size_t(numberLength) < kIconLocationSize) {
    char location[kIconLocationSize];
    std::memcpy(location, program, programLength);
    std::memcpy(location + programLength, number, size_t(numberLength) + 1);
    WriteRegistryString(HKEY_CLASSES_ROOT, keyPath, "", location);
  }
  std::free(program);
}

void RegisterFileTypes() {
  const bool japanese = ThreadLocaleIsJapanese();
  // The program path stays unquoted; the file name is quoted.
  char* openCommand = ExpandVariables("$(Destination)\\quorbex.exe \"%1\"");

  for (const ArchiveType& type : kArchiveTypes) {
    // The type's entry right after the extension's tells the uninstaller which type
    // the extension must still name for it to be ours to remove.
    if (WriteRegistryString(HKEY_CLASSES_ROOT, type.extension, "", type.progId) == ERROR_SUCCESS) {
      LogRegistryKey(type.extension, "", keyClass1);
      LogRegistryKey(type.progId, "", keyClass1);
    }
  }
  for (const ArchiveType& type : kArchiveTypes) {
    char* displayName =
        ConcatStrings(type.kind, japanese ? kArchiveWordJapanese : kArchiveWord, nullptr);
    if (displayName != nullptr) {
      WriteClassValue(type.progId, "", displayName);
      std::free(displayName);
    }
    char* iconKey = ConcatStrings(type.progId, "\\DefaultIcon", nullptr);
    if (iconKey != nullptr) {
      WriteDefaultIcon(iconKey, type.iconIndex);
      std::free(iconKey);
    }
    if (openCommand != nullptr) WriteClassValue(type.progId, "\\shell\\open\\command", openCommand);
    WriteClassValue(type.progId, "\\shell\\open\\ddeexec", "[open(\"%1\")]");
    WriteClassValue(type.progId, "\\shell\\open\\ddeexec\\Application", "QUORBEX");
    WriteClassValue(type.progId, "\\shell\\open\\ddeexec\\topic", "system");
  }
  std::free(openCommand);

  for (const SoundEvent& event : kSoundEvents) {
    if (WriteRegistryString(HKEY_CURRENT_USER, event.key, "", japanese ? event.japanese : event.english) ==
        ERROR_SUCCESS) {
      LogRegistryKey(event.key, "", keyClassCurrentUser);
    }
  }
}
