#include "GPRegistryKey.h"

#include <cstring>

namespace {

std::unique_ptr<RegistryKey> g_settings;

// Reads `name` of `key` into `buffer` of `size` bytes; on success `size` is the stored byte count and
// `type` the stored type.
bool queryValue(HKEY key, const char* name, void* buffer, DWORD& size, DWORD& type) {
  if (!key) return false;
  return RegQueryValueExA(key, name, nullptr, &type, static_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
}

// The one reading of a stored number: a REG_DWORD of 4 bytes. A value of any other type or size (a
// text "9", a binary block) counts as missing, so its reader takes the default.
bool queryNumber(HKEY key, const char* name, uint32_t& out) {
  uint32_t word = 0;
  DWORD size = sizeof word;
  DWORD type = REG_NONE;
  if (!queryValue(key, name, &word, size, type) || type != REG_DWORD || size != sizeof word) return false;
  out = word;
  return true;
}

// Deletes `subkey` of `parent` and everything below it.
bool deleteTree(HKEY parent, const char* subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, subkey, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return false;
  for (;;) {
    char child[257];
    DWORD length = sizeof child;
    if (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;  // no subkey left
    if (!deleteTree(key, child)) {
      RegCloseKey(key);
      return false;
    }
  }
  RegCloseKey(key);
  return RegDeleteKeyA(parent, subkey) == ERROR_SUCCESS;
}

}  // namespace

RegistryKeyHolder::~RegistryKeyHolder() {
  if (handle) RegCloseKey(handle);
}

RegistryKey::~RegistryKey() { close(); }

void RegistryKey::open(const char* name) {
  close();
  const std::string program = name ? name : "";

  user_ = std::make_unique<RegistryKeyHolder>();
  HKEY key = nullptr;
  const std::string userPath = std::string(kUserRoot) + program;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, userPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) == ERROR_SUCCESS)
    user_->handle = key;

  machine_ = std::make_unique<RegistryKeyHolder>();
  key = nullptr;
  const std::string machinePath = std::string(kMachineRoot) + program;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, machinePath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) == ERROR_SUCCESS)
    machine_->handle = key;
  else if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, machinePath.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS)
    machine_->handle = key;  // a user without the right to write there still reads it

  opened_ = true;
}

void RegistryKey::close() {
  user_.reset();
  machine_.reset();
  opened_ = false;
}

bool RegistryKey::getWord(const char* name, uint32_t& out, int scope) {
  if ((scope == kScopeUser || scope == kScopeUserThenMachine) && queryNumber(userKey(), name, out)) return true;
  return (scope == kScopeMachine || scope == kScopeUserThenMachine) && queryNumber(machineKey(), name, out);
}

bool RegistryKey::getInt(const char* name, int32_t defaultValue, int32_t& out, int scope) {
  uint32_t word;
  if (getWord(name, word, scope)) {
    out = int32_t(word);
    return true;
  }
  out = defaultValue;
  return false;
}

bool RegistryKey::getBool(const char* name, bool defaultValue, bool& out, int scope) {
  uint32_t word;
  if (getWord(name, word, scope)) {
    out = word != 0;
    return true;
  }
  out = defaultValue;
  return false;
}

bool RegistryKey::getFloat(const char* name, float defaultValue, float& out, int scope) {
  uint32_t word;
  if (getWord(name, word, scope)) {
    std::memcpy(&out, &word, 4);
    return true;
  }
  out = defaultValue;
  return false;
}

bool RegistryKey::getString(const char* name, const char* defaultValue, std::string& out, int scope) {
  HKEY keys[2] = {nullptr, nullptr};
  if (scope == kScopeUser || scope == kScopeUserThenMachine) keys[0] = userKey();
  if (scope == kScopeMachine || scope == kScopeUserThenMachine) keys[1] = machineKey();
  for (HKEY key : keys) {
    char buffer[kStringBuffer];
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    // A text of the buffer's size or more (terminator included) cannot be read: it counts as missing.
    if (key && queryValue(key, name, buffer, size, type) && size < sizeof buffer) {
      // The stored data need not end with a zero: the text ends at the returned size or at its
      // first zero, whichever comes first.
      const void* zero = std::memchr(buffer, 0, size);
      out.assign(buffer, zero ? static_cast<const char*>(zero) - buffer : size_t(size));
      return true;
    }
  }
  out = defaultValue ? defaultValue : "";
  return false;
}

bool RegistryKey::setWord(const char* name, uint32_t value, int scope) {
  HKEY key = writeKey(scope);
  if (!key) return false;
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4) == ERROR_SUCCESS;
}

bool RegistryKey::setInt(const char* name, int32_t value, int scope) { return setWord(name, uint32_t(value), scope); }

bool RegistryKey::setBool(const char* name, bool value, int scope) { return setWord(name, value ? 1u : 0u, scope); }

bool RegistryKey::setFloat(const char* name, float value, int scope) {
  uint32_t word;
  std::memcpy(&word, &value, 4);
  return setWord(name, word, scope);
}

bool RegistryKey::setString(const char* name, const char* text, int scope) {
  HKEY key = writeKey(scope);
  if (!key) return false;
  if (!text) text = "";
  const DWORD size = DWORD(std::strlen(text) + 1);
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size) == ERROR_SUCCESS;
}

bool RegistryKey::deleteValue(const char* name, int scope) {
  HKEY key = writeKey(scope);
  return key && RegDeleteValueA(key, name) == ERROR_SUCCESS;
}

bool RegistryKey::deleteKey(const char* subkey, int scope) {
  HKEY key = writeKey(scope);
  return key && subkey && *subkey && deleteTree(key, subkey);  // never the program's key itself
}

void RegistryKey::flush() {
  if (userKey()) RegFlushKey(userKey());
  if (machineKey()) RegFlushKey(machineKey());
}

bool gpOpenAppRegistry(const char* name, uint32_t code) {
  (void)code;
  g_settings.reset();  // a second open replaces the first object
  g_settings = std::make_unique<RegistryKey>();
  g_settings->open(name);
  return true;
}

bool gpCloseAppRegistry() {
  if (g_settings) {
    g_settings->flush();
    g_settings.reset();
  }
  return true;
}

RegistryKey* gpSettings() { return g_settings.get(); }
