// The program's settings keys as the program tests read them straight from the registry.
#pragma once
#include <windows.h>

#include <string>

inline const char kUserKey[] = "Software\\Veltrano\\Morvane";
inline const char kMachineKey[] = "SOFTWARE\\Veltrano\\Morvane";

// A DWORD value of the user key; false when it is missing or of another type.
inline bool storedInt(const char* name, DWORD* out) {
  DWORD size = 4, type = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  const bool ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) == ERROR_SUCCESS &&
                  type == REG_DWORD;
  RegCloseKey(key);
  return ok;
}

// A text value of the user key (up to 1023 bytes); false when it is missing or of another type.
inline bool storedText(const char* name, std::string* out) {
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  const bool ok =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
      type == REG_SZ;
  RegCloseKey(key);
  if (ok) *out = buffer;
  return ok;
}
