#include "tools/mksetup/codepage.h"

#include <iconv.h>

#include <cerrno>

namespace {

const char* IconvName(int codePage) { return codePage == kJapaneseCodePage ? "CP932" : "CP1252"; }

std::optional<std::string> Convert(const std::string& text, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(text.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (result == size_t(-1)) return std::nullopt;
  // iconv may transliterate silently; a character it could not map exactly counts
  // as not representable.
  if (result != 0) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::optional<std::string> FromUtf8(const std::string& text, int codePage) {
  std::optional<std::string> out = Convert(text, IconvName(codePage), "UTF-8");
  // Round trip: glibc maps some characters one way only.
  if (out && Convert(*out, "UTF-8", IconvName(codePage)) != text) return std::nullopt;
  return out;
}

std::string ToUtf8(const std::string& text, int codePage) {
  std::optional<std::string> out = Convert(text, "UTF-8", IconvName(codePage));
  return out ? *out : text;
}
