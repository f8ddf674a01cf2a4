// The resource writer and reader on small programs made here: what is written reads
// back whole, the sections after the resources move with their content, and damaged
// or hostile resource trees are refused in time linear in the file's size.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tools/mksetup/pe_image.h"
#include "tools/mksetup/pe_resources.h"
#include "tools/mksetup/pe_writer.h"

namespace {

constexpr uint32_t kTextRva = 0x1000, kResourceRva = 0x2000;

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  WriteU16(b, at, v);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  WriteU32(b, at, v);
}

struct SectionSpec {
  const char* name;
  std::vector<uint8_t> data;
};

// A program of the given sections, each at the next 0x1000 from 0x1000, the resource
// directory pointing at the one called .rsrc and the relocations at .reloc.
std::vector<uint8_t> MakeProgram(bool plus, const std::vector<SectionSpec>& sections) {
  std::vector<uint8_t> b(0x200, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, 0x40);
  Put32(b, 0x40, 0x00004550);
  const size_t coff = 0x44, optional = coff + 20;
  const uint32_t optionalSize = plus ? 240 : 224;
  Put16(b, coff, plus ? 0x8664 : 0x014C);
  Put16(b, coff + 2, uint32_t(sections.size()));
  Put16(b, coff + 16, optionalSize);
  Put16(b, optional, plus ? 0x20B : 0x10B);
  Put32(b, optional + 32, 0x1000);
  Put32(b, optional + 36, 0x200);
  Put16(b, optional + peSubsystemMajor, 4);
  Put32(b, optional + 60, 0x200);
  const size_t directories = optional + (plus ? 112 : 96);
  Put32(b, directories - 4, 16);
  uint32_t rva = kTextRva;
  for (size_t i = 0; i < sections.size(); ++i) {
    const SectionSpec& s = sections[i];
    size_t header = optional + optionalSize + 40 * i;
    for (size_t k = 0; s.name[k] != 0; ++k) b[header + k] = uint8_t(s.name[k]);
    uint32_t raw = uint32_t((s.data.size() + 0x1FF) / 0x200 * 0x200);
    Put32(b, header + 8, uint32_t(s.data.size()));
    Put32(b, header + 12, rva);
    Put32(b, header + 16, raw);
    Put32(b, header + 20, uint32_t(b.size()));
    std::string name = s.name;
    if (name == ".rsrc") {
      Put32(b, directories + 8 * peDirectoryResource, rva);
      Put32(b, directories + 8 * peDirectoryResource + 4, uint32_t(s.data.size()));
    }
    if (name == ".reloc") {
      Put32(b, directories + 8 * peDirectoryRelocation, rva);
      Put32(b, directories + 8 * peDirectoryRelocation + 4, uint32_t(s.data.size()));
    }
    b.insert(b.end(), s.data.begin(), s.data.end());
    b.resize(b.size() + (raw - s.data.size()), 0);
    rva += (raw + 0xFFF) / 0x1000 * 0x1000;
  }
  Put32(b, optional + peSizeOfImage, rva);
  return b;
}

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = uint8_t(seed + i * 7);
  return out;
}

const std::vector<Resource> kStubResources = {
    {NumberedName(2), NumberedName(100), 1033, Bytes(40, 1)},
    {NumberedName(2), NumberedName(100), 1041, Bytes(41, 2)},
    {TextName("AVI"), NumberedName(300), 0, Bytes(333, 3)},
    {NumberedName(6), TextName("NAMED"), 1033, Bytes(12, 4)},
};

std::vector<uint8_t> Stub(bool plus) {
  return MakeProgram(plus, {{".text", Bytes(0x300, 9)},
                            {".rsrc", LayOutResourceSection(kStubResources, 0x2000)},
                            {".reloc", Bytes(0x1C, 5)}});
}

