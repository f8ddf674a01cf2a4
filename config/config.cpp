#include "config/config.h"

#include "config/builtin_product.h"
#include "config/product_data.h"
#include "config/state.h"

uint32_t ReadLittleWord(const uint8_t* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
         uint32_t(bytes[3]) << 24;
}

uint32_t ConfigWord(int w) { return ReadLittleWord(gConfig + 4 * w); }

const char* ConfigString(uint32_t n) {
  return reinterpret_cast<const char*>(gStrings + ReadLittleWord(gStrings + 4 * size_t(n)));
}

const uint8_t* ConfigRecord(int offsetWord, uint32_t recordSize, uint32_t i) {
  return gConfig + ConfigWord(offsetWord) + size_t(i) * recordSize;
}

uint32_t RecordField(const uint8_t* record, int fieldOffset) {
  return ReadLittleWord(record + fieldOffset);
}

uint32_t SelectionBytesFor(uint32_t componentCount) { return (componentCount + 7) / 8; }

bool SelectionIntersects(uint32_t bitmapOffset, const uint8_t* selection) {
  const uint8_t* bitmap = gConfig + bitmapOffset;
  for (uint32_t k = 0; k < gSelectionBytes; ++k) {
    if ((bitmap[k] & selection[k]) != 0) {
      return true;
    }
  }
  return false;
}

void CopySelection(uint8_t* selection, uint32_t bitmapOffset) {
  for (uint32_t k = 0; k < gSelectionBytes; ++k) {
    selection[k] = gConfig[bitmapOffset + k];
  }
}

namespace {

struct Checker {
  const uint8_t* config;
  size_t configSize;
  uint64_t stringCount;
  uint64_t selectionBytes;
  ConfigProblem problem = configOk;

  uint32_t Word(int w) const { return ReadLittleWord(config + 4 * w); }

  void Fail(ConfigProblem p) {
    if (problem == configOk) problem = p;
  }
  void String(uint32_t n) {
    if (n >= stringCount) Fail(configBadStringNumber);
  }
  void Bitmap(uint32_t offset) {
    if (uint64_t(offset) + selectionBytes > configSize) Fail(configBitmapOutside);
  }
  // Returns the table's first record, or null when it does not fit.
  const uint8_t* Table(int countWord, int offsetWord, uint32_t recordSize) {
    uint64_t end = uint64_t(Word(offsetWord)) + uint64_t(Word(countWord)) * recordSize;
    if (end > configSize) {
      Fail(configTableOutside);
      return nullptr;
    }
    return config + Word(offsetWord);
  }
};

bool StringsReadable(const uint8_t* strings, size_t size, uint64_t* count) {
  if (size < 5 || strings[size - 1] != 0) return false;  // the last string's NUL ends it
  uint32_t first = ReadLittleWord(strings);
  if (first == 0 || first % 4 != 0 || first >= size) return false;
  *count = first / 4;
  for (uint64_t n = 0; n < *count; ++n) {
    if (ReadLittleWord(strings + 4 * n) >= size) return false;
  }
  return true;
}

}  // namespace

