// FormWindow: the content of a framework window that shows forms. A Container of page forms plus a
// root form over all of them for pop-ups; it owns the off-screen Picture the forms draw into, keeps it
// and the window's client area as large as the active forms need, runs the repaint pass on every
// framework tick and holds the focus, key-input and capture state.
#pragma once

#include <memory>

#include "NGLContainer.h"
#include "NGLForm.h"

class FormHostListener;
class FormWindow;
class Picture;
class Window;

// Ties a form window to the host object that owns the framework window.
class FormWindowHolder {
 public:
  // Without a form window the holder makes one and owns it.
  explicit FormWindowHolder(FormWindow* formWindow = nullptr, bool owns = false);
  virtual ~FormWindowHolder();
  FormWindowHolder(const FormWindowHolder&) = delete;
  FormWindowHolder& operator=(const FormWindowHolder&) = delete;

  virtual Window* window() = 0;
  virtual Window* window2() { return window(); }
  virtual void setFormWindow(FormWindow* formWindow, bool owns);
  virtual void setOwnerData(FormHostListener* value) { ownerData_ = value; }

  FormWindow* formWindow() const { return formWindow_; }
  FormHostListener* ownerData() const { return ownerData_; }

 protected:
  FormWindow* formWindow_ = nullptr;
  FormHostListener* ownerData_ = nullptr;
  uint8_t ownsFormWindow_ = 0;
};

class FormWindow : public Container {
 public:
  FormWindow();
  ~FormWindow() override;

  bool handleEvent(int32_t code, void* data) override;
  void childrenChanged(Form* form) override;
  void widgetEnabledChanged(Widget* widget) override;
  void widgetVisibilityChanged(Widget* widget) override;
  void requestFocus(Widget* widget, Form* form, bool focusable) override;
  void setKeyWidget(Widget* widget, bool on) override;
  bool captureMouse(Form* form) override;
  bool releaseMouse() override;
  void setCursorChild(Form* form, HCURSOR cursor) override;
  void releaseCursorChild() override;
  void releaseKeyWidget() override;
  void childSizeChanged(Form* form) override;
  void arrangeChildren(Form* form) override;
  void tick(void* data) override;
  void childRectToContainer(Form* form, RegionRect& rect) override;
  void childPointToContainer(Form* form, POINT& point) override;
  void containerPointToChild(Form* form, POINT& point) override;
  void rectToScreen(RegionRect& rect) override;
  void pointToScreen(POINT& point) override;
  FormWindowHolder* holder() override { return holder_; }
  bool routeEvent(int32_t code, void* data) override;
  virtual void showPopup(Widget* widget);
  virtual void closePopup();

  void setFocus(Widget* widget, Form* form);
  void clearFocus();
  // The pass that draws the dirty parts (or, not incremental, everything) of the active forms into
  // the picture and invalidates them in the window. Skipped during a batched update or another pass.
  void repaint(bool incremental);
  // Called by the window's paint handler after it copied the picture.
  void paintDone() {}

  void setHolder(FormWindowHolder* holder) { holder_ = holder; }
  void setAutoSize(bool on) { autoSize_ = on ? 1 : 0; }
  Picture& picture() { return *picture_; }
  Form& rootForm() { return rootForm_; }
  Widget* focusWidget() const { return focusWidget_; }
  Form* focusForm() const { return focusForm_; }
  Widget* keyWidget() const { return keyWidget_; }
  int32_t busy() const { return busy_; }
  void raiseBusy() { ++busy_; }
  void lowerBusy() { --busy_; }
  // Rectangles the last pass invalidated in the window (window coordinates).
  const std::vector<RegionRect>& lastInvalidated() const { return lastInvalidated_; }
  uint32_t passCount() const { return passCount_; }

 private:
  Window* frameworkWindow();
  void invalidateInWindow(const Region& region);

  uint8_t autoSize_ = 1;
  FormWindowHolder* holder_ = nullptr;
  std::unique_ptr<Picture> picture_;
  uint8_t inResize_ = 0;
  uint8_t inPass_ = 0;
  uint8_t inTick_ = 0;
  Form* focusForm_ = nullptr;
  Widget* focusWidget_ = nullptr;
  Widget* keyWidget_ = nullptr;
  Form rootForm_;
  int32_t popupWidgetId_ = 0;
  int32_t busy_ = 0;
  std::vector<RegionRect> lastInvalidated_;
  uint32_t passCount_ = 0;
};
