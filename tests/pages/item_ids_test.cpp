// Item ID lists built byte by byte: sizes, walking, copying and joining.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "config/state_win.h"
#include "ui/item_ids.h"

namespace {

using Bytes = std::vector<BYTE>;

// A list of items with the given payloads, each item prefixed with its 16-bit size.
Bytes MakeList(const std::vector<Bytes>& items) {
  Bytes list;
  for (const Bytes& payload : items) {
    const size_t size = payload.size() + 2;
    list.push_back(BYTE(size & 0xFF));
    list.push_back(BYTE(size >> 8));
    list.insert(list.end(), payload.begin(), payload.end());
  }
  list.push_back(0);
  list.push_back(0);
  return list;
}

LPCITEMIDLIST AsList(const Bytes& bytes) { return reinterpret_cast<LPCITEMIDLIST>(bytes.data()); }

// The list's bytes up to and including its terminator.
Bytes Take(LPITEMIDLIST list) {
  if (list == nullptr) return {};
  const BYTE* bytes = reinterpret_cast<const BYTE*>(list);
  Bytes copy(bytes, bytes + ItemIdListSize(list));
  FreeItemIds(list);
  return copy;
}

class ItemIdsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (gShellAllocator == nullptr) {
      ASSERT_TRUE(SUCCEEDED(SHGetMalloc(&gShellAllocator)));
    }
  }
};

const Bytes kEmpty = MakeList({});
const Bytes kOne = MakeList({{'a', 'b', 'c'}});
const Bytes kTwo = MakeList({{'d'}, Bytes(300, 'e')});  // a size above 255 needs both bytes
// Starts at an odd address, as items inside a list may.
const Bytes kOddPlaced = [] {
  Bytes b = {0xEE};
  const Bytes list = MakeList({{'x', 'y'}, {'z'}});
  b.insert(b.end(), list.begin(), list.end());
  return b;
}();

TEST_F(ItemIdsTest, SizeCountsItemsAndTerminator) {
  EXPECT_EQ(ItemIdListSize(nullptr), 0u);
  EXPECT_EQ(ItemIdListSize(AsList(kEmpty)), 2u);
  EXPECT_EQ(ItemIdListSize(AsList(kOne)), 7u);
  EXPECT_EQ(ItemIdListSize(AsList(kTwo)), 3u + 302u + 2u);
  EXPECT_EQ(ItemIdListSize(reinterpret_cast<LPCITEMIDLIST>(kOddPlaced.data() + 1)), 4u + 3u + 2u);
}

TEST_F(ItemIdsTest, NextStepsOverOneItem) {
  LPCITEMIDLIST second = NextItemId(AsList(kTwo));
  EXPECT_EQ(reinterpret_cast<const BYTE*>(second), kTwo.data() + 3);
  EXPECT_EQ(reinterpret_cast<const BYTE*>(NextItemId(second)), kTwo.data() + 3 + 302);
  EXPECT_EQ(ItemIdListSize(NextItemId(second)), 2u);
}

TEST_F(ItemIdsTest, CopyFirstAndConcatenateMakeNewLists) {
  const Bytes oddList(kOddPlaced.begin() + 1, kOddPlaced.end());
  struct Case {
    const char* name;
    LPITEMIDLIST made;
    Bytes expected;
  };
  const Case cases[] = {
      {"first of one", CopyFirstItemId(AsList(kOne)), kOne},
      {"first of two", CopyFirstItemId(AsList(kTwo)), MakeList({{'d'}})},
      {"first of a list at an odd address", CopyFirstItemId(reinterpret_cast<LPCITEMIDLIST>(kOddPlaced.data() + 1)),
       MakeList({{'x', 'y'}})},
      {"none then a list", ConcatItemIds(nullptr, AsList(kTwo)), kTwo},
      {"a list then none", ConcatItemIds(AsList(kOne), nullptr), kOne},
      {"two lists", ConcatItemIds(AsList(kOne), AsList(kTwo)), MakeList({{'a', 'b', 'c'}, {'d'}, Bytes(300, 'e')})},
      {"empty lists", ConcatItemIds(AsList(kEmpty), AsList(kEmpty)), kEmpty},
      {"odd address then a list", ConcatItemIds(reinterpret_cast<LPCITEMIDLIST>(kOddPlaced.data() + 1), AsList(kOne)),
       MakeList({{'x', 'y'}, {'z'}, {'a', 'b', 'c'}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Take(c.made), c.expected);
  }
  EXPECT_EQ(oddList, MakeList({{'x', 'y'}, {'z'}}));
}

}  // namespace
