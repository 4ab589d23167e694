#include "NGLPictureMap.h"

#include <memory>

PictureMapEntryFormat& PictureMapEntryFormat::operator=(const PictureFormat& other) {
  setHasAlpha(other.hasAlpha());
  setMode(other.mode());
  setFrameCount(other.frameCount());
  setFlag1((other.flags() & kInsetsTopBottom) != 0);
  setFlag2((other.flags() & kInsetsLeftRight) != 0);
  setFirstInset(other.topInset());
  setSecondInset(other.bottomInset());
  setThirdInset(other.leftInset());
  setFourthInset(other.rightInset());
  return *this;
}

#define NGL_FORWARD(setter, type)                                 \
  void PictureMapEntryFormat::setter(type value) {                \
    PictureFormat::setter(value);                                 \
    if (Picture* picture = entry_.item()) picture->setter(value); \
  }
NGL_FORWARD(setHasAlpha, bool)
NGL_FORWARD(setHorizontalFrames, bool)
NGL_FORWARD(setMode, uint32_t)
NGL_FORWARD(setFrameCount, uint32_t)
NGL_FORWARD(setFlag1, bool)
NGL_FORWARD(setFlag2, bool)
NGL_FORWARD(setFirstInset, int32_t)
NGL_FORWARD(setSecondInset, int32_t)
NGL_FORWARD(setThirdInset, int32_t)
NGL_FORWARD(setFourthInset, int32_t)
#undef NGL_FORWARD

void PictureMapEntry::setItem(Picture* picture) {
  ResourceMapEntry<Picture>::setItem(picture);
  if (!picture) return;
  picture->setHasAlpha(format_.hasAlpha());
  picture->setMode(format_.mode());
  picture->setFrameCount(format_.frameCount());
  picture->setFlag1((format_.flags() & kInsetsTopBottom) != 0);
  picture->setFlag2((format_.flags() & kInsetsLeftRight) != 0);
  picture->setFirstInset(format_.topInset());
  picture->setSecondInset(format_.bottomInset());
  picture->setThirdInset(format_.leftInset());
  picture->setFourthInset(format_.rightInset());
}

bool PictureMapEntry::read(BinaryStream& stream) {
  detectAlpha_ = 0;
  // Read into a plain record first, then apply it, so a loaded picture follows the new layout.
  PictureFormat record;
  const bool ok = record.read(stream) && nglStreamOk(stream);
  if (ok) format_ = record;
  return ok;
}

bool PictureMapEntry::write(BinaryStream& stream) {
  PictureFormat record;
  record = format_;
  return record.write(stream) && nglStreamOk(stream);
}

PictureMapEntry* PictureMap::createEntry() { return new PictureMapEntry; }

Picture* PictureMap::loadItem(PictureMapEntry* entry, uint32_t id, bool flag) {
  std::unique_ptr<BinaryStream> stream = nglOpenResource(id, "PICTURE");
  if (!stream) return nullptr;
  auto picture = std::make_unique<Picture>();
  const bool detect = entry && entry->detectAlpha();
  if (!picture->readTga(*stream, detect)) return nullptr;
  if (entry && detect) {
    entry->format().setHasAlpha(picture->hasAlpha());
    entry->setDetectAlpha(false);
  }
  return picture.release();
}
