// Helpers of the host's settings tests.
#include "hostSettings.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ABAudioManager.h"
#include "ABDeviceAccessors.h"
#include "GPInit.h"
#include "GPRegistryKey.h"

uint32_t firstMme(AudioManager* m) {
  for (uint32_t id : m->audioDevices) {
    std::string name;
    if (deviceName(id, &name) == 0 && name.compare(0, 4, "MME ") == 0) return id;
  }
  return 0;
}

void startHostSettings() {
  static bool started = false;
  if (started) return;
  started = true;
  if (!gpIsInitialised()) gpInit(GP_VERSION, GP_BUILD);
  gpOpenAppRegistry(settingsProgram().c_str());
}

std::string settingsProgram() {
  const char* given = std::getenv("MORVANE_SETTINGS_PROGRAM");  // a child process of a test
  if (given && *given) return given;
  return "MorvaneAbTest" + std::to_string(GetCurrentProcessId());
}

std::string settingsUserPath() { return std::string(RegistryKey::kUserRoot) + settingsProgram(); }

void clearSettings() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsUserPath().c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  for (;;) {
    char name[300];
    DWORD length = sizeof name;
    if (RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (RegDeleteValueA(key, name) != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
}

namespace {
bool query(const std::string& name, DWORD* type, std::vector<uint8_t>* data) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsUserPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  bool ok = RegQueryValueExA(key, name.c_str(), nullptr, type, nullptr, &size) == ERROR_SUCCESS;
  if (ok) {
    data->assign(size, 0);
    ok = RegQueryValueExA(key, name.c_str(), nullptr, type, data->data(), &size) == ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return ok;
}

void store(const std::string& name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsUserPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}
}  // namespace

bool storedInt(const std::string& name, int32_t* value) {
  DWORD type = 0;
  std::vector<uint8_t> data;
  if (!query(name, &type, &data) || type != REG_DWORD || data.size() != 4) return false;
  std::memcpy(value, data.data(), 4);
  return true;
}

bool storedText(const std::string& name, std::string* value) {
  DWORD type = 0;
  std::vector<uint8_t> data;
  if (!query(name, &type, &data) || type != REG_SZ) return false;
  value->assign(reinterpret_cast<const char*>(data.data()), data.size());
  const size_t end = value->find('\0');
  if (end != std::string::npos) value->resize(end);
  return true;
}

void storeInt(const std::string& name, int32_t value) { store(name, REG_DWORD, &value, 4); }

void storeText(const std::string& name, const std::string& value) {
  store(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void SineClient::process(float**, float** out, int, int nOut, int frames) {
  float** map = mapOutputs(out, nOut);
  const int rate = clientRate.load() > 0 ? clientRate.load() : 44100;
  const double step = 2.0 * 3.14159265358979323846 * 440.0 / rate;
  for (int f = 0; f < frames; ++f) {
    if (map[0]) map[0][f] = static_cast<float>(0.5 * std::sin(phase));
    if (map[1]) map[1][f] = 0.0f;
    phase += step;
  }
  phase = std::fmod(phase, 2.0 * 3.14159265358979323846);
  blocks.fetch_add(1);
}
