// Form: one page of widgets, loaded from an "FRM" resource. It keeps its widgets in layer order,
// routes events to them, runs their timers, re-anchors them on resize, tracks what needs redrawing
// and paints itself and its widgets into a Picture.
#pragma once

#include <windows.h>
#include <cstdint>
#include <vector>
#include "GPRegion.h"
#include "NGLTextStyle.h"
#include "UIAEvents.h"

class BinaryStream;
class Container;
class FormHostListener;
class Picture;
class PictureMap;
class Widget;

// Mouse event codes a form sends to widgets beyond the framework's.
constexpr int32_t NGL_EVENT_MOUSE_ENTER = 1003;
constexpr int32_t NGL_EVENT_MOUSE_LEAVE = 1004;

struct FormSize {
  int32_t width, height;
};

class Form : public EventListener {
 public:
  Form();
  // Forgets its host, resets, then detaches and deletes every widget (last first).
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  bool handleEvent(int32_t code, void* data) override { return handleMessage(code, data); }
  virtual bool handleMessage(int32_t code, void* data);
  // Clears the form and reads the "FRM" resource of that id through the provider, then lays out.
  virtual bool load(int32_t id);
  virtual void setSize(FormSize size);
  virtual void setActive(bool on);
  virtual void getSize(FormSize& size) const { size = size_; }
  virtual void resize(FormSize size) { setSize(size); }
  virtual FormSize getNominalSize() const { return nominalSize_; }
  virtual void setNominalSize(FormSize size) { nominalSize_ = size; }
  virtual bool isTransparent() const { return transparent_ != 0; }
  virtual bool getArea(Region& region);
  virtual void setProvider(FormHostListener* provider) { provider_ = provider; }
  virtual void setHost(Container* host) { host_ = host; }
  virtual void layout();
  virtual void reset();
  virtual void markDirtyRegionStale() { dirtyRegionStale_ = 1; }
  virtual void invalidateRegion(const Region& region);
  virtual void invalidateRect(const RegionRect& rect);
  virtual bool collectDirtyRegion(Region& out);
  virtual void clearDirty();
  virtual void addWidget(Widget* widget);
  virtual void raiseWidget(Widget* widget);
  virtual void removeWidget(int32_t id);
  virtual void deleteWidget(int32_t id);
  virtual void clear();
  virtual void widgetLayerChanged(Widget* widget);
  virtual void widgetEnabledChanged(Widget* widget);
  virtual void widgetVisibilityChanged(Widget* widget);
  virtual void requestFocus(Widget* widget, bool focusable);
  virtual void setKeyWidget(Widget* widget, bool on);
  virtual void setCursor(Widget* widget, HCURSOR cursor);
  virtual void releaseCursor();
  virtual void notifyHostChanged();
  virtual bool paint(Picture& picture, const Region& region);
  // The form record: versions 1..4 read, 4 written. A record that ends exactly at the end of the
  // data succeeds; counts and lengths are bounded by the bytes that remain.
  virtual bool read(BinaryStream& stream);
  virtual bool write(BinaryStream& stream);
  virtual bool hostCaptureMouse();
  virtual void hostReleaseMouse();
  virtual void hostSetCursor(HCURSOR cursor);
  virtual void hostReleaseCursor();
  // The topmost visible widget under (x, y); index counts matches to skip.
  virtual Widget* widgetAt(int32_t x, int32_t y, int32_t index);
  virtual Widget* findWidgetWithValue(int32_t v);
  // Called when a loaded form has been laid out; derived forms finish their set-up here.
  virtual void formCreated() {}
  virtual bool handleMouse(int32_t code, void* data);
  virtual void anchorWidgets(FormSize oldSize);
  virtual void paintBackground(Picture& picture, const RegionRect& extent, const RegionRect& clip);
  virtual void paintArea(Picture& picture, const Region& region);

  Widget* findWidget(int32_t id) const;
  // Widget timers: event 2 every period + 1 ticks.
  void addTimer(Widget* widget, int32_t id, int32_t period);
  void removeTimer(Widget* widget, int32_t id);
  // The widget that holds the mouse capture (null when none).
  Widget* captureWidget() const { return captureWidget_; }
  bool captureMouse(Widget* widget);
  void releaseMouse();
  Widget* hoverWidget() const { return hoverWidget_; }
  Widget* pressWidget() const { return pressWidget_; }

  // Library-wide defaults for item menus constructed afterwards.
  struct MenuDefaults {
    uint32_t fontId;
    uint32_t rowColour, highlightColour, shadowColour, lineColour;
    bool highlightText;
  };
  static const MenuDefaults& defaultColors();
  static void setDefaultColors(uint32_t fontId, uint32_t rowColour, uint32_t highlightColour, uint32_t shadowColour,
                               uint32_t lineColour, bool highlightText);

  const std::vector<Widget*>& widgets() const { return widgets_; }
  int32_t resourceId() const { return resourceId_; }
  FormSize size() const { return size_; }
  FormSize minimumSize() const { return minimumSize_; }
  void setMinimumSize(FormSize size) { minimumSize_ = size; }
  bool isLaidOut() const { return laidOut_ != 0; }
  bool isActive() const { return active_ != 0; }
  bool isResizable() const { return resizable_ != 0; }
  void setResizable(bool on) { resizable_ = on ? 1 : 0; }
  uint8_t resourceBase() const { return resourceBase_; }
  FormHostListener* provider() const { return provider_; }
  Container* host() const { return host_; }
  Background& background() { return background_; }
  bool isDirtyRegionStale() const { return dirtyRegionStale_ != 0; }

 protected:
  // Reads one widget entry; false leaves nothing behind.
  bool readEntry(BinaryStream& stream, uint32_t formVersion);
  void insertInLayerOrder(Widget* widget);
  // Forgets the widget as capture, hover, press and cursor widget.
  void forgetWidget(Widget* widget);
  void takeOut(Widget* widget, bool destroy);
  PictureMap* pictureMap() const;
  // Sends to widgets from the last to the first; stopAtFirst ends at the first that handles it.
  bool deliverBackwards(int32_t code, void* data, bool stopAtFirst, bool needEnabled);

  uint8_t laidOut_ = 0;
  int32_t resourceId_ = -1;
  FormSize size_ = {300, 200};
  FormSize minimumSize_ = {0, 0};
  FormSize nominalSize_ = {0, 0};
  Background background_;
  uint8_t active_ = 0;
  uint8_t resizable_ = 0;
  uint8_t transparent_ = 0;
  uint8_t resourceBase_ = 0;
  FormHostListener* provider_ = nullptr;
  Container* host_ = nullptr;
  std::vector<Widget*> widgets_;
  Widget* captureWidget_ = nullptr;
  Widget* hoverWidget_ = nullptr;
  Widget* pressWidget_ = nullptr;
  Widget* cursorWidget_ = nullptr;
  uint8_t dirtyRegionStale_ = 1;
  Region dirtyRegion_;
  struct TimerSlot {
    Widget* widget;
    int32_t id;
    int32_t period;
    int32_t remaining;
  };
  std::vector<TimerSlot> timers_;
  uint8_t listChanged_ = 0;
  Widget* resumeWidget_ = nullptr;
};
