// FormHostListener: the resource set a form host opens before it shows forms: one picture map and
// one font map, loaded from a "PM" and an "FM" resource. Forms open their "FRM" data through it.
#pragma once

#include <cstdint>

class BinaryStream;
class FontMap;
class PictureMap;

class FormHostListener {
 public:
  FormHostListener() = default;
  // The owner calls detach first.
  virtual ~FormHostListener() = default;
  FormHostListener(const FormHostListener&) = delete;
  FormHostListener& operator=(const FormHostListener&) = delete;

  // The executable's resource of that id and type in a new stream (owned by the caller); null when
  // it is missing.
  virtual BinaryStream* openResource(int32_t id, const char* type);
  virtual bool attach(uint32_t pictureMapId, uint32_t fontMapId);
  virtual bool loadMore(const char* pictureMapName, const char* fontMapName);
  virtual void detach();
  virtual PictureMap* createPictureMap();
  virtual FontMap* createFontMap(PictureMap* pictureMap);

  bool isAttached() const { return attached_ != 0; }
  PictureMap* pictureMap() const { return pictureMap_; }
  FontMap* fontMap() const { return fontMap_; }

 protected:
  uint8_t attached_ = 0;
  PictureMap* pictureMap_ = nullptr;
  FontMap* fontMap_ = nullptr;
};
