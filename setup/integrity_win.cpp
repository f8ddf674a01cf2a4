#include <windows.h>

#include <cstdlib>

#include "config/state.h"
#include "payload/crc32.h"
#include "setup/integrity.h"

namespace {

constexpr DWORD kChunk = 64 * 1024;  // even, so that the checksum's words line up

uint32_t StoredWord(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool FileChecksumMatches(const char* path) {
  // A file that cannot be opened by its name (one the code page cannot spell, say) is
  // no sign of damage: its resources are still checked.
  if (path == nullptr) return true;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  uint8_t* chunk = static_cast<uint8_t*>(std::malloc(kChunk));
  bool whole = false;
  DWORD got = 0;
  if (chunk != nullptr && ReadFile(file, chunk, kChunk, &got, nullptr)) {
    PeChecksum state = {0, 0, PeChecksumFieldOffset(chunk, got)};
    const uint32_t stored = state.fieldOffset != 0 ? StoredWord(chunk + state.fieldOffset) : 0;
    // Builds that leave the field at zero made no promise to keep.
    whole = stored == 0;
    if (!whole) {
      bool read = true;
      while (read && got != 0) {
        AddPeChecksumBytes(&state, chunk, got);
        read = ReadFile(file, chunk, kChunk, &got, nullptr) != FALSE;
      }
      whole = read && FinishPeChecksum(state) == stored;
    }
  }
  std::free(chunk);
  CloseHandle(file);
  return whole;
}

const uint8_t* ResourceBytes(HMODULE module, HRSRC found, DWORD* size) {
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  *size = loaded != nullptr ? SizeofResource(module, found) : 0;
  return loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
}

bool ResourcesMatch(HMODULE module) {
  DWORD size = 0;
  const uint8_t* table =
      ResourceBytes(module, FindResourceA(module, MAKEINTRESOURCEA(kChecksumResourceId), kChecksumType), &size);
  if (table == nullptr) return true;  // built before the builder wrote one
  const int64_t count = ChecksumRecordCount(table, size);
  if (count < 0) return false;
  bool config = false, strings = false, archive = false, productData = gProductData == nullptr;
  for (uint32_t i = 0; i < uint32_t(count); ++i) {
    const ChecksumRecord r = ChecksumRecordAt(table, i);
    const char* type = r.kind == kChecksumKindConfig ? "CONFIG" : "ARCHIVE";
    DWORD n = 0;
    const uint8_t* bytes = ResourceBytes(
        module, FindResourceExA(module, type, MAKEINTRESOURCEA(r.id), WORD(r.language)), &n);
    if (bytes == nullptr || n != r.size ||
        (UpdateCrc32(0xFFFFFFFFu, bytes, n) ^ 0xFFFFFFFFu) != r.crc) {
      return false;
    }
    config = config || bytes == gConfig;
    strings = strings || bytes == gStrings;
    archive = archive || bytes == gArchive;
    productData = productData || bytes == gProductData;
  }
  return config && strings && archive && productData;
}

}  // namespace

bool SetupIsWhole(HMODULE module, const char* path) {
  return FileChecksumMatches(path) && ResourcesMatch(module);
}
