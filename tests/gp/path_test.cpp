// Paths: splitting and classification, building, existence and file-type detection.
#include "GPFileTypes.h"
#include "GPPath.h"

#include "support/tempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>

namespace {

class PathTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gpBuildFileTypes()); }
};

TEST_F(PathTest, SplitsAndClassifies) {
  struct Case {
    const char* text;
    const char* full;
    const char* volume;
    const char* directory;
    const char* name;
    const char* extension;
    int kind;
    int type;  // standard type index set by parsing, -1 for none
    bool strict;
  };
  const Case cases[] = {
      {"C:", "C:", "C:", "", "", "", kPathVolume, 2, true},
      {"c:", "c:", "c:", "", "", "", kPathVolume, 2, true},
      {"C:\\Samples\\", "C:\\Samples\\", "C:", "\\Samples\\", "", "", kPathDirectory, 1, true},
      {"C:\\Samples\\kick.WAV", "C:\\Samples\\kick.WAV", "C:", "\\Samples\\", "kick", "WAV", kPathFile, -1, true},
      {"C:/Samples/kick.wav", "C:\\Samples\\kick.wav", "C:", "\\Samples\\", "kick", "wav", kPathFile, -1, true},
      {"C:\\a.b\\c.tar.gz", "C:\\a.b\\c.tar.gz", "C:", "\\a.b\\", "c.tar", "gz", kPathFile, -1, true},
      {"C:\\Samples\\kick", "C:\\Samples\\kick", "C:", "\\Samples\\", "kick", "", kPathFile, -1, true},
      {"\\\\server\\share\\drums\\kick.wav", "\\\\server\\share\\drums\\kick.wav", "\\\\server\\share", "\\drums\\",
       "kick", "wav", kPathFile, -1, true},
      {"//server/share/kick.wav", "\\\\server\\share\\kick.wav", "\\\\server\\share", "\\", "kick", "wav", kPathFile,
       -1, true},
      {"\\\\server\\share", "\\\\server\\share", "\\\\server\\share", "", "", "", kPathVolume, 2, true},
      // A directory with an extension, and a file without a directory, are not valid strictly.
      {"C:\\Samples\\.cache", "C:\\Samples\\.cache", "C:", "\\Samples\\", "", "cache", kPathDirectory, 1, false},
      {"kick.wav", "kick.wav", "", "", "kick", "wav", kPathFile, -1, false},
      {"C:.wav", "C:.wav", "C:", "", "", "wav", kPathVolume, 2, false},
  };
  for (const Case& c : cases) {
    Path p(c.text);
    EXPECT_EQ(p.fullPath(), c.full) << c.text;
    EXPECT_EQ(p.volume(), c.volume) << c.text;
    EXPECT_EQ(p.directory(), c.directory) << c.text;
    EXPECT_EQ(p.name(), c.name) << c.text;
    EXPECT_EQ(p.extension(), c.extension) << c.text;
    EXPECT_EQ(p.kind(), c.kind) << c.text;
    EXPECT_EQ(p.fileType(), c.type < 0 ? nullptr : gpFileType(c.type)) << c.text;
    EXPECT_TRUE(p.parse(true)) << c.text;
    Path strict;
    EXPECT_EQ(strict.fromCString(c.text, false), c.strict) << c.text;
  }
}

TEST_F(PathTest, ExtensionFindsItsType) {
  Path p("C:\\Samples\\kick.WAV");
  EXPECT_EQ(gpFileTypeForExtension(p.extension().c_str())->singular(), "WAV File");
  Path q("C:\\Samples\\loop.aiff");
  EXPECT_EQ(gpFileTypeForExtension(q.extension().c_str())->singular(), "AIFF File");
}

