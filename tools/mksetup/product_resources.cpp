#include "tools/mksetup/product_resources.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <utility>

#include "config/checksum.h"
#include "config/product_data.h"
#include "payload/crc32.h"
#include "tools/mksetup/version_info.h"

namespace {

constexpr uint32_t kVersionType = 16;
constexpr uint32_t kManifestType = 24;
constexpr uint32_t kEnglish = 1033, kJapanese = 1041;

uint32_t ChecksumKindOf(const Resource& r) {
  if (r.type == TextName("CONFIG")) return kChecksumKindConfig;
  if (r.type == TextName("ARCHIVE")) return kChecksumKindArchive;
  return 0;
}

bool IsProductResource(const Resource& r) {
  return ChecksumKindOf(r) != 0 || r.type == TextName(kChecksumType) ||
         r.type == NumberedName(kVersionType) || r.type == NumberedName(kManifestType);
}

uint32_t Crc32(const Resource& r) {
  ResourceBytes bytes(r);
  std::vector<uint8_t> piece(size_t(std::min<uint64_t>(ResourceSize(r), 1 << 20)));
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t n; !piece.empty() && (n = bytes.Read(piece.data(), piece.size())) != 0;)
    crc = UpdateCrc32(crc, piece.data(), n);
  return crc ^ 0xFFFFFFFFu;
}

void PutWord(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

uint32_t Word(const std::vector<uint8_t>& data, size_t w) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= uint32_t(data[4 * w + i]) << (8 * i);
  return value;
}

}  // namespace

std::vector<Resource> ConfigurationResources(const ConfigResources& r, const std::string& archiveFile,
                                             uint64_t archiveSize) {
  std::vector<Resource> out = {Resource{TextName("CONFIG"), NumberedName(1), 0, r.config},
                               Resource{TextName("CONFIG"), NumberedName(2), kEnglish, r.englishStrings},
                               Resource{TextName("CONFIG"), NumberedName(2), kJapanese, r.japaneseStrings},
                               Resource{TextName("ARCHIVE"), NumberedName(1), 0, archiveFile, 0, archiveSize}};
  if (!r.productData.empty())
    out.push_back(Resource{TextName("CONFIG"), NumberedName(kProductDataId), 0, r.productData});
  return out;
}

std::vector<uint8_t> LayOutChecksum(const std::vector<Resource>& resources) {
  std::vector<uint8_t> records;
  uint32_t count = 0;
  for (const Resource& r : resources) {
    uint32_t kind = ChecksumKindOf(r);
    if (kind == 0) continue;
    PutWord(records, kind);
    PutWord(records, r.name.id);
    PutWord(records, r.language);
    PutWord(records, uint32_t(ResourceSize(r)));
    PutWord(records, Crc32(r));
    ++count;
  }
  std::vector<uint8_t> out;
  PutWord(out, count);
  out.insert(out.end(), records.begin(), records.end());
  return out;
}

std::vector<Resource> MergeProductResources(const std::vector<Resource>& stub,
                                            const ProductDescription& d,
                                            const std::vector<Resource>& configuration) {
  std::vector<Resource> out;
  for (const Resource& r : stub) {
    if (!IsProductResource(r)) out.push_back(r);
  }
  out.insert(out.end(), configuration.begin(), configuration.end());
  out.push_back(Resource{TextName(kChecksumType), NumberedName(kChecksumResourceId), 0,
                         LayOutChecksum(configuration)});
  for (uint32_t language : {kEnglish, kJapanese})
    out.push_back(Resource{NumberedName(kVersionType), NumberedName(1), language, LayOutVersionInfo(d, language)});
  std::string manifest = ManifestText(d.executionLevel);
  out.push_back(Resource{NumberedName(kManifestType), NumberedName(1), 0,
                         std::vector<uint8_t>(manifest.begin(), manifest.end())});
  return out;
}

std::string ChecksumProblem(const std::vector<Resource>& resources) {
  const Resource* checksum = nullptr;
  for (const Resource& r : resources) {
    if (r.type == TextName(kChecksumType) && r.name == NumberedName(kChecksumResourceId)) checksum = &r;
  }
  if (checksum == nullptr) return "no CHECKSUM resource";
  const std::vector<uint8_t>& data = checksum->data;
  if (data.size() < 4 || (data.size() - 4) % kChecksumRecordSize != 0 ||
      Word(data, 0) != (data.size() - 4) / kChecksumRecordSize)
    return "the CHECKSUM resource is damaged";
  std::set<std::tuple<uint32_t, uint32_t, uint32_t>> covered;
  for (uint32_t n = 0; n < Word(data, 0); ++n) {
    size_t w = 1 + size_t(n) * kChecksumRecordWords;
    const uint32_t kind = Word(data, w + checksumKind), id = Word(data, w + checksumId),
                   language = Word(data, w + checksumLanguage);
    const Resource* found = nullptr;
    for (const Resource& r : resources) {
      if (ChecksumKindOf(r) == kind && r.name == NumberedName(id) && r.language == language) found = &r;
    }
    if (found == nullptr) return "a CHECKSUM record names a missing resource";
    if (ResourceSize(*found) != Word(data, w + checksumSize) || Crc32(*found) != Word(data, w + checksumCrc))
      return std::string(kind == kChecksumKindConfig ? "CONFIG " : "ARCHIVE ") + std::to_string(id) +
             " (language " + std::to_string(language) + ") differs from its CHECKSUM record";
    covered.insert({kind, id, language});
  }
  for (const Resource& r : resources) {
    if (ChecksumKindOf(r) != 0 && !covered.count({ChecksumKindOf(r), r.name.id, r.language}))
      return "a CONFIG or ARCHIVE resource has no CHECKSUM record";
  }
  return "";
}
