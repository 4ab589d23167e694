// The file-type registry: the standard table, registration batches and their roll-back, extension look-up.
#include "GPFileTypes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FileTypeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gpBuildFileTypes());
    ASSERT_FALSE(FileTypeRegistry::isOpen());
    types = FileTypeRegistry::typeCount();
    groups = FileTypeRegistry::groupCount();
  }
  void TearDown() override {
    // Every test leaves the registry as it found it.
    EXPECT_FALSE(FileTypeRegistry::isOpen());
    EXPECT_EQ(FileTypeRegistry::typeCount(), types);
    EXPECT_EQ(FileTypeRegistry::groupCount(), groups);
  }
  int types = 0;
  int groups = 0;
};

std::vector<std::string> extensionsOf(const FileTypeEntry* type) { return type->extensions(); }

TEST_F(FileTypeTest, StandardTypes) {
  struct Row {
    const char* singular;
    const char* plural;
    std::vector<std::string> extensions;
  };
  const Row rows[kStandardFileTypes] = {
      {"Unknown", "All Files", {"*"}},
      {"Directory", "Directories", {"*"}},
      {"Volume", "Volumes", {"*"}},
      {"WAV File", "WAV Files", {"wav"}},
      {"AIFF File", "AIFF Files", {"aif", "aiff"}},
      {"SD2 File", "SD2 Files", {"sd2"}},
      {"MIDI File", "MIDI Files", {"mid"}},
      {"Executable File", "Executable Files", {"exe", "com"}},
      {"Dynamic Link Library", "Dynamic Link Libraries", {"dll"}},
      {"GIF File", "GIF Files", {"gif"}},
      {"Bitmap File", "Bitmap Files", {"bmp"}},
      {"Picture File", "Picture Files", {"pic"}},
  };
  for (int i = 0; i < kStandardFileTypes; ++i) {
    const FileTypeEntry* type = gpFileType(i);
    ASSERT_NE(type, nullptr) << i;
    EXPECT_EQ(type->singular(), rows[i].singular);
    EXPECT_EQ(type->plural(), rows[i].plural);
    EXPECT_EQ(extensionsOf(type), rows[i].extensions) << i;
    // Each type is the only member of its own group, which carries its names.
    ASSERT_NE(type->ownGroup(), nullptr);
    EXPECT_EQ(type->ownGroup()->singular(), rows[i].singular);
    ASSERT_EQ(type->ownGroup()->members().size(), 1u);
    EXPECT_EQ(type->ownGroup()->members()[0], type);
  }
  EXPECT_EQ(gpFileType(-1), nullptr);
  EXPECT_EQ(gpFileType(kStandardFileTypes), nullptr);

  FileTypeRef ref;
  EXPECT_EQ(ref.get(), gpFileType(0));  // a holder is never empty
  ASSERT_TRUE(gpFileType(ref, 1));
  EXPECT_EQ(ref->singular(), "Directory");
  EXPECT_FALSE(gpFileType(ref, 12));
  EXPECT_EQ(ref->singular(), "Directory");
}

TEST_F(FileTypeTest, StandardGroups) {
  struct Row {
    const char* singular;
    const char* plural;
    std::vector<int> members;
  };
  const Row rows[kStandardFileTypeGroups] = {
      {"Unknown", "All Files", {0}},
      {"Audio File", "Audio Files", {3, 4}},
      {"Sample File", "Sample Files", {}},
      {"Bitmap File", "Bitmap Files", {}},
      {"Midi Sequence", "Midi Sequences", {6}},
  };
  for (int i = 0; i < kStandardFileTypeGroups; ++i) {
    const FileTypeGroup* group = gpFileTypeGroup(i);
    ASSERT_NE(group, nullptr) << i;
    EXPECT_EQ(group->singular(), rows[i].singular);
    EXPECT_EQ(group->plural(), rows[i].plural);
    ASSERT_EQ(group->members().size(), rows[i].members.size()) << i;
    for (size_t k = 0; k < rows[i].members.size(); ++k) EXPECT_EQ(group->members()[k], gpFileType(rows[i].members[k]));
  }
  EXPECT_EQ(gpFileTypeGroup(0), gpFileType(0)->ownGroup());
  EXPECT_EQ(gpFileTypeGroup(5), nullptr);
  EXPECT_EQ(gpFileTypeGroupOrDefault(nullptr), gpFileTypeGroup(0));
  EXPECT_EQ(gpFileTypeOrDefault(nullptr)->plural(), "All Files");  // the dialogs' label
  EXPECT_EQ(gpFileTypeOrDefault(gpFileType(3)), gpFileType(3));
}

