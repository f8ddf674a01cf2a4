#include "ui/item_ids.h"

#include <cstring>

#include "config/state_win.h"

namespace {

// Items start at any byte, so their size is read without assuming alignment.
USHORT ItemSize(LPCITEMIDLIST item) {
  USHORT size;
  std::memcpy(&size, item, sizeof size);
  return size;
}

LPITEMIDLIST Allocate(UINT size) { return static_cast<LPITEMIDLIST>(gShellAllocator->Alloc(size)); }

}  // namespace

UINT ItemIdListSize(LPCITEMIDLIST list) {
  if (list == nullptr) return 0;
  UINT size = 2;
  for (; ItemSize(list) != 0; list = NextItemId(list)) size += ItemSize(list);
  return size;
}

LPCITEMIDLIST NextItemId(LPCITEMIDLIST list) {
  return reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(list) + ItemSize(list));
}

LPITEMIDLIST CopyFirstItemId(LPCITEMIDLIST list) {
  const UINT size = ItemSize(list);
  LPITEMIDLIST copy = Allocate(size + 2);
  if (copy == nullptr) return nullptr;
  BYTE* bytes = reinterpret_cast<BYTE*>(copy);
  std::memcpy(bytes, list, size);
  bytes[size] = 0;
  bytes[size + 1] = 0;
  return copy;
}

LPITEMIDLIST ConcatItemIds(LPCITEMIDLIST first, LPCITEMIDLIST second) {
  const UINT firstSize = first != nullptr ? ItemIdListSize(first) - 2 : 0;
  const UINT secondSize = second != nullptr ? ItemIdListSize(second) - 2 : 0;
  LPITEMIDLIST joined = Allocate(firstSize + secondSize + 2);
  if (joined == nullptr) return nullptr;
  BYTE* bytes = reinterpret_cast<BYTE*>(joined);
  if (firstSize != 0) std::memcpy(bytes, first, firstSize);
  if (secondSize != 0) std::memcpy(bytes + firstSize, second, secondSize);
  bytes[firstSize + secondSize] = 0;
  bytes[firstSize + secondSize + 1] = 0;
  return joined;
}

void FreeItemIds(LPITEMIDLIST list) {
  if (list != nullptr) gShellAllocator->Free(list);
}
