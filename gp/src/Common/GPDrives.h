// The process-wide list of drives and the dispatch of volume arrival and removal.
#pragma once
#include <string>
#include <vector>

// Drive classes.
enum DriveClass {
  kDriveUnknown = 0,
  kDriveFixed = 1,  // fixed disk, RAM disk, or a drive without root directory
  kDriveCdRom = 2,
  kDriveFloppy = 4,     // removable drive A: or B:
  kDriveRemovable = 8,  // any other removable drive
  kDriveNetwork = 16
};

struct DriveEntry {
  std::string root;  // "C:\" and so on
  int driveClass = kDriveUnknown;
  int letter = 0;  // upper case
};

// Volume events.
enum VolumeEvent { kVolumeArrived = 0, kVolumeRemoved = 1 };

class VolumeListener {
 public:
  virtual ~VolumeListener() = default;
  virtual void volumeChanged(int event, const DriveEntry& volume) = 0;
};

// The class of a drive of the system's drive type `driveType` (GetDriveTypeA) and letter.
int gpDriveClass(unsigned driveType, int letter);
// Rebuilds the drive list from the system's logical drives.
void gpScanDrives();
// A copy of the drive list.
std::vector<DriveEntry> gpDrives();

// Volume monitoring (off by default). While it is off, gpVolumeChanged returns at once.
void gpSetVolumeMonitoring(bool on);
// Listeners are called last added first; an empty name filter, class filter 0 and letter filter 0
// accept any volume. The listener is not owned.
void gpAddVolumeListener(VolumeListener* listener, const std::string& nameFilter, int classFilter, int letterFilter);
void gpRemoveVolumeListener(VolumeListener* listener);
// Called by the framework when a volume arrives (event 0) or is removed (event 1).
void gpVolumeChanged(int event, const DriveEntry& volume);
