#include "tools/mksetup/pe_image.h"

#include "tools/mksetup/pe_resources.h"

namespace {

void Need(ByteView bytes, uint64_t at, uint64_t n) {
  if (at + n > bytes.size || at + n < at) throw PeError("truncated Windows program");
}

}  // namespace

uint32_t ReadU16(ByteView bytes, uint64_t at) {
  Need(bytes, at, 2);
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8;
}

uint32_t ReadU32(ByteView bytes, uint64_t at) {
  return ReadU16(bytes, at) | ReadU16(bytes, at + 2) << 16;
}

void WriteU16(std::vector<uint8_t>& bytes, uint64_t at, uint32_t value) {
  Need(bytes, at, 2);
  bytes[at] = uint8_t(value);
  bytes[at + 1] = uint8_t(value >> 8);
}

void WriteU32(std::vector<uint8_t>& bytes, uint64_t at, uint32_t value) {
  WriteU16(bytes, at, value & 0xFFFF);
  WriteU16(bytes, at + 2, value >> 16);
}

PeImage ParsePeImage(ByteView bytes, const std::string& path) {
  const PeError notPe(path + ": not a Windows program");
  if (bytes.size < 64 || ReadU16(bytes, 0) != 0x5A4D) throw notPe;
  uint32_t pe = ReadU32(bytes, 0x3C);
  if (bytes.size < uint64_t(pe) + 24 || ReadU32(bytes, pe) != 0x00004550) throw notPe;
  PeImage image;
  image.fileHeader = pe + 4;
  uint32_t sections = ReadU16(bytes, image.fileHeader + 2);
  uint32_t optionalSize = ReadU16(bytes, image.fileHeader + 16);
  image.optional = image.fileHeader + 20;
  uint32_t magic = ReadU16(bytes, image.optional);
  if (magic != 0x10B && magic != 0x20B) throw notPe;
  image.plus = magic == 0x20B;
  image.directories = image.optional + (image.plus ? 112 : 96);
  image.directoryCount = ReadU32(bytes, image.directories - 4);
  if (image.directoryCount > 16 || image.directories + 8 * image.directoryCount >
                                       image.optional + optionalSize)
    throw notPe;
  image.sectionAlignment = ReadU32(bytes, image.optional + 32);
  image.fileAlignment = ReadU32(bytes, image.optional + 36);
  uint64_t table = image.optional + optionalSize;
  Need(bytes, table, 40 * uint64_t(sections));
  for (uint32_t i = 0; i < sections; ++i) {
    uint64_t s = table + 40 * uint64_t(i);
    std::string name;
    for (int k = 0; k < 8 && bytes[s + k] != 0; ++k) name += char(bytes[s + k]);
    image.sections.push_back(PeSection{s, name, ReadU32(bytes, s + 12), ReadU32(bytes, s + 8),
                                       ReadU32(bytes, s + 20), ReadU32(bytes, s + 16)});
  }
  return image;
}

PeRange DataDirectory(ByteView bytes, const PeImage& image, int n) {
  if (uint32_t(n) >= image.directoryCount) return PeRange{0, 0};
  return PeRange{ReadU32(bytes, image.directories + 8 * uint64_t(n)),
                 ReadU32(bytes, image.directories + 8 * uint64_t(n) + 4)};
}

uint32_t ComputePeChecksum(ByteView bytes, const PeImage& image) {
  PieceChecksum sum(image);
  sum.Add(bytes.data, bytes.size);
  return sum.Value();
}

void PieceChecksum::Add(const uint8_t* data, size_t n) {
  if (n > 0 && pending_) {
    word_[1] = *data++;
    --n;
    AddPeChecksumBytes(&sum_, word_, 2);
    pending_ = false;
  }
  const size_t even = n & ~size_t(1);
  AddPeChecksumBytes(&sum_, data, even);
  if (even < n) {
    word_[0] = data[even];
    pending_ = true;
  }
}

uint32_t PieceChecksum::Value() const {
  PeChecksum last = sum_;
  // An odd last byte counts as a word whose high byte is zero.
  if (pending_) AddPeChecksumBytes(&last, word_, 1);
  return FinishPeChecksum(last);
}
