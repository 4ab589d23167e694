// ContainerForm: a form made of pages, one shown at a time. It is a Form for its own host and the
// Container of its pages; events, painting, dirty tracking and widget searches go to the current
// page, and pages are switched by their resource ids.
#pragma once

#include <cstdint>
#include "NGLContainer.h"
#include "NGLForm.h"

class ContainerForm : public Form, public Container {
 public:
  ContainerForm() = default;
  ~ContainerForm() override;
  // The other base's overloads of the names both bases use stay callable.
  using Container::widgetAt;
  using Form::requestFocus;

  // Form
  // Both bases listen for events: this object answers as the Form.
  bool sendEvent(int32_t code, void* data) override { return Form::sendEvent(code, data); }
  bool handleEvent(int32_t code, void* data) override { return handleMessage(code, data); }
  bool handleMessage(int32_t code, void* data) override;
  bool load(int32_t id) override;
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;
  void setSize(FormSize size) override;
  void setActive(bool on) override;
  bool isTransparent() const override;
  void setHost(Container* host) override;
  bool collectDirtyRegion(Region& out) override;
  void clearDirty() override;
  void addWidget(Widget* widget) override;
  void widgetEnabledChanged(Widget* widget) override;
  void widgetVisibilityChanged(Widget* widget) override;
  void setKeyWidget(Widget* widget, bool on) override;
  void setCursor(Widget* widget, HCURSOR cursor) override;
  void releaseCursor() override;
  void notifyHostChanged() override;
  bool paint(Picture& picture, const Region& region) override;
  Widget* widgetAt(int32_t x, int32_t y, int32_t index) override;
  Widget* findWidgetWithValue(int32_t v) override;
  // Shows the first page loaded from that resource id (nothing when there is none), remembering
  // the page shown before as the one to return to.
  virtual void showPage(int32_t id);

  // Container
  void setParent(Container* container) override;
  uint32_t appendChild(Form* page, bool active) override;
  void removeChild(Form* page) override;
  void clearChildren() override;
  void setChildActive(Form* page, bool active) override;
  void requestFocus(Widget* widget, Form* form, bool focusable) override;
  bool captureMouse(Form* form) override;
  bool releaseMouse() override;
  void setCursorChild(Form* form, HCURSOR cursor) override;
  void childSizeChanged(Form* form) override;
  void rectToScreen(RegionRect& rect) override;
  void pointToScreen(POINT& point) override;
  void screenToRect(RegionRect& rect) override;
  void screenToPoint(POINT& point) override;

  Form* currentPage() const { return currentPage_; }
  int32_t returnPageId() const { return returnPageId_; }

 private:
  Form* currentPage_ = nullptr;
  int32_t returnPageId_ = -1;
};
