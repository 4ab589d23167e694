// The settings object against the registry of the Wine prefix: scopes, value formats, bad data.
#include "GPRegistryKey.h"

#include "support/processRun.h"
#include "support/tempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// A program name of this process only, so that parallel runs do not meet.
std::string programName() { return "MorvaneTest" + std::to_string(GetCurrentProcessId()); }

std::string userPath() { return std::string(RegistryKey::kUserRoot) + programName(); }
std::string machinePath() { return std::string(RegistryKey::kMachineRoot) + programName(); }

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key.open(programName().c_str());
    ASSERT_TRUE(key.isOpened());
    ASSERT_NE(key.userKey(), nullptr);
    ASSERT_NE(key.machineKey(), nullptr);  // Wine runs the process with the right to write there
  }
  void TearDown() override {
    key.close();
    RegDeleteTreeA(HKEY_CURRENT_USER, userPath().c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, machinePath().c_str());
    // The maker's keys go too when no other program has values there (fails harmlessly otherwise).
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Veltrano");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Veltrano");
  }

  // Stores raw data under `name` of the user key, bypassing the settings object.
  void storeRaw(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(key.userKey(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  }

  RegistryKey key;
};

TEST_F(RegistryTest, ValuesRoundTripThroughTheUserKey) {
  ASSERT_TRUE(key.setInt("record time", -17, kScopeUser));
  ASSERT_TRUE(key.setBool("oneWindow", true, kScopeUser));
  ASSERT_TRUE(key.setFloat("surroundLfeGain", 0.75f, kScopeUser));
  ASSERT_TRUE(key.setString("SamplesPath", "C:\\Samples\\", kScopeUser));

  for (int scope : {kScopeUser, kScopeUserThenMachine}) {
    int32_t i = 0;
    bool b = false;
    float f = 0;
    std::string s;
    EXPECT_TRUE(key.getInt("record time", 5, i, scope));
    EXPECT_EQ(i, -17);
    EXPECT_TRUE(key.getBool("oneWindow", false, b, scope));
    EXPECT_TRUE(b);
    EXPECT_TRUE(key.getFloat("surroundLfeGain", 1.0f, f, scope));
    EXPECT_EQ(f, 0.75f);
    EXPECT_TRUE(key.getString("SamplesPath", "", s, scope));
    EXPECT_EQ(s, "C:\\Samples\\");
  }
  // The machine key does not have them.
  int32_t i = 0;
  EXPECT_FALSE(key.getInt("record time", 5, i, kScopeMachine));
  EXPECT_EQ(i, 5);

  // The stored formats: REG_DWORD of 4 bytes (a float as its bit pattern), REG_SZ with its zero.
  DWORD type = 0, word = 0, size = 4;
  ASSERT_EQ(RegQueryValueExA(key.userKey(), "surroundLfeGain", nullptr, &type, reinterpret_cast<BYTE*>(&word), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(word, 0x3F400000u);
  char text[64];
  size = sizeof text;
  ASSERT_EQ(RegQueryValueExA(key.userKey(), "SamplesPath", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(size, DWORD(std::strlen("C:\\Samples\\") + 1));
}

TEST_F(RegistryTest, ScopesChooseTheKey) {
  // Written with scope 2: the machine key.
  ASSERT_TRUE(key.setInt("enablePgm", 3, kScopeUserThenMachine));
  ASSERT_TRUE(key.setString("LibrariesPath", "D:\\Libs", kScopeMachine));

  struct Case {
    int scope;
    bool found;
  };
  for (const Case& c : {Case{kScopeUser, false}, Case{kScopeMachine, true}, Case{kScopeUserThenMachine, true}}) {
    int32_t i = -1;
    std::string s;
    EXPECT_EQ(key.getInt("enablePgm", 9, i, c.scope), c.found) << c.scope;
    EXPECT_EQ(i, c.found ? 3 : 9) << c.scope;
    EXPECT_EQ(key.getString("LibrariesPath", "none", s, c.scope), c.found) << c.scope;
    EXPECT_EQ(s, c.found ? "D:\\Libs" : "none") << c.scope;
  }

  // The user key wins over the machine key with scope 2.
  ASSERT_TRUE(key.setInt("enablePgm", 4, kScopeUser));
  int32_t i = 0;
  EXPECT_TRUE(key.getInt("enablePgm", 9, i, kScopeUserThenMachine));
  EXPECT_EQ(i, 4);
  EXPECT_TRUE(key.getInt("enablePgm", 9, i, kScopeMachine));
  EXPECT_EQ(i, 3);

  // Deleting follows the write rule: scope 2 deletes in the machine key.
  EXPECT_TRUE(key.deleteValue("enablePgm", kScopeUserThenMachine));
  EXPECT_FALSE(key.getInt("enablePgm", 9, i, kScopeMachine));
  EXPECT_TRUE(key.deleteValue("enablePgm", kScopeUser));
  EXPECT_FALSE(key.deleteValue("enablePgm", kScopeUser));
  EXPECT_FALSE(key.getInt("enablePgm", 9, i, kScopeUserThenMachine));
  EXPECT_EQ(i, 9);
}

TEST_F(RegistryTest, MissingValuesGiveTheDefault) {
  int32_t i = 1;
  bool b = false;
  float f = 0;
  std::string s = "old";
  EXPECT_FALSE(key.getInt("nothing", 42, i, kScopeUserThenMachine));
  EXPECT_EQ(i, 42);
  EXPECT_FALSE(key.getBool("nothing", true, b, kScopeUserThenMachine));
  EXPECT_TRUE(b);
  EXPECT_FALSE(key.getFloat("nothing", 2.5f, f, kScopeUserThenMachine));
  EXPECT_EQ(f, 2.5f);
  EXPECT_FALSE(key.getString("nothing", "default", s, kScopeUserThenMachine));
  EXPECT_EQ(s, "default");
  EXPECT_FALSE(key.getString("nothing", nullptr, s, kScopeUser));
  EXPECT_EQ(s, "");
}

TEST_F(RegistryTest, EmptyStringIsOneZeroByte) {
  ASSERT_TRUE(key.setString("MrDirPath", "", kScopeUser));
  ASSERT_TRUE(key.setString("bankPath 1", nullptr, kScopeUser));
  for (const char* name : {"MrDirPath", "bankPath 1"}) {
    DWORD type = 0, size = 16;
    BYTE data[16];
    ASSERT_EQ(RegQueryValueExA(key.userKey(), name, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(data[0], 0);
    std::string s = "x";
    EXPECT_TRUE(key.getString(name, "d", s, kScopeUser));
    EXPECT_EQ(s, "");
  }
}

// Data stored by other programs or by hand: the reader takes no more than what was stored.
TEST_F(RegistryTest, BadlyStoredValues) {
  // 300 characters do not fit the 256-byte buffer: the default comes back.
  const std::string longText(300, 'q');
  storeRaw("long", REG_SZ, longText.c_str(), DWORD(longText.size() + 1));
  std::string s;
  EXPECT_FALSE(key.getString("long", "short", s, kScopeUser));
  EXPECT_EQ(s, "short");
  // 254 characters and the terminator are the longest readable text; 255 and the terminator fill the
  // 256-byte buffer and count as missing, and the machine key is asked next.
  const std::string fits(254, 'r');
  storeRaw("fits", REG_SZ, fits.c_str(), DWORD(fits.size() + 1));
  EXPECT_TRUE(key.getString("fits", "", s, kScopeUser));
  EXPECT_EQ(s, fits);
  const std::string tooLong(255, 'r');
  storeRaw("tooLong", REG_SZ, tooLong.c_str(), DWORD(tooLong.size() + 1));
  EXPECT_FALSE(key.getString("tooLong", "d", s, kScopeUser));
  EXPECT_EQ(s, "d");
  ASSERT_TRUE(key.setString("tooLong", "machine", kScopeMachine));
  EXPECT_TRUE(key.getString("tooLong", "d", s, kScopeUserThenMachine));
  EXPECT_EQ(s, "machine");

  // Text without a terminator ends at the stored size, whatever lies behind it in memory.
  storeRaw("unterminated", REG_BINARY, "abcXYZ", 3);
  EXPECT_TRUE(key.getString("unterminated", "", s, kScopeUser));
  EXPECT_EQ(s, "abc");
  const std::string most(255, 'z');
  storeRaw("most", REG_BINARY, most.data(), 255);
  EXPECT_TRUE(key.getString("most", "", s, kScopeUser));
  EXPECT_EQ(s, most);
  // A text with an inner zero ends there.
  storeRaw("inner", REG_BINARY, "ab\0cd", 5);
  EXPECT_TRUE(key.getString("inner", "", s, kScopeUser));
  EXPECT_EQ(s, "ab");

  // A number stored longer than 4 bytes fails and gives the default; a shorter one is taken.
  const uint64_t wide = 0x1122334455667788ull;
  storeRaw("wide", REG_QWORD, &wide, 8);
  int32_t i = 0;
  EXPECT_FALSE(key.getInt("wide", 7, i, kScopeUser));
  EXPECT_EQ(i, 7);
  // A number of another type counts as missing: a byte, a text (once read as its character codes,
  // "9" as 57), 4 binary bytes; the machine key is asked next.
  const uint8_t one = 1;
  storeRaw("byte", REG_BINARY, &one, 1);
  bool b = false;
  EXPECT_FALSE(key.getBool("byte", false, b, kScopeUser));
  EXPECT_FALSE(b);
  storeRaw("digits", REG_SZ, "9", 2);
  EXPECT_FALSE(key.getInt("digits", 44100, i, kScopeUser));
  EXPECT_EQ(i, 44100);
  const uint32_t four = 48000;
  storeRaw("binary", REG_BINARY, &four, 4);
  EXPECT_FALSE(key.getInt("binary", 5, i, kScopeUser));
  EXPECT_EQ(i, 5);
  float f = 0.0f;
  EXPECT_FALSE(key.getFloat("digits", 0.5f, f, kScopeUser));
  EXPECT_EQ(f, 0.5f);
  ASSERT_TRUE(key.setInt("digits", 3, kScopeMachine));
  EXPECT_TRUE(key.getInt("digits", 0, i, kScopeUserThenMachine));
  EXPECT_EQ(i, 3);
}

TEST_F(RegistryTest, DeleteKeyRemovesTheWholeTree) {
  HKEY sub = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(key.userKey(), "Layout\\Pages\\Main", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
      ERROR_SUCCESS);
  RegSetValueExA(sub, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
  RegCloseKey(sub);
  ASSERT_EQ(RegCreateKeyExA(key.userKey(), "Layout\\Other", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(sub);

  EXPECT_TRUE(key.deleteKey("Layout", kScopeUser));
  EXPECT_NE(RegOpenKeyExA(key.userKey(), "Layout", 0, KEY_READ, &sub), ERROR_SUCCESS);
  EXPECT_FALSE(key.deleteKey("Layout", kScopeUser));  // missing now
  EXPECT_FALSE(key.deleteKey("", kScopeUser));        // never the program's own key
}

// What the settings object wrote is what the system's own tool sees.
TEST_F(RegistryTest, RegQuerySeesTheValues) {
  ASSERT_TRUE(key.setString("SamplesPath", "Z:\\tmp\\samples", kScopeUser));
  ASSERT_TRUE(key.setInt("midiChan_01", 0x2A, kScopeUser));
  ASSERT_TRUE(key.setInt("surroundMode", 6, kScopeMachine));
  key.flush();

  const std::string user = runAndCapture("reg.exe query \"HKCU\\" + userPath() + "\"", 30000);
  EXPECT_NE(user.find("SamplesPath"), std::string::npos) << user;
  EXPECT_NE(user.find("REG_SZ"), std::string::npos) << user;
  EXPECT_NE(user.find("Z:\\tmp\\samples"), std::string::npos) << user;
  EXPECT_NE(user.find("midiChan_01"), std::string::npos) << user;
  EXPECT_NE(user.find("0x2a"), std::string::npos) << user;
  EXPECT_EQ(user.find("surroundMode"), std::string::npos) << user;

  const std::string machine = runAndCapture("reg.exe query \"HKLM\\" + machinePath() + "\"", 30000);
  EXPECT_NE(machine.find("surroundMode"), std::string::npos) << machine;
  EXPECT_NE(machine.find("REG_DWORD"), std::string::npos) << machine;
}

TEST(AppRegistry, GlobalLifecycle) {
  EXPECT_EQ(gpSettings(), nullptr);
  EXPECT_TRUE(gpOpenAppRegistry(programName().c_str()));
  RegistryKey* settings = gpSettings();
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(settings->isOpened());
  EXPECT_TRUE(settings->setInt("autoBalance", 1, kScopeUser));
  EXPECT_FALSE(settings->unsupported(nullptr));
  EXPECT_TRUE(gpCloseAppRegistry());
  EXPECT_EQ(gpSettings(), nullptr);
  EXPECT_TRUE(gpCloseAppRegistry());  // a second close does nothing

  // The value outlived the object.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, userPath().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD word = 0, size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "autoBalance", nullptr, nullptr, reinterpret_cast<BYTE*>(&word), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(word, 1u);
  RegCloseKey(key);
  RegDeleteTreeA(HKEY_CURRENT_USER, userPath().c_str());
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, machinePath().c_str());
}

}  // namespace
