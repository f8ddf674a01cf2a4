// Stand-in for the sample product's uninstaller: it names the log it was given and
// where it would read it from, and removes nothing.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  char folder[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(nullptr, folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) folder[0] = '\0';
  for (int i = lstrlenA(folder) - 1; i >= 0; --i) {
    if (folder[i] == '\\') {
      folder[i] = '\0';
      break;
    }
  }

  // wsprintfA writes at most 1024 characters.
  char text[1024];
  wsprintfA(text, "Uninstall log: %.300s\r\nIn folder: %.300s\r\n\r\nThis uninstaller is a stand-in "
            "and removes nothing.",
            commandLine != nullptr && commandLine[0] != '\0' ? commandLine : "(none given)", folder);
  MessageBoxA(nullptr, text, "Quorbex32 Uninstall", MB_OK | MB_ICONINFORMATION);
  return 0;
}