void ExpectSameResources(std::vector<Resource> expected, std::vector<Resource> actual) {
  auto key = [](const Resource& r) { return std::make_tuple(r.type.text, r.type.id, r.name.text, r.name.id, r.language); };
  auto order = [&](const Resource& a, const Resource& b) { return key(a) < key(b); };
  std::sort(expected.begin(), expected.end(), order);
  std::sort(actual.begin(), actual.end(), order);
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(key(expected[i]), key(actual[i]));
    EXPECT_EQ(expected[i].data, actual[i].data) << i;
  }
}

TEST(PeResourcesTest, WrittenResourcesReadBackWholeAndTheRestStaysInPlace) {
  for (bool plus : {false, true}) {
    SCOPED_TRACE(plus ? "PE32+" : "PE32");
    std::vector<uint8_t> stub = Stub(plus);
    ExpectSameResources(kStubResources, ReadResourceTree(stub, "stub"));

    std::vector<Resource> resources = kStubResources;
    resources.push_back({TextName("CONFIG"), NumberedName(1), 0, Bytes(700, 6)});
    resources.push_back({TextName("CONFIG"), NumberedName(2), 1033, Bytes(90, 7)});
    resources.push_back({TextName("CONFIG"), NumberedName(2), 1041, Bytes(91, 8)});
    resources.push_back({TextName("ARCHIVE"), NumberedName(1), 0, Bytes(150000, 9)});  // grows the section
    resources.push_back({NumberedName(24), NumberedName(1), 0, Bytes(0, 0)});
    std::vector<uint8_t> program = ReplaceResources(stub, "stub", resources);
    ExpectSameResources(resources, ReadResourceTree(program, "program"));

    PeImage before = ParsePeImage(stub, "stub"), after = ParsePeImage(program, "program");
    ASSERT_EQ(after.sections.size(), 3u);
    for (uint32_t at = before.sections[0].rawOffset; at < before.sections[1].rawOffset; ++at)
      ASSERT_EQ(stub[at], program[at]) << "code changed at " << at;
    // The resources start a page of the file (mapped by the loader rather than
    // copied); the gap before them holds zeros.
    const PeSection& resourceSection = after.sections[1];
    EXPECT_EQ(resourceSection.rawOffset % 0x1000, 0u);
    EXPECT_GT(resourceSection.rawOffset, before.sections[1].rawOffset);
    for (uint32_t at = before.sections[1].rawOffset; at < resourceSection.rawOffset; ++at)
      ASSERT_EQ(program[at], 0) << "gap byte " << at;
    const PeSection& reloc = after.sections[2];
    EXPECT_GE(reloc.virtualAddress, after.sections[1].virtualAddress + after.sections[1].virtualSize);
    EXPECT_EQ(reloc.virtualAddress % 0x1000, 0u);
    EXPECT_EQ(reloc.rawOffset % 0x200, 0u);
    EXPECT_EQ(DataDirectory(program, after, peDirectoryRelocation).rva, reloc.virtualAddress);
    EXPECT_TRUE(std::equal(stub.begin() + before.sections[2].rawOffset,
                           stub.begin() + before.sections[2].rawOffset + 0x1C, program.begin() + reloc.rawOffset));
    EXPECT_EQ(ReadU32(program, after.optional + peSizeOfImage),
              (reloc.virtualAddress + reloc.virtualSize + 0xFFF) / 0x1000 * 0x1000);
    EXPECT_EQ(ReadU32(program, after.optional + peCheckSum), ComputePeChecksum(program, after));
    EXPECT_EQ(program.size(), size_t(reloc.rawOffset) + reloc.rawSize);
  }
}

TEST(PeResourcesTest, ChecksumSeesEveryByte) {
  std::vector<uint8_t> program = ReplaceResources(Stub(false), "stub", kStubResources);
  PeImage image = ParsePeImage(program, "program");
  const uint32_t stored = ReadU32(program, image.optional + peCheckSum);
  for (size_t at : {size_t(0x300), program.size() / 2, program.size() - 1}) {
    std::vector<uint8_t> changed = program;
    changed[at] ^= 0x01;
    EXPECT_NE(ComputePeChecksum(changed, image), stored) << at;
  }
  // Summed in pieces of odd length, as a file is read, it comes out the same.
  PieceChecksum pieces(image);
  for (size_t at = 0; at < program.size(); at += 7) pieces.Add(&program[at], std::min<size_t>(7, program.size() - at));
  EXPECT_EQ(pieces.Value(), stored);
}

