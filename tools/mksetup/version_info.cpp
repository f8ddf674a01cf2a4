#include "tools/mksetup/version_info.h"

#include <cstdio>

#include "tools/mksetup/codepage.h"

namespace {

std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    uint32_t c = uint8_t(utf8[i]);
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    c &= extra == 0 ? 0x7F : extra == 1 ? 0x1F : extra == 2 ? 0x0F : 0x07;
    for (int k = 1; k <= extra && i + k < utf8.size(); ++k) c = c << 6 | (uint8_t(utf8[i + k]) & 0x3F);
    i += size_t(extra) + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += char16_t(0xD800 + (c >> 10));
      out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
      out += char16_t(c);
    }
  }
  return out;
}

// The nested blocks of VS_VERSIONINFO: {length, value length, type, key, padding,
// value, padding, children}.
class Block {
 public:
  Block(const std::u16string& key, bool text) {
    Word(0);
    Word(0);
    Word(text ? 1 : 0);
    for (char16_t c : key) Word(c);
    Word(0);
    Pad();
  }
  void TextValue(const std::u16string& value) {
    for (char16_t c : value) Word(c);
    Word(0);
    SetValueLength(uint32_t(value.size() + 1));
    Pad();
  }
  void BinaryValue(const std::vector<uint8_t>& value) {
    bytes_.insert(bytes_.end(), value.begin(), value.end());
    SetValueLength(uint32_t(value.size()));
    Pad();
  }
  void Child(const Block& child) {
    Pad();
    std::vector<uint8_t> b = child.Bytes();
    bytes_.insert(bytes_.end(), b.begin(), b.end());
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> b = bytes_;
    b[0] = uint8_t(b.size());
    b[1] = uint8_t(b.size() >> 8);
    return b;
  }

 private:
  void Word(uint32_t w) {
    bytes_.push_back(uint8_t(w));
    bytes_.push_back(uint8_t(w >> 8));
  }
  void Pad() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  void SetValueLength(uint32_t n) {
    bytes_[2] = uint8_t(n);
    bytes_[3] = uint8_t(n >> 8);
  }
  std::vector<uint8_t> bytes_;
};

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

std::vector<uint8_t> FixedFileInfo(const ProductDescription& d) {
  const uint32_t* v = d.versionNumbers;
  std::vector<uint8_t> out;
  PutU32(out, 0xFEEF04BD);  // signature
  PutU32(out, 0x00010000);  // structure version
  for (int twice = 0; twice < 2; ++twice) {  // file, then product version
    PutU32(out, v[0] << 16 | v[1]);
    PutU32(out, v[2] << 16 | v[3]);
  }
  PutU32(out, 0x3F);        // flags mask
  PutU32(out, 0);           // flags
  PutU32(out, 0x00040004);  // VOS_NT_WINDOWS32
  PutU32(out, 1);           // VFT_APP
  PutU32(out, 0);           // subtype
  PutU32(out, 0);           // date, high
  PutU32(out, 0);           // date, low
  return out;
}

}  // namespace

std::vector<uint8_t> LayOutVersionInfo(const ProductDescription& d, uint32_t language) {
  const bool english = language == 1033;
  const int codePage = english ? kEnglishCodePage : kJapaneseCodePage;
  auto pick = [&](const Text& t) { return Utf16(ToUtf8(english ? t.english : t.japanese, codePage)); };
  const Text& publisher = d.publisher.english.empty() ? Text{d.company, d.company} : d.publisher;
  const std::pair<const char*, std::u16string> strings[] = {
      {"CompanyName", pick(publisher)},
      {"FileDescription", pick(d.windowTitle)},
      {"FileVersion", Utf16(d.version)},
      {"LegalCopyright", pick(d.copyright)},
      {"ProductName", Utf16(d.product)},
      {"ProductVersion", Utf16(d.version)},
  };
  char tableKey[9];
  std::snprintf(tableKey, sizeof tableKey, "%04X04B0", unsigned(language));
  Block table(Utf16(tableKey), true);
  for (const auto& [key, value] : strings) {
    if (value.empty()) continue;
    Block s(Utf16(key), true);
    s.TextValue(value);
    table.Child(s);
  }
  Block stringInfo(u"StringFileInfo", true);
  stringInfo.Child(table);
  Block translation(u"Translation", false);
  translation.BinaryValue({uint8_t(language), uint8_t(language >> 8), 0xB0, 0x04});
  Block varInfo(u"VarFileInfo", true);
  varInfo.Child(translation);
  Block root(u"VS_VERSION_INFO", false);
  root.BinaryValue(FixedFileInfo(d));
  root.Child(stringInfo);
  root.Child(varInfo);
  return root.Bytes();
}

std::string ManifestText(const std::string& executionLevel) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
         "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n"
         "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
         "    <security>\r\n"
         "      <requestedPrivileges>\r\n"
         "        <requestedExecutionLevel level=\"" + executionLevel + "\" uiAccess=\"false\"/>\r\n"
         "      </requestedPrivileges>\r\n"
         "    </security>\r\n"
         "  </trustInfo>\r\n"
         "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\r\n"
         "    <application>\r\n"
         "      <supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>\r\n"
         "      <supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>\r\n"
         "      <supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>\r\n"
         "      <supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>\r\n"
         "      <supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>\r\n"
         "    </application>\r\n"
         "  </compatibility>\r\n"
         "</assembly>\r\n";
}
