#include "NGLFontMap.h"

#include "NGLPictureMap.h"

#include <memory>

bool FontMapEntry::read(BinaryStream& stream) {
  stream.readU32();
  return nglStreamOk(stream);
}

bool FontMapEntry::write(BinaryStream& stream) {
  stream.writeU32(0);
  return nglStreamOk(stream);
}

FontMapEntry* FontMap::createEntry() { return new FontMapEntry; }

BitmapFont* FontMap::loadItem(FontMapEntry* entry, uint32_t id, bool flag) {
  if (!pictureMap_) return nullptr;
  auto font = std::make_unique<BitmapFont>();
  std::unique_ptr<BinaryStream> stream = nglOpenResource(id, "FNT");
  if (!stream) {
    if (!allowMissing_) return nullptr;
    font->setKind(0);
    font->setGlyphPictureId(id);
  } else if (!font->read(*stream)) {
    return nullptr;
  }
  font->build(pictureMap_);
  return font.release();
}
