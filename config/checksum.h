// The CHECKSUM resource (1, language-neutral) that lets the setup program see damage
// to its own CONFIG and ARCHIVE resources. All numbers are little-endian 32-bit words:
// the record count, then per record {kind, id, language, size, crc32}, where crc32 is
// the CRC-32 of payload/crc32.h over the resource's data.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr char kChecksumType[] = "CHECKSUM";
constexpr uint32_t kChecksumResourceId = 1;

constexpr uint32_t kChecksumKindConfig = 1;   // resource type "CONFIG"
constexpr uint32_t kChecksumKindArchive = 2;  // resource type "ARCHIVE"

// Word offsets within a record.
enum ChecksumField {
  checksumKind, checksumId, checksumLanguage, checksumSize, checksumCrc, kChecksumRecordWords
};
constexpr size_t kChecksumRecordSize = 4 * kChecksumRecordWords;
