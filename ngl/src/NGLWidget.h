// Widget: the base of every element of a form. It owns its rectangle, id, layer, flags, one value,
// a dirty mask and its listeners; it reads and writes the common part of its record in form data and
// draws into the form's Picture.
#pragma once

#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "GPRegion.h"
#include "UIAEvents.h"

class BinaryStream;
class BitmapFont;
class Container;
class Form;
class Picture;

// Notification codes widgets send to their listeners.
constexpr int32_t NGL_NOTIFY_CAPTURE_LOST = 100001;
constexpr int32_t NGL_NOTIFY_FOCUS = 100002;
constexpr int32_t NGL_NOTIFY_VALUE = 100003;

// Whatever wants to hear from widgets (pages, dialogs).
class WidgetListener {
 public:
  virtual ~WidgetListener() = default;
  // True when the event was handled.
  virtual bool onWidgetEvent(int32_t widgetId, int32_t code, void* data) = 0;
};

// Payload of 100002: the code and data of the causing event (none here) and the new focus state.
struct WidgetFocusEvent {
  int32_t code;
  void* data;
  uint32_t focused;
};

// Payload of 100003.
struct WidgetValuePair {
  int32_t a, b;
};

class Widget : public EventListener {
 public:
  Widget() = default;
  ~Widget() override = default;
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  bool handleEvent(int32_t code, void* data) override;
  virtual void setId(int32_t id);
  // Layers 0..7 are kept; anything above 7 becomes 6.
  virtual void setLayer(uint32_t layer);
  // To the top of its own layer.
  virtual void raise();
  virtual void setRect(const RegionRect& rect);
  virtual bool isTransparent() const { return transparent_ != 0; }
  virtual bool getOpaqueArea(Region& region);
  virtual void setEnabled(bool on);
  virtual void setVisible(bool on);
  virtual bool hasValue() { return getValue(0) >= 0; }
  virtual int32_t getValue(int32_t index) { return index == 0 ? value_ : -1; }
  virtual int32_t value() { return getValue(0); }
  virtual bool valueIs(int32_t v) { return getValue(0) >= 0 && getValue(0) == v; }
  virtual void setValue(int32_t v) { value_ = v; }
  // The widget's style word (no meaning in the base; a change repaints).
  virtual void setStyleWord(uint32_t word);
  virtual uint32_t styleWord() const { return styleWord_; }
  // ORs the mask into the dirty mask; 0 means 0xFFFF.
  virtual void invalidate(uint32_t mask);
  virtual bool getDirtyArea(Region& region, uint32_t mask);
  virtual void clearDirty() { dirty_ = 0; }
  virtual void attach(Form* form) { parent_ = form; }
  virtual void detach() { parent_ = nullptr; }
  virtual void hostChanged() {}
  virtual void paint(Picture& picture) { (void)picture; }
  virtual bool paintRegion(Picture& picture, const Region& region);
  virtual void focusChanged() {}
  virtual void addListener(WidgetListener* listener);
  virtual void removeListener(WidgetListener* listener);
  // The base record (version 6 written; 0..6 read). True while the stream is usable: a record that
  // ends exactly at the end of the data still succeeds.
  virtual bool read(BinaryStream& stream);
  virtual bool write(BinaryStream& stream);
  virtual void reserved() {}
  virtual Container* container() { return nullptr; }
  virtual bool notifyListeners(int32_t code, void* data, bool stopAtFirst);
  virtual bool notifyValue(int32_t a, int32_t b);
  virtual void paintOverlay(Picture& picture, const Region& region) {
    (void)picture;
    (void)region;
  }

  // Requests of the parent form; all but setFocused do nothing while detached.
  void setFocused(bool on);
  bool hasMouseCapture() const;
  void captureMouse();
  void releaseMouse();
  void addTimer(int32_t id, int32_t period);
  void removeTimer(int32_t id);
  void requestKeyInput();
  void releaseKeyInput();
  void setCursor(HCURSOR cursor);
  void releaseCursor();
  // Shared pictures and fonts of the parent form's resource set, by id (null while detached or
  // when the set has no such item). Each get is balanced by one release.
  Picture* picture(uint32_t id);
  void releasePicture(uint32_t id);
  BitmapFont* font(uint32_t id);
  void releaseFont(uint32_t id);

  const std::string& className() const { return className_; }
  void setClassName(const std::string& name) { className_ = name; }
  // The class name of the form entry the widget was read from (written back as it was read, also
  // when the widget was made under the entry's alternative name).
  const std::string& entryClassName() const { return entryClassName_; }
  void setEntryClassName(const std::string& name) { entryClassName_ = name; }
  const std::string& alternativeClassName() const { return alternativeClassName_; }
  void setAlternativeClassName(const std::string& name) { alternativeClassName_ = name; }
  const RegionRect& rect() const { return rect_; }
  int32_t id() const { return id_; }
  uint32_t layer() const { return layer_; }
  void setTransparent(bool on) { transparent_ = on ? 1 : 0; }
  uint32_t anchor() const { return anchor_; }
  void setAnchor(uint32_t anchor) { anchor_ = anchor; }
  bool isFocusable() const { return focusable_ != 0; }
  void setFocusable(bool on) { focusable_ = on ? 1 : 0; }
  bool isFocused() const { return focused_ != 0; }
  uint32_t dirtyMask() const { return dirty_; }
  bool isEnabled() const { return enabled_ != 0; }
  bool isVisible() const { return visible_ != 0; }
  Form* parent() const { return parent_; }
  size_t listenerCount() const { return listeners_.size(); }

 protected:
  std::string className_;
  std::string alternativeClassName_;
  std::string entryClassName_;
  RegionRect rect_ = {0, 0, 0, 0};
  int32_t id_ = 0;
  uint32_t layer_ = 3;
  uint8_t transparent_ = 1;
  uint32_t anchor_ = 0;
  uint8_t focusable_ = 0;
  uint8_t focused_ = 0;
  uint32_t dirty_ = 0;
  uint8_t enabled_ = 0;
  uint8_t visible_ = 0;
  int32_t value_ = -1;
  uint32_t styleWord_ = 0;
  Form* parent_ = nullptr;
  std::vector<WidgetListener*> listeners_;
};

typedef Widget* (*WidgetFactory)();
typedef const char* (*WidgetNameFunction)();

// Widget classes by name, in registration order.
class WidgetRegistry {
 public:
  // Appends; a name registered twice keeps its first factory in effect.
  static void add(const char* name, WidgetFactory factory);
  // A new widget of the first class with exactly this name, its className set; null when none.
  static Widget* create(const std::string& name);
  static bool has(const std::string& name);
  static void clear();
};

void nglRegisterWidgetClass(WidgetNameFunction name, WidgetFactory factory);
