// Container: up to 64 forms side by side or stacked, each at a rectangle in the container's
// coordinates. It is the host its forms report to, routes events to them and keeps their rectangles
// in step with their sizes.
#pragma once

#include <windows.h>
#include <cstdint>
#include "GPRegion.h"
#include "UIAEvents.h"

class Form;
class FormWindowHolder;
class Widget;

struct FormSize;

class Container : public EventListener {
 public:
  static constexpr uint32_t kMaxChildren = 64;

  struct Child {
    Form* form;
    uint8_t flag;
    RegionRect rect;
  };

  Container() = default;
  ~Container() override;
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;

  virtual void setParent(Container* container) { parent_ = container; }
  bool handleEvent(int32_t code, void* data) override { return routeEvent(code, data); }
  // The new child count. A 65th child is refused: 0 is answered and nothing changes (the caller
  // keeps the form).
  virtual uint32_t addChild(Form* form, int32_t left, int32_t top, int32_t right, int32_t bottom, bool active);
  // Below the active children, at x 0, with the form's own size.
  virtual uint32_t appendChild(Form* form, bool active);
  virtual uint32_t addChildFromResource(Form* form, int32_t id, const RegionRect& rect, bool active);
  virtual uint32_t appendChildFromResource(Form* form, int32_t id, bool active);
  virtual void removeChild(Form* form);
  virtual void clearChildren();
  virtual void childrenChanged(Form* form);
  virtual void setChildActive(Form* form, bool active);
  virtual void switchChild(Form* from, Form* to);
  virtual void resizeChild(Form* form, int32_t width, int32_t height);
  virtual void widgetEnabledChanged(Widget* widget) { (void)widget; }
  virtual void widgetVisibilityChanged(Widget* widget) { (void)widget; }
  virtual void requestFocus(Widget* widget, Form* form, bool focusable) {
    (void)widget;
    (void)form;
    (void)focusable;
  }
  virtual void setKeyWidget(Widget* widget, bool on) {
    (void)widget;
    (void)on;
  }
  virtual void formAreaChanged() {}
  virtual bool captureMouse(Form* form);
  virtual bool releaseMouse();
  virtual void setCursorChild(Form* form, HCURSOR cursor);
  virtual void releaseCursorChild();
  virtual void releaseKeyWidget() {}
  virtual void childSizeChanged(Form* form);
  virtual void arrangeChildren(Form* form);
  virtual void tick(void* data);
  virtual void childRectToContainer(Form* form, RegionRect& rect);
  virtual void childPointToContainer(Form* form, POINT& point);
  virtual void containerPointToChild(Form* form, POINT& point);
  virtual void rectToScreen(RegionRect& rect) { (void)rect; }
  virtual void pointToScreen(POINT& point) { (void)point; }
  virtual void screenToRect(RegionRect& rect) { (void)rect; }
  virtual void screenToPoint(POINT& point) { (void)point; }
  virtual FormWindowHolder* holder();
  virtual Widget* widgetAt(POINT point);
  virtual Widget* findWidgetWithValue(int32_t v);
  virtual bool routeEvent(int32_t code, void* data);
  virtual bool routeMouse(int32_t code, void* data);

  // The largest right and bottom edges of the active children.
  FormSize boundsOfChildren() const;
  // The first active child whose non-empty rectangle holds the point.
  Form* childAt(POINT point) const;
  int32_t indexOf(const Form* form) const;
  uint32_t childCount() const { return childCount_; }
  const Child& child(uint32_t index) const { return children_[index]; }
  Container* parent() const { return parent_; }
  void setOwnsChildren(bool on) { ownsChildren_ = on ? 1 : 0; }
  Form* captureChild() const { return captureChild_; }
  Form* hoverChild() const { return hoverChild_; }
  Form* cursorChild() const { return cursorChild_; }
  void beginUpdate() { ++updateDepth_; }
  void endUpdate() { --updateDepth_; }
  int32_t updateDepth() const { return updateDepth_; }

 protected:
  // Hands the holder's resource set to a form that has none.
  void giveProvider(Form* form);

  Container* parent_ = nullptr;
  Child children_[kMaxChildren] = {};
  uint32_t childCount_ = 0;
  uint8_t ownsChildren_ = 0;
  uint8_t secondFlag_ = 1;
  int32_t tickDepth_ = 0;
  int32_t updateDepth_ = 0;
  Form* captureChild_ = nullptr;
  Form* hoverChild_ = nullptr;
  Form* cursorChild_ = nullptr;
};
