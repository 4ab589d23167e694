// The picture map: "PICTURE" resources loaded as shared Pictures, laid out by the "PM" index.
#pragma once

#include "NGLResourceMap.h"
#include "UIAPicture.h"

class PictureMapEntry;

// The entry's frame layout; every change is made on the loaded picture too, so a picture always
// shows its entry's layout.
class PictureMapEntryFormat : public PictureFormat {
 public:
  explicit PictureMapEntryFormat(PictureMapEntry& entry) : entry_(entry) {}
  PictureMapEntryFormat& operator=(const PictureFormat& other);

  void setHasAlpha(bool on) override;
  void setHorizontalFrames(bool on) override;
  void setMode(uint32_t mode) override;
  void setFrameCount(uint32_t count) override;
  void setFlag1(bool on) override;
  void setFlag2(bool on) override;
  void setFirstInset(int32_t top) override;
  void setSecondInset(int32_t bottom) override;
  void setThirdInset(int32_t left) override;
  void setFourthInset(int32_t right) override;

 private:
  PictureMapEntry& entry_;
};

class PictureMapEntry : public ResourceMapEntry<Picture> {
 public:
  PictureMapEntry() : format_(*this) {}
  // Stores the picture and gives it the entry's layout.
  void setItem(Picture* picture) override;
  // The PictureFormat record; clears detect-alpha.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;

  PictureMapEntryFormat& format() { return format_; }
  bool detectAlpha() const { return detectAlpha_ != 0; }
  void setDetectAlpha(bool on) { detectAlpha_ = on ? 1 : 0; }

 private:
  PictureMapEntryFormat format_;
  uint8_t detectAlpha_ = 1;  // no index record read: the alpha flag comes from the pixels
};

class PictureMap : public ResourceMap<Picture, PictureMapEntry> {
 public:
  PictureMap() = default;
  ~PictureMap() override = default;

  PictureMapEntry* createEntry() override;
  // The "PICTURE" resource of that id read as a TGA image; null when missing or unreadable.
  Picture* loadItem(PictureMapEntry* entry, uint32_t id, bool flag) override;
  const char* typeName() const override { return "PM"; }
};
