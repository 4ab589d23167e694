// Label: the static element of a form, a background and a text described by one text style.
#pragma once

#include "NGLTextStyle.h"
#include "NGLWidget.h"

class Label : public Widget {
 public:
  Label();
  ~Label() override;

  bool isTransparent() const override { return style_.isTransparent(); }
  void attach(Form* form) override;
  void detach() override;
  void paint(Picture& picture) override;
  // The base record, then version 2 (1 is read too: frame 0), the style and the frame.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;

  void setText(const char* text);
  void setBackgroundKind(uint32_t kind);
  void setBackgroundColour(uint32_t colour);
  // Keeps the top-left; a picture background gives the size of one frame.
  void updateSize();

  const TextStyle& textStyle() const { return style_; }
  uint32_t frame() const { return frame_; }
  bool highlighted() const { return highlighted_ != 0; }

 private:
  TextStyle style_;
  uint32_t frame_ = 0;
  uint8_t highlighted_ = 0;
  bool resolved_ = false;
};

void registerLabel();
