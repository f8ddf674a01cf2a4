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
#include "tools/mksetup/pe_resources.h"

namespace {

const std::vector<uint8_t>* Find(const std::map<ResourceKey, std::vector<uint8_t>>& resources,
                                 const char* type, uint32_t id, uint32_t language) {
  auto exact = resources.find(ResourceKey{type, id, language});
  if (exact != resources.end()) return &exact->second;
  return nullptr;
}

}  // namespace

SetupFile OpenSetupFile(const std::string& path) {
  auto resources = ReadPeResources(path);
  SetupFile setup;
  const std::vector<uint8_t>* config = Find(resources, "CONFIG", 1, 0);
  const std::vector<uint8_t>* english = Find(resources, "CONFIG", 2, 1033);
  const std::vector<uint8_t>* japanese = Find(resources, "CONFIG", 2, 1041);
  const std::vector<uint8_t>* archive = Find(resources, "ARCHIVE", 1, 0);
  if (config == nullptr || english == nullptr || japanese == nullptr || archive == nullptr)
    throw std::runtime_error(path + ": not a setup (its CONFIG and ARCHIVE resources are missing)");
  setup = SetupFile{*config, *english, *japanese, *archive, {}};
  for (const std::vector<uint8_t>* strings : {&setup.englishStrings, &setup.japaneseStrings}) {
    if (CheckConfiguration(setup.config.data(), setup.config.size(), strings->data(),
                           strings->size()) != configOk)
      throw std::runtime_error(path + ": its configuration is damaged");
  }
  if (const std::vector<uint8_t>* productData = Find(resources, "CONFIG", kProductDataId, 0)) {
    setup.productData = *productData;
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

std::vector<uint8_t> DecodePayload(const SetupFile& setup) {
  UseConfiguration(setup, setup.englishStrings);
  uint64_t expected = 0;
  for (uint32_t i = 0; i < ConfigWord(wordFileCount); ++i)
    expected += RecordField(ConfigRecord(wordFileTable, kFileRecordSize, i), fileSize);
  std::vector<uint8_t> stream;
  int status = DecodeStream(setup.archive.data(), setup.archive.size(),
                            [&](const uint8_t* data, size_t n) {
                              stream.insert(stream.end(), data, data + n);
                              return stream.size() <= expected;
                            });
  if (status != 0) {
    char* message = LoadResourceText(status + 1);
    std::string text = message != nullptr ? message : "";
    std::free(message);
    throw std::runtime_error("the payload cannot be decoded: status " + std::to_string(status) +
                             " (" + text + ")");
  }
  if (stream.size() != expected)
    throw std::runtime_error("the payload decodes to " + std::to_string(stream.size()) +
                             " bytes, the file table adds up to " + std::to_string(expected));
  uint32_t crc = uint32_t(crc32(0, stream.data(), uInt(stream.size())));
  if (crc != ConfigWord(wordPayloadCrc)) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "the payload's CRC-32 is %08X, the configuration says %08X",
                  crc, ConfigWord(wordPayloadCrc));
    throw std::runtime_error(buffer);
  }
  return stream;
}
