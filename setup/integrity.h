// The setup program's check of its own file before anything is shown: the PE
// checksum of the whole file, and the CHECKSUM resource that the builder writes over
// the CONFIG and ARCHIVE resources. Setups built without either are accepted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/checksum.h"

struct ChecksumRecord {
  uint32_t kind;
  uint32_t id;
  uint32_t language;  // 0 for a language-neutral resource
  uint32_t size;
  uint32_t crc;       // CRC-32 of the resource's bytes
};

// The number of records of a CHECKSUM resource, or -1 when its size does not match
// its count or a record names a kind other than the two above.
int64_t ChecksumRecordCount(const uint8_t* data, size_t size);
ChecksumRecord ChecksumRecordAt(const uint8_t* data, uint32_t index);

// The PE checksum: 16-bit words summed with end-around carry, the header's checksum
// field taken as zero, plus the file's length. Fed in pieces of even length but the last.
struct PeChecksum {
  uint64_t sum;
  uint64_t length;
  uint64_t fieldOffset;  // file offset of the header's checksum field
};

// The offset of the checksum field in a file that starts with headers (at least the
// first 4 KB or the whole file), or 0 when the bytes are no PE file.
uint64_t PeChecksumFieldOffset(const uint8_t* headers, size_t size);

void AddPeChecksumBytes(PeChecksum* state, const uint8_t* bytes, size_t n);
uint32_t FinishPeChecksum(const PeChecksum& state);

#ifdef _WIN32
#include <windows.h>

// Whether the program file at path (the module's own; none when its name is not known)
// and the CONFIG and ARCHIVE resources of module are whole: false when the file's
// checksum is set and differs, or its CHECKSUM resource is malformed, names a resource
// that is missing or differs, or leaves out one that start-up loaded. A file that
// cannot be opened is judged by its resources alone.
bool SetupIsWhole(HMODULE module, const char* path);
#endif
