#include "tools/mksetup/layout.h"

#include <string>

#include "config/config.h"
#include "tools/mksetup/product_data_layout.h"
#include "tools/mksetup/string_tables.h"

namespace {

// The shipped layout keeps a reserved area between the header and the first table.
constexpr uint32_t kFirstTable = 548;

// Header strings keep the numbers of the shipped numbering; later strings follow.
enum HeaderString {
  stringCompany, stringProduct, stringEmpty, stringWindowTitle, stringReserved4,
  stringReserved5, stringAgreement, stringProgramFolder, stringInformation, stringWelcome,
  stringMainProgram, stringFirstFree
};

class Image {
 public:
  explicit Image(size_t size) : bytes(size, 0) {}
  void Put(size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = uint8_t(value >> (8 * i));
  }
  void Word(int w, uint32_t value) { Put(4 * size_t(w), value); }
  std::vector<uint8_t> bytes;
};

}  // namespace

ConfigResources LayOutConfiguration(const ProductDescription& d, uint32_t payloadCrc,
                                    bool writeProductData) {
  const uint32_t components = uint32_t(d.components.size());
  const uint32_t selectionBytes = SelectionBytesFor(components);
  const uint32_t componentTable = kFirstTable;
  const uint32_t pathPageTable = componentTable + components * kComponentRecordSize;
  const uint32_t shortcutTable = pathPageTable + uint32_t(d.pathPages.size()) * kPathPageRecordSize;
  const uint32_t fileTable = shortcutTable + uint32_t(d.shortcuts.size()) * kShortcutRecordSize;
  const uint32_t bitmaps = fileTable + uint32_t(d.files.size()) * kFileRecordSize;
  const uint32_t bitmapCount =
      uint32_t(d.setupTypes.size() + d.pathPages.size() + d.shortcuts.size() + d.files.size());
  Image c(bitmaps + bitmapCount * selectionBytes);

  uint32_t nextBitmap = bitmaps;
  auto bitmap = [&](const std::vector<uint32_t>& selected) {
    uint32_t offset = nextBitmap;
    for (uint32_t i : selected) c.bytes[offset + i / 8] |= uint8_t(1u << (i % 8));
    nextBitmap += selectionBytes;
    return offset;
  };

  StringTables s(stringFirstFree);
  s.Set(stringCompany, d.company);
  s.Set(stringProduct, d.product);
  s.Set(stringWindowTitle, d.windowTitle);
  s.Set(stringAgreement, d.agreement);
  s.Set(stringProgramFolder, d.programFolder);
  s.Set(stringInformation, d.information);
  s.Set(stringWelcome, d.welcome);
  s.Set(stringMainProgram, d.mainProgram);

  c.Word(wordComponentCount, components);
  c.Word(wordComponentTable, componentTable);
  c.Word(wordShortcutCount, uint32_t(d.shortcuts.size()));
  c.Word(wordShortcutTable, shortcutTable);
  c.Word(wordPathPageCount, uint32_t(d.pathPages.size()));
  c.Word(wordPathPageTable, pathPageTable);
  c.Word(wordFileCount, uint32_t(d.files.size()));
  c.Word(wordFileTable, fileTable);
  c.Word(wordSetupTypeCount, uint32_t(d.setupTypes.size()));
  c.Word(wordCustomSetupType, d.customSetupType);
  for (size_t t = 0; t < d.setupTypes.size(); ++t) {
    const SetupType& type = d.setupTypes[t];
    c.Word(wordSetupTypeIcon + int(t), type.icon);
    c.Word(wordSetupTypeBitmap + int(t), bitmap(type.components));
    c.Word(wordSetupTypeDescription + int(t), s.Add(type.description));
    c.Word(wordSetupTypeName + int(t), s.Add(type.name));
  }
  c.Word(wordPayloadCrc, payloadCrc);
  c.Word(wordCompanyName, stringCompany);
  c.Word(wordProductName, stringProduct);
  c.Word(38, stringEmpty);
  c.Word(wordWindowTitle, stringWindowTitle);
  c.Word(40, stringReserved4);
  c.Word(41, stringReserved5);
  c.Word(wordAgreementText, stringAgreement);
  c.Word(wordDefaultProgramFolder, stringProgramFolder);
  c.Word(wordInfoText, stringInformation);
  c.Word(wordWelcomeText, stringWelcome);
  c.Word(wordMainProgramFile, stringMainProgram);
  if (!d.version.empty()) c.Word(wordDisplayVersion, s.Add(d.version));
  c.Word(wordPublisher, s.Add(d.publisher.english.empty() ? Text{d.company, d.company} : d.publisher));

  for (uint32_t i = 0; i < components; ++i) {
    const uint32_t r = componentTable + i * kComponentRecordSize;
    c.Put(r + componentName, s.Add(d.components[i].name));
    c.Put(r + componentDescription, s.Add(d.components[i].description));
    c.Put(r + componentImage, d.components[i].image);
  }
  for (size_t k = 0; k < d.pathPages.size(); ++k) {
    const uint32_t r = pathPageTable + uint32_t(k) * kPathPageRecordSize;
    c.Put(r + pathVariable, s.Add(d.pathPages[k].variable));
    c.Put(r + pathDefaultValue, s.Add(d.pathPages[k].defaultValue));
    c.Put(r + pathPageText, s.Add(d.pathPages[k].text));
    c.Put(r + pathBitmap, bitmap(d.pathPages[k].components));
  }
  for (size_t k = 0; k < d.shortcuts.size(); ++k) {
    const Shortcut& sc = d.shortcuts[k];
    const uint32_t r = shortcutTable + uint32_t(k) * kShortcutRecordSize;
    c.Put(r + shortcutName, s.Add(sc.name));
    c.Put(r + shortcutTarget, s.Add(sc.target));
    c.Put(r + shortcutArguments, s.Add(sc.arguments));
    for (int i = 0; i < 3; ++i) c.Put(r + 12 + 4 * i, stringEmpty);
    c.Put(r + shortcutShowCommand, sc.showCommand);
    // The shortcut's components are those of the file it starts, when one is in the table.
    std::vector<uint32_t> owners;
    for (const PayloadFile& f : d.files) {
      if (f.target == sc.target) owners = f.components;
    }
    c.Put(r + shortcutBitmap, bitmap(owners));
  }
  uint64_t start = 0;
  for (size_t k = 0; k < d.files.size(); ++k) {
    const PayloadFile& f = d.files[k];
    const uint32_t r = fileTable + uint32_t(k) * kFileRecordSize;
    c.Put(r + fileTarget, s.Add(f.target));
    c.Put(r + fileStreamBlock, uint32_t(start / 8192 * 8192));
    c.Put(r + fileSize, uint32_t(f.size));
    c.Put(r + fileTime, uint32_t(f.fileTime));
    c.Put(r + fileTime + 4, uint32_t(f.fileTime >> 32));
    c.Put(r + fileAttributes, 0x20);  // archive
    c.Put(r + fileBitmap, bitmap(f.components));
    start += f.size;
  }
  // Its strings follow all others, so a product without it keeps its numbering.
  std::vector<uint8_t> productData;
  if (writeProductData || !HasBuiltinRegistrations(d)) productData = LayOutProductData(d, s);
  return ConfigResources{c.bytes, s.English(), s.Japanese(), productData};
}
