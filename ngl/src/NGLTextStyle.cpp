#include "NGLTextStyle.h"

#include "NGLBitmapFont.h"
#include "NGLFontMap.h"
#include "NGLPictureMap.h"
#include "NGLStreamState.h"

#include <cstring>

// ---------------------------------------------------------------------------------------------------
// Background

bool Background::readBackground(BinaryStream& stream) {
  stream.readU32();  // version: any is accepted
  const uint32_t kind = stream.readU32();
  const uint32_t colour = stream.readU32();
  stream.readU32();
  const uint32_t id = stream.readU32();
  if (!nglStreamOk(stream)) return false;
  kind_ = kind;
  colour_ = colour;
  picture_.setIdOnly(id);  // a picture still held stays counted under the id it was got with
  return true;
}

bool Background::writeBackground(BinaryStream& stream) {
  stream.writeU32(1);
  stream.writeU32(kind_);
  stream.writeU32(colour_);
  stream.writeU32(1);
  stream.writeU32(picture_.id());
  return nglStreamOk(stream);
}

bool Background::read(BinaryStream& stream) { return readBackground(stream); }

bool Background::write(BinaryStream& stream) { return writeBackground(stream); }

bool Background::isTransparent() const {
  switch (kind_) {
    case kBackgroundNone: return true;
    case kBackgroundColour: return (colour_ >> 24) < 255;
    case kBackgroundFrame:
    case kBackgroundNinePart: return !picture() || picture()->hasAlpha();
    default: return true;
  }
}

void Background::preferredSize(RegionRect& rect) const {
  if (!picture()) return;
  const int32_t w = int32_t(picture()->frameWidth());
  const int32_t h = int32_t(picture()->frameHeight());
  if (kind_ == kBackgroundFrame) {
    rect.x2 = rect.x1 + w;
    rect.y2 = rect.y1 + h;
  } else if (kind_ == kBackgroundNinePart) {
    if (!(picture()->flags() & kInsetsLeftRight)) rect.x2 = rect.x1 + w;
    if (!(picture()->flags() & kInsetsTopBottom)) rect.y2 = rect.y1 + h;
  }
}

void Background::draw(Picture& target, const RegionRect& elementRect, uint32_t frame,
                      const RegionRect& clipRect) const {
  switch (kind_) {
    case kBackgroundColour:
      target.fillArea(clipRect.x1, clipRect.y1, clipRect.x2 - clipRect.x1, clipRect.y2 - clipRect.y1, colour_);
      break;
    case kBackgroundFrame:
      if (!picture()) break;
      if (clipRect.x1 == elementRect.x1 && clipRect.y1 == elementRect.y1 && clipRect.x2 == elementRect.x2 &&
          clipRect.y2 == elementRect.y2) {
        target.drawFrame(elementRect.x1, elementRect.y1, *picture(), frame, nullptr);
      } else {
        const RegionRect part = {clipRect.x1 - elementRect.x1, clipRect.y1 - elementRect.y1,
                                 clipRect.x2 - elementRect.x1, clipRect.y2 - elementRect.y1};
        target.drawFrame(clipRect.x1, clipRect.y1, *picture(), frame, &part);
      }
      break;
    case kBackgroundNinePart:
      if (picture()) target.drawTiledFrame(elementRect, *picture(), frame, &clipRect);
      break;
    default: break;
  }
}

bool Background::setKind(uint32_t kind) {
  if (kind == kind_) return false;
  kind_ = kind;
  return true;
}

bool Background::setColour(uint32_t colour) {
  if (colour == colour_) return false;
  colour_ = colour;
  return true;
}

bool Background::resolve(PictureMap* pictureMap, bool flag) { return picture_.resolve(pictureMap, flag); }

bool Background::setPictureId(uint32_t id, PictureMap* pictureMap, bool flag) {
  return picture_.setId(id, pictureMap, flag);
}

void Background::releasePicture(PictureMap* pictureMap) { picture_.release(pictureMap); }

// ---------------------------------------------------------------------------------------------------
// Text

bool Text::readText(BinaryStream& stream) {
  stream.readU32();  // version: any is accepted
  stream.readU32();
  const uint32_t fontId = stream.readU32();
  const uint32_t h = stream.readU32();
  const uint32_t v = stream.readU32();
  std::string text = stream.readString();
  if (!nglStreamOk(stream)) return false;
  font_.setIdOnly(fontId);  // a font still held stays counted under the id it was got with
  hAlign_ = h;
  vAlign_ = v;
  text_.swap(text);
  hasText_ = text_.empty() ? 0 : 1;
  return true;
}

