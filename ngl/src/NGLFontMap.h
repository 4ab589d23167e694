// The font map: BitmapFonts made from "FNT" resources, listed by the "FM" index, taking their glyph
// pictures from a picture map of the same form host.
#pragma once

#include "NGLBitmapFont.h"
#include "NGLResourceMap.h"

class PictureMap;

class FontMapEntry : public ResourceMapEntry<BitmapFont> {
 public:
  // The index record is one u32, written as 0 and ignored when read.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;
};

class FontMap : public ResourceMap<BitmapFont, FontMapEntry> {
 public:
  // The picture map is not owned and must outlive every font of this map.
  explicit FontMap(PictureMap* pictureMap) : pictureMap_(pictureMap) {}
  ~FontMap() override = default;

  FontMapEntry* createEntry() override;
  // The font of the "FNT" resource with that id, built from the picture map. Without the resource:
  // null, or with allow-missing a font whose glyph picture has the same id.
  BitmapFont* loadItem(FontMapEntry* entry, uint32_t id, bool flag) override;
  const char* typeName() const override { return "FM"; }

  void setAllowMissing(bool on) { allowMissing_ = on ? 1 : 0; }
  bool allowMissing() const { return allowMissing_ != 0; }
  PictureMap* pictureMap() const { return pictureMap_; }

 private:
  PictureMap* pictureMap_;  // not owned
  uint8_t allowMissing_ = 0;
};
