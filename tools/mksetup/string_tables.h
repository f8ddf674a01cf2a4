// ConfigStrings (CONFIG 2) of both languages, built side by side so that a string
// number means the same text in each.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tools/mksetup/description.h"

class StringTables {
 public:
  explicit StringTables(uint32_t reserved) : english_(reserved), japanese_(reserved) {}
  void Set(uint32_t n, const Text& text) {
    english_[n] = text.english;
    japanese_[n] = text.japanese;
  }
  void Set(uint32_t n, const std::string& same) { Set(n, Text{same, same}); }
  uint32_t Add(const Text& text) {
    english_.push_back(text.english);
    japanese_.push_back(text.japanese);
    return uint32_t(english_.size() - 1);
  }
  uint32_t Add(const std::string& same) { return Add(Text{same, same}); }
  // Once per text: many file types share one program path and command.
  uint32_t AddOnce(const Text& text) {
    auto [where, fresh] = once_.emplace(std::pair{text.english, text.japanese}, 0);
    if (fresh) where->second = Add(text);
    return where->second;
  }
  uint32_t AddOnce(const std::string& same) { return AddOnce(Text{same, same}); }
  std::vector<uint8_t> English() const { return Pack(english_); }
  std::vector<uint8_t> Japanese() const { return Pack(japanese_); }

 private:
  static std::vector<uint8_t> Pack(const std::vector<std::string>& strings) {
    std::vector<uint8_t> out(4 * strings.size());
    for (size_t n = 0; n < strings.size(); ++n) {
      uint32_t offset = uint32_t(out.size());
      for (int i = 0; i < 4; ++i) out[4 * n + i] = uint8_t(offset >> (8 * i));
      out.insert(out.end(), strings[n].begin(), strings[n].end());
      out.push_back(0);
    }
    return out;
  }
  std::vector<std::string> english_, japanese_;
  std::map<std::pair<std::string, std::string>, uint32_t> once_;
};
