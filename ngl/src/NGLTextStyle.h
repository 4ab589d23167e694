// What every visible element of a form carries: a background (nothing, a colour, a picture frame or a
// nine-part frame), a text in a bitmap font, and the text style that joins both with four margins.
// Picture and font ids are resolved through the form host's picture and font maps.
#pragma once

#include "GPRegion.h"

#include <cstdint>
#include <string>

class BinaryStream;
class BitmapFont;
class FontMap;
class Picture;
class PictureMap;

// Background kinds.
enum BackgroundKind { kBackgroundNone = 0, kBackgroundColour = 1, kBackgroundFrame = 2, kBackgroundNinePart = 3 };
// Text alignments (horizontal: left, centred, right; vertical: top, centred, bottom).
enum TextAlignment { kAlignStart = 0, kAlignCentre = 1, kAlignEnd = 2 };

// A picture or font taken from its map by id. From the first successful resolve until release, the
// map counts the holder as a user (also when it had nothing under the id); a held resource stays
// counted under the id it was got with, even after the id changes.
template <class Map, class Resource>
class HeldResource {
 public:
  uint32_t id() const { return id_; }
  Resource* get() const { return resource_; }
  // Sets the id alone (as a stream read does): what is held stays held.
  void setIdOnly(uint32_t id) { id_ = id; }
  // Gets the resource from the map when an id is set and none is held yet.
  bool resolve(Map* map, bool flag) {
    if (id_ == 0 || got_) return true;
    if (!map) return false;
    take(map, id_, flag);
    return true;
  }
  bool setId(uint32_t id, Map* map, bool flag) {
    if (id != id_) {
      if (got_ && map) release(map);
      id_ = id;
    }
    if (got_ || !map) return false;
    if (id == 0) return true;
    take(map, id, flag);
    return true;
  }
  void release(Map* map) {
    if (!map || !got_) return;
    map->release(heldId_);
    resource_ = nullptr;
    got_ = false;
  }

 private:
  void take(Map* map, uint32_t id, bool flag) {
    resource_ = map->get(id, flag);
    got_ = true;
    heldId_ = id;
  }

  uint32_t id_ = 0;
  Resource* resource_ = nullptr;  // got from the map, not owned
  bool got_ = false;              // the map counts us as a user
  uint32_t heldId_ = 0;           // the id we are counted under
};

class Background {
 public:
  Background() = default;
  virtual ~Background() = default;
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

  // The 20-byte record: version, kind, colour, a fixed 1, picture id.
  virtual bool read(BinaryStream& stream);
  virtual bool write(BinaryStream& stream);

  // Whether what lies under the element shows through.
  bool isTransparent() const;
  // Sets right and bottom of rect (top-left given) to the picture's frame size where it applies.
  void preferredSize(RegionRect& rect) const;
  void draw(Picture& target, const RegionRect& elementRect, uint32_t frame, const RegionRect& clipRect) const;

  bool setKind(uint32_t kind);
  bool setColour(uint32_t colour);
  // Gets the picture from the map when an id is set and none is held yet.
  bool resolve(PictureMap* pictureMap, bool flag);
  bool setPictureId(uint32_t id, PictureMap* pictureMap, bool flag);
  void releasePicture(PictureMap* pictureMap);

  uint32_t kind() const { return kind_; }
  uint32_t colour() const { return colour_; }
  uint32_t pictureId() const { return picture_.id(); }
  Picture* picture() const { return picture_.get(); }

  static constexpr int kRecordSize = 20;

 protected:
  bool readBackground(BinaryStream& stream);
  bool writeBackground(BinaryStream& stream);

 private:
  HeldResource<PictureMap, Picture> picture_;
  uint32_t kind_ = kBackgroundNone;
  uint32_t colour_ = 0xFFB0B0B0;
};

class Text {
 public:
  Text() = default;
  virtual ~Text() = default;
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  // The record: version, a fixed 1, font id, the two alignments, the string (u32 length, bytes).
  virtual bool read(BinaryStream& stream);
  virtual bool write(BinaryStream& stream);

  bool setText(const char* text);
  bool setHorizontalAlignment(uint32_t alignment);
  bool setVerticalAlignment(uint32_t alignment);
  bool resolve(FontMap* fontMap, bool flag);
  bool setFontId(uint32_t id, FontMap* fontMap, bool flag);
  void releaseFont(FontMap* fontMap);
  // The held text (or the override) aligned in rect with the font; highlighted draws a selection.
  void draw(Picture& target, const RegionRect& rect, const char* textOverride, bool highlighted) const;

  const std::string& text() const { return text_; }
  bool hasText() const { return hasText_ != 0; }
  uint32_t fontId() const { return font_.id(); }
  BitmapFont* font() const { return font_.get(); }
  uint32_t horizontalAlignment() const { return hAlign_; }
  uint32_t verticalAlignment() const { return vAlign_; }

 protected:
  bool readText(BinaryStream& stream);
  bool writeText(BinaryStream& stream);

 private:
  HeldResource<FontMap, BitmapFont> font_;
  uint32_t hAlign_ = kAlignStart;
  uint32_t vAlign_ = kAlignStart;
  std::string text_;
  uint8_t hasText_ = 0;
};

class TextStyle : public Background, public Text {
 public:
  TextStyle() = default;
  ~TextStyle() override = default;

  // Version 1: background and text; 2 (written): then the margins left, right, top, bottom;
  // other versions: nothing after the version word.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;

  // Resolves picture and font: the background's answer when the font resolved, else false.
  bool resolve(PictureMap* pictureMap, FontMap* fontMap, bool flag);
  void release(PictureMap* pictureMap, FontMap* fontMap);
  // Font height (8 without a font) plus the top and bottom margins.
  int32_t preferredHeight() const;
  void draw(Picture& target, const RegionRect& rect, uint32_t frame, const RegionRect& clipRect,
            const char* textOverride, bool highlighted) const;

  int32_t leftMargin() const { return margins_[0]; }
  int32_t rightMargin() const { return margins_[1]; }
  int32_t topMargin() const { return margins_[2]; }
  int32_t bottomMargin() const { return margins_[3]; }
  void setLeftMargin(int32_t m) { margins_[0] = m; }
  void setRightMargin(int32_t m) { margins_[1] = m; }
  void setTopMargin(int32_t m) { margins_[2] = m; }
  void setBottomMargin(int32_t m) { margins_[3] = m; }

 private:
  int32_t margins_[4] = {1, 1, 1, 1};  // left, right, top, bottom
};
