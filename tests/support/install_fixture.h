// A product to install in tests: a file table with its payload as a raw Deflate stream
// of stored blocks, the strings it names, and the setup state that start-up would fill.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/state.h"
#include "support/config_fixture.h"

// CRC-32 of RFC 1952, bit by bit, independent of the program's table.
inline uint32_t ReferenceCrc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return crc ^ 0xFFFFFFFFu;
}

// Stored blocks of at most blockSize bytes; an empty payload is one empty final block.
inline std::vector<uint8_t> StoredDeflate(const std::string& data, size_t blockSize = 65535) {
  std::vector<uint8_t> out;
  size_t at = 0;
  do {
    size_t n = data.size() - at < blockSize ? data.size() - at : blockSize;
    bool last = at + n == data.size();
    out.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00; the rest of the byte is padding
    out.push_back(uint8_t(n));
    out.push_back(uint8_t(n >> 8));
    out.push_back(uint8_t(~n));
    out.push_back(uint8_t(~n >> 8));
    out.insert(out.end(), data.begin() + long(at), data.begin() + long(at + n));
    at += n;
  } while (at < data.size());
  return out;
}

// Bytes that differ from file to file and never hold the decoder's end marker
// F8 F5 23 7C (no byte is above 0xEF).
inline std::string PatternBytes(size_t n, unsigned seed) {
  std::string bytes(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    bytes[i] = char((x >> 16) % 0xF0);
  }
  return bytes;
}

struct PayloadFile {
  std::string target;  // with $(Name) references
  std::string bytes;
  uint8_t bitmap;      // components 0-7
};

struct PayloadShortcut {
  std::string name;
  std::string target;
  std::string arguments;
  uint32_t showCommand;
};

// Strings every product has.
enum {
  stringCompany, stringProduct, stringTitle, stringMainProgram, stringEmpty, stringFirstFree
};

struct InstallImage {
  ConfigImage config{0};
  std::vector<uint8_t> strings;
  std::vector<uint8_t> archive;
  std::string payload;  // the decoded stream
};

// Header, then the file table, the shortcut table and one bitmap byte per file and
// shortcut. Components: 8 at most, so selections are one byte.
inline InstallImage BuildInstallImage(const std::vector<PayloadFile>& files,
                                      const std::vector<PayloadShortcut>& shortcuts = {},
                                      uint32_t componentCount = 2) {
  std::vector<std::string> text(stringFirstFree);
  text[stringCompany] = "Ovalis";
  text[stringProduct] = "Quorbex32";
  text[stringTitle] = "Quorbex32 Setup";
  text[stringMainProgram] = "quorbex.exe";
  const uint32_t fileTable = kHeaderSize;
  const uint32_t shortcutTable = fileTable + kFileRecordSize * uint32_t(files.size());
  const uint32_t bitmaps = shortcutTable + kShortcutRecordSize * uint32_t(shortcuts.size());
  InstallImage image;
  image.config = ConfigImage(bitmaps + files.size() + shortcuts.size());
  ConfigImage& c = image.config;
  c.Word(wordComponentCount, componentCount);
  c.Word(wordFileCount, uint32_t(files.size()));
  c.Word(wordFileTable, fileTable);
  c.Word(wordShortcutCount, uint32_t(shortcuts.size()));
  c.Word(wordShortcutTable, shortcutTable);
  c.Word(wordCompanyName, stringCompany);
  c.Word(wordProductName, stringProduct);
  c.Word(wordWindowTitle, stringTitle);
  c.Word(wordMainProgramFile, stringMainProgram);
  for (size_t i = 0; i < files.size(); ++i) {
    size_t r = fileTable + kFileRecordSize * i;
    c.Put(r + fileTarget, uint32_t(text.size()));
    text.push_back(files[i].target);
    c.Put(r + fileSize, uint32_t(files[i].bytes.size()));
    c.Put(r + fileAttributes, 0x20);
    c.Put(r + fileBitmap, bitmaps + uint32_t(i));
    c.bytes[bitmaps + i] = files[i].bitmap;
    image.payload += files[i].bytes;
  }
  for (size_t i = 0; i < shortcuts.size(); ++i) {
    size_t r = shortcutTable + kShortcutRecordSize * i;
    const PayloadShortcut& s = shortcuts[i];
    c.Put(r + shortcutName, uint32_t(text.size()));
    text.push_back(s.name);
    c.Put(r + shortcutTarget, uint32_t(text.size()));
    text.push_back(s.target);
    c.Put(r + shortcutArguments, uint32_t(text.size()));
    text.push_back(s.arguments);
    for (int k = 0; k < 3; ++k) c.Put(r + 12 + 4 * k, stringEmpty);
    c.Put(r + shortcutShowCommand, s.showCommand);
    c.Put(r + shortcutBitmap, bitmaps + uint32_t(files.size() + i));
    c.bytes[bitmaps + files.size() + i] = 0xFF;
  }
  c.Word(wordPayloadCrc, ReferenceCrc32(image.payload));
  image.strings = MakeConfigStrings(text);
  image.archive = StoredDeflate(image.payload);
  return image;
}

// The setup state start-up fills from the image; freed again by the destructor.
class InstalledState {
 public:
  InstalledState(InstallImage& image, uint8_t selection) {
    gConfig = image.config.bytes.data();
    gConfigSize = image.config.bytes.size();
    gStrings = image.strings.data();
    gStringsSize = image.strings.size();
    gArchive = image.archive.data();
    gArchiveSize = uint32_t(image.archive.size());
    gSelectionBytes = SelectionBytesFor(ConfigWord(wordComponentCount));
    selection_.assign(gSelectionBytes + 1, selection);
    gActiveSelection = selection_.data();
    gWindow = window_.data();
    list_.assign(ConfigWord(wordFileCount) + 1, ReplaceEntry{nullptr, 0, nullptr});
    gReplaceList = list_.data();
    gCompanyName = ConfigString(stringCompany);
    gProductName = ConfigString(stringProduct);
    gWindowTitle = ConfigString(stringTitle);
    gMainProgramFile = ConfigString(stringMainProgram);
    productKey_ = "Software\\Ovalis\\Quorbex32\\";
    gProductKey = &productKey_[0];
    gRestartNeeded = 0;
  }
  ~InstalledState() {
    for (ReplaceEntry& e : list_) {
      std::free(e.targetPath);
      std::free(e.tempPath);
    }
    gReplaceList = nullptr;
    gConfig = gStrings = gArchive = nullptr;
    gConfigSize = gStringsSize = 0;
    gArchiveSize = 0;
    gActiveSelection = gWindow = nullptr;
    gProductKey = nullptr;
  }
  InstalledState(const InstalledState&) = delete;
  InstalledState& operator=(const InstalledState&) = delete;

 private:
  std::vector<uint8_t> selection_;
  std::vector<uint8_t> window_ = std::vector<uint8_t>(kWindowSize);
  std::vector<ReplaceEntry> list_;
  std::string productKey_;
};
