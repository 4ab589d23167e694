// The ASIO driver list: registry scan, naming rule, loading one driver at a time through COM.
#include "ABAsioDriverList.h"

#include <objbase.h>

#include <atomic>
#include <cstring>

namespace {

std::atomic<IAsioDriver*> g_driver{nullptr};

// A REG_SZ value into a string; false when missing, not text, or longer than the room.
bool readText(HKEY key, const char* value, std::string& out, DWORD room) {
  std::vector<char> buffer(room + 1, 0);
  DWORD type = 0, size = room;
  if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
    return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  buffer[size < room ? size : room] = 0;
  out = buffer.data();
  return true;
}

// The server file of a class id registered under HKEY_CLASSES_ROOT "clsid", when the file exists.
bool serverPath(const std::string& clsidText, std::string& path) {
  std::string keyName = "clsid\\" + clsidText + "\\InprocServer32";
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyName.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  const bool ok = readText(key, nullptr, path, AsioDriverList::kPathBytes - 1);
  RegCloseKey(key);
  if (!ok || path.empty()) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool parseClsid(const std::string& text, CLSID& clsid) {
  wchar_t wide[64];
  if (text.size() >= 64) return false;
  if (MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, 64) == 0) return false;
  return SUCCEEDED(CLSIDFromString(wide, &clsid));
}

}  // namespace

IAsioDriver* AsioDriverList::driver() { return g_driver.load(); }
void AsioDriverList::forgetDriver() { g_driver.store(nullptr); }

AsioDriverList::~AsioDriverList() {
  for (size_t i = 0; i < entries_.size(); ++i) closeEntry(static_cast<int>(i));
  if (comInitialised_) CoUninitialize();
}

void AsioDriverList::build() {
  HKEY asio;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\asio", 0, KEY_READ, &asio) != ERROR_SUCCESS) return;
  for (DWORD i = 0;; ++i) {
    char subName[256];
    DWORD subLength = sizeof subName;
    const LONG r = RegEnumKeyExA(asio, i, subName, &subLength, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_MORE_DATA) continue;  // a subkey name too long for any driver
    if (r != ERROR_SUCCESS) break;
    HKEY sub;
    if (RegOpenKeyExA(asio, subName, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    Entry e;
    std::string clsidText;
    if (readText(sub, "clsid", clsidText, 63) && parseClsid(clsidText, e.clsid) && serverPath(clsidText, e.path)) {
      if (!readText(sub, "description", e.name, 4096)) e.name = subName;
      if (e.name.size() > kNameBytes - 1) e.name.resize(kNameBytes - 1);
      entries_.push_back(e);
    }
    RegCloseKey(sub);
  }
  RegCloseKey(asio);
  if (!entries_.empty() && !comInitialised_) {
    // A thread already initialised in another model keeps its model (and its own uninitialise).
    const HRESULT hr = CoInitialize(nullptr);
    comInitialised_ = SUCCEEDED(hr);
  }
}

void AsioDriverList::addEntry(const char* name, AsioDriverFactory factory, void* context) {
  Entry e;
  std::memset(&e.clsid, 0, sizeof e.clsid);
  e.name = name ? name : "";
  if (e.name.size() > kNameBytes - 1) e.name.resize(kNameBytes - 1);
  e.factory = factory;
  e.context = context;
  entries_.push_back(e);
}

int AsioDriverList::name(int index, char* buffer, int n) const {
  if (index < 0 || index >= count()) return ASIO_LIST_NO_DRIVER;
  if (!buffer || n <= 0) return ASIO_LIST_BAD_PARAMETER;
  const std::string& s = entries_[static_cast<size_t>(index)].name;
  if (static_cast<int>(s.size()) < n) {
    std::memcpy(buffer, s.c_str(), s.size() + 1);
  } else if (n >= 4) {
    std::memcpy(buffer, s.data(), static_cast<size_t>(n - 4));
    std::memcpy(buffer + n - 4, "...", 4);
  } else {
    buffer[0] = 0;  // no room for a cut name
  }
  return ASIO_LIST_OK;
}

int AsioDriverList::openEntry(int index) {
  if (index < 0 || index >= count()) return ASIO_LIST_NO_DRIVER;
  Entry& e = entries_[static_cast<size_t>(index)];
  if (e.driver) return ASIO_LIST_ALREADY_OPEN;
  IAsioDriver* d = nullptr;
  HRESULT hr;
  if (e.factory)
    hr = e.factory(e.context, &d);
  else
    hr = CoCreateInstance(e.clsid, nullptr, CLSCTX_INPROC_SERVER, e.clsid, reinterpret_cast<void**>(&d));
  // Any failure means the driver is unavailable (a missing server file may come back as "access
  // denied" rather than "not found").
  if (FAILED(hr) || !d) return ASIO_ERR_NOT_PRESENT;
  e.driver = d;
  return ASIO_LIST_OK;
}

int AsioDriverList::closeEntry(int index) {
  if (index < 0 || index >= count()) return ASIO_LIST_NO_DRIVER;
  Entry& e = entries_[static_cast<size_t>(index)];
  if (!e.driver) return ASIO_LIST_OK;
  if (g_driver.load() == e.driver) g_driver.store(nullptr);
  if (current_ == index) current_ = -1;
  IAsioDriver* d = e.driver;
  e.driver = nullptr;
  d->Release();
  return ASIO_LIST_OK;
}

int AsioDriverList::findByName(const char* name) const {
  if (!name) return -1;
  char formed[kLoadNameBytes];
  for (int i = 0; i < count(); ++i) {
    this->name(i, formed, kLoadNameBytes);
    if (std::strncmp(formed, name, kLoadNameBytes) == 0) return i;
  }
  return -1;
}

void AsioDriverList::closeCurrent() {
  if (current_ >= 0) closeEntry(current_);
  current_ = -1;
  g_driver.store(nullptr);
}

bool AsioDriverList::loadDriver(const char* name) {
  const int found = findByName(name);
  if (found < 0) return false;
  char previous[kLoadNameBytes] = {0};
  const int was = current_;
  if (was >= 0) this->name(was, previous, kLoadNameBytes);
  closeCurrent();
  if (openEntry(found) == ASIO_LIST_OK) {
    ++loads_;
    current_ = found;
    g_driver.store(entries_[static_cast<size_t>(found)].driver);
    return true;
  }
  // Bring the previous driver back.
  if (was >= 0 && was != found) {
    const int again = findByName(previous);
    if (again >= 0 && openEntry(again) == ASIO_LIST_OK) {
      ++loads_;
      current_ = again;
      g_driver.store(entries_[static_cast<size_t>(again)].driver);
    }
  }
  return false;
}
