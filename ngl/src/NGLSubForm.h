// SubForm: a widget that embeds a whole form. It sits in its outer form like any widget and is the
// container of exactly one inner form, which it makes, loads by resource id, lays out and paints
// inside its own rectangle.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include "NGLContainer.h"
#include "NGLWidget.h"

class SubForm : public Widget, public Container {
 public:
  SubForm();
  ~SubForm() override;

  // Widget
  // Both bases listen for events: this object answers as the Widget.
  bool sendEvent(int32_t code, void* data) override { return Widget::sendEvent(code, data); }
  bool handleEvent(int32_t code, void* data) override;
  void setRect(const RegionRect& rect) override;
  bool isTransparent() const override;
  bool getOpaqueArea(Region& region) override;
  bool getDirtyArea(Region& region, uint32_t mask) override;
  void clearDirty() override;
  void attach(Form* form) override;
  void detach() override;
  void hostChanged() override;
  bool paintRegion(Picture& picture, const Region& region) override;
  // Version 1: the form class name and the form's resource id.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;
  Container* container() override { return this; }
  virtual void setCursor(HCURSOR cursor) { Widget::setCursor(cursor); }
  // A form of formClassName from the form-class registry; a plain Form for an unknown class; null
  // without a class name.
  virtual Form* createForm();

  // Container: requests of the inner form go to the outer form through this widget.
  void widgetEnabledChanged(Widget* widget) override;
  void widgetVisibilityChanged(Widget* widget) override;
  void requestFocus(Widget* widget, Form* form, bool focusable) override;
  void setKeyWidget(Widget* widget, bool on) override;
  bool captureMouse(Form* form) override;
  bool releaseMouse() override;
  void setCursorChild(Form* form, HCURSOR cursor) override;
  void releaseCursorChild() override;
  void childRectToContainer(Form* form, RegionRect& rect) override;
  void childPointToContainer(Form* form, POINT& point) override;
  void containerPointToChild(Form* form, POINT& point) override;
  void rectToScreen(RegionRect& rect) override;
  void pointToScreen(POINT& point) override;
  void screenToRect(RegionRect& rect) override;
  void screenToPoint(POINT& point) override;
  Widget* widgetAt(POINT point) override;
  Widget* findWidgetWithValue(int32_t v) override;

  void setForm(uint32_t id);
  uint32_t formId() const { return formId_; }
  Form* form() const { return form_.get(); }
  const std::string& formClassName() const { return formClassName_; }
  void setFormClassName(const std::string& name) { formClassName_ = name; }

 private:
  Container* outerHost() const;

  uint32_t formId_ = 0;
  std::unique_ptr<Form> form_;
  std::string formClassName_;
  bool timerOn_ = false;
};

void registerSubForm();
