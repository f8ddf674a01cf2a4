#include "tools/mksetup/pe_writer.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "tools/mksetup/pe_image.h"
#include "tools/mksetup/staged_files.h"

namespace {

constexpr uint32_t kFilePage = 4096;

uint32_t AlignUp(uint64_t value, uint32_t alignment) {
  return uint32_t((value + alignment - 1) / alignment * alignment);
}

// Named entries come first, sorted by name, then numbered ones by number: the order
// the loader's binary search expects.
struct EntryOrder {
  bool operator()(const ResourceName& a, const ResourceName& b) const {
    return std::make_tuple(a.text.empty(), a.text, a.id) < std::make_tuple(b.text.empty(), b.text, b.id);
  }
};

using LanguageMap = std::map<uint32_t, const Resource*>;
using NameMap = std::map<ResourceName, LanguageMap, EntryOrder>;
using TypeMap = std::map<ResourceName, NameMap, EntryOrder>;

class SectionWriter {
 public:
  SectionWriter(const TypeMap& types, uint32_t rva) : types_(types), rva_(rva) {}

  LaidOutProgram Write() {
    // Directories first, then name strings, data entries and data, each part sized
    // before anything is placed.
    uint32_t directories = 0, strings = 0, entries = 0;
    auto directory = [&](size_t count) { directories += 16 + 8 * uint32_t(count); };
    auto name = [&](const ResourceName& n) { if (!n.text.empty()) strings += 2 + 2 * uint32_t(n.text.size()); };
    directory(types_.size());
    for (const auto& [type, names] : types_) {
      name(type);
      directory(names.size());
      for (const auto& [id, languages] : names) {
        name(id);
        directory(languages.size());
        entries += uint32_t(languages.size());
      }
    }
    nextDirectory_ = 0;
    nextString_ = directories;
    nextEntry_ = AlignUp(directories + strings, 4);
    nextData_ = AlignUp(nextEntry_ + 16 * entries, 8);
    out_.assign(nextData_, 0);

    uint32_t root = Directory(types_.size());
    uint32_t slot = 0;
    for (const auto& [type, names] : types_) {
      uint32_t typeDir = Directory(names.size());
      Entry(root, slot++, type, typeDir | 0x80000000u);
      uint32_t nameSlot = 0;
      for (const auto& [id, languages] : names) {
        uint32_t nameDir = Directory(languages.size());
        Entry(typeDir, nameSlot++, id, nameDir | 0x80000000u);
        uint32_t languageSlot = 0;
        for (const auto& [language, resource] : languages)
          Entry(nameDir, languageSlot++, NumberedName(language), Data(*resource));
      }
    }
    return LaidOutProgram{std::move(out_), std::move(gaps_)};
  }

 private:
  void Put(uint32_t at, uint32_t value) { WriteU32(out_, at, value); }

  uint32_t Directory(size_t count) {
    uint32_t at = nextDirectory_;
    nextDirectory_ += 16 + 8 * uint32_t(count);
    return at;
  }

  void Entry(uint32_t directory, uint32_t slot, const ResourceName& n, uint32_t target) {
    uint32_t at = directory + 16 + 8 * slot;
    if (n.text.empty()) {
      Put(at, n.id);
      WriteU16(out_, directory + 14, ReadU16(out_, directory + 14) + 1);
    } else {
      Put(at, String(n.text) | 0x80000000u);
      WriteU16(out_, directory + 12, ReadU16(out_, directory + 12) + 1);
    }
    Put(at + 4, target);
  }

  uint32_t String(const std::u16string& text) {
    uint32_t at = nextString_;
    WriteU16(out_, at, uint32_t(text.size()));
    for (size_t k = 0; k < text.size(); ++k) WriteU16(out_, at + 2 + 2 * uint32_t(k), text[k]);
    nextString_ += 2 + 2 * uint32_t(text.size());
    return at;
  }

  uint32_t Data(const Resource& r) {
    uint32_t entry = nextEntry_;
    nextEntry_ += 16;
    uint32_t at = nextData_;
    if (r.file.empty()) {
      out_.insert(out_.end(), r.data.begin(), r.data.end());
    } else {
      gaps_.push_back({out_.size(), &r});
      held_ += r.size;
    }
    const uint64_t size = out_.size() + held_;
    out_.resize(out_.size() + (AlignUp(size, 8) - size), 0);
    nextData_ = uint32_t(out_.size() + held_);
    Put(entry, rva_ + at);
    Put(entry + 4, uint32_t(ResourceSize(r)));
    return entry;
  }

