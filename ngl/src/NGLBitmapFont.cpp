#include "NGLBitmapFont.h"

#include "NGLPictureMap.h"
#include "NGLStreamState.h"

BitmapFont::~BitmapFont() { clear(); }

bool BitmapFont::read(BinaryStream& stream) {
  clear();
  map_ = nullptr;
  stream.readU32();  // version: any is accepted
  const uint32_t kind = stream.readU32();
  stream.readU32();
  const uint32_t glyph = stream.readU32();
  stream.readU32();
  const uint32_t highlight = stream.readU32();
  stream.readU32();
  const uint32_t caret = stream.readU32();
  const uint32_t highlightColour = stream.readU32();
  const uint32_t caretColour = stream.readU32();
  if (!nglStreamOk(stream)) return false;  // a short record leaves the font as it was
  kind_ = kind;
  glyph_ = PictureRef{glyph};
  highlight_ = PictureRef{highlight};
  caret_ = PictureRef{caret};
  highlightColour_ = highlightColour;
  caretColour_ = caretColour;
  return true;
}

bool BitmapFont::write(BinaryStream& stream) const {
  const uint32_t words[10] = {1, kind_, 1, glyph_.id, 1, highlight_.id, 1, caret_.id, highlightColour_, caretColour_};
  for (uint32_t word : words) stream.writeU32(word);
  return nglStreamOk(stream);
}

void BitmapFont::acquire(PictureRef& ref) {
  if (ref.got || ref.id == 0 || !map_) return;
  ref.picture = map_->get(ref.id, false);
  ref.got = true;
}

void BitmapFont::releaseRef(PictureRef& ref) {
  if (ref.got && map_) map_->release(ref.id);
  ref.got = false;
  ref.picture = nullptr;
}

bool BitmapFont::build(PictureMap* pictureMap) {
  clear();
  map_ = pictureMap;
  if (kind_ != 0) return true;
  bool ok = true;
  if (glyph_.id != 0) {
    acquire(glyph_);
    if (glyph_.picture)
      normal_ = std::make_unique<GlyphTable>(glyph_.picture);
    else
      ok = false;
  }
  if (ok && highlight_.id != 0) {
    acquire(highlight_);
    if (highlight_.picture)
      highlighted_ = std::make_unique<GlyphTable>(highlight_.picture);
    else
      ok = false;
  }
  // A missing caret picture is not fatal: the caret is then drawn as a line.
  if (ok) acquire(caret_);
  if (!ok) clear();
  return ok;
}

void BitmapFont::clear() {
  releaseRef(glyph_);
  releaseRef(highlight_);
  releaseRef(caret_);
  normal_.reset();
  highlighted_.reset();
}

void BitmapFont::setKind(uint32_t kind) {
  if (kind == kind_) return;
  clear();
  kind_ = kind;
  build(map_);
}

void BitmapFont::setPictureId(PictureRef& ref, uint32_t id) {
  if (id != ref.id) {
    releaseRef(ref);
    ref.id = id;
  }
  if (map_ && !ref.got && id != 0) {
    if (kind_ == 0)
      build(map_);
    else
      acquire(ref);
  }
}

void BitmapFont::setGlyphPictureId(uint32_t id) { setPictureId(glyph_, id); }

void BitmapFont::setHighlightPictureId(uint32_t id) { setPictureId(highlight_, id); }

void BitmapFont::setCaretPictureId(uint32_t id) { setPictureId(caret_, id); }

void BitmapFont::draw(Picture& target, int32_t x, int32_t y, int32_t offsetX, int32_t offsetY, int32_t width,
                      int32_t height, const char* text, bool repeat) const {
  if (normal_) normal_->draw(target, x, y, offsetX, offsetY, width, height, text, repeat);
}

void BitmapFont::drawHighlighted(Picture& target, int32_t x, int32_t y, int32_t offsetX, int32_t offsetY, int32_t width,
                                 int32_t height, const char* text, bool repeat) const {
  if (highlighted_) {
    highlighted_->draw(target, x, y, offsetX, offsetY, width, height, text, repeat);
  } else if (normal_) {
    target.fillArea(x + offsetX, y + offsetY, width, height, highlightColour_);
    normal_->draw(target, x, y, offsetX, offsetY, width, height, text, repeat);
  }
}

void BitmapFont::drawCaret(Picture& target, int32_t x, int32_t y) const {
  if (caret_.picture)
    target.drawFrame(x, y, *caret_.picture, 0, nullptr);
  else
    target.drawVerticalLine(x, y, height(), caretColour_);
}

int32_t BitmapFont::textWidth(const char* text, uint32_t maxChars) const {
  return normal_ ? normal_->textWidth(text, maxChars) : 0;
}

int32_t BitmapFont::charIndexAt(const char* text, int32_t x) const {
  return normal_ ? normal_->charIndexAt(text, x) : 0;
}

int32_t BitmapFont::height() const { return normal_ ? normal_->height() : 0; }
