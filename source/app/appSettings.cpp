#include "app/appSettings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "GPRegistryKey.h"
#include "app/appCommands.h"
#include "app/mainWindow.h"
#include "pages/pages.h"

namespace {

// The keys a read looks at, in order.
int readKeys(HKEY keys[2]) {
  RegistryKey* settings = gpSettings();
  int n = 0;
  if (!settings) return 0;
  if (settings->userKey()) keys[n++] = settings->userKey();
  if (settings->machineKey()) keys[n++] = settings->machineKey();
  return n;
}

// A stored text of `key` (REG_SZ or REG_EXPAND_SZ) cut into out; false when missing or of another type.
bool queryText(HKEY key, const char* name, char* out, std::size_t capacity) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::vector<char> data(static_cast<std::size_t>(size) + 1, 0);
  DWORD got = size;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) != ERROR_SUCCESS)
    return false;
  if (got > size) got = size;
  data[got] = 0;  // the stored data need not end with a zero
  std::snprintf(out, capacity, "%s", data.data());
  return true;
}

WindowLayoutEntry g_layout[8];
AppSwitches g_switches = {1, 1, 0, 0, 1, 0, 1};

}  // namespace

std::int32_t appReadInt(const char* name, std::int32_t fallback) {
  // The settings object's number reader: a value of another type counts as missing.
  std::int32_t value = fallback;
  if (RegistryKey* settings = gpSettings()) settings->getInt(name, fallback, value, kScopeUserThenMachine);
  return value;
}

bool appReadText(const char* name, const char* fallback, char* out, std::size_t capacity) {
  if (!out || capacity == 0) return false;
  HKEY keys[2];
  const int n = readKeys(keys);
  for (int k = 0; k < n; ++k)
    if (queryText(keys[k], name, out, capacity)) return true;
  std::snprintf(out, capacity, "%s", fallback ? fallback : "");
  return false;
}

void appWriteInt(const char* name, std::int32_t value) {
  if (RegistryKey* settings = gpSettings()) settings->setInt(name, value, kScopeUser);
}

void appWriteText(const char* name, const char* text) {
  if (RegistryKey* settings = gpSettings()) settings->setString(name, text ? text : "", kScopeUser);
}

void appProgramFolder(const char* exePath, char* out, std::size_t capacity) {
  if (!out || capacity == 0) return;
  out[0] = 0;
  if (!exePath) return;
  char path[appPathChars + 1];
  std::snprintf(path, sizeof path, "%s", exePath);
  char* slash = std::strrchr(path, '\\');
  char* other = std::strrchr(path, '/');
  if (!slash || (other && other > slash)) slash = other;
  if (slash)
    slash[1] = 0;
  else if (path[0] && path[1] == ':')
    path[2] = 0;  // "C:name.exe": the drive alone
  else
    path[0] = 0;
  std::snprintf(out, capacity, "%s", path);
}

void appWriteProgramPaths() {
  // One character more than a path may have: a longer path is seen as cut, never unterminated.
  char exe[appPathChars + 2] = {};
  GetModuleFileNameA(nullptr, exe, appPathChars + 1);
  exe[appPathChars] = 0;
  char folder[appPathChars + 1];
  appProgramFolder(exe, folder, sizeof folder);
  char text[appPathChars + 1];
  appWriteText("MrDirPath", folder);
  std::snprintf(text, sizeof text, "%sSamples\\", folder);
  appWriteText("SamplesPath", text);
  std::snprintf(text, sizeof text, "%sLibraries\\", folder);
  appWriteText("LibrariesPath", text);
}

int appReadBankPaths() {
  int found = 0;
  for (int n = 9; n >= 0; --n) {
    char name[16];
    std::snprintf(name, sizeof name, "bankPath %d", n);
    char path[appPathChars + 1];
    appReadText(name, "", path, sizeof path);
    if (!path[0]) continue;
    // The recent-file list of the File popup takes the paths (recentFilesLoad).
    ++found;
  }
  return found;
}

