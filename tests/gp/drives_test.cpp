// The drive list and volume notifications.
#include "GPDrives.h"
#include "GPFileTypes.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(Drives, ClassesByDriveType) {
  struct Case {
    unsigned type;
    int letter;
    int driveClass;
  };
  const Case cases[] = {
      {DRIVE_FIXED, 'C', kDriveFixed},         {DRIVE_RAMDISK, 'R', kDriveFixed},
      {DRIVE_NO_ROOT_DIR, 'Q', kDriveFixed},   {DRIVE_CDROM, 'D', kDriveCdRom},
      {DRIVE_REMOVABLE, 'A', kDriveFloppy},    {DRIVE_REMOVABLE, 'B', kDriveFloppy},
      {DRIVE_REMOVABLE, 'E', kDriveRemovable}, {DRIVE_REMOTE, 'N', kDriveNetwork},
      {DRIVE_UNKNOWN, 'U', kDriveUnknown},     {77, 'X', kDriveUnknown},
  };
  for (const Case& c : cases)
    EXPECT_EQ(gpDriveClass(c.type, c.letter), c.driveClass) << c.type << " " << char(c.letter);
}

TEST(Drives, ScanFindsTheSystemDrive) {
  ASSERT_TRUE(gpBuildFileTypes());
  gpScanDrives();
  const std::vector<DriveEntry> drives = gpDrives();
  ASSERT_FALSE(drives.empty());
  bool foundC = false;
  for (const DriveEntry& d : drives) {
    EXPECT_EQ(d.root.size(), 3u) << d.root;
    EXPECT_EQ(d.root[0], char(d.letter));
    EXPECT_TRUE(d.letter >= 'A' && d.letter <= 'Z');
    EXPECT_EQ(d.root.substr(1), ":\\");
    EXPECT_EQ(d.driveClass, gpDriveClass(GetDriveTypeA(d.root.c_str()), d.letter)) << d.root;
    if (d.letter == 'C') {
      foundC = true;
      EXPECT_EQ(d.driveClass, kDriveFixed);
    }
  }
  EXPECT_TRUE(foundC);
}

class RecordingListener : public VolumeListener {
 public:
  void volumeChanged(int event, const DriveEntry& volume) override {
    ++calls;
    lastEvent = event;
    last = volume;
  }
  int calls = 0;
  int lastEvent = -1;
  DriveEntry last;
};

TEST(Drives, VolumeChangesReachListenersOnlyWhileMonitoring) {
  RecordingListener any, onlyD, onlyCdRom;
  gpAddVolumeListener(&any, "", 0, 0);
  gpAddVolumeListener(&onlyD, "", 0, 'D');
  gpAddVolumeListener(&onlyCdRom, "", kDriveCdRom, 0);

  DriveEntry c;
  c.letter = 'C';
  gpVolumeChanged(kVolumeArrived, c);  // monitoring is off by default: nothing happens
  EXPECT_EQ(any.calls, 0);

  gpSetVolumeMonitoring(true);
  gpVolumeChanged(kVolumeArrived, c);
  EXPECT_EQ(any.calls, 1);
  EXPECT_EQ(any.lastEvent, kVolumeArrived);
  EXPECT_EQ(any.last.root, "C:\\");  // completed from the drive list
  EXPECT_EQ(any.last.driveClass, kDriveFixed);
  EXPECT_EQ(onlyD.calls, 0);
  EXPECT_EQ(onlyCdRom.calls, 0);

  gpVolumeChanged(kVolumeRemoved, c);
  EXPECT_EQ(any.calls, 2);
  EXPECT_EQ(any.lastEvent, kVolumeRemoved);
  bool stillListed = false;
  for (const DriveEntry& d : gpDrives()) stillListed = stillListed || d.letter == 'C';
  EXPECT_FALSE(stillListed);

  gpSetVolumeMonitoring(false);
  gpRemoveVolumeListener(&any);
  gpRemoveVolumeListener(&onlyD);
  gpRemoveVolumeListener(&onlyCdRom);
  gpScanDrives();
}

}  // namespace
