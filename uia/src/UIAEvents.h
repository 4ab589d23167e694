// Framework events: the codes, their payload records, the modifier and mouse-button bits, and
// EventListener, the base of everything that receives them (windows, the application, widgets).
#pragma once

#include <cstdint>

// Event codes. The payload of each is the record named beside it; it lives on the sender's stack and is
// valid only during the call.
enum UiaEventCode : int32_t {
  UIA_EVENT_TIMER = 2,                // UiaTimerEvent (sent straight to the timer's listener)
  UIA_EVENT_MOUSE_BUTTON = 1000,      // UiaMouseButtonEvent
  UIA_EVENT_MOUSE_MOVE = 1001,        // UiaMouseMoveEvent
  UIA_EVENT_MOUSE_WHEEL = 1002,       // UiaMouseWheelEvent
  UIA_EVENT_KEY_DOWN = 1100,          // UiaKeyEvent (bubbles)
  UIA_EVENT_KEY_UP = 1101,            // UiaKeyUpEvent (bubbles)
  UIA_EVENT_CHAR = 1102,              // UiaCharEvent (bubbles)
  UIA_EVENT_COMMAND = 1200,           // UiaCommandEvent (bubbles)
  UIA_EVENT_MENU_ITEM_UPDATE = 1201,  // UiaMenuEvent (bubbles)
  UIA_EVENT_MENU_OPENING = 1202,      // UiaMenuEvent with id -1 (bubbles)
  UIA_EVENT_DRAG_OVER = 1300,
  UIA_EVENT_DROP = 1301,
  UIA_EVENT_DRAG_DATA = 1302,
  UIA_EVENT_DRAG_LEFT = 1303,
  UIA_EVENT_DRAG_ENDED = 1304,
  UIA_EVENT_APP_ACTIVE = 10000,      // no payload (sent to the application)
  UIA_EVENT_APP_INACTIVE = 10001,    // no payload (sent to the application)
  UIA_EVENT_MAY_QUIT = 10002,        // UiaAllowEvent (sent to the application)
  UIA_EVENT_CREATED = 1000000,       // no payload
  UIA_EVENT_DESTROYED = 1000001,     // no payload
  UIA_EVENT_PAINT = 1000002,         // DrawContext*, set up for the paint
  UIA_EVENT_SIZE = 1000003,          // UiaSizeEvent
  UIA_EVENT_TO_FRONT = 1000004,      // no payload
  UIA_EVENT_ACTIVATED = 1000005,     // no payload
  UIA_EVENT_DEACTIVATED = 1000006,   // no payload
  UIA_EVENT_CAPTURE_LOST = 1000007,  // no payload
  UIA_EVENT_FOCUS_LOST = 1000008,    // no payload
  UIA_EVENT_MAY_CLOSE = 1000009,     // UiaAllowEvent
  UIA_EVENT_DIALOG_QUERY = 1000010   // UiaAllowEvent (the answer byte)
};

// Modifier bits, the keypad bit and the key codes themselves: UIAKeys.h.

// Mouse buttons (event 1000's button, and the held-button mask of tracking).
constexpr uint32_t UIA_BUTTON_LEFT = 1;
constexpr uint32_t UIA_BUTTON_RIGHT = 2;
constexpr uint32_t UIA_BUTTON_MIDDLE = 4;
// Mouse-button actions.
constexpr uint32_t UIA_ACTION_PRESS = 1;
constexpr uint32_t UIA_ACTION_RELEASE = 2;
constexpr uint32_t UIA_ACTION_DOUBLE_CLICK = 3;

struct TimerEntry;
class MenuHandle;

struct UiaTimerEvent {
  TimerEntry* timer;  // the handle that addTimer gave
  int32_t period;     // milliseconds
};

struct UiaMouseButtonEvent {
  int32_t x, y;  // client coordinates
  uint32_t modifiers;
  uint32_t button;  // UIA_BUTTON_*
  uint32_t action;  // UIA_ACTION_*
};

struct UiaMouseMoveEvent {
  int32_t x, y;
  uint32_t modifiers;
};

struct UiaMouseWheelEvent {
  int32_t x, y;  // client coordinates of the message's screen point
  uint32_t modifiers;
  int32_t delta;  // 120 per notch, signed
};

struct UiaKeyEvent {
  uint32_t key;          // key code with keypad and modifier bits
  uint32_t positionKey;  // the key code of the physical key (from the scan code)
  uint32_t firstPress;   // 1 unless the key repeats
};

struct UiaKeyUpEvent {
  uint32_t key;
  uint32_t positionKey;
};

struct UiaCharEvent {
  uint8_t character;
};

struct UiaCommandEvent {
  int32_t id;
};

struct UiaMenuEvent {
  int32_t id;  // the item's id (1201) or -1 (1202)
  MenuHandle* menu;
};

// Queries: the allow byte (or dialog answer) is preset to 1 and the receiver sets 0 to refuse.
struct UiaAllowEvent {
  uint8_t allow;
};

struct UiaSizeEvent {
  uint32_t maximised;  // 1 when the window was maximised
};

// Everything that receives framework events. Subclasses override handleEvent and call the base for
// what they do not handle.
class EventListener {
 public:
  EventListener() = default;
  virtual ~EventListener() = default;

  // Hands the event to handleEvent of this object.
  virtual bool sendEvent(int32_t code, void* data);
  // True when the event was handled; the default handles nothing.
  virtual bool handleEvent(int32_t code, void* data);

  // Registers this listener for timer events every `period` ms (0: the application's tick now) at
  // `priority` (higher first). The entry's address goes to *handle; without an application nothing
  // is registered and *handle becomes null.
  void addTimer(TimerEntry** handle, int32_t period, int32_t priority);
  // Removes the entry when it is this listener's; null and foreign handles are ignored.
  void removeTimer(TimerEntry* handle);
};
