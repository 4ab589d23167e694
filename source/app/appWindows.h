// The application's window kinds: each holds the id of its window slot, lets the framework handle an
// event first and passes what the framework leaves to the slot's routing (items, then the window
// callback).
#pragma once
#include <cstdint>

#include "uia.h"

class AppMainWindow : public MainWindow {
 public:
  explicit AppMainWindow(std::int16_t slotId) : slot(slotId) {}
  bool handleEvent(std::int32_t code, void* data) override;
  std::int16_t slot;
};

// A mouse button event of a main window before its items see it (the main window, mainWindow.cpp,
// notes what a press finds: whether a pane holds the sound, and the sound's edited state).
void mainWindowBeforeMouseButton(std::int16_t id, const void* event);

class AppToolWindow : public ToolWindow {
 public:
  explicit AppToolWindow(std::int16_t slotId) : slot(slotId) {}
  bool handleEvent(std::int32_t code, void* data) override;
  std::int16_t slot;
};

class AppDialogWindow : public DialogWindow {
 public:
  explicit AppDialogWindow(std::int16_t slotId) : slot(slotId) {}
  bool handleEvent(std::int32_t code, void* data) override;
  std::int16_t slot;
};

class AppPlainWindow : public PlainWindow {
 public:
  explicit AppPlainWindow(std::int16_t slotId) : slot(slotId) {}
  bool handleEvent(std::int32_t code, void* data) override;
  std::int16_t slot;
};

// A colour of the skin's palette (skinPalette.h, 0x00RRGGBB) as Windows takes it.
COLORREF appSkinColour(unsigned rgb);
// An item count as a slot holds it: 0 to 65535.
int appClampItemCount(int itemCount);
// What the description of a window of the program starts from: the title and a client area of width x height
// at (x, y).
WindowSpec appWindowSpec(const char* title, int x, int y, int width, int height);

// The main window of slot `id` at (x, y) with a client area of width x height, made visible-ready
// (hidden until winShow) with `itemCount` items; dialogStyle gives the fixed-size style. Null when the
// window could not be made (the slot is then closed again).
Window* appCreateMainWindow(std::int16_t id, const char* title, int x, int y, int width, int height, int itemCount,
                            bool dialogStyle);

// Puts every visible window that window `ownerId` owns and that lies below it back just above it,
// keeping their order. Without a window manager the system may bring the owner over them (a click on
// it, a change of its size); the page timer calls this, so they come back at the next tick.
void appKeepOwnedWindowsAbove(std::int16_t ownerId);

// A tool window of slot `id` at (x, y) with a client area of width x height and `itemCount` items,
// hidden until winShow, with the program's icon. Null when the window could not be made.
// Tool windows other than appMainWindowId are owned by the main window and stay above it.
Window* appCreateToolWindow(std::int16_t id, const char* title, int x, int y, int width, int height, int itemCount);
// When window `id` overlaps window `ownerId`, moves it beside it (right, left, below, above: the first
// side with room on the owner's screen); a window that hides nothing of its owner stays where it is.
void appPlaceBesideOwner(std::int16_t id, std::int16_t ownerId);
// Moves window `id` so that its centre is the owner's centre, kept whole on the owner's screen.
void appCentreOnOwner(std::int16_t id, std::int16_t ownerId);
// The plain window that fills the dialog of slot `dialogId` and holds its controls: the dialog's client
// area is made exactly width x height (its template works in dialog units), the plain window takes the
// next free slot with room for `itemCount` items. Returns that slot, or 0 (nothing left open) when it
// could not be made.
std::int16_t appOpenDialogControlWindow(std::int16_t dialogId, int width, int height, int itemCount);
// A dialog window of slot `id` with a client area of width x height, titled, owned by the framework
// window of slot ownerId and holding `itemCount` items; the framework places it (x and y are not used).
// `callback` becomes the slot's window callback, so the slot sees the dialog's creation (1000000) and
// destruction (1000001). A modal dialog runs its own loop: the call returns once it has ended. 0 when
// no dialog could be made (the slot is then closed again).
int appCreateDialogWindow(std::int16_t id, std::int16_t ownerId, const char* title, int x, int y, int width, int height,
                          int itemCount, std::uint8_t modal, void (*callback)(std::int16_t, std::uint32_t, void*));
// The same, only while an application exists (0 otherwise).
int appNewWindow(std::int16_t id, std::int16_t ownerId, const char* title, int x, int y, int width, int height,
                 int itemCount, std::uint8_t modal, void (*callback)(std::int16_t, std::uint32_t, void*));
