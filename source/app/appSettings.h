// The shell's settings: the values it reads at start-up and writes back, the program paths written
// at every start, the bank paths, the tool-window layout table and the Setup menu's switches. Every
// value goes through the program's settings object (the user key, then the machine key when the
// user key lacks it); a value of the wrong type counts as missing, and texts are cut to fit.
#pragma once
#include <cstddef>
#include <cstdint>

const int appPathChars = 260;  // texts of paths: at most this many characters

// Reads (user key, then machine key) a REG_DWORD; `fallback` when neither has one.
std::int32_t appReadInt(const char* name, std::int32_t fallback);
// Reads a text into `out` (capacity bytes, always terminated, longer texts cut); `fallback` (may be
// null: empty) when neither key has a text. True when a stored text was read.
bool appReadText(const char* name, const char* fallback, char* out, std::size_t capacity);
// Writes to the user key; a failed write is ignored.
void appWriteInt(const char* name, std::int32_t value);
void appWriteText(const char* name, const char* text);

// "MrDirPath", "SamplesPath" and "LibrariesPath" from the running executable's folder.
void appWriteProgramPaths();
// The folder (drive and folder, ending in a backslash) of `exePath`, cut to appPathChars characters.
void appProgramFolder(const char* exePath, char* out, std::size_t capacity);
// Reads "bankPath 9" down to "bankPath 0"; answers how many held a non-empty text.
int appReadBankPaths();
// "midiChan_01": -1 omni or 0..15; anything else (or nothing stored) is channel 0.
std::int16_t appReadMidiChannel();

// The window layout rows' ids: 127..134; row 130 alone takes its size from the settings too.
enum { appLayoutFirstId = 127, appLayoutSizedId = 130, appLayoutLastId = 134 };
struct WindowLayoutEntry {
  std::int32_t id, x, y, width, height, flag;
};
// Fills the eight rows (ids 127..134) from their fixed values and settings.
void appReadWindowLayout();
// The row of id 127..134, else null.
const WindowLayoutEntry* appWindowLayoutLookup(std::int32_t id);

struct AppSwitches {
  std::int32_t enablePgm;
  std::int32_t autoBalance;
  std::int32_t oneWindow;
  std::uint8_t read;  // set once the three were read
  std::uint8_t enableProgramChange;
  std::uint8_t oneWindowFlag;
  std::uint8_t mainPageExpanded;  // "brontavel 05": the Main page opens expanded
};
AppSwitches* appSwitches();
void appReadSwitches();
// 1: reads "brontavel 05"; 0: writes it.
void appMainPageStateIo(int read);
void appLoadSwitches();
void appApplySwitches();
void appSaveSwitches();
void appSaveSettings();
