#include <gtest/gtest.h>

#include <cstring>

#include "config/config.h"
#include "config/product_data.h"
#include "config/state.h"
#include "support/config_fixture.h"

namespace {

class ShippedConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gConfig = config.bytes.data();
    gConfigSize = config.bytes.size();
    gStrings = strings.data();
    gStringsSize = strings.size();
    gSelectionBytes = SelectionBytesFor(ConfigWord(wordComponentCount));
  }
  ConfigImage config = ShippedConfig();
  std::vector<uint8_t> strings = MakeConfigStrings(ShippedStringList());
};

TEST_F(ShippedConfigTest, HeaderWordsAndTablesAsLaidOut) {
  ASSERT_EQ(config.bytes.size(), 976u);
  EXPECT_EQ(ConfigWord(wordComponentCount), 2u);
  EXPECT_EQ(ConfigWord(wordComponentTable), 548u);
  EXPECT_EQ(ConfigWord(wordPathPageTable), 572u);
  EXPECT_EQ(ConfigWord(wordShortcutTable), 592u);
  EXPECT_EQ(ConfigWord(wordFileTable), 724u);
  EXPECT_EQ(ConfigWord(wordPayloadCrc), 0x2CDC52F3u);
  EXPECT_EQ(ConfigWord(wordSetupTypeIcon + 1), 113u);
  EXPECT_EQ(ConfigRecord(wordComponentTable, kComponentRecordSize, 1), gConfig + 560);
  EXPECT_EQ(ConfigRecord(wordFileTable, kFileRecordSize, 5), gConfig + 924);
  EXPECT_EQ(RecordField(ConfigRecord(wordFileTable, kFileRecordSize, 1), fileSize), 70000u);
  EXPECT_EQ(RecordField(ConfigRecord(wordShortcutTable, kShortcutRecordSize, 2), shortcutBitmap),
            969u);
  EXPECT_EQ(CheckConfiguration(gConfig, gConfigSize, gStrings, gStringsSize), configOk);
}

TEST_F(ShippedConfigTest, StringNumbersResolveThroughTheOffsetArray) {
  EXPECT_EQ(ReadLittleWord(gStrings), 192u);  // 48 strings
  EXPECT_STREQ(ConfigString(ConfigWord(wordProductName)), "Quorbex32");
  EXPECT_STREQ(ConfigString(ConfigWord(wordMainProgramFile)), "quorbex.exe");
  EXPECT_STREQ(ConfigString(2), "");  // an empty string is a valid value
  EXPECT_STREQ(ConfigString(47), "");
  const uint8_t* page = ConfigRecord(wordPathPageTable, kPathPageRecordSize, 0);
  EXPECT_STREQ(ConfigString(RecordField(page, pathDefaultValue)), "$(ProgramFilesDir)\\Quorbex32");
}

TEST_F(ShippedConfigTest, FilesIntersectTheSelectionByAnyCommonBit) {
  const uint8_t first = 0x01, second = 0x02, none = 0x00;
  const bool expected[3][6] = {{true, false, false, true, true, true},
                               {false, true, true, false, true, true},
                               {false, false, false, false, false, false}};
  const uint8_t* selections[3] = {&first, &second, &none};
  for (int s = 0; s < 3; ++s) {
    for (uint32_t i = 0; i < 6; ++i) {
      uint32_t bitmap = RecordField(ConfigRecord(wordFileTable, kFileRecordSize, i), fileBitmap);
      EXPECT_EQ(SelectionIntersects(bitmap, selections[s]), expected[s][i]) << s << " " << i;
    }
  }
}

TEST(SelectionBitmap, LengthAndBitPositions) {
  EXPECT_EQ(SelectionBytesFor(0), 0u);
  EXPECT_EQ(SelectionBytesFor(1), 1u);
  EXPECT_EQ(SelectionBytesFor(8), 1u);
  EXPECT_EQ(SelectionBytesFor(9), 2u);

  // Nine components: component 8 is bit 0 of the second byte.
  ConfigImage c(kHeaderSize + 4);
  c.bytes[kHeaderSize] = 0x00;
  c.bytes[kHeaderSize + 1] = 0x01;
  gConfig = c.bytes.data();
  gSelectionBytes = 2;
  const uint8_t component8[2] = {0x00, 0x01}, component0[2] = {0x01, 0x00};
  EXPECT_TRUE(SelectionIntersects(kHeaderSize, component8));
  EXPECT_FALSE(SelectionIntersects(kHeaderSize, component0));
  uint8_t copy[2] = {0xFF, 0xFF};
  CopySelection(copy, kHeaderSize);
  EXPECT_EQ(copy[0], 0x00);
  EXPECT_EQ(copy[1], 0x01);

  // No components: bitmaps of no bytes intersect nothing.
  gSelectionBytes = SelectionBytesFor(0);
  const uint8_t all[1] = {0xFF};
  c.bytes[kHeaderSize] = 0xFF;
  EXPECT_FALSE(SelectionIntersects(kHeaderSize, all));
}

