// Where the setup program starts, without the C runtime's start-up: nothing here
// needs it (the command line is read from the system, nothing is left to atexit),
// and leaving it out keeps its code, its thread-local and unwind sections and their
// imports out of the program.
#include <windows.h>

#include <cstddef>

// The linker lists the constructors of globals between -1 and 0.
extern "C" void (*__CTOR_LIST__[])();

namespace {

// None are written today; should one come, it runs as the start-up would run it:
// last listed first.
void RunConstructors() {
  size_t count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  for (; count > 0; --count) __CTOR_LIST__[count]();
}

}  // namespace

extern "C" void SetupEntry() {
  RunConstructors();
  char none[] = "";
  ExitProcess(UINT(WinMain(GetModuleHandleA(nullptr), nullptr, none, SW_SHOWDEFAULT)));
}
