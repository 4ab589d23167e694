// Drag tracking: the one running drag (what is dragged, where from, which listener accepts it, where
// the mouse is), the drag events 1300..1304 it sends, and files dropped from the shell delivered as
// such a drag.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <vector>

#include "GPPath.h"
#include "UIAEvents.h"

class Window;

// What is dragged: deleted through this base when the tracking owns it.
class UiaDragData {
 public:
  virtual ~UiaDragData() = default;
};

// The data kind of dropped files, and the window style flag that accepts them.
constexpr uint32_t UIA_DRAG_FILES = 0x8000;

// The data of a file drop: one path per dropped item, in the shell's order (folders as directories).
class UiaFileList : public UiaDragData {
 public:
  std::vector<Path> paths;
};

// Tracking modes.
enum UiaTrackingMode : uint32_t {
  UIA_TRACK_DROP = 0,     // a drop from outside: no capture, no cursor change at the start
  UIA_TRACK_HOVER = 1,    // ends as soon as no mouse button is held
  UIA_TRACK_CAPTURE = 2,  // 2 and 3 capture the mouse on the source window and see only its events
  UIA_TRACK_CAPTURE2 = 3
};

// How a tracking starts.
struct UiaTrackingRequest {
  uint32_t mode;
  uint32_t dataKind;
  Window* sourceWindow;
  uintptr_t unused1;
  EventListener* sourceListener;  // asked for its data before a drop (1302), told the end (1304)
  int32_t x, y;
  UiaDragData* data;
  uint32_t ownsData;  // the data is deleted when the tracking ends
  uintptr_t unused2[4];
  HCURSOR acceptCursor;  // null: the framework's hand (modes other than 0)
  HCURSOR refuseCursor;  // null: the framework's not-allowed cursor
};

// The running tracking; the payload of 1300 (drag over). A listener that accepts sets target to
// itself (and may set targetCursor) and answers true.
struct UiaTrackingState {
  uint32_t dataKind;
  UiaDragData* data;
  uint8_t flag;
  int32_t x, y;  // client coordinates of the window under the mouse
  EventListener* target;
  HCURSOR targetCursor;  // null: the accept cursor
};

// The payload of 1301 (drop).
struct UiaDropEvent {
  uint32_t dataKind;
  UiaDragData* data;
  uint32_t flag;
  int32_t x, y;
  EventListener* target;
  uint32_t reserved;
};

// The payload of 1302 (the source is asked for its data; it may change data and flag), 1303 (the
// drag left a target) and 1304 (the drag ended).
struct UiaDragNote {
  uint32_t dataKind;
  UiaDragData* data;
  uint8_t flag;
};

// Starts a tracking (one running tracking is ended first).
void uiaStartTracking(const UiaTrackingRequest& request);
// The drag moved over the window to the point: asks it (1300) and sets the cursor. The answer of 1300.
bool uiaTrackMove(Window* window, POINT point);
// The tracking's look at a mouse event of a window; true when it took the event.
bool uiaTrackMouse(Window* window, int32_t code, void* data);
// Drops on the target that accepted at the last move; false without one.
bool uiaTrackDrop(Window* window);
// Sends 1304 to the window, the source window and the source listener (each once).
bool uiaTrackNotifyEnd(Window* window);
void uiaEndTracking();
// True while a tracking of any mode runs.
bool uiaTrackingActive();
// True while a hover drag (mode 1) runs.
bool uiaIsTracking();
// The running tracking's state (valid while one runs).
UiaTrackingState* uiaTrackingState();

// ORs the flags into the framework's window style flags and answers the new flags. Any set flag
// makes windows deliver dropped files (WM_DROPFILES).
uint32_t uiaSetWindowStyleFlags(uint32_t flags);
uint32_t uiaWindowStyleFlags();

// Delivers the files of a shell drop to the window as a drop of kind UIA_DRAG_FILES (the caller
// releases the drop handle).
void uiaDropFiles(Window* window, HDROP drop);
