#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "text/run_log.h"

namespace {

HANDLE gRunLogFile = INVALID_HANDLE_VALUE;

void WriteBytes(const char* bytes, size_t n) {
  DWORD written = 0;
  WriteFile(gRunLogFile, bytes, DWORD(n), &written, nullptr);
}

// The code page text as UTF-8, line breaks made blanks.
void WriteText(const char* text) {
  const int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (wide <= 0) return;
  WCHAR* utf16 = static_cast<WCHAR*>(std::malloc(size_t(wide) * sizeof(WCHAR)));
  if (utf16 == nullptr) return;
  MultiByteToWideChar(CP_ACP, 0, text, -1, utf16, wide);
  for (int i = 0; i < wide; ++i) {
    if (utf16[i] == L'\r' || utf16[i] == L'\n') utf16[i] = L' ';
  }
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16, -1, nullptr, 0, nullptr, nullptr);
  char* utf8 = length > 0 ? static_cast<char*>(std::malloc(size_t(length))) : nullptr;
  if (utf8 != nullptr) {
    WideCharToMultiByte(CP_UTF8, 0, utf16, -1, utf8, length, nullptr, nullptr);
    WriteBytes(utf8, std::strlen(utf8));
  }
  std::free(utf8);
  std::free(utf16);
}

}  // namespace

bool OpenRunLog(const char* path) {
  CloseRunLog();
  gRunLogFile = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return gRunLogFile != INVALID_HANDLE_VALUE;
}

void CloseRunLog() {
  if (gRunLogFile != INVALID_HANDLE_VALUE) CloseHandle(gRunLogFile);
  gRunLogFile = INVALID_HANDLE_VALUE;
}

void RunLog(const char* what, const char* text) {
  if (gRunLogFile == INVALID_HANDLE_VALUE) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char stamp[32];
  int n = wsprintfA(stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth,
                    now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  WriteBytes(stamp, size_t(n));
  WriteText(what);
  if (text != nullptr) {
    WriteBytes(" ", 1);
    WriteText(text);
  }
  WriteBytes("\r\n", 2);
}
