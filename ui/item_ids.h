// Item ID lists of the shell: a chain of items, each starting with its 16-bit size,
// ended by a zero size. Every list made here comes from gShellAllocator and goes
// back to it.
#pragma once

#include <windows.h>
#include <shlobj.h>

// The sum of the item sizes plus 2 for the terminator; 0 for none.
UINT ItemIdListSize(LPCITEMIDLIST list);
// The item after this one (the terminator after the last).
LPCITEMIDLIST NextItemId(LPCITEMIDLIST list);
// A one-level list of the first item; none when out of memory.
LPITEMIDLIST CopyFirstItemId(LPCITEMIDLIST list);
// first without its terminator, then second; either may be none, which counts as
// empty. None when out of memory.
LPITEMIDLIST ConcatItemIds(LPCITEMIDLIST first, LPCITEMIDLIST second);
void FreeItemIds(LPITEMIDLIST list);
