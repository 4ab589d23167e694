// The settings object: values kept in the registry under a per-user and a per-machine key of the program.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// Where a value is read (and written).
enum SettingsScope {
  kScopeUser = 0,            // read the user key; write the user key
  kScopeMachine = 1,         // read the machine key; write the machine key
  kScopeUserThenMachine = 2  // read the user key, then the machine key; write the machine key
};

// Settings store interface.
class Settings {
 public:
  virtual ~Settings() = default;
  virtual bool getFloat(const char* name, float defaultValue, float& out, int scope) = 0;
  virtual bool getBool(const char* name, bool defaultValue, bool& out, int scope) = 0;
  virtual bool getInt(const char* name, int32_t defaultValue, int32_t& out, int scope) = 0;
  virtual bool getString(const char* name, const char* defaultValue, std::string& out, int scope) = 0;
  virtual bool setFloat(const char* name, float value, int scope) = 0;
  virtual bool setBool(const char* name, bool value, int scope) = 0;
  virtual bool setInt(const char* name, int32_t value, int scope) = 0;
  virtual bool setString(const char* name, const char* text, int scope) = 0;
  virtual bool deleteValue(const char* name, int scope) = 0;
  virtual bool deleteKey(const char* subkey, int scope) = 0;
  virtual bool unsupported(void* argument) = 0;
  virtual void flush() = 0;
};

// Owns one registry key handle and closes it when deleted.
class RegistryKeyHolder {
 public:
  RegistryKeyHolder() = default;
  ~RegistryKeyHolder();
  RegistryKeyHolder(const RegistryKeyHolder&) = delete;
  RegistryKeyHolder& operator=(const RegistryKeyHolder&) = delete;
  HKEY handle = nullptr;
};

class RegistryKey : public Settings {
 public:
  static constexpr const char* kUserRoot = "Software\\Veltrano\\";     // under HKEY_CURRENT_USER
  static constexpr const char* kMachineRoot = "SOFTWARE\\Veltrano\\";  // under HKEY_LOCAL_MACHINE
  static constexpr int kStringBuffer = 256;  // bytes; readable texts are shorter, terminator included

  RegistryKey() = default;
  ~RegistryKey() override;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Creates or opens the user key and the machine key of the program `name` (read-only when the
  // machine key cannot be opened for writing). The object counts as opened even when a key failed.
  void open(const char* name);
  void close();
  bool isOpened() const { return opened_; }
  HKEY userKey() const { return user_ ? user_->handle : nullptr; }
  HKEY machineKey() const { return machine_ ? machine_->handle : nullptr; }

  // The readers take the default (and answer false) when no key of the scope holds the value; a
  // number, boolean or float must be stored as REG_DWORD (a value of another type counts as missing).
  bool getFloat(const char* name, float defaultValue, float& out, int scope) override;
  bool getBool(const char* name, bool defaultValue, bool& out, int scope) override;
  bool getInt(const char* name, int32_t defaultValue, int32_t& out, int scope) override;
  bool getString(const char* name, const char* defaultValue, std::string& out, int scope) override;
  bool setFloat(const char* name, float value, int scope) override;
  bool setBool(const char* name, bool value, int scope) override;
  bool setInt(const char* name, int32_t value, int scope) override;
  bool setString(const char* name, const char* text, int scope) override;
  bool deleteValue(const char* name, int scope) override;
  bool deleteKey(const char* subkey, int scope) override;
  bool unsupported(void* argument) override { return false; }
  void flush() override;

 private:
  // Reads a number (REG_DWORD, 4 bytes) from the keys the scope names; a value of another type or
  // size counts as missing there.
  bool getWord(const char* name, uint32_t& out, int scope);
  bool setWord(const char* name, uint32_t value, int scope);
  // The key that a write with this scope goes to.
  HKEY writeKey(int scope) const { return scope == kScopeUser ? userKey() : machineKey(); }

  bool opened_ = false;
  std::unique_ptr<RegistryKeyHolder> user_;
  std::unique_ptr<RegistryKeyHolder> machine_;
};

// Creates the application's settings object, keeps it in the settings global and opens it with the
// program's name. `code` is accepted for callers that pass one and is not used. Returns true.
bool gpOpenAppRegistry(const char* name, uint32_t code = 0);
// Flushes and deletes the settings object and clears the global; does nothing when none is open.
bool gpCloseAppRegistry();
// The settings global: the application's settings object, or null outside gpOpenAppRegistry/Close.
RegistryKey* gpSettings();