// The application's registration at start-up and its removal at shut-down.
TEST_F(FileTypeTest, BatchRegistersAndRollsBack) {
  const FileTypeToken token = FileTypeRegistry::beginBatch();
  ASSERT_TRUE(token.isValid());
  EXPECT_EQ(token.typeCount, types);
  EXPECT_EQ(token.groupCount, groups);
  EXPECT_TRUE(FileTypeRegistry::isOpen());

  const FileTypeToken second = FileTypeRegistry::begin();  // one batch at a time
  EXPECT_EQ(second.sequence, -1);
  EXPECT_EQ(second.typeCount, -1);
  EXPECT_EQ(second.groupCount, -1);

  FileTypeGroup* group = FileTypeRegistry::addGroup("Morvane file", "Morvane files");
  ASSERT_NE(group, nullptr);
  FileTypeEntry* bank = gpRegisterFileType("Morvane file", "Morvane files", "glo", "Pbnk", group);
  ASSERT_NE(bank, nullptr);
  ASSERT_EQ(group->members().size(), 1u);
  EXPECT_EQ(group->members()[0], bank);
  // The code is kept; a group's codes are its members'; the standard types have none.
  EXPECT_EQ(bank->code(), 0x50626E6Bu);
  EXPECT_EQ(group->codes(), std::vector<uint32_t>{0x50626E6Bu});
  EXPECT_EQ(bank->ownGroup()->codes(), std::vector<uint32_t>{0x50626E6Bu});
  for (int i = 0; i < kStandardFileTypes; ++i) EXPECT_EQ(gpFileType(i)->code(), 0u);
  EXPECT_TRUE(gpFileTypeGroup(1)->codes().empty());
  EXPECT_EQ(FileTypeRegistry::typeCount(), types + 1);
  EXPECT_EQ(FileTypeRegistry::groupCount(), groups + 2);  // the named group and the type's own

  // A stale token neither closes nor removes.
  FileTypeToken stale = token;
  stale.typeCount += 1;
  FileTypeRegistry::end(stale);
  EXPECT_TRUE(FileTypeRegistry::isOpen());
  FileTypeRegistry::removeBatch(token);  // not while open
  EXPECT_EQ(FileTypeRegistry::typeCount(), types + 1);

  FileTypeRegistry::endBatch(token);
  EXPECT_FALSE(FileTypeRegistry::isOpen());
  EXPECT_EQ(FileTypeRegistry::addGroup("Late", "Late"), nullptr);  // outside a batch
  EXPECT_EQ(gpRegisterFileType("Late", "Late", "late", "Late", group), nullptr);
  EXPECT_EQ(group->members().size(), 1u);
  EXPECT_EQ(gpFileTypeForExtension("GLO"), bank);

  FileTypeRegistry::rollback(FileTypeToken());  // the invalid token does nothing
  EXPECT_EQ(FileTypeRegistry::typeCount(), types + 1);
  FileTypeRegistry::removeBatch(token);
  EXPECT_EQ(FileTypeRegistry::typeCount(), types);
  EXPECT_EQ(FileTypeRegistry::groupCount(), groups);
  EXPECT_EQ(gpFileTypeForExtension("glo"), gpFileType(0));
  EXPECT_EQ(gpFileType(4)->singular(), "AIFF File");  // the standard ones stay
}

// Only the last batch can be removed: registrations are undone in reverse order.
TEST_F(FileTypeTest, OnlyTheLastBatchRollsBack) {
  const FileTypeToken first = FileTypeRegistry::begin();
  FileTypeRegistry::addType("First", "Firsts", "one", "Frst");
  FileTypeRegistry::end(first);
  const FileTypeToken second = FileTypeRegistry::begin();
  FileTypeRegistry::addType("Second", "Seconds", "two", "Scnd");
  FileTypeRegistry::end(second);
  EXPECT_EQ(first.sequence + 1, second.sequence);

  FileTypeRegistry::rollback(first);
  EXPECT_EQ(FileTypeRegistry::typeCount(), types + 2);
  FileTypeRegistry::rollback(second);
  EXPECT_EQ(FileTypeRegistry::typeCount(), types + 1);
  FileTypeRegistry::rollback(first);  // no longer the last token issued
  EXPECT_EQ(FileTypeRegistry::typeCount(), types + 1);

  // Clean up through a new batch's type count, which the registry rolls back to.
  FileTypeToken cleanup = FileTypeRegistry::begin();
  FileTypeRegistry::end(cleanup);
  cleanup.typeCount = types;
  cleanup.groupCount = groups;
  FileTypeRegistry::rollback(cleanup);
}

TEST_F(FileTypeTest, ExtensionLookUp) {
  struct Case {
    const char* extension;
    int standard;  // index, or -1 for null (ambiguous)
  };
  const Case cases[] = {
      {"wav", 3}, {"WAV", 3}, {"Aif", 4}, {"aiff", 4}, {"com", 7},  {"dll", 8},
      {"xyz", 0}, {"", 0},    {"*", -1},  {"wa", 0},   {"wavx", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(gpFileTypeForExtension(c.extension), c.standard < 0 ? nullptr : gpFileType(c.standard)) << c.extension;
  EXPECT_EQ(gpFileTypeForExtension(nullptr), gpFileType(0));

  // A second type with the same extension makes it ambiguous.
  const FileTypeToken token = FileTypeRegistry::begin();
  FileTypeRegistry::addType("Other Wave", "Other Waves", "Wav", "OWav");
  FileTypeRegistry::end(token);
  EXPECT_EQ(gpFileTypeForExtension("wav"), nullptr);
  FileTypeRegistry::rollback(token);
  EXPECT_EQ(gpFileTypeForExtension("wav"), gpFileType(3));
}

}  // namespace

TEST(FileTypeCode, FourCharactersOnly) {
  const struct {
    const char* text;
    uint32_t code;
  } cases[] = {{"Pbnk", 0x50626E6Bu},
               {"ABCD", 0x41424344u},
               {"\xFF\x01\x02\x03", 0xFF010203u},
               {nullptr, 0},
               {"", 0},
               {"abc", 0},
               {"abcde", 0}};
  for (const auto& c : cases) EXPECT_EQ(gpFileTypeCode(c.text), c.code) << (c.text ? c.text : "(null)");
}
