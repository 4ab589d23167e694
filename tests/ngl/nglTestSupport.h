// Helpers of the form library's tests: the library started once per test program, a widget class
// that records what it is told, streams over byte vectors and a resource set serving forms from
// memory.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "GPBinaryStream.h"
#include "GPStream.h"
#include "NGLFormHost.h"
#include "NGLSwitch.h"
#include "NGLTextStyle.h"
#include "NGLWidget.h"

// Class names the test programs register for ProbeWidget.
extern const char* const kProbeClass;   // "Probe"
extern const char* const kSwitchClass;  // "Switch": the real Switch class
extern const char* const kAltClass;     // "ProbeAlt": registered alternative class
extern const char* const kOldClass;     // "probe.dll": the name older records give by path

// Registers the test classes above (once per program, after nglInit).
void registerTestWidgetClasses();

// A widget that fills its rectangle with one colour and records every event it receives.
class ProbeWidget : public Widget {
 public:
  ProbeWidget() { ++live; }
  ~ProbeWidget() override { --live; }
  static int live;  // ProbeWidgets in existence
  bool handleEvent(int32_t code, void* data) override;
  void paint(Picture& picture) override;
  void focusChanged() override { ++focusChanges; }

  uint32_t colour = 0xFF3060C0;
  bool consume = false;                                // answer true to mouse events
  std::vector<int32_t> codes;                          // every event code received, in order
  std::vector<std::pair<int32_t, int32_t>> positions;  // x, y of the mouse events received
  std::vector<std::string>* journal = nullptr;         // shared log of "<id>:<code>"
  int paints = 0;
  int focusChanges = 0;
  int timerEvents = 0;
};

// A BinaryStream over its own copy of some bytes (reading) or a fixed-size buffer (writing).
class VectorStream : public BinaryStream {
 public:
  explicit VectorStream(const std::vector<uint8_t>& bytes);  // for reading
  explicit VectorStream(size_t capacity);                    // for writing
  std::vector<uint8_t> written() const;                      // the bytes up to the position
  MemoryStream& memory() { return memory_; }

 private:
  std::vector<uint8_t> bytes_;
  MemoryStream memory_;
};

// The resource set of the tests: FRM data by id from memory; the maps stay those of attach.
class MemoryFormHost : public FormHostListener {
 public:
  BinaryStream* openResource(int32_t id, const char* type) override;
  std::map<int32_t, std::vector<uint8_t>> forms;
  int opened = 0;
};

// Little-endian record writing for hand-made form data.
struct Bytes {
  std::vector<uint8_t> data;
  Bytes& u32(uint32_t v);
  Bytes& u8(uint8_t v);
  Bytes& str(const std::string& s);                                 // u32 length + bytes
  Bytes& shortStr(const std::string& s);                            // u8 length + bytes
  Bytes& fill(uint32_t kind, uint32_t colour, uint32_t pictureId);  // the 20-byte fill record
  Bytes& record6(int32_t l, int32_t t, int32_t r, int32_t b, uint8_t transparent, uint32_t anchor, uint32_t layer);
};

// Changes a switch's caption and marks it for redrawing when it changed (the dialogs' way).
void setSwitchText(Switch* widget, const char* text);

class FormDialogHost;
struct FormSize;
// A form of the given size served by the resources, appended to the host's form window (made to own
// its children) and laid out.
Form* addHostPanel(FormDialogHost& host, FormHostListener& resources, const FormSize& size);
