// The CHECKSUM resource (1, language-neutral) that lets the setup program see damage
// to its own CONFIG and ARCHIVE resources. All numbers are little-endian 32-bit words:
// the record count, then per record {kind, id, language, size, crc32}, where crc32 is
// the CRC-32 of payload/crc32.h over the resource's data.
#pragma once

#include <cstdint>

enum ChecksumKind : uint32_t {
  checksumConfig = 1,   // resource type "CONFIG"
  checksumArchive = 2,  // resource type "ARCHIVE"
};

enum ChecksumField : uint32_t {
  checksumKind, checksumId, checksumLanguage, checksumSize, checksumCrc,
  kChecksumRecordWords
};

constexpr char kChecksumType[] = "CHECKSUM";
constexpr uint32_t kChecksumResourceId = 1;
constexpr uint32_t kChecksumRecordSize = 4 * kChecksumRecordWords;
