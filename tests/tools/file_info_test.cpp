// What Windows reads about the sample product's setup program, read with Windows' own
// calls: the version information in English and Japanese, the manifest and the
// integrity records. SETUP_PROGRAM names the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring ProgramPath() {
  const char* program = std::getenv("SETUP_PROGRAM");
  std::string path = program != nullptr ? program : "";
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return std::wstring(path.begin(), path.end());
}

class FileInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << "cannot open SETUP_PROGRAM, error " << GetLastError();
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  std::vector<BYTE> Resource(LPCWSTR type, LPCWSTR name, WORD language) {
    HRSRC found = FindResourceExW(module_, type, name, language);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    const BYTE* data = static_cast<const BYTE*>(LockResource(loaded));
    return std::vector<BYTE>(data, data + SizeofResource(module_, found));
  }

  HMODULE module_ = nullptr;
};

std::wstring StringValue(std::vector<BYTE>& block, const std::wstring& table, const wchar_t* key) {
  void* value = nullptr;
  UINT length = 0;
  std::wstring path = L"\\StringFileInfo\\" + table + L"\\" + key;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || value == nullptr) return L"(none)";
  return std::wstring(static_cast<const wchar_t*>(value));
}

TEST_F(FileInfoTest, VersionInformationInBothLanguages) {
  struct Case {
    WORD language;
    const wchar_t* table;
    const wchar_t* company;
    const wchar_t* description;
    const wchar_t* copyright;
  };
  const Case cases[] = {
      {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), L"040904B0", L"Ovalis Software", L"Quorbex32 Setup",
       L"Copyright (C) 2026 Ovalis Software"},
      {MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), L"041104B0",
       L"\u30AA\u30F4\u30A1\u30EA\u30B9 \u30BD\u30D5\u30C8\u30A6\u30A7\u30A2", L"Quorbex32 \u30BB\u30C3\u30C8\u30A2\u30C3\u30D7",
       L"Copyright (C) 2026 \u30AA\u30F4\u30A1\u30EA\u30B9 \u30BD\u30D5\u30C8\u30A6\u30A7\u30A2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    std::vector<BYTE> block = Resource(MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), c.language);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(StringValue(block, c.table, L"CompanyName"), c.company);
    EXPECT_EQ(StringValue(block, c.table, L"FileDescription"), c.description);
    EXPECT_EQ(StringValue(block, c.table, L"LegalCopyright"), c.copyright);
    EXPECT_EQ(StringValue(block, c.table, L"ProductName"), L"Quorbex32");
    EXPECT_EQ(StringValue(block, c.table, L"FileVersion"), L"3.2.0.1");
    EXPECT_EQ(StringValue(block, c.table, L"ProductVersion"), L"3.2.0.1");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00030002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00030002u);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));

    DWORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(*translation, DWORD(c.language) | 1200u << 16);
  }
}

TEST_F(FileInfoTest, TheFileAsTheShellShowsIt) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(ProgramPath().c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(ProgramPath().c_str(), 0, size, block.data()));
  EXPECT_EQ(StringValue(block, L"040904B0", L"ProductVersion"), L"3.2.0.1");
}

TEST_F(FileInfoTest, ManifestAsksForAdministratorsAndKeepsTheClassicLook) {
  std::vector<BYTE> manifest = Resource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1), 0);
  ASSERT_FALSE(manifest.empty());
  std::string text(manifest.begin(), manifest.end());
  EXPECT_NE(text.find("<requestedExecutionLevel level=\"requireAdministrator\""), std::string::npos) << text;
  EXPECT_NE(text.find("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"), std::string::npos);
  EXPECT_EQ(text.find("Common-Controls"), std::string::npos);
}

TEST_F(FileInfoTest, IntegrityRecordsCoverTheConfigurationAndPayload) {
  std::vector<BYTE> records = Resource(L"CHECKSUM", MAKEINTRESOURCEW(1), 0);
  ASSERT_EQ(records.size(), 4u + 4 * 20u);
  EXPECT_EQ(records[0], 4);
}

}  // namespace