// Each damage a configuration can carry, and what the check names.
TEST(CheckConfiguration, RefusesWhatWouldBeReadOutsideTheResources) {
  struct Case {
    const char* what;
    void (*damage)(ConfigImage&, std::vector<uint8_t>&);
    ConfigProblem expected;
  };
  const Case cases[] = {
      {"header cut", [](ConfigImage& c, std::vector<uint8_t>&) { c.bytes.resize(200); },
       configNoHeader},
      {"no strings", [](ConfigImage&, std::vector<uint8_t>& s) { s.clear(); }, configBadStrings},
      {"last string unterminated",
       [](ConfigImage&, std::vector<uint8_t>& s) { s.back() = 'x'; }, configBadStrings},
      {"string offset past the end",
       [](ConfigImage&, std::vector<uint8_t>& s) { s[4 * 5 + 1] = 0x7F; }, configBadStrings},
      {"five setup types", [](ConfigImage& c, std::vector<uint8_t>&) { c.Word(wordSetupTypeCount, 5); },
       configBadLimit},
      {"no setup type", [](ConfigImage& c, std::vector<uint8_t>&) { c.Word(wordSetupTypeCount, 0); },
       configBadLimit},
      {"twelve path pages",
       [](ConfigImage& c, std::vector<uint8_t>&) { c.Word(wordPathPageCount, 12); }, configBadLimit},
      {"file table past the end",
       [](ConfigImage& c, std::vector<uint8_t>&) { c.Word(wordFileCount, 7); }, configTableOutside},
      {"huge count wraps no offset",
       [](ConfigImage& c, std::vector<uint8_t>&) { c.Word(wordShortcutCount, 0x10000000); },
       configTableOutside},
      {"file bitmap past the end",
       [](ConfigImage& c, std::vector<uint8_t>&) { c.Put(724 + fileBitmap, 976); },
       configBitmapOutside},
      {"nine components need two bitmap bytes",
       [](ConfigImage& c, std::vector<uint8_t>&) {
         c.Word(wordComponentCount, 9);
         c.Word(wordComponentTable, 244);  // nine records fit in the reserved area
       },
       configBitmapOutside},
      {"string number of a file",
       [](ConfigImage& c, std::vector<uint8_t>&) { c.Put(724 + fileTarget, 48); },
       configBadStringNumber},
      {"string number in the header",
       [](ConfigImage& c, std::vector<uint8_t>&) { c.Word(wordWelcomeText, 1000); },
       configBadStringNumber},
      {"payload over 2 GB",
       [](ConfigImage& c, std::vector<uint8_t>&) {
         c.Put(724 + fileSize, 0x7FFFFFFF);
         c.Put(764 + fileSize, 0x7FFFFFFF);
       },
       configBadLimit},
  };
  for (const Case& k : cases) {
    ConfigImage config = ShippedConfig();
    std::vector<uint8_t> strings = MakeConfigStrings(ShippedStringList());
    k.damage(config, strings);
    EXPECT_EQ(CheckConfiguration(config.bytes.data(), config.bytes.size(), strings.data(),
                                 strings.size()),
              k.expected)
        << k.what;
  }
}

TEST(CheckConfiguration, NoComponentsIsAValidConfiguration) {
  ConfigImage config = ShippedConfig();
  config.Word(wordComponentCount, 0);
  std::vector<uint8_t> strings = MakeConfigStrings(ShippedStringList());
  EXPECT_EQ(CheckConfiguration(config.bytes.data(), config.bytes.size(), strings.data(),
                               strings.size()),
            configOk);
}

