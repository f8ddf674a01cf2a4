#include "tools/mksetup/pe_resources.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "tools/mksetup/pe_image.h"

namespace {

class ResourceReader {
 public:
  ResourceReader(ByteView bytes, const std::string& path)
      : bytes_(bytes), path_(path), image_(ParsePeImage(bytes, path)) {
    root_ = DataDirectory(bytes, image_, peDirectoryResource).rva;
    if (root_ == 0) throw PeError(path_ + ": has no resources, so it is not a setup");
    // Each entry takes 8 bytes of the file: more than that means entries were reused.
    entryBudget_ = bytes.size / 8;
    dataBudget_ = bytes.size;
  }

  std::vector<ResourceEntry> Read() {
    std::vector<ResourceEntry> out;
    ForEach(Offset(root_, 16), 0, [&](const ResourceName& type, uint64_t typeDir) {
      ForEach(typeDir, 1, [&](const ResourceName& name, uint64_t nameDir) {
        ForEach(nameDir, 2, [&](const ResourceName& language, uint64_t entry) {
          uint32_t rva = U32(entry), size = U32(entry + 4);
          if (size > dataBudget_) throw Damaged();
          dataBudget_ -= size;
          uint64_t at = Offset(rva, size);
          out.push_back(ResourceEntry{type, name, language.id, at, size});
        });
      });
    });
    return out;
  }

 private:
  PeError Damaged() const { return PeError(path_ + ": damaged resource data"); }

  uint32_t U16(uint64_t at) const {
    if (at + 2 > bytes_.size) throw Damaged();
    return ReadU16(bytes_, at);
  }
  uint32_t U32(uint64_t at) const { return U16(at) | U16(at + 2) << 16; }

  uint64_t Offset(uint32_t rva, uint32_t size) const {
    for (const PeSection& s : image_.sections) {
      uint32_t span = std::max(s.virtualSize, s.rawSize);
      if (rva >= s.virtualAddress && uint64_t(rva) + size <= uint64_t(s.virtualAddress) + span) {
        uint64_t at = uint64_t(s.rawOffset) + (rva - s.virtualAddress);
        if (at + size > bytes_.size) throw Damaged();
        return at;
      }
    }
    throw Damaged();
  }

  ResourceName EntryName(uint32_t name) const {
    ResourceName out;
    if ((name & 0x80000000u) == 0) {
      out.id = name & 0xFFFF;
      return out;
    }
    uint64_t s = Offset(root_ + (name & 0x7FFFFFFFu), 2);
    uint32_t length = U16(s);
    Offset(root_ + (name & 0x7FFFFFFFu), 2 + 2 * length);
    for (uint32_t k = 0; k < length; ++k) out.text += char16_t(U16(s + 2 + 2 * k));
    if (out.text.empty()) throw Damaged();
    return out;
  }

  // Calls visit(name, target) for each entry of the directory at offset; target is a
  // file offset: of the subdirectory below levels 0 and 1, of the data entry at 2.
  template <typename Visit>
  void ForEach(uint64_t directory, int level, Visit visit) {
    if (!visited_.insert(directory).second) throw Damaged();
    uint32_t count = U16(directory + 12) + U16(directory + 14);
    if (count > entryBudget_) throw Damaged();
    entryBudget_ -= count;
    for (uint32_t i = 0; i < count; ++i) {
      uint64_t entry = directory + 16 + 8 * uint64_t(i);
      uint32_t name = U32(entry), target = U32(entry + 4);
      bool subdirectory = (target & 0x80000000u) != 0;
      if (subdirectory != (level < 2)) throw Damaged();
      visit(EntryName(name), Offset(root_ + (target & 0x7FFFFFFFu), 16));
    }
  }

  ByteView bytes_;
  std::string path_;
  PeImage image_;
  uint32_t root_ = 0;
  uint64_t entryBudget_ = 0;
  uint64_t dataBudget_ = 0;
  std::set<uint64_t> visited_;
};

}  // namespace

ResourceName NumberedName(uint32_t id) {
  ResourceName out;
  out.id = id;
  return out;
}

ResourceName TextName(const char* ascii) {
  ResourceName out;
  for (const char* c = ascii; *c != 0; ++c) out.text += char16_t(*c);
  return out;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PeError("cannot read " + path);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw PeError("cannot read " + path);
  return bytes;
}

std::vector<ResourceEntry> ReadResourceEntries(ByteView bytes, const std::string& path) {
  return ResourceReader(bytes, path).Read();
}

std::vector<Resource> ReadResourceTree(ByteView bytes, const std::string& path) {
  std::vector<Resource> out;
  for (const ResourceEntry& e : ReadResourceEntries(bytes, path))
    out.push_back(Resource{e.type, e.name, e.language,
                           std::vector<uint8_t>(bytes.data + e.offset, bytes.data + e.offset + e.size)});
  return out;
}

std::map<ResourceKey, ResourceEntry> NumberedResources(ByteView bytes, const std::string& path) {
  std::map<ResourceKey, ResourceEntry> out;
  for (ResourceEntry& r : ReadResourceEntries(bytes, path)) {
    if (!r.name.text.empty()) continue;  // named resources are not ours
    std::string type;
    if (r.type.text.empty()) {
      type = "#" + std::to_string(r.type.id);
    } else {
      for (char16_t c : r.type.text) type += char(c & 0x7F);
    }
    out[ResourceKey{type, r.name.id, r.language}] = r;
  }
  return out;
}

uint64_t ResourceSize(const Resource& r) { return r.file.empty() ? r.data.size() : r.size; }

ResourceBytes::ResourceBytes(const Resource& r) : r_(r) {
  if (r.file.empty()) return;
  fd_ = ::open(r.file.c_str(), O_RDONLY);
  if (fd_ < 0) throw PeError("cannot read " + r.file + ": " + std::strerror(errno));
}

ResourceBytes::~ResourceBytes() {
  if (fd_ >= 0) ::close(fd_);
}

size_t ResourceBytes::Read(uint8_t* out, size_t n) {
  n = size_t(std::min<uint64_t>(n, ResourceSize(r_) - done_));
  if (fd_ < 0) {
    if (n != 0) std::memcpy(out, r_.data.data() + done_, n);
    done_ += n;
    return n;
  }
  for (size_t got = 0; got < n;) {
    ssize_t k = ::pread(fd_, out + got, n - got, off_t(r_.offset + done_));
    if (k < 0 && errno == EINTR) continue;
    if (k == 0) throw PeError("cannot read " + r_.file + ": it is shorter than it was");
    if (k < 0) throw PeError("cannot read " + r_.file + ": " + std::strerror(errno));
    got += size_t(k);
    done_ += uint64_t(k);
  }
  return n;
}

bool SameBytes(const Resource& a, const Resource& b) {
  if (ResourceSize(a) != ResourceSize(b)) return false;
  if (a.file.empty() && b.file.empty()) return a.data == b.data;
  ResourceBytes left(a), right(b);
  std::vector<uint8_t> x(1 << 18), y(1 << 18);
  for (;;) {
    size_t n = left.Read(x.data(), x.size());
    if (right.Read(y.data(), y.size()) != n || std::memcmp(x.data(), y.data(), n) != 0) return false;
    if (n < x.size()) return true;
  }
}
