// CONFIG 3 as the builder writes it: field by field for a small product, left out for
// the sample whose registrations are the built-in ones, and, when forced, saying
// exactly what a setup without it registers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>

#include <fstream>
#include <string>
#include <vector>

#include "config/builtin_product.h"
#include "config/config.h"
#include "config/product_data.h"
#include "tools/mksetup/description.h"
#include "tools/mksetup/layout.h"

namespace {

const char kProduct[] = R"(company = "C"
product = "Pad"
main_program = "pad.exe"
window_title = "Pad Setup"
uninstaller = true
app_path = false
log = '$(Data)\pad.l0g'
sound_app = "PadApp"
sound_app_name = { en = "Pad Sounds", ja = "パッド" }

[[components]]
id = "main"
name = "Main"

[[components]]
id = "extra"
name = "Extra"

[[setup_types]]
name = "Typical"
icon = 111
components = ["main"]
custom = true

[[path_pages]]
variable = "Destination"
default = '$(ProgramFilesDir)\Pad'
components = ["main"]

[[path_pages]]
variable = "Data"
default = '$(Destination)\Data'
components = ["main"]

[[files]]
source = "pad.exe"
target = '$(Destination)\bin\PAD.EXE'
components = ["main"]

[[file_types]]
extension = ".pad"
type = "Pad.Document"
name = { en = "Pad Document", ja = "パッド文書" }

[[file_types]]
extension = ".padx"
type = "Pad.Extra"
name = "Pad Extra"
icon = '$(Destination)\icons.dll'
icon_index = -7
command = '$(Destination)\bin\PAD.EXE /x "%1"'
dde = { command = '[open("%1")]', application = "PAD", topic = "system" }

[[sound_events]]
event = "PadSaved"
label = { en = "Saved", ja = "保存" }
)";

// The test runs in its source folder.
const std::string kSample = [] {
  char cwd[4096];
  return std::string(::getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".") + "/../../product/quorbex32";
}();

uint32_t Word(const std::vector<uint8_t>& data, size_t offset) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= uint32_t(data[offset + i]) << (8 * i);
  return value;
}

uint32_t StringCount(const std::vector<uint8_t>& strings) { return Word(strings, 0) / 4; }

std::string StringAt(const std::vector<uint8_t>& strings, uint32_t n) {
  EXPECT_LT(n, StringCount(strings));
  if (n >= StringCount(strings)) return "<none>";
  return reinterpret_cast<const char*>(strings.data() + Word(strings, 4 * size_t(n)));
}

class ProductDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mksetup-product-data-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    for (const char* name : {"pad.exe", "quorbex.exe", "uninstaller.exe"}) std::ofstream(dir_ + "/" + name) << name;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  ProductDescription Read(const std::string& text) {
    std::ofstream(dir_ + "/product.toml") << text;
    return ReadDescription(dir_ + "/product.toml", {});
  }

  // The sample product, its programs stood in for by small files.
  ProductDescription Sample(const std::string& change_from = "", const std::string& change_to = "") {
    std::ifstream in(kSample + "/product.toml");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(text.empty());
    if (!change_from.empty()) {
      size_t at = text.find(change_from);
      EXPECT_NE(at, std::string::npos) << change_from;
      if (at != std::string::npos) text.replace(at, change_from.size(), change_to);
    }
    for (const char* folder : {"texts", "docs"}) {
      EXPECT_EQ(::symlink((kSample + "/" + folder).c_str(), (dir_ + "/" + folder).c_str()) == 0 || errno == EEXIST, true);
    }
    return Read(text);
  }

  std::string dir_;
};

