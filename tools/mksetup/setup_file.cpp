#include "tools/mksetup/setup_file.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "config/config.h"
#include "config/product_data.h"
#include "config/state.h"
#include "text/resource_text.h"
#include "tools/mksetup/decode.h"
#include "tools/mksetup/mapped_file.h"
#include "tools/mksetup/pe_resources.h"

namespace {

const ResourceEntry* Find(const std::map<ResourceKey, ResourceEntry>& resources, const char* type, uint32_t id,
                          uint32_t language) {
  auto exact = resources.find(ResourceKey{type, id, language});
  if (exact != resources.end()) return &exact->second;
  return nullptr;
}

std::vector<uint8_t> Copy(const MappedFile& file, const ResourceEntry& r) {
  return std::vector<uint8_t>(file.Data() + r.offset, file.Data() + r.offset + r.size);
}

}  // namespace

SetupFile OpenSetupFile(const std::string& path) {
  MappedFile file(path);
  auto resources = NumberedResources(file.View(), path);
  const ResourceEntry* config = Find(resources, "CONFIG", 1, 0);
  const ResourceEntry* english = Find(resources, "CONFIG", 2, 1033);
  const ResourceEntry* japanese = Find(resources, "CONFIG", 2, 1041);
  const ResourceEntry* archive = Find(resources, "ARCHIVE", 1, 0);
  if (config == nullptr || english == nullptr || japanese == nullptr || archive == nullptr)
    throw std::runtime_error(path + ": not a setup (its CONFIG and ARCHIVE resources are missing)");
  SetupFile setup{Copy(file, *config), Copy(file, *english), Copy(file, *japanese), {}, path,
                  archive->offset, archive->size};
  for (const std::vector<uint8_t>* strings : {&setup.englishStrings, &setup.japaneseStrings}) {
    if (CheckConfiguration(setup.config.data(), setup.config.size(), strings->data(),
                           strings->size()) != configOk)
      throw std::runtime_error(path + ": its configuration is damaged");
  }
  if (const ResourceEntry* productData = Find(resources, "CONFIG", kProductDataId, 0)) {
    setup.productData = Copy(file, *productData);
    for (const std::vector<uint8_t>* strings : {&setup.englishStrings, &setup.japaneseStrings}) {
      if (CheckProductData(setup.productData.data(), setup.productData.size(), strings->data(),
                           strings->size()) != configOk)
        throw std::runtime_error(path + ": its CONFIG 3 is damaged");
    }
  }
  return setup;
}

void UseConfiguration(const SetupFile& setup, const std::vector<uint8_t>& strings) {
  gConfig = setup.config.data();
  gConfigSize = setup.config.size();
  gStrings = strings.data();
  gStringsSize = strings.size();
  gSelectionBytes = SelectionBytesFor(ConfigWord(wordComponentCount));
}

void DecodePayload(const SetupFile& setup, const std::function<void(const uint8_t*, size_t)>& sink) {
  UseConfiguration(setup, setup.englishStrings);
  uint64_t expected = 0;
  for (uint32_t i = 0; i < ConfigWord(wordFileCount); ++i)
    expected += RecordField(ConfigRecord(wordFileTable, kFileRecordSize, i), fileSize);
  MappedFile file(setup.path);
  if (setup.archiveOffset + setup.archiveSize > file.Size())
    throw std::runtime_error(setup.path + ": changed while it was read");
  const uint8_t* archive = file.Data() + setup.archiveOffset;
  uint64_t decoded = 0;
  uint32_t crc = uint32_t(crc32(0, nullptr, 0));
  int status = DecodeStream(archive, setup.archiveSize, [&](const uint8_t* data, size_t n) {
    file.Release(DecoderInput());
    decoded += n;
    crc = uint32_t(crc32(crc, data, uInt(n)));
    sink(data, n);
    return decoded <= expected;
  });
  if (status != 0) {
    char* message = LoadResourceText(status + 1);
    std::string text = message != nullptr ? message : "";
    std::free(message);
    throw std::runtime_error("the payload cannot be decoded: status " + std::to_string(status) +
                             " (" + text + ")");
  }
  if (decoded != expected)
    throw std::runtime_error("the payload decodes to " + std::to_string(decoded) +
                             " bytes, the file table adds up to " + std::to_string(expected));
  if (crc != ConfigWord(wordPayloadCrc)) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "the payload's CRC-32 is %08X, the configuration says %08X",
                  crc, ConfigWord(wordPayloadCrc));
    throw std::runtime_error(buffer);
  }
}

std::vector<uint8_t> DecodePayload(const SetupFile& setup) {
  std::vector<uint8_t> stream;
  DecodePayload(setup, [&stream](const uint8_t* data, size_t n) { stream.insert(stream.end(), data, data + n); });
  return stream;
}
