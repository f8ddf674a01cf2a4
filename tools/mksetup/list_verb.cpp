// mksetup list SETUP.exe: the tables, the registrations, the strings of each language,
// the files, and whether the payload's CRC matches.
#include <cstdio>
#include <string>
#include <vector>

#include "config/builtin_product.h"
#include "config/config.h"
#include "config/product_data.h"
#include "config/state.h"
#include "tools/mksetup/codepage.h"
#include "tools/mksetup/pe_image.h"
#include "tools/mksetup/pe_resources.h"
#include "tools/mksetup/product_resources.h"
#include "tools/mksetup/setup_file.h"
#include "tools/mksetup/verbs.h"

namespace {

std::string Quoted(const char* text, int codePage) {
  std::string out = "\"";
  for (char c : ToUtf8(text, codePage)) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"') out += "\\\"";
    else out += c;
  }
  return out + "\"";
}

std::string Components(uint32_t bitmapOffset) {
  std::string names;
  for (uint32_t i = 0; i < ConfigWord(wordComponentCount); ++i) {
    if (gConfig[bitmapOffset + i / 8] & (1u << (i % 8))) {
      const uint8_t* r = ConfigRecord(wordComponentTable, kComponentRecordSize, i);
      if (!names.empty()) names += ", ";
      names += ToUtf8(ConfigString(RecordField(r, componentName)), kEnglishCodePage);
    }
  }
  return names.empty() ? "(none)" : names;
}

void ListTables() {
  const int cp = kEnglishCodePage;
  std::printf("product: %s (company %s), main program %s\n",
              Quoted(ConfigString(ConfigWord(wordProductName)), cp).c_str(),
              Quoted(ConfigString(ConfigWord(wordCompanyName)), cp).c_str(),
              Quoted(ConfigString(ConfigWord(wordMainProgramFile)), cp).c_str());
  std::printf("components: %u\n", ConfigWord(wordComponentCount));
  for (uint32_t i = 0; i < ConfigWord(wordComponentCount); ++i) {
    const uint8_t* r = ConfigRecord(wordComponentTable, kComponentRecordSize, i);
    std::printf("  %u  %s  image %u\n", i,
                Quoted(ConfigString(RecordField(r, componentName)), cp).c_str(),
                RecordField(r, componentImage));
  }
  std::printf("setup types: %u (custom: %u)\n", ConfigWord(wordSetupTypeCount),
              ConfigWord(wordCustomSetupType));
  for (uint32_t t = 0; t < ConfigWord(wordSetupTypeCount); ++t) {
    std::printf("  %u  %s  icon %u  components: %s\n", t,
                Quoted(ConfigString(ConfigWord(wordSetupTypeName + int(t))), cp).c_str(),
                ConfigWord(wordSetupTypeIcon + int(t)) & 0xFFFF,
                Components(ConfigWord(wordSetupTypeBitmap + int(t))).c_str());
  }
  std::printf("path pages: %u\n", ConfigWord(wordPathPageCount));
  for (uint32_t k = 0; k < ConfigWord(wordPathPageCount); ++k) {
    const uint8_t* r = ConfigRecord(wordPathPageTable, kPathPageRecordSize, k);
    std::printf("  %u  $(%s) = %s  components: %s\n", 100 + k,
                ConfigString(RecordField(r, pathVariable)),
                ConfigString(RecordField(r, pathDefaultValue)),
                Components(RecordField(r, pathBitmap)).c_str());
  }
  std::printf("shortcuts: %u\n", ConfigWord(wordShortcutCount));
  for (uint32_t k = 0; k < ConfigWord(wordShortcutCount); ++k) {
    const uint8_t* r = ConfigRecord(wordShortcutTable, kShortcutRecordSize, k);
    std::printf("  %s -> %s %s  show %u\n",
                Quoted(ConfigString(RecordField(r, shortcutName)), cp).c_str(),
                ConfigString(RecordField(r, shortcutTarget)),
                Quoted(ConfigString(RecordField(r, shortcutArguments)), cp).c_str(),
                RecordField(r, shortcutShowCommand));
  }
  std::printf("files: %u\n", ConfigWord(wordFileCount));
  for (uint32_t i = 0; i < ConfigWord(wordFileCount); ++i) {
    const uint8_t* r = ConfigRecord(wordFileTable, kFileRecordSize, i);
    std::printf("  %10u  %s  components: %s\n", RecordField(r, fileSize),
                ConfigString(RecordField(r, fileTarget)), Components(RecordField(r, fileBitmap)).c_str());
  }
}