ConfigProblem CheckConfiguration(const uint8_t* config, size_t configSize,
                                 const uint8_t* strings, size_t stringsSize) {
  if (config == nullptr || configSize < kHeaderSize) return configNoHeader;
  uint64_t stringCount = 0;
  if (strings == nullptr || !StringsReadable(strings, stringsSize, &stringCount)) {
    return configBadStrings;
  }
  Checker c{config, configSize, stringCount, SelectionBytesFor(ReadLittleWord(config))};

  uint32_t typeCount = c.Word(wordSetupTypeCount);
  uint32_t customType = c.Word(wordCustomSetupType);
  if (typeCount < 1 || typeCount > kMaxSetupTypes || customType >= kMaxSetupTypes ||
      c.Word(wordPathPageCount) > kMaxPathPages) {
    return configBadLimit;
  }
  for (uint32_t t = 0; t < typeCount; ++t) {
    c.Bitmap(c.Word(wordSetupTypeBitmap + t));
    c.String(c.Word(wordSetupTypeDescription + t));
    c.String(c.Word(wordSetupTypeName + t));
  }
  c.Bitmap(c.Word(wordSetupTypeBitmap + customType));
  static const int kHeaderStrings[] = {wordCompanyName,   wordProductName,
                                       wordWindowTitle,   wordAgreementText,
                                       wordDefaultProgramFolder, wordInfoText,
                                       wordWelcomeText,   wordMainProgramFile};
  for (int w : kHeaderStrings) c.String(c.Word(w));

  if (const uint8_t* r = c.Table(wordComponentCount, wordComponentTable, kComponentRecordSize)) {
    for (uint32_t i = 0; i < c.Word(wordComponentCount); ++i, r += kComponentRecordSize) {
      c.String(RecordField(r, componentName));
      c.String(RecordField(r, componentDescription));
    }
  }
  if (const uint8_t* r = c.Table(wordPathPageCount, wordPathPageTable, kPathPageRecordSize)) {
    for (uint32_t i = 0; i < c.Word(wordPathPageCount); ++i, r += kPathPageRecordSize) {
      c.String(RecordField(r, pathVariable));
      c.String(RecordField(r, pathDefaultValue));
      c.String(RecordField(r, pathPageText));
      c.Bitmap(RecordField(r, pathBitmap));
    }
  }
  if (const uint8_t* r = c.Table(wordShortcutCount, wordShortcutTable, kShortcutRecordSize)) {
    for (uint32_t i = 0; i < c.Word(wordShortcutCount); ++i, r += kShortcutRecordSize) {
      c.String(RecordField(r, shortcutName));
      c.String(RecordField(r, shortcutTarget));
      c.String(RecordField(r, shortcutArguments));
    }
  }
  if (const uint8_t* r = c.Table(wordFileCount, wordFileTable, kFileRecordSize)) {
    uint64_t total = 0;
    for (uint32_t i = 0; i < c.Word(wordFileCount); ++i, r += kFileRecordSize) {
      c.String(RecordField(r, fileTarget));
      c.Bitmap(RecordField(r, fileBitmap));
      total += RecordField(r, fileSize);
    }
    // The extraction counts the payload in a signed 32-bit total.
    if (total > 0x7FFFFFFF) c.Fail(configBadLimit);
  }
  return c.problem;
}

ConfigProblem CheckProductData(const uint8_t* data, size_t size, const uint8_t* strings,
                               size_t stringsSize) {
  if (data == nullptr || size < kProductDataHeaderSize) return configNoHeader;
  uint64_t stringCount = 0;
  if (strings == nullptr || !StringsReadable(strings, stringsSize, &stringCount)) {
    return configBadStrings;
  }
  Checker c{data, size, stringCount, 0};
  static const int kHeaderStrings[] = {productMainProgram, productUninstaller, productLog,
                                       productSoundApp, productSoundAppName};
  for (int w : kHeaderStrings) c.String(c.Word(w));
  if (const uint8_t* r = c.Table(productFileTypeCount, productFileTypeTable, kFileTypeRecordSize)) {
    for (uint32_t i = 0; i < c.Word(productFileTypeCount); ++i, r += kFileTypeRecordSize) {
      for (uint32_t field = 0; field < kFileTypeRecordSize; field += 4) {
        if (field != fileTypeIconIndex) c.String(RecordField(r, int(field)));
      }
    }
  }
  if (const uint8_t* r =
          c.Table(productSoundEventCount, productSoundEventTable, kSoundEventRecordSize)) {
    for (uint32_t i = 0; i < c.Word(productSoundEventCount); ++i, r += kSoundEventRecordSize) {
      c.String(RecordField(r, soundEventName));
      c.String(RecordField(r, soundEventLabel));
    }
  }
  return c.problem;
}

namespace {

uint32_t ProductWord(int w) { return ReadLittleWord(gProductData + 4 * w); }

}  // namespace

const char* ProductString(ProductDataWord which) {
  if (gProductData != nullptr) return ConfigString(ProductWord(which));
  switch (which) {
    case productMainProgram: return kBuiltinMainProgram;
    case productUninstaller: return kBuiltinUninstaller;
    case productLog: return kBuiltinLog;
    case productSoundApp: return kBuiltinSoundApp;
    default: return kBuiltinSoundAppName;
  }
}

bool ProductWrites(ProductDataFlag what) {
  return gProductData == nullptr || (ProductWord(productFlags) & what) != 0;
}

uint32_t ProductFileTypeCount() {
  return gProductData != nullptr ? ProductWord(productFileTypeCount) : kBuiltinFileTypeCount;
}

uint32_t ProductSoundEventCount() {
  return gProductData != nullptr ? ProductWord(productSoundEventCount) : kBuiltinSoundEventCount;
}

bool ProductHasAssociations() { return ProductFileTypeCount() + ProductSoundEventCount() != 0; }

const uint8_t* ProductRecord(ProductDataWord tableWord, uint32_t recordSize, uint32_t i) {
  return gProductData + ProductWord(tableWord) + size_t(i) * recordSize;
}