bool Text::writeText(BinaryStream& stream) {
  stream.writeU32(1);
  stream.writeU32(1);
  stream.writeU32(font_.id());
  stream.writeU32(hAlign_);
  stream.writeU32(vAlign_);
  stream.writeString(text_);
  return nglStreamOk(stream);
}

bool Text::read(BinaryStream& stream) { return readText(stream); }

bool Text::write(BinaryStream& stream) { return writeText(stream); }

bool Text::setText(const char* text) {
  const char* t = text ? text : "";
  if (text_ == t) return false;
  text_ = t;
  hasText_ = text_.empty() ? 0 : 1;
  return true;
}

bool Text::setHorizontalAlignment(uint32_t alignment) {
  if (alignment == hAlign_) return false;
  hAlign_ = alignment;
  return true;
}

bool Text::setVerticalAlignment(uint32_t alignment) {
  if (alignment == vAlign_) return false;
  vAlign_ = alignment;
  return true;
}

bool Text::resolve(FontMap* fontMap, bool flag) { return font_.resolve(fontMap, flag); }

bool Text::setFontId(uint32_t id, FontMap* fontMap, bool flag) { return font_.setId(id, fontMap, flag); }

void Text::releaseFont(FontMap* fontMap) { font_.release(fontMap); }

void Text::draw(Picture& target, const RegionRect& rect, const char* textOverride, bool highlighted) const {
  if ((!hasText_ && !textOverride) || !font()) return;
  const char* string = textOverride ? textOverride : text_.c_str();
  const int32_t w = rect.x2 - rect.x1;
  const int32_t h = rect.y2 - rect.y1;
  const int32_t fontHeight = font()->height();
  int32_t dy = 0, dx = 0;
  if (vAlign_ == kAlignCentre)
    dy = (h - fontHeight) / 2;
  else if (vAlign_ == kAlignEnd)
    dy = h - fontHeight;
  if (hAlign_ == kAlignCentre)
    dx = (w - font()->textWidth(string, uint32_t(-1))) / 2;
  else if (hAlign_ == kAlignEnd)
    dx = w - font()->textWidth(string, uint32_t(-1));
  if (highlighted)
    font()->drawHighlighted(target, rect.x1 + dx, rect.y1 + dy, 0, 0, w, h, string, false);
  else
    font()->draw(target, rect.x1 + dx, rect.y1 + dy, 0, 0, w, h, string, false);
}

// ---------------------------------------------------------------------------------------------------
// TextStyle

bool TextStyle::read(BinaryStream& stream) {
  const uint32_t version = stream.readU32();
  if (!nglStreamOk(stream)) return false;
  if (version == 1) return readBackground(stream) && readText(stream);
  if (version != 2) return true;
  if (!readBackground(stream) || !readText(stream)) return false;
  int32_t margins[4];
  for (int32_t& m : margins) m = stream.readInt32();
  if (!nglStreamOk(stream)) return false;
  std::copy(margins, margins + 4, margins_);
  return true;
}

bool TextStyle::write(BinaryStream& stream) {
  stream.writeU32(2);
  writeBackground(stream);
  writeText(stream);
  for (int32_t m : margins_) stream.writeU32(uint32_t(m));
  return nglStreamOk(stream);
}

bool TextStyle::resolve(PictureMap* pictureMap, FontMap* fontMap, bool flag) {
  const bool background = Background::resolve(pictureMap, flag);
  const bool text = Text::resolve(fontMap, flag);
  return text ? background : false;
}

void TextStyle::release(PictureMap* pictureMap, FontMap* fontMap) {
  releasePicture(pictureMap);
  releaseFont(fontMap);
}

int32_t TextStyle::preferredHeight() const { return (font() ? font()->height() : 8) + topMargin() + bottomMargin(); }

void TextStyle::draw(Picture& target, const RegionRect& rect, uint32_t frame, const RegionRect& clipRect,
                     const char* textOverride, bool highlighted) const {
  Background::draw(target, rect, frame, clipRect);
  const RegionRect inner = {rect.x1 + leftMargin(), rect.y1 + topMargin(), rect.x2 - rightMargin(),
                            rect.y2 - bottomMargin()};
  if (inner.x2 - inner.x1 >= 0 && inner.y2 - inner.y1 >= 0) Text::draw(target, inner, textOverride, highlighted);
}