  const TypeMap& types_;
  uint32_t rva_;
  uint32_t nextDirectory_ = 0, nextString_ = 0, nextEntry_ = 0, nextData_ = 0;
  std::vector<uint8_t> out_;
  std::vector<LaidOutProgram::Gap> gaps_;
  uint64_t held_ = 0;  // bytes of the gaps so far
};

uint64_t HeldBytes(const LaidOutProgram& p) {
  uint64_t held = 0;
  for (const LaidOutProgram::Gap& g : p.gaps) held += ResourceSize(*g.resource);
  return held;
}

LaidOutProgram LayOutSection(const std::vector<Resource>& resources, uint32_t sectionRva) {
  TypeMap types;
  for (const Resource& r : resources) types[r.type][r.name][r.language] = &r;
  return SectionWriter(types, sectionRva).Write();
}

// Calls put for each piece of the program in order, the gaps read from their files.
template <typename Put>
void ForEachPiece(const LaidOutProgram& program, Put put) {
  std::vector<uint8_t> buffer;
  size_t from = 0;
  for (const LaidOutProgram::Gap& g : program.gaps) {
    put(program.bytes.data() + from, g.at - from);
    from = g.at;
    buffer.resize(1 << 20);
    ResourceBytes bytes(*g.resource);
    for (size_t n; (n = bytes.Read(buffer.data(), buffer.size())) != 0;) put(buffer.data(), n);
  }
  put(program.bytes.data() + from, program.bytes.size() - from);
}

std::vector<uint8_t> Assemble(const LaidOutProgram& program) {
  std::vector<uint8_t> out;
  ForEachPiece(program, [&out](const uint8_t* data, size_t n) { out.insert(out.end(), data, data + n); });
  return out;
}

}  // namespace

std::vector<uint8_t> LayOutResourceSection(const std::vector<Resource>& resources, uint32_t sectionRva) {
  return Assemble(LayOutSection(resources, sectionRva));
}

