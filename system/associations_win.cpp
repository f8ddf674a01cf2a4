#include "system/associations.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "config/builtin_product.h"
#include "config/config.h"
#include "config/product_data.h"
#include "config/state.h"
#include "system/registry.h"
#include "system/uninstall_log.h"
#include "text/strings.h"
#include "text/variables.h"

namespace {

constexpr size_t kIconLocationSize = 2000;

// One file type as it is written, whichever table it comes from.
struct FileType {
  const char* extension;
  const char* typeName;
  const char* displayName;
  const char* iconFile;  // with $(Name) references
  int iconIndex;
  const char* openCommand;  // with $(Name) references
  const char* ddeCommand;   // empty: no DDE keys
  const char* ddeApplication;
  const char* ddeTopic;
};

bool ThreadLocaleIsJapanese() {
  return PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())) == LANG_JAPANESE;
}

class Writer {
 public:
  explicit Writer(const RegistrationFailures& failures) : failures_(failures) {}

  // The default value of root\<first><second>; a failure is told.
  bool Write(HKEY root, const char* first, const char* second, const char* text) {
    char* key = ConcatStrings(first, second, nullptr);
    const bool written =
        key != nullptr && WriteRegistryString(root, key, "", text) == ERROR_SUCCESS;
    if (!written) Fail(root, key != nullptr ? key : first);
    std::free(key);
    return written;
  }

  void Fail(HKEY root, const char* key) {
    failures_.add(failures_.context,
                  root == HKEY_CLASSES_ROOT ? "HKEY_CLASSES_ROOT\\" : "HKEY_CURRENT_USER\\", key);
  }

 private:
  const RegistrationFailures& failures_;
};

// The type's entry right after the extension's tells the uninstaller which type the
// extension must still name for it to be ours to remove.
void WriteExtension(Writer& writer, const FileType& type) {
  if (writer.Write(HKEY_CLASSES_ROOT, type.extension, "", type.typeName)) {
    LogRegistryKey(type.extension, "", keyClass1);
    LogRegistryKey(type.typeName, "", keyClass1);
  }
}

void WriteType(Writer& writer, const FileType& type) {
  writer.Write(HKEY_CLASSES_ROOT, type.typeName, "", type.displayName);
  char* iconKey = ConcatStrings(type.typeName, "\\DefaultIcon", nullptr);
  if (iconKey == nullptr || WriteDefaultIcon(iconKey, type.iconFile, type.iconIndex) != ERROR_SUCCESS) {
    writer.Fail(HKEY_CLASSES_ROOT, iconKey != nullptr ? iconKey : type.typeName);
  }
  std::free(iconKey);
  char* command = ExpandVariables(type.openCommand);
  if (command != nullptr) {
    writer.Write(HKEY_CLASSES_ROOT, type.typeName, "\\shell\\open\\command", command);
  } else {
    writer.Fail(HKEY_CLASSES_ROOT, type.typeName);
  }
  std::free(command);
  if (*type.ddeCommand != '\0') {
    writer.Write(HKEY_CLASSES_ROOT, type.typeName, "\\shell\\open\\ddeexec", type.ddeCommand);
    writer.Write(HKEY_CLASSES_ROOT, type.typeName, "\\shell\\open\\ddeexec\\Application",
                 type.ddeApplication);
    writer.Write(HKEY_CLASSES_ROOT, type.typeName, "\\shell\\open\\ddeexec\\topic", type.ddeTopic);
  }
}

FileType BuiltinType(const BuiltinFileType& type) {
  return {type.extension,   type.typeName,         nullptr,          kBuiltinMainProgram,
          type.iconIndex,   kBuiltinOpenCommand,   kBuiltinDdeCommand, kBuiltinDdeApplication,
          kBuiltinDdeTopic};
}

FileType DataType(uint32_t i) {
  const uint8_t* r = ProductRecord(productFileTypeTable, kFileTypeRecordSize, i);
  auto text = [r](int field) { return ConfigString(RecordField(r, field)); };
  return {text(fileTypeExtension),   text(fileTypeName),
          text(fileTypeDisplayName), text(fileTypeIconFile),
          int(int32_t(RecordField(r, fileTypeIconIndex))), text(fileTypeOpenCommand),
          text(fileTypeDdeCommand),  text(fileTypeDdeApplication),
          text(fileTypeDdeTopic)};
}

