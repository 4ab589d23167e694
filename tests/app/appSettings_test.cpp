// The shell's settings against a program key of this test process: defaults of an empty store, the
// machine key behind the user key, values of the wrong type, cut texts, the layout table, and the
// program folder of long paths.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "GPInit.h"
#include "GPRegistryKey.h"
#include "app/appSettings.h"

namespace {

std::string program() { return "MorvaneAppTest" + std::to_string(GetCurrentProcessId()); }
std::string userPath() { return std::string(RegistryKey::kUserRoot) + program(); }
std::string machinePath() { return std::string(RegistryKey::kMachineRoot) + program(); }

void store(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}
void storeInt(const char* name, DWORD value, bool machine = false) {
  store(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, machine ? machinePath() : userPath(), name, REG_DWORD, &value,
        4);
}
void storeText(const char* name, const std::string& text) {
  store(HKEY_CURRENT_USER, userPath(), name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gpIsInitialised()) gpInit(GP_VERSION, GP_BUILD);
    RegDeleteKeyA(HKEY_CURRENT_USER, userPath().c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, machinePath().c_str());
    gpOpenAppRegistry(program().c_str());
  }
  void TearDown() override {
    gpCloseAppRegistry();
    RegDeleteKeyA(HKEY_CURRENT_USER, userPath().c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, machinePath().c_str());
  }
};

TEST_F(Settings, AnEmptyStoreGivesTheDefaults) {
  appLoadSwitches();
  appApplySwitches();
  const AppSwitches* s = appSwitches();
  EXPECT_EQ(s->enableProgramChange, 1);
  EXPECT_EQ(s->autoBalance, 1);
  EXPECT_EQ(s->oneWindowFlag, 0);
  EXPECT_EQ(s->mainPageExpanded, 1);
  EXPECT_EQ(appReadMidiChannel(), 0);
  appReadWindowLayout();
  const int expected[8][6] = {{127, 0, 0, 1020, 760, 1},    {128, 61, 42, 644, 158, 1},   {129, 89, 104, 644, 158, 0},
                              {130, 118, 100, 820, 552, 0}, {131, 179, 115, 533, 364, 0}, {132, 128, 226, 433, 179, 0},
                              {133, 254, 138, 531, 240, 0}, {134, 146, 201, 615, 466, 0}};
  for (const auto& row : expected) {
    const WindowLayoutEntry* e = appWindowLayoutLookup(row[0]);
    ASSERT_NE(e, nullptr) << row[0];
    EXPECT_EQ((std::vector<int>{e->id, e->x, e->y, e->width, e->height, e->flag}), (std::vector<int>(row, row + 6)));
  }
  EXPECT_EQ(appWindowLayoutLookup(126), nullptr);
  EXPECT_EQ(appWindowLayoutLookup(135), nullptr);
}

TEST_F(Settings, UserKeyFirstThenMachineKeyAndWrongTypesCountAsMissing) {
  storeInt("midiChan_01", 3, true);
  EXPECT_EQ(appReadMidiChannel(), 3);
  storeInt("midiChan_01", 5);
  EXPECT_EQ(appReadMidiChannel(), 5);
  // A text where a number belongs is passed over: the machine key's number is used.
  store(HKEY_CURRENT_USER, userPath(), "midiChan_01", REG_SZ, "7", 2);
  EXPECT_EQ(appReadMidiChannel(), 3);
  // Bytes of another length are not a number either.
  const unsigned char two[2] = {9, 0};
  store(HKEY_CURRENT_USER, userPath(), "enablePgm", REG_BINARY, two, 2);
  EXPECT_EQ(appReadInt("enablePgm", 1), 1);
  store(HKEY_CURRENT_USER, userPath(), "brontavel 03", REG_DWORD, two, 2);
  EXPECT_EQ(appReadInt("brontavel 03", 61), 61);
  // A number where a text belongs.
  storeInt("bankPath 4", 77);
  char text[32];
  EXPECT_FALSE(appReadText("bankPath 4", "none", text, sizeof text));
  EXPECT_STREQ(text, "none");
}

