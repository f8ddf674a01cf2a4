// Texts of a product description are UTF-8; the setup program reads them in the
// ANSI code page of each language.
#pragma once

#include <optional>
#include <string>

constexpr int kEnglishCodePage = 1252;
constexpr int kJapaneseCodePage = 932;

// The UTF-8 text in the code page, or nothing when a character cannot be represented.
std::optional<std::string> FromUtf8(const std::string& text, int codePage);

// The code page text back in UTF-8 (for listing a setup's strings).
std::string ToUtf8(const std::string& text, int codePage);