TEST_F(ProductDataTest, SmallProductFieldByField) {
  ProductDescription d = Read(kProduct);
  ASSERT_TRUE(d.uninstallerToAdd);
  AddUninstallerFile(d, dir_ + "/uninstaller.exe");
  ConfigResources r = LayOutConfiguration(d, 0);
  const std::vector<uint8_t>& p = r.productData;
  ASSERT_EQ(p.size(), kProductDataHeaderSize + 2 * kFileTypeRecordSize + kSoundEventRecordSize);

  for (const std::vector<uint8_t>* strings : {&r.englishStrings, &r.japaneseStrings}) {
    const bool english = strings == &r.englishStrings;
    SCOPED_TRACE(english ? "English" : "Japanese");
    auto text = [&](size_t offset) { return StringAt(*strings, Word(p, offset)); };
    EXPECT_EQ(Word(p, 4 * productFlags), uint32_t(productWriteUninstall));
    EXPECT_EQ(text(4 * productMainProgram), "$(Destination)\\bin\\PAD.EXE");
    EXPECT_EQ(text(4 * productUninstaller), "$(Destination)\\bin\\uninstaller.exe");
    EXPECT_EQ(text(4 * productLog), "$(Data)\\pad.l0g");
    EXPECT_EQ(Word(p, 4 * productFileTypeCount), 2u);
    EXPECT_EQ(Word(p, 4 * productFileTypeTable), kProductDataHeaderSize);
    EXPECT_EQ(Word(p, 4 * productSoundEventCount), 1u);
    EXPECT_EQ(Word(p, 4 * productSoundEventTable), kProductDataHeaderSize + 2 * kFileTypeRecordSize);
    EXPECT_EQ(text(4 * productSoundApp), "PadApp");
    EXPECT_EQ(text(4 * productSoundAppName), english ? "Pad Sounds" : "\x83\x70\x83\x62\x83\x68");
    for (int w = productSoundAppName + 1; w < kProductDataHeaderWords; ++w) EXPECT_EQ(Word(p, 4 * size_t(w)), 0u) << w;

    // Defaults: the main program's icon and "<program>" "%1", no DDE.
    size_t t = kProductDataHeaderSize;
    EXPECT_EQ(text(t + fileTypeExtension), ".pad");
    EXPECT_EQ(text(t + fileTypeName), "Pad.Document");
    EXPECT_EQ(text(t + fileTypeDisplayName), english ? "Pad Document" : "\x83\x70\x83\x62\x83\x68\x95\xB6\x8F\x91");
    EXPECT_EQ(text(t + fileTypeIconFile), "$(Destination)\\bin\\PAD.EXE");
    EXPECT_EQ(Word(p, t + fileTypeIconIndex), 0u);
    EXPECT_EQ(text(t + fileTypeOpenCommand), "\"$(Destination)\\bin\\PAD.EXE\" \"%1\"");
    for (int f : {fileTypeDdeCommand, fileTypeDdeApplication, fileTypeDdeTopic}) EXPECT_EQ(text(t + size_t(f)), "");

    t += kFileTypeRecordSize;
    EXPECT_EQ(text(t + fileTypeExtension), ".padx");
    EXPECT_EQ(text(t + fileTypeDisplayName), "Pad Extra");
    EXPECT_EQ(text(t + fileTypeIconFile), "$(Destination)\\icons.dll");
    EXPECT_EQ(int32_t(Word(p, t + fileTypeIconIndex)), -7);
    EXPECT_EQ(text(t + fileTypeOpenCommand), "$(Destination)\\bin\\PAD.EXE /x \"%1\"");
    EXPECT_EQ(text(t + fileTypeDdeCommand), "[open(\"%1\")]");
    EXPECT_EQ(text(t + fileTypeDdeApplication), "PAD");
    EXPECT_EQ(text(t + fileTypeDdeTopic), "system");

    t += kFileTypeRecordSize;
    EXPECT_EQ(text(t + soundEventName), "PadSaved");
    EXPECT_EQ(text(t + soundEventLabel), english ? "Saved" : "\x95\xDB\x91\xB6");
  }
  // Its strings come after all of CONFIG 1's: the last file's target is the last of those.
  const uint32_t lastFileTarget = Word(r.config, Word(r.config, 4 * wordFileTable) + kFileRecordSize + fileTarget);
  EXPECT_EQ(StringAt(r.englishStrings, lastFileTarget), "$(Destination)\\bin\\uninstaller.exe");
  EXPECT_GT(Word(p, 4 * productMainProgram), lastFileTarget);
  EXPECT_EQ(StringCount(r.englishStrings), StringCount(r.japaneseStrings));
}

