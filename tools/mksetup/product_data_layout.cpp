#include "tools/mksetup/product_data_layout.h"

#include <string>

#include "config/builtin_product.h"
#include "config/product_data.h"

namespace {

void Put(std::vector<uint8_t>& out, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[offset + i] = uint8_t(value >> (8 * i));
}

bool IsBuiltinFileType(const FileType& t, const BuiltinFileType& b) {
  const std::string kind = b.kind;
  return t.extension == b.extension && t.typeName == b.typeName &&
         t.displayName.english == kind + kBuiltinTypeWord &&
         t.displayName.japanese == kind + kBuiltinTypeWordJapanese && t.icon == kBuiltinMainProgram &&
         t.iconIndex == b.iconIndex && t.command == kBuiltinOpenCommand &&
         t.ddeCommand == kBuiltinDdeCommand && t.ddeApplication == kBuiltinDdeApplication &&
         t.ddeTopic == kBuiltinDdeTopic;
}

bool IsBuiltinSoundEvent(const SoundEvent& e, const BuiltinSoundEvent& b) {
  return e.event == b.event && e.label.english == b.english && e.label.japanese == b.japanese;
}

}  // namespace

bool HasBuiltinRegistrations(const ProductDescription& d) {
  if (d.mainProgramTarget != kBuiltinMainProgram || d.uninstallerTarget != kBuiltinUninstaller ||
      d.log != kBuiltinLog || !d.appPath || !d.uninstaller)
    return false;
  if (d.fileTypes.size() != size_t(kBuiltinFileTypeCount) ||
      d.soundEvents.size() != size_t(kBuiltinSoundEventCount))
    return false;
  for (int i = 0; i < kBuiltinFileTypeCount; ++i) {
    if (!IsBuiltinFileType(d.fileTypes[size_t(i)], kBuiltinFileTypes[i])) return false;
  }
  for (int i = 0; i < kBuiltinSoundEventCount; ++i) {
    if (!IsBuiltinSoundEvent(d.soundEvents[size_t(i)], kBuiltinSoundEvents[i])) return false;
  }
  return d.soundApp == kBuiltinSoundApp && d.soundAppName.english == kBuiltinSoundAppName &&
         d.soundAppName.japanese == kBuiltinSoundAppName;
}

std::vector<uint8_t> LayOutProductData(const ProductDescription& d, StringTables& s) {
  const uint32_t fileTypeTable = kProductDataHeaderSize;
  const uint32_t soundEventTable = fileTypeTable + uint32_t(d.fileTypes.size()) * kFileTypeRecordSize;
  std::vector<uint8_t> out(soundEventTable + d.soundEvents.size() * kSoundEventRecordSize, 0);
  auto word = [&](int w, uint32_t value) { Put(out, 4 * size_t(w), value); };

  word(productFlags, (d.appPath ? productWriteAppPath : 0u) | (d.uninstaller ? productWriteUninstall : 0u));
  word(productMainProgram, s.AddOnce(d.mainProgramTarget));
  word(productUninstaller, s.AddOnce(d.uninstallerTarget));
  word(productLog, s.AddOnce(d.log));
  word(productFileTypeCount, uint32_t(d.fileTypes.size()));
  word(productFileTypeTable, fileTypeTable);
  word(productSoundEventCount, uint32_t(d.soundEvents.size()));
  word(productSoundEventTable, soundEventTable);
  word(productSoundApp, s.AddOnce(d.soundApp));
  word(productSoundAppName, s.AddOnce(d.soundAppName));

  for (size_t i = 0; i < d.fileTypes.size(); ++i) {
    const FileType& t = d.fileTypes[i];
    const size_t r = fileTypeTable + i * kFileTypeRecordSize;
    Put(out, r + fileTypeExtension, s.AddOnce(t.extension));
    Put(out, r + fileTypeName, s.AddOnce(t.typeName));
    Put(out, r + fileTypeDisplayName, s.AddOnce(t.displayName));
    Put(out, r + fileTypeIconFile, s.AddOnce(t.icon));
    Put(out, r + fileTypeIconIndex, uint32_t(t.iconIndex));
    Put(out, r + fileTypeOpenCommand, s.AddOnce(t.command));
    Put(out, r + fileTypeDdeCommand, s.AddOnce(t.ddeCommand));
    Put(out, r + fileTypeDdeApplication, s.AddOnce(t.ddeApplication));
    Put(out, r + fileTypeDdeTopic, s.AddOnce(t.ddeTopic));
  }
  for (size_t i = 0; i < d.soundEvents.size(); ++i) {
    const size_t r = soundEventTable + i * kSoundEventRecordSize;
    Put(out, r + soundEventName, s.AddOnce(d.soundEvents[i].event));
    Put(out, r + soundEventLabel, s.AddOnce(d.soundEvents[i].label));
  }
  return out;
}