// A resource left in its file, of odd size and longer than a piece of the copy, lands
// between resources held in memory: the written program is the one made all in memory,
// its checksum summed across the pieces included.
TEST(PeResourcesTest, AResourceLeftInItsFileIsWrittenAsIfHeld) {
  char folder[] = "/tmp/mksetup-pe-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string archive = std::string(folder) + "/archive", program = std::string(folder) + "/program";
  const std::vector<uint8_t> bytes = Bytes((5 << 19) + 3, 11);
  std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

  std::vector<Resource> held = kStubResources;
  held.push_back({TextName("CONFIG"), NumberedName(1), 0, Bytes(701, 6)});
  std::vector<Resource> inFile = held;
  held.push_back({TextName("ARCHIVE"), NumberedName(1), 0, bytes});
  inFile.push_back({TextName("ARCHIVE"), NumberedName(1), 0, archive, 0, bytes.size()});
  for (bool plus : {false, true}) {
    SCOPED_TRACE(plus ? "PE32+" : "PE32");
    const std::vector<uint8_t> stub = Stub(plus);
    const std::vector<uint8_t> expected = ReplaceResources(stub, "stub", held);
    EXPECT_EQ(ReplaceResources(stub, "stub", inFile), expected);
    WriteProgram(LayOutProgram(stub, "stub", inFile), program);
    EXPECT_EQ(ReadWholeFile(program), expected);

    // A checksum set on the file, read a piece at a time, is the one set in memory.
    {
      std::fstream f(program, std::ios::in | std::ios::out | std::ios::binary);
      f.seekp(std::streamoff(ParsePeImage(expected, "program").optional + peCheckSum));
      f.write("\0\0\0\0", 4);
    }
    ASSERT_NE(ReadWholeFile(program), expected);
    SetFileChecksum(program);
    EXPECT_EQ(ReadWholeFile(program), expected);
  }
  std::system(("rm -rf '" + std::string(folder) + "'").c_str());
}

// The linker stores a last resource section without rounding its size up, then pads
// the file with zeros to the alignment: that is no data after the sections.
TEST(PeResourcesTest, ALastResourceSectionOfUnroundedSizeTakesNewResources) {
  std::vector<uint8_t> stub = MakeProgram(false, {{".text", Bytes(0x300, 9)},
                                                   {".rsrc", LayOutResourceSection(kStubResources, 0x2000)}});
  PeImage image = ParsePeImage(stub, "stub");
  const PeSection& rsrc = image.sections[1];
  ASSERT_NE(rsrc.virtualSize % 0x200, 0u);
  WriteU32(stub, rsrc.header + 16, rsrc.virtualSize);
  std::vector<uint8_t> program = ReplaceResources(stub, "stub", kStubResources);
  ExpectSameResources(kStubResources, ReadResourceTree(program, "program"));

  stub.back() = 1;
  try {
    ReplaceResources(stub, "stub", kStubResources);
    ADD_FAILURE() << "a byte in the padding: accepted";
  } catch (const PeError& e) {
    EXPECT_NE(std::string(e.what()).find("has data after its sections"), std::string::npos) << e.what();
  }
}