void RegisterTypes(Writer& writer, bool japanese) {
  if (gProductData == nullptr) {
    for (const BuiltinFileType& type : kBuiltinFileTypes) WriteExtension(writer, BuiltinType(type));
    for (const BuiltinFileType& builtin : kBuiltinFileTypes) {
      FileType type = BuiltinType(builtin);
      char* name = ConcatStrings(builtin.kind, japanese ? kBuiltinTypeWordJapanese : kBuiltinTypeWord,
                                 nullptr);
      if (name == nullptr) {
        writer.Fail(HKEY_CLASSES_ROOT, type.typeName);
        continue;
      }
      type.displayName = name;
      WriteType(writer, type);
      std::free(name);
    }
    return;
  }
  const uint32_t count = ProductFileTypeCount();
  for (uint32_t i = 0; i < count; ++i) WriteExtension(writer, DataType(i));
  for (uint32_t i = 0; i < count; ++i) WriteType(writer, DataType(i));
}

// HKEY_CURRENT_USER\AppEvents\<prefix><name>[\<event>], logged when written.
void WriteSoundKey(Writer& writer, const char* prefix, const char* name, const char* event,
                   const char* text) {
  char* key = ConcatStrings("AppEvents\\", prefix, name, event != nullptr ? "\\" : "",
                            event != nullptr ? event : "", nullptr);
  if (key == nullptr) {
    writer.Fail(HKEY_CURRENT_USER, name);
    return;
  }
  if (writer.Write(HKEY_CURRENT_USER, key, "", text)) {
    LogRegistryKey(key, "", keyClassCurrentUser);
  }
  std::free(key);
}

// The labels first, then the program's scheme and its events with no sound assigned.
void RegisterSoundEvents(Writer& writer, bool japanese) {
  const uint32_t count = ProductSoundEventCount();
  if (count == 0) return;
  const bool data = gProductData != nullptr;
  auto event = [data](uint32_t i) {
    return data ? ConfigString(RecordField(
                      ProductRecord(productSoundEventTable, kSoundEventRecordSize, i), soundEventName))
                : kBuiltinSoundEvents[i].event;
  };
  for (uint32_t i = 0; i < count; ++i) {
    const char* label =
        data ? ConfigString(RecordField(ProductRecord(productSoundEventTable, kSoundEventRecordSize, i),
                                        soundEventLabel))
             : japanese ? kBuiltinSoundEvents[i].japanese
                        : kBuiltinSoundEvents[i].english;
    WriteSoundKey(writer, "EventLabels\\", event(i), nullptr, label);
  }
  const char* app = ProductString(productSoundApp);
  const char* appName = ProductString(productSoundAppName);
  WriteSoundKey(writer, "Schemes\\Apps\\", app, nullptr, appName);
  for (uint32_t i = 0; i < count; ++i) WriteSoundKey(writer, "Schemes\\Apps\\", app, event(i), "");
}

}  // namespace

long WriteDefaultIcon(const char* keyPath, const char* iconFile, int iconIndex) {
  char* program = ExpandVariables(iconFile);
  if (program == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  char number[16];
  int numberLength = wsprintfA(number, ",%d", iconIndex);
  size_t programLength = std::strlen(program);

  // A cut location would name another file; better no icon than a wrong one.
  long result = ERROR_BUFFER_OVERFLOW;
  if (numberLength > 0 && programLength + size_t(numberLength) < kIconLocationSize) {
    char location[kIconLocationSize];
    std::memcpy(location, program, programLength);
    std::memcpy(location + programLength, number, size_t(numberLength) + 1);
    result = WriteRegistryString(HKEY_CLASSES_ROOT, keyPath, "", location);
  }
  std::free(program);
  return result;
}

void RegisterFileTypes(const RegistrationFailures& failures) {
  Writer writer(failures);
  const bool japanese = ThreadLocaleIsJapanese();
  RegisterTypes(writer, japanese);
  RegisterSoundEvents(writer, japanese);
}
