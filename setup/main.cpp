// The setup program's entry point.
#include <windows.h>

#include "setup/config.h"
#include "setup/state.h"
#include "setup/state_win.h"

namespace {

// Loads a resource of this program for the current thread's language.
const uint8_t* LoadProgramResource(const char* type, int number, DWORD* size) {
  HRSRC found = FindResourceA(gInstance, MAKEINTRESOURCEA(number), type);
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(gInstance, found);
  if (loaded == nullptr) return nullptr;
  *size = SizeofResource(gInstance, found);
  return static_cast<const uint8_t*>(LockResource(loaded));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  gInstance = instance;
  DWORD configSize = 0, stringsSize = 0, archiveSize = 0;
  gConfig = LoadProgramResource("CONFIG", 1, &configSize);
  gStrings = LoadProgramResource("CONFIG", 2, &stringsSize);
  gArchive = LoadProgramResource("ARCHIVE", 1, &archiveSize);
  gConfigSize = configSize;
  gStringsSize = stringsSize;
  gArchiveSize = archiveSize;
  // The wizard is assembled on top of this; until then the program only checks that
  // its resources can be read.
  if (gArchive == nullptr ||
      CheckConfiguration(gConfig, gConfigSize, gStrings, gStringsSize) != configOk) {
    MessageBoxA(nullptr, "This setup program is damaged.", "Setup", MB_OK | MB_ICONERROR);
  }
  return 0;
}
