#include "GPDrives.h"

#include "GPError.h"
#include "GPLock.h"
#include "GPPath.h"

#include <windows.h>

#include <cctype>
#include <cstring>

namespace {

// A critical section made on first use and kept for the process.
struct Guard {
  CriticalSection section;
  Guard() { section.init(); }
};

class Locked {
 public:
  explicit Locked(Guard& guard) : section_(guard.section) { section_.enter(); }
  ~Locked() { section_.leave(); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  CriticalSection& section_;
};

struct ListenerEntry {
  VolumeListener* listener;
  std::string nameFilter;
  int classFilter;
  int letterFilter;
};

Guard& driveGuard() {
  static Guard g;
  return g;
}

Guard& listenerGuard() {
  static Guard g;
  return g;
}

std::vector<DriveEntry>& driveList() {
  static std::vector<DriveEntry> list;
  return list;
}

std::vector<ListenerEntry>& listenerList() {
  static std::vector<ListenerEntry> list;
  return list;
}

bool g_monitoring = false;

// The drive list is rebuilt with the drive lock held.
void scanDrivesLocked() {
  std::vector<DriveEntry>& list = driveList();
  list.clear();
  const DWORD needed = GetLogicalDriveStringsA(0, nullptr);
  if (needed == 0) return;
  std::vector<char> text(size_t(needed) + 1, '\0');
  const DWORD got = GetLogicalDriveStringsA(DWORD(text.size()), text.data());
  if (got == 0 || got >= text.size()) return;
  // Roots such as "C:\" follow each other, each closed by a zero.
  for (const char* root = text.data(); *root; root += std::strlen(root) + 1) {
    DriveEntry entry;
    std::string r = root;
    r[0] = char(std::toupper(static_cast<unsigned char>(r[0])));
    Path path;
    path.setVolume(r);
    entry.root = path.fullPath();
    entry.letter = static_cast<unsigned char>(r[0]);
    entry.driveClass = gpDriveClass(GetDriveTypeA(root), entry.letter);
    list.push_back(entry);
  }
}

}  // namespace

int gpDriveClass(unsigned driveType, int letter) {
  switch (driveType) {
    case DRIVE_FIXED:
    case DRIVE_RAMDISK: return kDriveFixed;
    case DRIVE_NO_ROOT_DIR: gpDebugPrint("DriveType DRIVE_NO_ROOT_DIR detected!?!\n"); return kDriveFixed;
    case DRIVE_CDROM: return kDriveCdRom;
    case DRIVE_REMOVABLE:
      return (letter == 'A' || letter == 'B' || letter == 'a' || letter == 'b') ? kDriveFloppy : kDriveRemovable;
    case DRIVE_REMOTE: return kDriveNetwork;
    default: gpDebugPrint("unknown DriveType: %d\n", int(driveType)); return kDriveUnknown;
  }
}

void gpScanDrives() {
  Locked lock(driveGuard());
  scanDrivesLocked();
}

std::vector<DriveEntry> gpDrives() {
  Locked lock(driveGuard());
  return driveList();
}

void gpSetVolumeMonitoring(bool on) { g_monitoring = on; }

void gpAddVolumeListener(VolumeListener* listener, const std::string& nameFilter, int classFilter, int letterFilter) {
  if (!listener) return;
  Locked lock(listenerGuard());
  listenerList().push_back({listener, nameFilter, classFilter, letterFilter});
}

void gpRemoveVolumeListener(VolumeListener* listener) {
  Locked lock(listenerGuard());
  std::vector<ListenerEntry>& list = listenerList();
  for (size_t i = list.size(); i-- > 0;)
    if (list[i].listener == listener) list.erase(list.begin() + long(i));
}

void gpVolumeChanged(int event, const DriveEntry& volume) {
  if (!g_monitoring) return;
  DriveEntry copy = volume;
  {
    Locked lock(driveGuard());
    if (event == kVolumeArrived) scanDrivesLocked();
    std::vector<DriveEntry>& list = driveList();
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i].letter == volume.letter) {
        copy.root = list[i].root;
        copy.driveClass = list[i].driveClass;
        if (event == kVolumeRemoved) list.erase(list.begin() + long(i));
        break;
      }
    }
  }
  // Listeners are called on a copy of the list so that one may remove itself.
  std::vector<ListenerEntry> listeners;
  {
    Locked lock(listenerGuard());
    listeners = listenerList();
  }
  for (size_t i = listeners.size(); i-- > 0;) {
    const ListenerEntry& l = listeners[i];
    if ((l.nameFilter.empty() || l.nameFilter == copy.root) &&
        (l.classFilter == 0 || l.classFilter == copy.driveClass) &&
        (l.letterFilter == 0 || l.letterFilter == copy.letter))
      l.listener->volumeChanged(event, copy);
  }
}