TEST_F(ProductDataTest, NothingToRegisterIsSaidWithCountsOfZero) {
  std::string text = kProduct;
  text = text.substr(0, text.find("[[file_types]]"));
  text.replace(text.find("sound_app = \"PadApp\"\n"), 20, "");
  text.replace(text.find("uninstaller = true\n"), 19, "");
  ProductDescription d = Read(text);
  EXPECT_FALSE(d.uninstallerToAdd);
  std::vector<uint8_t> p = LayOutConfiguration(d, 0).productData;
  ASSERT_EQ(p.size(), kProductDataHeaderSize);
  EXPECT_EQ(Word(p, 4 * productFlags), 0u);
  EXPECT_EQ(Word(p, 4 * productFileTypeCount), 0u);
  EXPECT_EQ(Word(p, 4 * productSoundEventCount), 0u);
}

TEST_F(ProductDataTest, TheSampleHasNone) {
  ProductDescription d = Sample();
  EXPECT_FALSE(d.uninstallerToAdd);  // it lists the uninstaller itself
  ConfigResources r = LayOutConfiguration(d, 0x2CDC52F3);
  EXPECT_TRUE(r.productData.empty());
}

TEST_F(ProductDataTest, ForcedOnTheSampleItSaysWhatTheBuiltInsDo) {
  ProductDescription d = Sample();
  ConfigResources plain = LayOutConfiguration(d, 0x2CDC52F3);
  ConfigResources r = LayOutConfiguration(d, 0x2CDC52F3, true);
  EXPECT_EQ(r.config, plain.config);
  const std::vector<uint8_t>& p = r.productData;
  ASSERT_EQ(p.size(), kProductDataHeaderSize + kBuiltinFileTypeCount * kFileTypeRecordSize +
                          kBuiltinSoundEventCount * kSoundEventRecordSize);
  for (const bool english : {true, false}) {
    const std::vector<uint8_t>* strings = english ? &r.englishStrings : &r.japaneseStrings;
    const std::vector<uint8_t>* plainStrings = english ? &plain.englishStrings : &plain.japaneseStrings;
    SCOPED_TRACE(english ? "English" : "Japanese");
    // The strings before are kept, number for number.
    for (uint32_t n = 0; n < StringCount(*plainStrings); ++n)
      EXPECT_EQ(StringAt(*strings, n), StringAt(*plainStrings, n)) << n;
    auto text = [&](size_t offset) { return StringAt(*strings, Word(p, offset)); };
    EXPECT_EQ(Word(p, 4 * productFlags), uint32_t(productWriteAppPath | productWriteUninstall));
    EXPECT_EQ(text(4 * productMainProgram), kBuiltinMainProgram);
    EXPECT_EQ(text(4 * productUninstaller), kBuiltinUninstaller);
    EXPECT_EQ(text(4 * productLog), kBuiltinLog);
    EXPECT_EQ(text(4 * productSoundApp), kBuiltinSoundApp);
    EXPECT_EQ(text(4 * productSoundAppName), kBuiltinSoundAppName);
    ASSERT_EQ(Word(p, 4 * productFileTypeCount), uint32_t(kBuiltinFileTypeCount));
    for (int i = 0; i < kBuiltinFileTypeCount; ++i) {
      const BuiltinFileType& b = kBuiltinFileTypes[i];
      const size_t t = Word(p, 4 * productFileTypeTable) + size_t(i) * kFileTypeRecordSize;
      EXPECT_EQ(text(t + fileTypeExtension), b.extension);
      EXPECT_EQ(text(t + fileTypeName), b.typeName);
      EXPECT_EQ(text(t + fileTypeDisplayName),
                std::string(b.kind) + (english ? kBuiltinTypeWord : kBuiltinTypeWordJapanese));
      EXPECT_EQ(text(t + fileTypeIconFile), kBuiltinMainProgram);
      EXPECT_EQ(int32_t(Word(p, t + fileTypeIconIndex)), b.iconIndex) << b.extension;
      EXPECT_EQ(text(t + fileTypeOpenCommand), kBuiltinOpenCommand);
      EXPECT_EQ(text(t + fileTypeDdeCommand), kBuiltinDdeCommand);
      EXPECT_EQ(text(t + fileTypeDdeApplication), kBuiltinDdeApplication);
      EXPECT_EQ(text(t + fileTypeDdeTopic), kBuiltinDdeTopic);
    }
    ASSERT_EQ(Word(p, 4 * productSoundEventCount), uint32_t(kBuiltinSoundEventCount));
    for (int i = 0; i < kBuiltinSoundEventCount; ++i) {
      const BuiltinSoundEvent& b = kBuiltinSoundEvents[i];
      const size_t t = Word(p, 4 * productSoundEventTable) + size_t(i) * kSoundEventRecordSize;
      EXPECT_EQ(text(t + soundEventName), b.event);
      EXPECT_EQ(text(t + soundEventLabel), english ? b.english : b.japanese);
    }
  }
}

