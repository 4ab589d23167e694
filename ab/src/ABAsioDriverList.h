// The ASIO drivers installed on the machine: read once from HKEY_LOCAL_MACHINE "software\asio", each
// entry an in-process COM server named by its class id. At most one driver is loaded at a time, as the
// process-wide driver that every host call uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ABAsioDriver.h"

// Makes a driver object for an entry without COM (tests). S_OK and *driver set, or a failure.
typedef HRESULT (*AsioDriverFactory)(void* context, IAsioDriver** driver);

enum AsioListResult {
  ASIO_LIST_OK = 0,
  ASIO_LIST_BAD_PARAMETER = -5001,
  ASIO_LIST_ALREADY_OPEN = -5002,
  ASIO_LIST_NO_DRIVER = -5003
};

class AsioDriverList {
 public:
  static const size_t kNameBytes = 128;  // display name, terminator included
  static const size_t kPathBytes = 512;
  static const int kLoadNameBytes = 32;  // names compared by loadDriver, as the list gives them out

  AsioDriverList() = default;
  // Releases every loaded driver and, when build initialised COM, uninitialises it.
  virtual ~AsioDriverList();
  AsioDriverList(const AsioDriverList&) = delete;
  AsioDriverList& operator=(const AsioDriverList&) = delete;

  // Reads the registry: every subkey whose "clsid" names a class registered under HKEY_CLASSES_ROOT
  // with an "InprocServer32" file that exists. Initialises COM for the thread when any is found.
  virtual void build();
  // Appends an entry whose driver the factory makes (tests inject drivers this way).
  void addEntry(const char* name, AsioDriverFactory factory, void* context);

  int count() const { return static_cast<int>(entries_.size()); }
  // The display name of entry i into a buffer of n bytes; a name that does not fit is cut to its
  // first n − 4 characters and "...". -5003 for a missing entry, -5001 without a buffer.
  int name(int index, char* buffer, int n) const;
  // Creates entry i's driver; -5002 when it is already open, -5003 when missing, -1000 when the
  // driver cannot be created (any failing COM result).
  int openEntry(int index);
  // Releases entry i's driver.
  int closeEntry(int index);
  // Closes the current driver and loads the one whose 32-byte name equals the name; on failure
  // loads the previous driver again. true when the named driver is loaded.
  bool loadDriver(const char* name);
  // Closes the current driver (nothing loaded afterwards).
  void closeCurrent();
  int currentIndex() const { return current_; }
  // Counts the drivers loaded so far: a host recognises the driver it loaded by this number.
  uint32_t loadCount() const { return loads_; }

  // The process-wide driver (null when none is loaded), and forgetting it without a release.
  static IAsioDriver* driver();
  static void forgetDriver();

 private:
  struct Entry {
    CLSID clsid;
    std::string path;
    std::string name;
    AsioDriverFactory factory = nullptr;
    void* context = nullptr;
    IAsioDriver* driver = nullptr;
  };
  int findByName(const char* name) const;

  std::vector<Entry> entries_;  // in registry order; an entry's index is its position
  int current_ = -1;
  uint32_t loads_ = 0;
  bool comInitialised_ = false;
};
