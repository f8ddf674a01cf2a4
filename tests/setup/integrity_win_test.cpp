// The setup program's check of its own file, on copies of the sample product's setup
// program damaged the ways a download can be, and the refusal a user then sees.
#include <windows.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/state.h"
#include "payload/crc32.h"
#include "resources/resource_ids.h"
#include "setup/integrity.h"
#include "support/test_files_win.h"
#include "support/window_driver.h"
#include "text/resource_text.h"

namespace {

std::string SampleSetup() {
  char value[1024];
  DWORD n = GetEnvironmentVariableA("SETUP_PROGRAM", value, sizeof value);
  std::string path(value, n < sizeof value ? n : 0);
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

uint32_t Crc(const uint8_t* bytes, size_t n) {
  return UpdateCrc32(0xFFFFFFFFu, bytes, n) ^ 0xFFFFFFFFu;
}

struct Resource {
  const char* type;
  int id;
  WORD language;
  std::vector<uint8_t> bytes;
  size_t fileOffset;  // where its bytes lie in the file
};

// The CONFIG and ARCHIVE resources of a program file, read as data.
std::vector<Resource> ProductResources(const std::string& path) {
  std::vector<Resource> found;
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return found;
  const uint8_t* base = reinterpret_cast<const uint8_t*>(ULONG_PTR(module) & ~ULONG_PTR(3));
  const Resource wanted[] = {{"CONFIG", 1, 0, {}, 0}, {"CONFIG", 2, 1033, {}, 0},
                             {"CONFIG", 2, 1041, {}, 0}, {"ARCHIVE", 1, 0, {}, 0}};
  for (Resource r : wanted) {
    HRSRC info = FindResourceExA(module, r.type, MAKEINTRESOURCEA(r.id), r.language);
    if (info == nullptr) continue;
    const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, info)));
    r.bytes.assign(bytes, bytes + SizeofResource(module, info));
    r.fileOffset = size_t(bytes - base);
    found.push_back(r);
  }
  FreeLibrary(module);
  return found;
}

std::vector<uint8_t> ChecksumTable(const std::vector<Resource>& resources) {
  std::vector<uint8_t> table;
  auto put = [&table](uint32_t w) {
    for (int k = 0; k < 4; ++k) table.push_back(uint8_t(w >> (8 * k)));
  };
  put(uint32_t(resources.size()));
  for (const Resource& r : resources) {
    put(std::strcmp(r.type, "CONFIG") == 0 ? kChecksumKindConfig : kChecksumKindArchive);
    put(uint32_t(r.id));
    put(r.language);
    put(uint32_t(r.bytes.size()));
    put(Crc(r.bytes.data(), r.bytes.size()));
  }
  return table;
}

bool WriteResources(const std::string& path, const std::vector<Resource>& resources,
                    const std::vector<uint8_t>* checksum) {
  HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
  if (update == nullptr) return false;
  for (const Resource& r : resources) {
    UpdateResourceA(update, r.type, MAKEINTRESOURCEA(r.id), r.language,
                    const_cast<uint8_t*>(r.bytes.data()), DWORD(r.bytes.size()));
  }
  if (checksum != nullptr) {
    UpdateResourceA(update, "CHECKSUM", MAKEINTRESOURCEA(1), 0,
                    const_cast<uint8_t*>(checksum->data()), DWORD(checksum->size()));
  }
  return EndUpdateResourceA(update, FALSE) != FALSE;
}

// Sets the header's checksum as the platform's own image helper computes it.
void SetPeChecksum(const std::string& path) {
  DWORD header = 0, computed = 0;
  ASSERT_EQ(MapFileAndCheckSumA(path.c_str(), &header, &computed), CHECKSUM_SUCCESS);
  std::string bytes = ReadBytes(path);
  const uint64_t field = PeChecksumFieldOffset(reinterpret_cast<const uint8_t*>(bytes.data()),
                                               bytes.size());
  ASSERT_NE(field, 0u);
  std::memcpy(&bytes[field], &computed, 4);
  WriteBytes(path, bytes);
}

void FlipByte(const std::string& path, size_t offset) {
  std::string bytes = ReadBytes(path);
  ASSERT_LT(offset, bytes.size());
  bytes[offset] = char(bytes[offset] ^ 0x20);
  WriteBytes(path, bytes);
}

// What start-up does with a copy: its resources loaded, then the check; with byName
// false, as when the program's own name cannot be opened.
bool Whole(const std::string& path, bool byName = true) {
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return false;
  auto load = [module](const char* type, int id, size_t* size) -> const uint8_t* {
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    *size = info != nullptr ? SizeofResource(module, info) : 0;
    return info != nullptr ? static_cast<const uint8_t*>(LockResource(LoadResource(module, info)))
                           : nullptr;
  };
  size_t archiveSize = 0;
  gConfig = load("CONFIG", 1, &gConfigSize);
  gStrings = load("CONFIG", 2, &gStringsSize);
  gArchive = load("ARCHIVE", 1, &archiveSize);
  bool whole = SetupIsWhole(module, byName ? path.c_str() : nullptr);
  gConfig = gStrings = gArchive = nullptr;
  FreeLibrary(module);
  return whole;
}

class IntegrityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(SampleSetup().empty()) << "SETUP_PROGRAM names the sample setup";
    base_ = FreshTestFolder("integrity");
    resources_ = ProductResources(SampleSetup());
    ASSERT_EQ(resources_.size(), 4u);
  }
  void TearDown() override { RemoveTree(base_); }

  // A copy of the sample setup with a CHECKSUM resource over its own resources and
  // its PE checksum set, as the builder makes it.
  std::string SealedCopy(const std::string& name) {
    const std::string copy = base_ + "\\" + name;
    EXPECT_TRUE(CopyFileA(SampleSetup().c_str(), copy.c_str(), FALSE));
    const std::vector<uint8_t> table = ChecksumTable(resources_);
    EXPECT_TRUE(WriteResources(copy, {}, &table));
    SetPeChecksum(copy);
    return copy;
  }

  std::string base_;
  std::vector<Resource> resources_;
};

TEST_F(IntegrityTest, DamageToTheFileOrItsResourcesIsFound) {
  struct Case {
    const char* what;
    bool (*damage)(const std::vector<Resource>& own, const std::string& copy);  // false: failed
    bool whole;
  };
  const Case cases[] = {
      {"sealed as built", [](const std::vector<Resource>&, const std::string&) { return true; }, true},
      {"a byte of the payload changed, checksum left",
       [](const std::vector<Resource>&, const std::string& copy) {
         const Resource archive = ProductResources(copy).back();
         FlipByte(copy, archive.fileOffset + archive.bytes.size() / 2);
         return true;
       },
       false},
      {"a byte of the payload changed, checksum set again",
       [](const std::vector<Resource>&, const std::string& copy) {
         const Resource archive = ProductResources(copy).back();
         FlipByte(copy, archive.fileOffset + archive.bytes.size() / 2);
         SetPeChecksum(copy);
         return true;
       },
       false},
      {"two file sizes traded, checksum set again",
       [](const std::vector<Resource>&, const std::string& copy) {
         Resource config = ProductResources(copy).front();
         uint8_t* table = config.bytes.data() + ReadLittleWord(config.bytes.data() + 4 * wordFileTable);
         uint8_t first[4];
         std::memcpy(first, table + fileSize, 4);
         std::memcpy(table + fileSize, table + kFileRecordSize + fileSize, 4);
         std::memcpy(table + kFileRecordSize + fileSize, first, 4);
         if (!WriteResources(copy, {config}, nullptr)) return false;
         SetPeChecksum(copy);
         return true;
       },
       false},
      {"a byte of the program code changed",
       [](const std::vector<Resource>&, const std::string& copy) {
         FlipByte(copy, 0x600);
         return true;
       },
       false},
      {"the table leaves out the loaded texts",
       [](const std::vector<Resource>& own, const std::string& copy) {
         std::vector<Resource> some = {own[0], own[3]};
         const std::vector<uint8_t> table = ChecksumTable(some);
         if (!WriteResources(copy, {}, &table)) return false;
         SetPeChecksum(copy);
         return true;
       },
       false},
      {"a table cut short",
       [](const std::vector<Resource>& own, const std::string& copy) {
         std::vector<uint8_t> table = ChecksumTable(own);
         table.pop_back();
         if (!WriteResources(copy, {}, &table)) return false;
         SetPeChecksum(copy);
         return true;
       },
       false},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string copy = SealedCopy("case" + std::to_string(n++) + ".exe");
    ASSERT_TRUE(c.damage(resources_, copy));
    EXPECT_EQ(Whole(copy), c.whole);
  }
}

// A program file that cannot be opened by its name is no sign of damage; its
// resources still decide.
TEST_F(IntegrityTest, WithoutItsFileTheResourcesStillDecide) {
  const std::string code = SealedCopy("code.exe");
  FlipByte(code, 0x600);
  EXPECT_TRUE(Whole(code, false));
  EXPECT_FALSE(Whole(code));
  const std::string payload = SealedCopy("payload.exe");
  const Resource archive = ProductResources(payload).back();
  FlipByte(payload, archive.fileOffset + 10);
  EXPECT_FALSE(Whole(payload, false));
}

// Setups built before the builder sealed them carry neither: they are accepted.
TEST_F(IntegrityTest, AnUnsealedSetupIsAccepted) {
  const std::string copy = base_ + "\\unsealed.exe";
  ASSERT_TRUE(CopyFileA(SampleSetup().c_str(), copy.c_str(), FALSE));
  std::string bytes = ReadBytes(copy);
  const uint64_t field = PeChecksumFieldOffset(reinterpret_cast<const uint8_t*>(bytes.data()),
                                               bytes.size());
  ASSERT_NE(field, 0u);
  std::memset(&bytes[field], 0, 4);
  WriteBytes(copy, bytes);
  HMODULE module = LoadLibraryExA(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const bool sealed = FindResourceA(module, MAKEINTRESOURCEA(1), "CHECKSUM") != nullptr;
  FreeLibrary(module);
  if (sealed) GTEST_SKIP() << "the sample setup is sealed by its builder";
  EXPECT_TRUE(Whole(copy));
}

// A damaged setup says so before its wizard, and writes nothing.
TEST_F(IntegrityTest, ADamagedSetupRefusesToStart) {
  const std::string copy = SealedCopy("damaged.exe");
  const Resource archive = ProductResources(copy).back();
  FlipByte(copy, archive.fileOffset + 10);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + copy + "\"";
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             base_.c_str(), &startup, &process));
  MessageBoxSeen seen = AnswerMessageBox(process.dwThreadId, {}, IDOK, 20000);
  DWORD ended = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &ended);
  EXPECT_TRUE(seen.found) << (ended == STILL_ACTIVE ? std::string("the setup still runs")
                                                    : "the setup ended with " + std::to_string(ended));
  char* expected = LoadResourceText(IDS_SETUP_DAMAGED);
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(seen.text, expected);
  std::free(expected);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