TEST_F(PathTest, AssignCopiesKindAndType) {
  Path dir;
  dir.setKind(kPathDirectory);
  dir.fromString("C:\\Samples");  // a directory gets its closing backslash
  EXPECT_EQ(dir.fullPath(), "C:\\Samples\\");
  EXPECT_EQ(dir.directory(), "\\Samples\\");

  Path copy;
  copy.assign(dir);
  EXPECT_EQ(copy.fullPath(), dir.fullPath());
  EXPECT_EQ(copy.kind(), kPathDirectory);
  EXPECT_EQ(copy.fileType(), gpFileType(1));

  Path parts;
  parts.copyParts(Path("D:\\x\\y.z"));
  EXPECT_EQ(parts.name(), "y");
  EXPECT_EQ(parts.kind(), kPathUnknown);  // no parsing
  EXPECT_EQ(parts.joinParts(), "D:\\x\\");

  EXPECT_TRUE(parts.setFileType(gpFileType(3)));
  EXPECT_FALSE(parts.setFileType(gpFileType(3)));
}

TEST_F(PathTest, BuildsPaths) {
  Path file("C:\\Samples\\kick.wav");
  file.join("D:/Banks");
  EXPECT_EQ(file.fullPath(), "D:\\Banks\\kick.wav");
  EXPECT_EQ(file.kind(), kPathFile);
  file.join("Drums");  // no volume: the path keeps its own
  EXPECT_EQ(file.fullPath(), "D:\\Drums\\kick.wav");

  Path folder;
  folder.join("C:\\Samples");
  EXPECT_EQ(folder.fullPath(), "C:\\Samples\\");
  EXPECT_EQ(folder.kind(), kPathDirectory);
  EXPECT_EQ(folder.fileType(), gpFileType(1));

  Path drive;
  drive.setVolume("E:\\");
  EXPECT_EQ(drive.fullPath(), "E:\\");
  EXPECT_EQ(drive.volume(), "E:");
  EXPECT_EQ(drive.kind(), kPathVolume);
  EXPECT_EQ(drive.fileType(), gpFileType(2));

  struct Case {
    const char* volume;
    const char* directory;
    const char* name;
    const char* extension;
    const char* full;
  };
  const Case cases[] = {
      {"C:", "\\Samples\\", "kick", "wav", "C:\\Samples\\kick.wav"},
      {"C:", "Samples", "kick", "wav", "C:\\Samples\\kick.wav"},
      {"C:", "/Samples/Drums", "kick", "", "C:\\Samples\\Drums\\kick"},
      {"", "Samples", "kick", "wav", "Samples\\kick.wav"},
      {"\\\\server\\share", "drums", "kick", "aif", "\\\\server\\share\\drums\\kick.aif"},
  };
  for (const Case& c : cases) {
    Path p;
    p.compose(c.volume, c.directory, c.name, c.extension);
    EXPECT_EQ(p.fullPath(), c.full);
    EXPECT_EQ(p.name(), c.name);
    EXPECT_EQ(p.extension(), c.extension);
  }
}

TEST_F(PathTest, ExistsAndDetectsTheType) {
  const std::string wav = testTempPath("hit.WAV");
  std::ofstream(wav) << "RIFF";
  Path file(wav);
  ASSERT_EQ(file.kind(), kPathFile);
  EXPECT_TRUE(file.exists());
  EXPECT_TRUE(file.detectFileType());
  EXPECT_EQ(file.fileType(), gpFileType(3));
  EXPECT_FALSE(file.detectFileType());  // unchanged

  Path missing(testTempPath("nothing.wav"));
  EXPECT_FALSE(missing.exists());
  EXPECT_FALSE(missing.detectFileType());
  EXPECT_EQ(missing.fileType(), nullptr);

  Path folder;
  folder.setKind(kPathDirectory);
  folder.fromString(testTempDir());
  EXPECT_TRUE(folder.exists());
  EXPECT_FALSE(folder.detectFileType());  // only files are typed by extension

  EXPECT_TRUE(Path("C:").exists());
  EXPECT_TRUE(Path("C:\\").exists());
  EXPECT_FALSE(Path(testTempPath("*.WAV")).exists());  // a pattern is not a path
}

}  // namespace