// CONFIG 3, or the note that the setup registers the built-in things.
void ListRegistrations(const std::vector<uint8_t>& data) {
  const int cp = kEnglishCodePage;
  if (data.empty()) {
    std::printf("registrations: built in (no CONFIG 3): %s, %s, %s; %d file types, %d sound events\n",
                kBuiltinMainProgram, kBuiltinUninstaller, kBuiltinLog, kBuiltinFileTypeCount,
                kBuiltinSoundEventCount);
    return;
  }
  auto word = [&](int w) { return ReadLittleWord(data.data() + 4 * w); };
  auto field = [&](int tableWord, uint32_t size, uint32_t i, int offset) {
    return ReadLittleWord(data.data() + word(tableWord) + size_t(i) * size + offset);
  };
  const uint32_t flags = word(productFlags);
  std::printf("registrations: CONFIG 3\n");
  std::printf("  main program %s  App Paths: %s\n", ConfigString(word(productMainProgram)),
              flags & productWriteAppPath ? "yes" : "no");
  std::printf("  uninstaller %s  Uninstall entry: %s\n", ConfigString(word(productUninstaller)),
              flags & productWriteUninstall ? "yes" : "no");
  std::printf("  log %s\n", ConfigString(word(productLog)));
  std::printf("file types: %u\n", word(productFileTypeCount));
  for (uint32_t i = 0; i < word(productFileTypeCount); ++i) {
    auto text = [&](int offset) { return ConfigString(field(productFileTypeTable, kFileTypeRecordSize, i, offset)); };
    std::printf("  %s -> %s %s  icon %s,%d  open %s", text(fileTypeExtension), text(fileTypeName),
                Quoted(text(fileTypeDisplayName), cp).c_str(), text(fileTypeIconFile),
                int32_t(field(productFileTypeTable, kFileTypeRecordSize, i, fileTypeIconIndex)),
                Quoted(text(fileTypeOpenCommand), cp).c_str());
    if (*text(fileTypeDdeCommand) == '\0') std::printf("  dde none\n");
    else
      std::printf("  dde %s %s %s\n", Quoted(text(fileTypeDdeCommand), cp).c_str(),
                  text(fileTypeDdeApplication), text(fileTypeDdeTopic));
  }
  if (word(productSoundEventCount) == 0) std::printf("sound events: 0\n");
  else
    std::printf("sound events: %u  application %s %s\n", word(productSoundEventCount),
                ConfigString(word(productSoundApp)), Quoted(ConfigString(word(productSoundAppName)), cp).c_str());
  for (uint32_t i = 0; i < word(productSoundEventCount); ++i) {
    auto text = [&](int offset) { return ConfigString(field(productSoundEventTable, kSoundEventRecordSize, i, offset)); };
    std::printf("  %s %s\n", text(soundEventName), Quoted(text(soundEventLabel), cp).c_str());
  }
}

void ListStrings(const char* title, int codePage) {
  uint32_t count = ReadLittleWord(gStrings) / 4;
  std::printf("strings, %s: %u\n", title, count);
  for (uint32_t n = 0; n < count; ++n) {
    std::printf("  %2u  %s\n", n, Quoted(ConfigString(n), codePage).c_str());
  }
}

// The file's checksum, integrity records and signature.
bool ListIntegrity(const std::string& path) {
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  PeImage image = ParsePeImage(bytes, path);
  uint32_t stored = ReadU32(bytes, image.optional + peCheckSum);
  uint32_t computed = ComputePeChecksum(bytes, image);
  bool whole = stored == computed;
  if (whole) std::printf("file checksum: %08X matches\n", stored);
  else std::printf("file checksum: %08X, the file adds up to %08X\n", stored, computed);
  std::string problem = ChecksumProblem(ReadResourceTree(bytes, path));
  std::printf("resource checksums: %s\n", problem.empty() ? "match" : problem.c_str());
  PeRange signature = DataDirectory(bytes, image, peDirectorySecurity);
  if (signature.size != 0) std::printf("signature: present (%u bytes)\n", signature.size);
  else std::printf("signature: none\n");
  return whole && problem.empty();
}

}  // namespace

int RunListVerb(int argc, char** argv) {
  if (argc != 1) return UsageError("list needs SETUP.exe", "list SETUP.exe");
  const std::vector<std::string> args(argv, argv + argc);
  try {
    SetupFile setup = OpenSetupFile(args[0]);
    UseConfiguration(setup, setup.englishStrings);
    ListTables();
    ListRegistrations(setup.productData);
    ListStrings("English (1033)", kEnglishCodePage);
    UseConfiguration(setup, setup.japaneseStrings);
    ListStrings("Japanese (1041)", kJapaneseCodePage);
    std::printf("payload: %llu bytes\n", static_cast<unsigned long long>(setup.archiveSize));
    try {
      DecodePayload(setup, [](const uint8_t*, size_t) {});
      std::printf("payload CRC: %08X matches\n", ConfigWord(wordPayloadCrc));
    } catch (const std::exception& e) {
      std::printf("payload CRC: does not match: %s\n", e.what());
      return kToolFailure;
    }
    return ListIntegrity(args[0]) ? 0 : kToolFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mksetup: %s\n", e.what());
    return kToolFailure;
  }
}
