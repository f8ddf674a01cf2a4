// Uninstall log images built byte by byte, for the reader's tests and fuzz seeds.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct ImageEntry {
  uint32_t kind;
  std::string first;
  std::string second;  // written only for kinds 5-7
};

inline void PutWord(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

// Header, entries and pool as the installation writes them.
inline std::vector<uint8_t> LogImage(const std::vector<ImageEntry>& entries,
                                     const std::string& product = "Quorbex32") {
  std::string pool;
  std::vector<uint32_t> words;
  for (const ImageEntry& e : entries) {
    words.push_back(e.kind);
    words.push_back(uint32_t(pool.size()));
    pool.append(e.first).push_back('\0');
    if (e.kind >= 5) {
      words.push_back(uint32_t(pool.size()));
      pool.append(e.second).push_back('\0');
    } else {
      words.push_back(0);
    }
  }
  std::vector<uint8_t> image(64 + 4 * words.size() + pool.size(), 0);
  PutWord(image, 0, 1);
  PutWord(image, 4, uint32_t(entries.size()));
  PutWord(image, 8, uint32_t(pool.size()));
  std::memcpy(&image[12], product.data(), product.size() < 51 ? product.size() : 51);
  for (size_t i = 0; i < words.size(); ++i) PutWord(image, 64 + 4 * i, words[i]);
  std::memcpy(image.data() + 64 + 4 * words.size(), pool.data(), pool.size());
  return image;
}