TEST(PeResourcesTest, ProgramsThatCannotTakeNewResourcesAreRefused) {
  std::vector<uint8_t> signedStub = Stub(false);
  PeImage image = ParsePeImage(signedStub, "stub");
  WriteU32(signedStub, image.directories + 8 * peDirectorySecurity, 0x5000);
  WriteU32(signedStub, image.directories + 8 * peDirectorySecurity + 4, 0x100);
  std::vector<uint8_t> overlay = Stub(false);
  overlay.push_back(0);
  std::vector<uint8_t> dataAfter = MakeProgram(false, {{".text", Bytes(0x300, 9)},
                                                       {".rsrc", LayOutResourceSection(kStubResources, 0x2000)},
                                                       {".data", Bytes(0x40, 5)}});
  struct Case {
    const char* what;
    std::vector<uint8_t> program;
    const char* message;
  };
  const Case cases[] = {
      {"signed", signedStub, "is signed already"},
      {"data after the sections", overlay, "has data after its sections"},
      {"a section after the resources", dataAfter, "section .data follows the resources"},
      {"not a program", Bytes(100, 0), "not a Windows program"},
  };
  for (const Case& c : cases) {
    try {
      ReplaceResources(c.program, "stub", kStubResources);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const PeError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
    }
  }
}

// A resource section by hand: directories at the given offsets, each entry
// {name, target} with target's high bit marking a subdirectory.
struct RawDirectory {
  uint32_t at;
  std::vector<std::pair<uint32_t, uint32_t>> entries;
};

std::vector<uint8_t> ProgramWithTree(const std::vector<RawDirectory>& directories, size_t size) {
  std::vector<uint8_t> section(size, 0);
  for (const RawDirectory& d : directories) {
    Put16(section, d.at + 14, uint32_t(d.entries.size()));
    for (size_t i = 0; i < d.entries.size(); ++i) {
      Put32(section, d.at + 16 + 8 * i, d.entries[i].first);
      Put32(section, d.at + 20 + 8 * i, d.entries[i].second);
    }
  }
  return MakeProgram(false, {{".text", Bytes(0x100, 1)}, {".rsrc", section}});
}

void ExpectDamaged(const std::vector<uint8_t>& program, const char* what) {
  auto start = std::chrono::steady_clock::now();
  try {
    ReadResourceTree(program, "crafted");
    ADD_FAILURE() << what << ": accepted";
  } catch (const PeError& e) {
    EXPECT_NE(std::string(e.what()).find("damaged resource data"), std::string::npos) << what << ": " << e.what();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << what;
}

TEST(PeResourcesTest, HostileTreesAreRefusedQuickly) {
  const uint32_t sub = 0x80000000u;
  // A directory that lists itself.
  ExpectDamaged(ProgramWithTree({{0, {{1, sub | 0}}}}, 0x100), "a loop");

  // Every type shares one name directory, and every name one language directory:
  // types x names x languages resources from a few kilobytes.
  const uint32_t fan = 2000;
  std::vector<std::pair<uint32_t, uint32_t>> types, names, languages;
  const uint32_t nameDir = 16 + 8 * fan, languageDir = nameDir + 16 + 8 * fan;
  const uint32_t dataEntry = languageDir + 16 + 8 * fan;
  for (uint32_t i = 0; i < fan; ++i) {
    types.push_back({i + 1, sub | nameDir});
    names.push_back({i + 1, sub | languageDir});
    languages.push_back({i + 1, dataEntry});
  }
  std::vector<uint8_t> shared = ProgramWithTree({{0, types}, {nameDir, names}, {languageDir, languages}},
                                                dataEntry + 16);
  ExpectDamaged(shared, "shared subdirectories");

  // One data entry of 1 MB reached from many languages of one name.
  const uint32_t entryAt = 0x40 + 16 + 8 * 64;
  std::vector<std::pair<uint32_t, uint32_t>> many;
  for (uint32_t i = 0; i < 64; ++i) many.push_back({i + 1, entryAt});
  std::vector<uint8_t> big = ProgramWithTree({{0, {{1, sub | 0x18}}}, {0x18, {{1, sub | 0x40}}}, {0x40, many}},
                                             entryAt + 16 + (1 << 20));
  PeImage image = ParsePeImage(big, "big");
  WriteU32(big, image.sections[1].rawOffset + entryAt, kResourceRva + entryAt + 16);
  WriteU32(big, image.sections[1].rawOffset + entryAt + 4, 1 << 20);
  ExpectDamaged(big, "one data entry reused");
}

}  // namespace
