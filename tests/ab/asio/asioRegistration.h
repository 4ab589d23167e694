// Registering a driver for the tests that reach the fake ASIO driver through COM: the server file
// under HKCR "CLSID\{…}\InprocServer32" and the driver list under HKLM "software\asio".
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

// The folder of the test program (the fake driver's server file lies beside it).
inline std::string exeDir() {
  char path[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p = path;
  return p.substr(0, p.find_last_of("\\/"));
}

// Writes a text value (value null: the key's default value), creating the key.
inline void setText(HKEY root, const std::string& key, const char* value, const std::string& text) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr), ERROR_SUCCESS) << key;
  RegSetValueExA(k, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
  RegCloseKey(k);
}

// The in-process server of a class, free-threaded.
inline void registerServer(const char* clsid, const std::string& file) {
  const std::string key = std::string("CLSID\\") + clsid + "\\InprocServer32";
  setText(HKEY_CLASSES_ROOT, key, nullptr, file);
  setText(HKEY_CLASSES_ROOT, key, "ThreadingModel", "Both");
}

// An entry of the driver list: its class and, when given, its description.
inline void listDriver(const char* subkey, const char* clsid, const char* description) {
  const std::string key = std::string("software\\asio\\") + subkey;
  setText(HKEY_LOCAL_MACHINE, key, "clsid", clsid);
  if (description) setText(HKEY_LOCAL_MACHINE, key, "description", description);
}
