// Builds configuration resources byte by byte for tests, laid out as the shipped
// setup lays them out unless a test moves things.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/config.h"

struct ConfigImage {
  std::vector<uint8_t> bytes;

  explicit ConfigImage(size_t size) : bytes(size, 0) {}
  void Put(size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = uint8_t(value >> (8 * i));
  }
  void Word(int w, uint32_t value) { Put(4 * size_t(w), value); }
};

// ConfigStrings: offsets, then the NUL-terminated strings.
inline std::vector<uint8_t> MakeConfigStrings(const std::vector<std::string>& strings) {
  std::vector<uint8_t> out(4 * strings.size());
  for (size_t n = 0; n < strings.size(); ++n) {
    uint32_t offset = uint32_t(out.size());
    for (int i = 0; i < 4; ++i) out[4 * n + i] = uint8_t(offset >> (8 * i));
    out.insert(out.end(), strings[n].begin(), strings[n].end());
    out.push_back(0);
  }
  return out;
}

// The shipped configuration: 976 bytes, 2 components, 1 path page, 3 shortcuts,
// 6 files, twelve one-byte bitmaps at 964-975.
inline ConfigImage ShippedConfig() {
  ConfigImage c(976);
  c.Word(wordComponentCount, 2);
  c.Word(wordComponentTable, 548);
  c.Word(wordShortcutCount, 3);
  c.Word(wordShortcutTable, 592);
  c.Word(wordPathPageCount, 1);
  c.Word(wordPathPageTable, 572);
  c.Word(wordFileCount, 6);
  c.Word(wordFileTable, 724);
  c.Word(wordSetupTypeCount, 2);
  c.Word(wordCustomSetupType, 1);
  c.Word(wordSetupTypeIcon + 0, 111);
  c.Word(wordSetupTypeIcon + 1, 113);
  c.Word(wordSetupTypeBitmap + 0, 964);
  c.Word(wordSetupTypeBitmap + 1, 965);
  c.Word(wordPayloadCrc, 0x2CDC52F3);
  c.Word(wordCompanyName, 0);
  c.Word(wordProductName, 1);
  c.Word(38, 2);
  c.Word(wordWindowTitle, 3);
  c.Word(40, 4);
  c.Word(41, 5);
  c.Word(wordAgreementText, 6);
  c.Word(wordDefaultProgramFolder, 7);
  c.Word(wordInfoText, 8);
  c.Word(wordWelcomeText, 9);
  c.Word(wordSetupTypeDescription + 0, 13);
  c.Word(wordSetupTypeDescription + 1, 15);
  c.Word(wordSetupTypeName + 0, 14);
  c.Word(wordSetupTypeName + 1, 16);
  c.Word(wordMainProgramFile, 10);
  // Components: name, description, image.
  const uint32_t components[2][3] = {{17, 18, 0}, {19, 20, 1}};
  for (int i = 0; i < 2; ++i)
    for (int f = 0; f < 3; ++f) c.Put(548 + 12 * i + 4 * f, components[i][f]);
  // Path page: variable, default, text, reserved, bitmap.
  c.Put(572 + pathVariable, 11);
  c.Put(572 + pathDefaultValue, 12);
  c.Put(572 + pathPageText, 21);
  c.Put(572 + pathBitmap, 966);
  // Shortcuts: name, target, arguments, three empty strings, show command, bitmap.
  for (int i = 0; i < 3; ++i) {
    size_t r = 592 + 44 * size_t(i);
    c.Put(r + shortcutName, 22 + 3 * i);
    c.Put(r + shortcutTarget, 23 + 3 * i);
    c.Put(r + shortcutArguments, 24 + 3 * i);
    for (int k = 0; k < 3; ++k) c.Put(r + 12 + 4 * k, 31);
    c.Put(r + shortcutShowCommand, 1);
    c.Put(r + shortcutBitmap, 967 + i);
  }
  // Files: target, stream block, size, time, attributes, bitmap.
  const uint32_t sizes[6] = {1000, 70000, 5, 0, 30000, 12};
  uint32_t start = 0;
  for (int i = 0; i < 6; ++i) {
    size_t r = 724 + 40 * size_t(i);
    c.Put(r + fileTarget, 32 + i);
    c.Put(r + fileStreamBlock, start / 8192 * 8192);
    c.Put(r + fileSize, sizes[i]);
    c.Put(r + fileAttributes, 0x20);
    c.Put(r + fileBitmap, 970 + i);
    start += sizes[i];
  }
  const uint8_t bitmaps[12] = {0x03, 0x03, 0x03, 0x01, 0x01, 0x02,
                               0x01, 0x02, 0x02, 0x01, 0x03, 0x03};
  for (int i = 0; i < 12; ++i) c.bytes[964 + i] = bitmaps[i];
  return c;
}

// Strings of the shipped numbering: 48 strings, first offset 192.
inline std::vector<std::string> ShippedStringList() {
  std::vector<std::string> s(48);
  s[0] = "Ovalis";
  s[1] = "Quorbex32";
  s[3] = "Quorbex32 Setup";
  s[6] = "Agreement text";
  s[7] = "Quorbex32";
  s[8] = "Information text";
  s[9] = "Welcome text";
  s[10] = "quorbex.exe";
  s[11] = "Destination";
  s[12] = "$(ProgramFilesDir)\\Quorbex32";
  s[13] = "All files";
  s[14] = "Typical";
  s[15] = "Choose";
  s[16] = "Custom";
  s[17] = "Program";
  s[18] = "The program";
  s[19] = "Help";
  s[20] = "The help";
  s[21] = "Choose the folder";
  for (int i = 0; i < 3; ++i) {
    s[22 + 3 * i] = "Shortcut " + std::to_string(i);
    s[23 + 3 * i] = "$(Destination)\\file" + std::to_string(i) + ".exe";
  }
  for (int i = 0; i < 6; ++i) s[32 + i] = "$(Destination)\\file" + std::to_string(i) + ".bin";
  return s;
}
