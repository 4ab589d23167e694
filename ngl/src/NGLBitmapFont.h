// Bitmap fonts: the 256 glyphs of an 8-bit character set side by side in a Picture, cut by a marker
// row or by equal widths, and the "FNT" record that names a font's pictures and colours.
#pragma once

#include <cstdint>
#include <memory>

class BinaryStream;
class Picture;
class PictureMap;

// Glyph positions of one glyph picture, measured once, and drawing, measuring and hit-testing text.
class GlyphTable {
 public:
  explicit GlyphTable(const Picture* picture);
  virtual ~GlyphTable() = default;

  // Draws text into the box x..x+width, y..y+height of the target, starting offsetX / offsetY into
  // the text; with repeat the text starts over until the box is full.
  virtual void draw(Picture& target, int32_t x, int32_t y, int32_t offsetX, int32_t offsetY, int32_t width,
                    int32_t height, const char* text, bool repeat) const;
  // Width of the first maxChars characters (up to the 0 byte; maxChars -1: the whole text).
  virtual int32_t textWidth(const char* text, uint32_t maxChars) const;
  // The caret position nearest to x (half-way goes to the left).
  virtual int32_t charIndexAt(const char* text, int32_t x) const;
  // Glyph height (the marker row not counted); 0 without a picture.
  virtual int32_t height() const;
  virtual void setMark() { mark_ = 1; }

  int32_t glyphX(uint8_t c) const { return x_[c]; }
  int32_t glyphWidth(uint8_t c) const { return width_[c]; }
  bool hasMarkerRow() const { return markerRow_ != 0; }
  bool isMarked() const { return mark_ != 0; }

 private:
  void measure(const Picture* picture);

  int32_t x_[256];
  int32_t width_[256];
  const Picture* picture_;  // not owned
  uint8_t markerRow_ = 0;
  uint8_t mark_ = 0;
};

class BitmapFont {
 public:
  BitmapFont() = default;
  // Releases the pictures it holds back to its map.
  virtual ~BitmapFont();
  BitmapFont(const BitmapFont&) = delete;
  BitmapFont& operator=(const BitmapFont&) = delete;

  // The 40-byte "FNT" record. read first clears the font and forgets its map.
  bool read(BinaryStream& stream);
  bool write(BinaryStream& stream) const;
  // Gets the pictures from the map and makes the glyph tables; on failure all is released again.
  bool build(PictureMap* pictureMap);
  // Releases the held pictures and deletes the glyph tables.
  void clear();

  void setKind(uint32_t kind);
  void setGlyphPictureId(uint32_t id);
  void setHighlightPictureId(uint32_t id);
  void setCaretPictureId(uint32_t id);
  void setHighlightColour(uint32_t colour) { highlightColour_ = colour; }
  void setCaretColour(uint32_t colour) { caretColour_ = colour; }

  void draw(Picture& target, int32_t x, int32_t y, int32_t offsetX, int32_t offsetY, int32_t width, int32_t height,
            const char* text, bool repeat) const;
  // With a highlight picture, its glyphs; else the box filled with the highlight colour under the
  // normal glyphs.
  void drawHighlighted(Picture& target, int32_t x, int32_t y, int32_t offsetX, int32_t offsetY, int32_t width,
                       int32_t height, const char* text, bool repeat) const;
  void drawCaret(Picture& target, int32_t x, int32_t y) const;
  int32_t textWidth(const char* text, uint32_t maxChars) const;
  int32_t charIndexAt(const char* text, int32_t x) const;
  int32_t height() const;

  uint32_t kind() const { return kind_; }
  uint32_t glyphPictureId() const { return glyph_.id; }
  uint32_t highlightPictureId() const { return highlight_.id; }
  uint32_t caretPictureId() const { return caret_.id; }
  uint32_t highlightColour() const { return highlightColour_; }
  uint32_t caretColour() const { return caretColour_; }
  const GlyphTable* glyphTable() const { return normal_.get(); }
  const GlyphTable* highlightTable() const { return highlighted_.get(); }
  PictureMap* pictureMap() const { return map_; }

  static constexpr int kRecordSize = 40;

 private:
  // A picture named by id; `got` says the map counted us as a user (also when it had no picture).
  struct PictureRef {
    uint32_t id = 0;
    Picture* picture = nullptr;
    bool got = false;
  };
  void acquire(PictureRef& ref);
  void releaseRef(PictureRef& ref);
  void setPictureId(PictureRef& ref, uint32_t id);

  uint32_t kind_ = 0;
  PictureMap* map_ = nullptr;  // not owned
  PictureRef glyph_, highlight_, caret_;
  uint32_t highlightColour_ = 0xFFFFFFFF;
  uint32_t caretColour_ = 0xFF000000;
  std::unique_ptr<GlyphTable> normal_;
  std::unique_ptr<GlyphTable> highlighted_;
};