std::int16_t appReadMidiChannel() {
  const std::int32_t channel = appReadInt("midiChan_01", 0);
  return channel >= -1 && channel <= 15 ? static_cast<std::int16_t>(channel) : 0;
}

void appReadWindowLayout() {
  static const WindowLayoutEntry fixed[8] = {{127, 0, 0, 1020, 760, 1},    {128, 61, 42, 644, 158, 1},
                                             {129, 89, 104, 644, 158, 0},  {130, 118, 100, 820, 552, 0},
                                             {131, 179, 115, 533, 364, 0}, {132, 128, 226, 433, 179, 0},
                                             {133, 254, 138, 531, 240, 0}, {134, 146, 201, 615, 466, 0}};
  // The settings of x and y (and of id 130's size) by row; 0: fixed.
  static const int xy[8][2] = {{0, 0}, {3, 4}, {1, 2}, {6, 7}, {10, 11}, {12, 13}, {14, 15}, {16, 17}};
  for (int r = 0; r < 8; ++r) {
    g_layout[r] = fixed[r];
    if (!xy[r][0]) continue;
    char name[20];
    std::snprintf(name, sizeof name, "brontavel %02d", xy[r][0]);
    g_layout[r].x = appReadInt(name, fixed[r].x);
    std::snprintf(name, sizeof name, "brontavel %02d", xy[r][1]);
    g_layout[r].y = appReadInt(name, fixed[r].y);
    if (fixed[r].id == appLayoutSizedId) {
      g_layout[r].width = appReadInt("brontavel 09", fixed[r].width);
      g_layout[r].height = appReadInt("brontavel 08", fixed[r].height);
    }
  }
}

const WindowLayoutEntry* appWindowLayoutLookup(std::int32_t id) {
  if (id < appLayoutFirstId || id > appLayoutLastId) return nullptr;
  const WindowLayoutEntry& row = g_layout[id - appLayoutFirstId];
  return row.id == id ? &row : nullptr;
}

AppSwitches* appSwitches() { return &g_switches; }

void appReadSwitches() {
  g_switches.enablePgm = appReadInt("enablePgm", 1);
  g_switches.autoBalance = appReadInt("autoBalance", 1);
  g_switches.oneWindow = appReadInt("oneWindow", 0);
  g_switches.read = 1;
}

void appMainPageStateIo(int read) {
  // The Main page takes the expanded state at its next refresh; the value read is also kept here.
  const WinId win = static_cast<std::uint16_t>(mainWindowCurrentId());
  if (read) {
    g_switches.mainPageExpanded = appReadInt("brontavel 05", 1) != 0 ? 1 : 0;
    mainPageSetExpandPending(win, g_switches.mainPageExpanded);
  } else {
    if (mainWindowData(win)) g_switches.mainPageExpanded = mainPageGetExpanded(win);
    appWriteInt("brontavel 05", g_switches.mainPageExpanded);
  }
}

void appLoadSwitches() {
  appReadSwitches();
  appMainPageStateIo(1);
}

void appApplySwitches() {
  if (!g_switches.read) return;
  g_switches.enableProgramChange = g_switches.enablePgm != 0 ? 1 : 0;
  g_switches.oneWindowFlag = g_switches.oneWindow != 0 ? 1 : 0;
  appCheckMenuItem(3, 2, g_switches.enableProgramChange != 0);
  appCheckMenuItem(3, 3, g_switches.autoBalance != 0);
}

void appSaveSwitches() {
  appWriteInt("enablePgm", g_switches.enableProgramChange);
  // The main window's own flag; the value read stands in while the window has no data.
  const WinId win = mainWindowCurrentId();
  const bool on = mainWindowData(win) ? mainWinGetAutoBalance(win) != 0 : g_switches.autoBalance != 0;
  appWriteInt("autoBalance", on ? 1 : 0);
  appWriteInt("oneWindow", g_switches.oneWindowFlag);
}

void appSaveSettings() {
  appSaveSwitches();
  appMainPageStateIo(0);
}