TEST_F(Settings, ChannelsOutsideTheRangeReadAsZero) {
  const struct {
    DWORD stored;
    int expected;
  } cases[] = {{0, 0},
               {15, 15},
               {static_cast<DWORD>(-1), -1},
               {16, 0},
               {99, 0},
               {static_cast<DWORD>(-7), 0},
               {static_cast<DWORD>(-2), 0},
               {0xFFFF, 0},
               {0x10003, 0}};
  for (const auto& c : cases) {
    storeInt("midiChan_01", c.stored);
    EXPECT_EQ(appReadMidiChannel(), c.expected) << static_cast<int>(c.stored);
  }
}

TEST_F(Settings, LongTextsAreCutAndTerminated) {
  const std::string path = "C:\\banks\\" + std::string(291, 'b');  // 300 characters
  storeText("bankPath 3", path);
  char text[appPathChars + 1];
  std::memset(text, 'x', sizeof text);
  EXPECT_TRUE(appReadText("bankPath 3", "", text, sizeof text));
  EXPECT_EQ(std::strlen(text), static_cast<size_t>(appPathChars));
  EXPECT_EQ(std::string(text), path.substr(0, appPathChars));
  EXPECT_EQ(appReadBankPaths(), 1);
  // A stored text without its terminating zero ends where the data ends.
  store(HKEY_CURRENT_USER, userPath(), "bankPath 2", REG_SZ, "C:\\a.glo", 8);
  EXPECT_TRUE(appReadText("bankPath 2", "", text, sizeof text));
  EXPECT_STREQ(text, "C:\\a.glo");
  EXPECT_EQ(appReadBankPaths(), 2);
}

TEST_F(Settings, ProgramFolderOfAPath) {
  char folder[appPathChars + 1];
  const struct {
    std::string exe, folder;
  } cases[] = {{"C:\\Program Files\\Morvane\\Morvane.exe", "C:\\Program Files\\Morvane\\"},
               {"Z:\\x\\Morvane.exe", "Z:\\x\\"},
               {"C:Morvane.exe", "C:"},
               {"Morvane.exe", ""},
               {"", ""}};
  for (const auto& c : cases) {
    appProgramFolder(c.exe.c_str(), folder, sizeof folder);
    EXPECT_EQ(std::string(folder), c.folder) << c.exe;
  }
  // A path near 260 characters keeps its folder; one beyond is cut, never unterminated.
  const std::string nearFolder = "C:\\" + std::string(230, 'f') + "\\";
  appProgramFolder((nearFolder + "Morvane.exe").c_str(), folder, sizeof folder);
  EXPECT_EQ(std::string(folder), nearFolder);
  const std::string longPath = "C:\\" + std::string(300, 'g') + "\\Morvane.exe";
  appProgramFolder(longPath.c_str(), folder, sizeof folder);
  EXPECT_LE(std::strlen(folder), static_cast<size_t>(appPathChars));
}

TEST_F(Settings, SwitchesAndTheMainPageStateAreWrittenBack) {
  storeInt("enablePgm", 0);
  storeInt("oneWindow", 1);
  storeInt("brontavel 05", 0);
  appLoadSwitches();
  appApplySwitches();
  EXPECT_EQ(appSwitches()->enableProgramChange, 0);
  EXPECT_EQ(appSwitches()->oneWindowFlag, 1);
  EXPECT_EQ(appSwitches()->mainPageExpanded, 0);
  RegDeleteKeyA(HKEY_CURRENT_USER, userPath().c_str());
  gpCloseAppRegistry();
  gpOpenAppRegistry(program().c_str());
  appSaveSettings();
  EXPECT_EQ(appReadInt("enablePgm", 9), 0);
  EXPECT_EQ(appReadInt("oneWindow", 9), 1);
  EXPECT_EQ(appReadInt("autoBalance", 9), 1);
  EXPECT_EQ(appReadInt("brontavel 05", 9), 0);
}

}  // namespace
