// Reading registry values back in tests.
#pragma once

#include <windows.h>

#include <string>

// The string value, or "<missing>" when the key or value cannot be read as REG_SZ.
inline std::string ReadString(HKEY root, const std::string& subkey, const char* valueName = "") {
  HKEY key;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return "<missing>";
  }
  char buffer[4096];
  DWORD size = sizeof buffer;
  DWORD type = 0;
  LONG result =
      RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
  return std::string(buffer, size > 0 && buffer[size - 1] == '\0' ? size - 1 : size);
}
