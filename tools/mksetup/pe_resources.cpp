#include "tools/mksetup/pe_resources.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

class PeFile {
 public:
  explicit PeFile(const std::string& path) : path_(path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw PeError("cannot read " + path);
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  uint32_t U16(uint64_t at) const {
    Need(at, 2);
    return uint32_t(bytes_[at]) | uint32_t(bytes_[at + 1]) << 8;
  }
  uint32_t U32(uint64_t at) const { return U16(at) | U16(at + 2) << 16; }
  void Need(uint64_t at, uint64_t n) const {
    if (at + n > bytes_.size()) throw PeError(path_ + ": damaged resource data");
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::vector<uint8_t> bytes_;
};

struct Section {
  uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

class ResourceReader {
 public:
  explicit ResourceReader(const PeFile& f) : f_(f) {
    if (f.Bytes().size() < 64 || f.U16(0) != 0x5A4D) throw NotPe();
    uint32_t pe = f.U32(0x3C);
    if (f.Bytes().size() < uint64_t(pe) + 24 || f.U32(pe) != 0x00004550) throw NotPe();
    uint32_t sections = f.U16(pe + 6);
    uint32_t optionalSize = f.U16(pe + 20);
    uint64_t optional = pe + 24;
    uint32_t magic = f.U16(optional);
    uint64_t directories;
    if (magic == 0x10B) directories = optional + 96;        // PE32
    else if (magic == 0x20B) directories = optional + 112;  // PE32+
    else throw NotPe();
    if (f.U32(directories - 4) < 3) throw NoResources();
    root_ = f.U32(directories + 2 * 8);
    if (root_ == 0) throw NoResources();
    uint64_t table = optional + optionalSize;
    for (uint32_t i = 0; i < sections; ++i) {
      uint64_t s = table + 40 * uint64_t(i);
      sections_.push_back(Section{f.U32(s + 12), f.U32(s + 8), f.U32(s + 20), f.U32(s + 16)});
    }
    rootOffset_ = Offset(root_, 16);
  }

  void Walk(std::map<ResourceKey, std::vector<uint8_t>>& out) {
    ForEach(rootOffset_, 0, [&](const std::string& type, uint32_t, uint32_t typeDir) {
      ForEach(typeDir, 1, [&](const std::string&, uint32_t id, uint32_t idDir) {
        ForEach(idDir, 2, [&](const std::string&, uint32_t language, uint32_t data) {
          uint32_t rva = f_.U32(data), size = f_.U32(data + 4);
          uint64_t at = Offset(rva, size);
          out[ResourceKey{type, id, language}] =
              std::vector<uint8_t>(f_.Bytes().begin() + long(at), f_.Bytes().begin() + long(at + size));
        });
      });
    });
  }

 private:
  PeError NotPe() const { return PeError(f_.Path() + ": not a Windows program"); }
  PeError NoResources() const { return PeError(f_.Path() + ": has no resources, so it is not a setup"); }

  uint64_t Offset(uint32_t rva, uint32_t size) const {
    for (const Section& s : sections_) {
      uint32_t span = std::max(s.virtualSize, s.rawSize);
      if (rva >= s.virtualAddress && uint64_t(rva) + size <= uint64_t(s.virtualAddress) + span) {
        uint64_t at = uint64_t(s.rawOffset) + (rva - s.virtualAddress);
        f_.Need(at, size);
        return at;
      }
    }
    throw PeError(f_.Path() + ": damaged resource data");
  }

  // Calls visit(name, id, target) for each entry of the directory at offset; target is
  // a file offset: of the subdirectory below levels 0 and 1, of the data entry at 2.
  template <typename Visit>
  void ForEach(uint64_t directory, int level, Visit visit) {
    if (++steps_ > 100000) throw PeError(f_.Path() + ": damaged resource data");
    uint32_t count = f_.U16(directory + 12) + f_.U16(directory + 14);
    for (uint32_t i = 0; i < count; ++i) {
      uint64_t entry = directory + 16 + 8 * uint64_t(i);
      uint32_t name = f_.U32(entry), target = f_.U32(entry + 4);
      bool subdirectory = (target & 0x80000000u) != 0;
      if (subdirectory != (level < 2)) throw PeError(f_.Path() + ": damaged resource data");
      uint64_t where = Offset(root_ + (target & 0x7FFFFFFFu), 16);
      std::string text;
      uint32_t id = 0;
      if (name & 0x80000000u) {
        uint64_t s = Offset(root_ + (name & 0x7FFFFFFFu), 2);
        uint32_t length = f_.U16(s);
        for (uint32_t k = 0; k < length; ++k) text += char(f_.U16(s + 2 + 2 * k) & 0x7F);
        if (level == 1) continue;  // named resources are not ours
      } else {
        id = name & 0xFFFF;
        text = "#" + std::to_string(id);
      }
      visit(text, id, uint32_t(where));
    }
  }

  const PeFile& f_;
  std::vector<Section> sections_;
  uint32_t root_ = 0;
  uint64_t rootOffset_ = 0;
  int steps_ = 0;
};

}  // namespace

std::map<ResourceKey, std::vector<uint8_t>> ReadPeResources(const std::string& path) {
  PeFile file(path);
  ResourceReader reader(file);
  std::map<ResourceKey, std::vector<uint8_t>> out;
  reader.Walk(out);
  return out;
}
