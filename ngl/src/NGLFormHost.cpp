// FormHostListener: the picture and font maps of a form host, and its resource access.
#include "NGLFormHost.h"

#include "NGLFontMap.h"
#include "NGLPictureMap.h"
#include "NGLResource.h"

BinaryStream* FormHostListener::openResource(int32_t id, const char* type) {
  if (id < 0) return nullptr;
  return nglOpenResource(uint32_t(id), type).release();
}

bool FormHostListener::attach(uint32_t pictureMapId, uint32_t fontMapId) {
  if (attached_) return true;
  pictureMap_ = createPictureMap();
  if (pictureMap_ && pictureMap_->load(pictureMapId)) {
    fontMap_ = createFontMap(pictureMap_);
    if (fontMap_ && fontMap_->load(fontMapId)) {
      attached_ = 1;
      return true;
    }
  }
  // Take down whatever was made, the font map first: its fonts hold pictures of the other.
  delete fontMap_;
  fontMap_ = nullptr;
  delete pictureMap_;
  pictureMap_ = nullptr;
  return false;
}

bool FormHostListener::loadMore(const char* pictureMapName, const char* fontMapName) {
  if (!attached_ || (!pictureMapName && !fontMapName)) return false;
  bool ok = true;
  if (pictureMapName) ok = pictureMap_->loadMore(pictureMapName) && ok;
  if (fontMapName) ok = fontMap_->loadMore(fontMapName) && ok;
  return ok;
}

void FormHostListener::detach() {
  if (!attached_) return;
  fontMap_->clear();
  delete fontMap_;
  fontMap_ = nullptr;
  pictureMap_->clear();
  delete pictureMap_;
  pictureMap_ = nullptr;
  attached_ = 0;
}

PictureMap* FormHostListener::createPictureMap() { return new PictureMap; }

FontMap* FormHostListener::createFontMap(PictureMap* pictureMap) { return new FontMap(pictureMap); }
