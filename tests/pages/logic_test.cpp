// The window-free parts of the component tree and the folder browser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/browse_path.h"
#include "ui/component_bits.h"

namespace {

TEST(ComponentBitsTest, ComponentIIsBitIMod8OfByteIDiv8) {
  struct Case {
    uint32_t component;
    std::vector<uint8_t> alone;  // the bitmap with only this component set
  };
  const Case cases[] = {
      {0, {0x01, 0x00}}, {3, {0x08, 0x00}}, {7, {0x80, 0x00}}, {8, {0x00, 0x01}}, {15, {0x00, 0x80}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.component);
    std::vector<uint8_t> bits = {0x00, 0x00};
    SetComponentSelected(bits.data(), c.component, true);
    EXPECT_EQ(bits, c.alone);
    EXPECT_TRUE(IsComponentSelected(bits.data(), c.component));

    std::vector<uint8_t> full = {0xFF, 0xFF};
    SetComponentSelected(full.data(), c.component, false);
    EXPECT_EQ(full[0] | c.alone[0], 0xFF);
    EXPECT_EQ(full[1] | c.alone[1], 0xFF);
    EXPECT_EQ(full[0] & c.alone[0], 0);
    EXPECT_EQ(full[1] & c.alone[1], 0);
    EXPECT_FALSE(IsComponentSelected(full.data(), c.component));
  }
}

TEST(ComponentBitsTest, AnySelectedLooksOnlyAtTheConfiguredComponents) {
  const std::vector<uint8_t> none = {0x00, 0x00};
  const std::vector<uint8_t> ninth = {0x00, 0x01};
  const std::vector<uint8_t> pastTheEnd = {0x00, 0xFE};  // bits of components 9-15
  EXPECT_FALSE(AnyComponentSelected(none.data(), 9));
  EXPECT_TRUE(AnyComponentSelected(ninth.data(), 9));
  EXPECT_FALSE(AnyComponentSelected(ninth.data(), 8));
  EXPECT_FALSE(AnyComponentSelected(pastTheEnd.data(), 9));
  EXPECT_FALSE(AnyComponentSelected(none.data(), 0));
}

std::vector<std::string> Components(const char* path) {
  std::vector<std::string> parts;
  for (const char* p = path; *p != 0;) {
    const size_t length = PathComponentLength(p);
    parts.emplace_back(p, length);
    p += length;
  }
  return parts;
}

TEST(BrowsePathTest, ComponentsKeepTheirBackslash) {
  struct Case {
    const char* path;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"C:\\Program Files\\X", {"C:\\", "Program Files\\", "X"}},
      {"C:\\Program Files\\X\\", {"C:\\", "Program Files\\", "X\\"}},  // nothing after the last one
      {"C:\\", {"C:\\"}},
      {"C:", {"C:"}},
      {"", {}},
      {"\\\\server\\share", {"\\", "\\", "server\\", "share"}},
      {"C:\\a\\\\b", {"C:\\", "a\\", "\\", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Components(c.path), c.parts);
  }
  // The browser splits the path after widening it.
  const char16_t wide[] = u"D:\\\u30D5\u30A9\u30EB\u30C0\\x";
  EXPECT_EQ(PathComponentLength(wide), 3u);
  EXPECT_EQ(PathComponentLength(wide + 3), 5u);
  EXPECT_EQ(PathComponentLength(wide + 8), 1u);
}

TEST(BrowsePathTest, ShellComparisonGivesOrderFromItsLow16Bits) {
  struct Case {
    int32_t result;
    int order;
  };
  const Case cases[] = {
      {0x0000FFFF, -1}, {0x00000000, 0}, {0x00000001, 1}, {0x00010000, 0},
      {0x7FFFFFFF, -1}, {0x00000002, 1}, {0x0000FFFE, 1}, {0x00008000, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    EXPECT_EQ(ShellCompareOrder(c.result), c.order);
  }
}

}  // namespace
