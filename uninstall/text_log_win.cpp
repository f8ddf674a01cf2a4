#include "uninstall/text_log_win.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

HANDLE gTextLog = INVALID_HANDLE_VALUE;

// Writes an ANSI text as UTF-8.
void WriteAnsiAsUtf8(const char* text) {
  int wideLength = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (wideLength <= 1) return;
  wchar_t* wide = static_cast<wchar_t*>(std::malloc(size_t(wideLength) * sizeof(wchar_t)));
  if (wide == nullptr) return;
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide, wideLength);
  int length = WideCharToMultiByte(CP_UTF8, 0, wide, wideLength - 1, nullptr, 0, nullptr, nullptr);
  char* utf8 = length > 0 ? static_cast<char*>(std::malloc(size_t(length))) : nullptr;
  if (utf8 != nullptr) {
    WideCharToMultiByte(CP_UTF8, 0, wide, wideLength - 1, utf8, length, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(gTextLog, utf8, DWORD(length), &written, nullptr);
  }
  std::free(utf8);
  std::free(wide);
}

}  // namespace

bool OpenTextLog(const char* path) {
  gTextLog = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return gTextLog != INVALID_HANDLE_VALUE;
}

void WriteTextLog(const char* first, const char* second, const char* third) {
  if (gTextLog == INVALID_HANDLE_VALUE) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char stamp[32];
  wsprintfA(stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
            now.wMinute, now.wSecond);
  WriteAnsiAsUtf8(stamp);
  WriteAnsiAsUtf8(first);
  WriteAnsiAsUtf8(second);
  WriteAnsiAsUtf8(third);
  WriteAnsiAsUtf8("\r\n");
}

void CloseTextLog() {
  if (gTextLog == INVALID_HANDLE_VALUE) return;
  CloseHandle(gTextLog);
  gTextLog = INVALID_HANDLE_VALUE;
}