// Any one difference from the built-in registrations brings CONFIG 3 back.
TEST_F(ProductDataTest, OneDifferenceFromTheBuiltInsWritesIt) {
  const std::pair<const char*, const char*> changes[] = {
      {"uninstaller = true\n", "uninstaller = false\n"},
      {"uninstaller = true\n", "uninstaller = true\napp_path = false\n"},
      {"uninstaller = true\n", "uninstaller = true\nlog = '$(Destination)\\uninstal.log'\n"},
      {"sound_app_name = \"Quorbex32 Ovalis\"", "sound_app_name = { en = \"Quorbex32 Ovalis\", ja = \"Quorbex32\" }"},
      {"sound_app = \"TORVQuorbex32\"", "sound_app = \"TORVQuorbex\""},
      {"icon_index = -154", "icon_index = 154"},
      {"type = \"quorbex.tgz\"", "type = \"quorbex.gz\""},
      {"ja = \"Zip ｱｰｶｲﾌﾞ\"", "ja = \"Zip アーカイブ\""},
      {"application = \"QUORBEX\", topic = \"system\" }\n\n[[sound_events]]",
       "application = \"QUORBEX\", topic = \"System\" }\n\n[[sound_events]]"},
      {"label = { en = \"Complete Fail\", ja = \"失敗\" }", "label = { en = \"Complete Failure\", ja = \"失敗\" }"},
      {"\n[[sound_events]]\nevent = \"TORVQBOperationCompleteSuccess\"\nlabel = { en = \"Complete Success\", ja = \"成功\" }\n", "\n"},
  };
  for (const auto& [from, to] : changes) {
    ProductDescription d = Sample(from, to);
    EXPECT_FALSE(LayOutConfiguration(d, 0).productData.empty()) << from << " -> " << to;
  }
}

TEST_F(ProductDataTest, TheUninstallerJoinsTheFilesWithEveryComponent) {
  ProductDescription d = Read(kProduct);
  ASSERT_EQ(d.files.size(), 1u);
  AddUninstallerFile(d, dir_ + "/uninstaller.exe");
  ASSERT_EQ(d.files.size(), 2u);
  EXPECT_EQ(d.files[1].target, "$(Destination)\\bin\\uninstaller.exe");
  EXPECT_EQ(d.files[1].components, (std::vector<uint32_t>{0, 1}));
  EXPECT_EQ(d.files[1].size, 15u);
  EXPECT_THROW(AddUninstallerFile(d, dir_ + "/missing.exe"), std::runtime_error);

  // Listed under another spelling, it stays as listed and nothing is added.
  std::string listed = std::string(kProduct) +
                       "\n[[files]]\nsource = \"uninstaller.exe\"\ntarget = '$(DESTINATION)\\BIN\\Uninstaller.exe'\n"
                       "components = [\"extra\"]\n";
  listed.replace(listed.find("\n[[file_types]]"), 0, "");
  ProductDescription l = Read(listed);
  EXPECT_FALSE(l.uninstallerToAdd);
  EXPECT_EQ(l.files.size(), 2u);
}

}  // namespace
