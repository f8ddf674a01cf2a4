// The headers of a Windows program (PE32 or PE32+) as offsets into its bytes: what the
// resource reader and writer both need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "setup/integrity.h"

// Bytes held elsewhere: a vector, or a file mapped into memory.
struct ByteView {
  const uint8_t* data = nullptr;
  size_t size = 0;
  ByteView() = default;
  ByteView(const uint8_t* d, size_t n) : data(d), size(n) {}
  ByteView(const std::vector<uint8_t>& v) : data(v.data()), size(v.size()) {}  // NOLINT: a view of it
  uint8_t operator[](uint64_t at) const { return data[at]; }
};

struct PeSection {
  uint64_t header;  // file offset of its 40-byte section header
  std::string name;
  uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

struct PeImage {
  uint64_t fileHeader;   // offset of the COFF header, after "PE\0\0"
  uint64_t optional;     // offset of the optional header
  bool plus;             // PE32+ (x86_64)
  uint64_t directories;  // offset of data directory 0
  uint32_t directoryCount;
  uint32_t sectionAlignment, fileAlignment;
  std::vector<PeSection> sections;
};

// Data directories this tool touches.
enum PeDirectory { peDirectoryResource = 2, peDirectorySecurity = 4, peDirectoryRelocation = 5 };

// Offsets in the optional header common to PE32 and PE32+.
enum PeOptionalField {
  peSubsystemMajor = 48, peSubsystemMinor = 50, peSizeOfImage = 56, peCheckSum = 64
};

// Throws PeError when bytes is not a Windows program.
PeImage ParsePeImage(ByteView bytes, const std::string& path);

uint32_t ReadU16(ByteView bytes, uint64_t at);
uint32_t ReadU32(ByteView bytes, uint64_t at);
void WriteU16(std::vector<uint8_t>& bytes, uint64_t at, uint32_t value);
void WriteU32(std::vector<uint8_t>& bytes, uint64_t at, uint32_t value);

// Data directory n as {rva, size}; {0, 0} when the file has fewer directories.
struct PeRange {
  uint32_t rva, size;
};
PeRange DataDirectory(ByteView bytes, const PeImage& image, int n);

// The file's checksum as the loader computes it, over bytes with the checksum field
// taken as zero.
uint32_t ComputePeChecksum(ByteView bytes, const PeImage& image);

// The same checksum over a file given a piece at a time, pieces of any length: the
// setup program's own sum, with a byte kept back when a piece ends inside a word.
class PieceChecksum {
 public:
  explicit PieceChecksum(const PeImage& image) : sum_{0, 0, image.optional + peCheckSum} {}
  void Add(const uint8_t* data, size_t n);
  uint32_t Value() const;

 private:
  PeChecksum sum_;
  bool pending_ = false;
  uint8_t word_[2] = {};  // a word whose high byte has not come yet
};
