#include "system/associations.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "config/builtin_product.h"
#include "system/registry.h"
#include "system/uninstall_log.h"
#include "text/strings.h"
#include "text/variables.h"

namespace {

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

// Writes HKEY_CURRENT_USER\AppEvents\<key> with text as its default value, logged.
void WriteSoundKey(const char* prefix, const char* name, const char* event, const char* text) {
  char* key = ConcatStrings("AppEvents\\", prefix, name, event != nullptr ? "\\" : "",
                            event != nullptr ? event : "", nullptr);
  if (key == nullptr) return;
  if (WriteRegistryString(HKEY_CURRENT_USER, key, "", text) == ERROR_SUCCESS) {
    LogRegistryKey(key, "", keyClassCurrentUser);
  }
  std::free(key);
}

// The labels first, then the program's scheme and its events with no sound assigned.
void WriteSoundEvents(bool japanese) {
  for (const BuiltinSoundEvent& event : kBuiltinSoundEvents) {
    WriteSoundKey("EventLabels\\", event.event, nullptr, japanese ? event.japanese : event.english);
  }
  WriteSoundKey("Schemes\\Apps\\", kBuiltinSoundApp, nullptr, kBuiltinSoundAppName);
  for (const BuiltinSoundEvent& event : kBuiltinSoundEvents) {
    WriteSoundKey("Schemes\\Apps\\", kBuiltinSoundApp, event.event, "");
  }
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
  char* openCommand = ExpandVariables(kBuiltinOpenCommand);

  for (const BuiltinFileType& type : kBuiltinFileTypes) {
    // The type's entry right after the extension's tells the uninstaller which type
    // the extension must still name for it to be ours to remove.
    if (WriteRegistryString(HKEY_CLASSES_ROOT, type.extension, "", type.typeName) == ERROR_SUCCESS) {
      LogRegistryKey(type.extension, "", keyClass1);
      LogRegistryKey(type.typeName, "", keyClass1);
    }
  }
  for (const BuiltinFileType& type : kBuiltinFileTypes) {
    char* displayName =
        ConcatStrings(type.kind, japanese ? kBuiltinTypeWordJapanese : kBuiltinTypeWord, nullptr);
    if (displayName != nullptr) {
      WriteClassValue(type.typeName, "", displayName);
      std::free(displayName);
    }
    char* iconKey = ConcatStrings(type.typeName, "\\DefaultIcon", nullptr);
    if (iconKey != nullptr) {
      WriteDefaultIcon(iconKey, type.iconIndex);
      std::free(iconKey);
    }
    if (openCommand != nullptr) WriteClassValue(type.typeName, "\\shell\\open\\command", openCommand);
    WriteClassValue(type.typeName, "\\shell\\open\\ddeexec", kBuiltinDdeCommand);
    WriteClassValue(type.typeName, "\\shell\\open\\ddeexec\\Application", kBuiltinDdeApplication);
    WriteClassValue(type.typeName, "\\shell\\open\\ddeexec\\topic", kBuiltinDdeTopic);
  }
  std::free(openCommand);

  WriteSoundEvents(japanese);
}