// A CONFIG 3 with two file types and one sound event, all of its strings numbered
// below the shipped 48.
ConfigImage SmallProductData() {
  ConfigImage d(kProductDataHeaderSize + 2 * kFileTypeRecordSize + kSoundEventRecordSize);
  d.Word(productFlags, productWriteAppPath | productWriteUninstall);
  d.Word(productMainProgram, 32);
  d.Word(productUninstaller, 35);
  d.Word(productLog, 36);
  d.Word(productFileTypeCount, 2);
  d.Word(productFileTypeTable, kProductDataHeaderSize);
  d.Word(productSoundEventCount, 1);
  d.Word(productSoundEventTable, kProductDataHeaderSize + 2 * kFileTypeRecordSize);
  d.Word(productSoundApp, 1);
  d.Word(productSoundAppName, 1);
  for (uint32_t field = 0; field < 2 * kFileTypeRecordSize; field += 4) {
    d.Put(kProductDataHeaderSize + field, 40 + field / 4 % 8);
  }
  d.Put(kProductDataHeaderSize + fileTypeIconIndex, uint32_t(-117));  // not a string number
  return d;
}

TEST(CheckProductData, RefusesWhatWouldBeReadOutsideTheResources) {
  struct Case {
    const char* what;
    void (*damage)(ConfigImage& d);
    ConfigProblem expected;
  };
  const uint32_t events = kProductDataHeaderSize + 2 * kFileTypeRecordSize;
  static const Case cases[] = {
      {"whole", [](ConfigImage&) {}, configOk},
      {"header cut", [](ConfigImage& d) { d.bytes.resize(kProductDataHeaderSize - 4); }, configNoHeader},
      {"file types past the end", [](ConfigImage& d) { d.Word(productFileTypeCount, 3); },
       configTableOutside},
      {"huge event count", [](ConfigImage& d) { d.Word(productSoundEventCount, 0x20000000); },
       configTableOutside},
      {"path string number", [](ConfigImage& d) { d.Word(productLog, 48); }, configBadStringNumber},
      {"sound app string number", [](ConfigImage& d) { d.Word(productSoundApp, 1000); },
       configBadStringNumber},
      {"DDE topic of the second type",
       [](ConfigImage& d) { d.Put(kProductDataHeaderSize + kFileTypeRecordSize + fileTypeDdeTopic, 48); },
       configBadStringNumber},
  };
  for (const Case& k : cases) {
    ConfigImage data = SmallProductData();
    k.damage(data);
    std::vector<uint8_t> strings = MakeConfigStrings(ShippedStringList());
    EXPECT_EQ(CheckProductData(data.bytes.data(), data.bytes.size(), strings.data(), strings.size()),
              k.expected)
        << k.what;
  }
  // The label of the event, by itself.
  ConfigImage data = SmallProductData();
  data.Put(events + soundEventLabel, 48);
  std::vector<uint8_t> strings = MakeConfigStrings(ShippedStringList());
  EXPECT_EQ(CheckProductData(data.bytes.data(), data.bytes.size(), strings.data(), strings.size()),
            configBadStringNumber);
}

// Without CONFIG 3 the program registers the built-in values; with one, its own.
TEST(ProductData, BuiltInValuesOrTheResources) {
  std::vector<uint8_t> strings = MakeConfigStrings(ShippedStringList());
  gStrings = strings.data();
  gProductData = nullptr;
  EXPECT_STREQ(ProductString(productMainProgram), "$(Destination)\\quorbex.exe");
  EXPECT_STREQ(ProductString(productLog), "$(Destination)\\uninstal.l0g");
  EXPECT_STREQ(ProductString(productSoundApp), "TORVQuorbex32");
  EXPECT_TRUE(ProductWrites(productWriteUninstall));
  EXPECT_EQ(ProductFileTypeCount(), 18u);
  EXPECT_EQ(ProductSoundEventCount(), 2u);
  EXPECT_TRUE(ProductHasAssociations());

  ConfigImage data = SmallProductData();
  data.Word(productFlags, productWriteUninstall);
  gProductData = data.bytes.data();
  EXPECT_STREQ(ProductString(productMainProgram), ShippedStringList()[32].c_str());
  EXPECT_STREQ(ProductString(productUninstaller), ShippedStringList()[35].c_str());
  EXPECT_STREQ(ProductString(productSoundAppName), ShippedStringList()[1].c_str());
  EXPECT_FALSE(ProductWrites(productWriteAppPath));
  EXPECT_TRUE(ProductWrites(productWriteUninstall));
  EXPECT_EQ(ProductFileTypeCount(), 2u);
  data.Word(productFileTypeCount, 0);
  data.Word(productSoundEventCount, 0);
  EXPECT_FALSE(ProductHasAssociations());
  gProductData = nullptr;
  gStrings = nullptr;
}

}  // namespace