LaidOutProgram LayOutProgram(const std::vector<uint8_t>& program, const std::string& path,
                             const std::vector<Resource>& resources) {
  const PeImage image = ParsePeImage(program, path);
  const PeRange resource = DataDirectory(program, image, peDirectoryResource);
  const PeRange relocation = DataDirectory(program, image, peDirectoryRelocation);
  if (DataDirectory(program, image, peDirectorySecurity).size != 0)
    throw PeError(path + ": is signed already; give the unsigned program");

  // The resource section and the sections after it are laid out anew; only base
  // relocations, which do not depend on their own address, may follow it.
  size_t first = image.sections.size();
  for (size_t i = 0; i < image.sections.size(); ++i) {
    const PeSection& s = image.sections[i];
    if (resource.rva != 0 && resource.rva >= s.virtualAddress &&
        resource.rva < s.virtualAddress + std::max(s.virtualSize, s.rawSize))
      first = i;
  }
  if (first == image.sections.size()) throw PeError(path + ": has no resource section");
  const PeSection& old = image.sections[first];
  if (resource.rva != old.virtualAddress)
    throw PeError(path + ": its resources do not start its resource section");
  uint64_t end = 0;
  for (const PeSection& s : image.sections) end = std::max<uint64_t>(end, uint64_t(s.rawOffset) + s.rawSize);
  if (end > program.size()) throw PeError(path + ": truncated Windows program");
  // A last section whose stored size is not rounded up leaves the linker's zeros up
  // to the file alignment; they hold nothing.
  const bool padding = program.size() <= AlignUp(end, image.fileAlignment) &&
                       std::all_of(program.begin() + end, program.end(), [](uint8_t b) { return b == 0; });
  if (end < program.size() && !padding) throw PeError(path + ": has data after its sections");
  std::vector<PeSection> moved;
  for (size_t i = first + 1; i < image.sections.size(); ++i) {
    const PeSection& s = image.sections[i];
    if (relocation.rva != s.virtualAddress || s.rawOffset < old.rawOffset)
      throw PeError(path + ": section " + s.name + " follows the resources; it cannot be moved");
    moved.push_back(s);
  }
  for (uint32_t n = 0; n < image.directoryCount; ++n) {
    PeRange d = DataDirectory(program, image, int(n));
    if (n != peDirectoryResource && n != peDirectoryRelocation && d.rva >= old.virtualAddress)
      throw PeError(path + ": data directory " + std::to_string(n) + " lies after the resources");
  }

  // The resources start a page of the file: a loader can then map the payload from
  // the file as it is read, instead of copying all of it before the program starts.
  const uint32_t resourceOffset = AlignUp(old.rawOffset, std::max(kFilePage, image.fileAlignment));
  LaidOutProgram laid;
  std::vector<uint8_t>& out = laid.bytes;
  out.assign(program.begin(), program.begin() + old.rawOffset);
  out.resize(resourceOffset, 0);
  LaidOutProgram section = LayOutSection(resources, old.virtualAddress);
  // The gaps hold bytes that out does not: offsets in the file count them.
  const uint64_t held = HeldBytes(section);
  const uint64_t sectionSize = section.bytes.size() + held;
  uint32_t rawSize = AlignUp(sectionSize, image.fileAlignment);
  for (const LaidOutProgram::Gap& g : section.gaps) laid.gaps.push_back({resourceOffset + g.at, g.resource});
  out.insert(out.end(), section.bytes.begin(), section.bytes.end());
  out.resize(resourceOffset + uint64_t(rawSize) - held, 0);
  WriteU32(out, old.header + 8, uint32_t(sectionSize));
  WriteU32(out, old.header + 16, rawSize);
  WriteU32(out, old.header + 20, resourceOffset);
  WriteU32(out, image.directories + 8 * peDirectoryResource + 4, uint32_t(sectionSize));

  uint32_t nextRva = AlignUp(uint64_t(old.virtualAddress) + sectionSize, image.sectionAlignment);
  uint32_t lastEnd = nextRva;
  for (const PeSection& s : moved) {
    uint32_t rawOffset = uint32_t(out.size() + held);
    out.insert(out.end(), program.begin() + s.rawOffset, program.begin() + s.rawOffset + s.rawSize);
    WriteU32(out, s.header + 12, nextRva);
    WriteU32(out, s.header + 20, rawOffset);
    WriteU32(out, image.directories + 8 * peDirectoryRelocation, nextRva);
    lastEnd = AlignUp(uint64_t(nextRva) + std::max(s.virtualSize, s.rawSize), image.sectionAlignment);
    nextRva = lastEnd;
  }
  // Initialised data grows or shrinks with the resource section.
  uint32_t initialised = ReadU32(out, image.optional + 8);
  WriteU32(out, image.optional + 8, initialised - old.rawSize + rawSize);
  WriteU32(out, image.optional + peSizeOfImage, lastEnd);
  return laid;
}

std::vector<uint8_t> ReplaceResources(const std::vector<uint8_t>& program, const std::string& path,
                                      const std::vector<Resource>& resources) {
  std::vector<uint8_t> out = Assemble(LayOutProgram(program, path, resources));
  SetPeChecksum(out, path);
  return out;
}

void WriteProgram(const LaidOutProgram& program, const std::string& path) {
  const PeImage image = ParsePeImage(program.bytes, path);
  PieceChecksum sum(image);
  FileWriter file(path);
  ForEachPiece(program, [&](const uint8_t* data, size_t n) {
    file.Append(data, n);
    sum.Add(data, n);
  });
  const uint32_t value = sum.Value();
  const uint8_t field[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  file.WriteAt(image.optional + peCheckSum, field, sizeof field);
  file.Finish();
}

void SetPeChecksum(std::vector<uint8_t>& program, const std::string& path) {
  PeImage image = ParsePeImage(program, path);
  WriteU32(program, image.optional + peCheckSum, ComputePeChecksum(program, image));
}

uint32_t FileChecksum(MappedFile& file, const PeImage& image) {
  constexpr size_t kPiece = 1 << 20;
  PieceChecksum sum(image);
  for (size_t from = 0; from < file.Size(); from += kPiece) {
    const size_t n = std::min(kPiece, file.Size() - from);
    sum.Add(file.Data() + from, n);
    file.Release(file.Data() + from + n);
  }
  return sum.Value();
}

void SetFileChecksum(const std::string& path) {
  uint64_t at = 0;
  uint32_t value = 0;
  {
    MappedFile file(path);
    const PeImage image = ParsePeImage(file.View(), path);
    at = image.optional + peCheckSum;
    value = FileChecksum(file, image);
  }
  const uint8_t field[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  FileWriter file(path, false);
  file.WriteAt(at, field, sizeof field);
  file.Finish();
}
