#include "NGLLabel.h"

#include "GPBinaryStream.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLStreamState.h"

namespace {

FormHostListener* resourceSet(Form* form) {
  FormHostListener* set = form ? form->provider() : nullptr;
  return set && set->isAttached() ? set : nullptr;
}

Widget* makeLabel() { return new Label; }

const char* labelName() { return "Label"; }

}  // namespace

Label::Label() {
  className_ = "Label";
  layer_ = 0;
  style_.setKind(kBackgroundColour);
  style_.setColour(0xFFB0B0B0);
}

Label::~Label() = default;

void Label::attach(Form* form) {
  Widget::attach(form);
  if (FormHostListener* set = resourceSet(form)) {
    style_.resolve(set->pictureMap(), set->fontMap(), form->resourceBase() != 0);
    resolved_ = true;
  }
  updateSize();
}

void Label::detach() {
  if (FormHostListener* set = resourceSet(parent_); set && resolved_) style_.release(set->pictureMap(), set->fontMap());
  resolved_ = false;
  Widget::detach();
}

void Label::paint(Picture& picture) { style_.draw(picture, rect_, frame_, rect_, nullptr, highlighted_ != 0); }

bool Label::read(BinaryStream& stream) {
  if (!Widget::read(stream)) return false;
  const uint32_t version = stream.readU32();
  if (version != 1 && version != 2) return false;
  if (!style_.read(stream)) return false;
  frame_ = version > 1 ? stream.readU32() : 0;
  return nglStreamOk(stream);
}

bool Label::write(BinaryStream& stream) {
  if (!Widget::write(stream)) return false;
  stream.writeU32(2);
  style_.write(stream);
  stream.writeU32(frame_);
  return nglStreamOk(stream);
}

void Label::setText(const char* text) {
  if (style_.setText(text)) {
    updateSize();
    invalidate(0);
  }
}

void Label::setBackgroundKind(uint32_t kind) {
  if (style_.setKind(kind)) {
    updateSize();
    invalidate(0);
  }
}

void Label::setBackgroundColour(uint32_t colour) {
  if (style_.setColour(colour)) {
    updateSize();
    invalidate(0);
  }
}

void Label::updateSize() {
  RegionRect r = rect_;
  style_.preferredSize(r);
  if (r.x1 != rect_.x1 || r.y1 != rect_.y1 || r.x2 != rect_.x2 || r.y2 != rect_.y2) setRect(r);
}

void registerLabel() { nglRegisterWidgetClass(labelName, makeLabel); }
