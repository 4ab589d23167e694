// The drawing context of a framework window: wraps the window's GDI device context while the window
// paints or while code holds it, remembers which cached pen, brush and font it selected so that the
// device's defaults can be put back before the device context is returned, and copies Picture pixels
// to the window. Beside it: the framework's default font and its one shared memory device context.
#pragma once

#include "UIAGdiCache.h"

#include <windows.h>

#include <cstdint>
#include <memory>

class Picture;
class UiaFont;

// "No colour" in the selection state.
constexpr uint32_t kNoColour = 0x1000000;
// Text state at the device defaults: alignment 5 in the low four bits, background mode 16 (opaque).
constexpr uint32_t kTextStateDefault = 21;

// What a drawing context has selected into its device context.
struct DrawSelection {
  UiaUserLink penLink;
  UiaUserLink brushLink;
  UiaUserLink fontLink;
  HDC dc = nullptr;
  GdiCacheHolder* pen = nullptr;
  uint32_t penColour = kNoColour;
  int32_t rasterOp = R2_COPYPEN;
  GdiCacheHolder* brush = nullptr;
  uint32_t brushColour = kNoColour;
  UiaFont* font = nullptr;
  uint32_t textState = kTextStateDefault;
  uint32_t colours[2] = {kNoColour, kNoColour};

  void reset(HDC device);
};

class DrawContext {
 public:
  DrawContext();
  // Takes itself off the user lists of what it still has selected.
  virtual ~DrawContext();
  DrawContext(const DrawContext&) = delete;
  DrawContext& operator=(const DrawContext&) = delete;

  // Called by a cached pen, brush or font that is being deleted while this context has it
  // selected: the stock black pen, white brush or variable-width system font is selected instead.
  virtual void releasePen();
  virtual void releaseBrush();
  virtual void releaseFont();

  // Starts using a device context (selection state at the device defaults).
  void setDC(HDC dc);
  // Puts the device defaults back and answers the device context; the context is then out of use.
  HDC takeDC();
  // The device context in use (null while out of use): the context's second word.
  HDC dc() const { return dc_; }

  // The paint record while the window paints (null otherwise).
  void setPaint(PAINTSTRUCT* paint) { paint_ = paint; }
  PAINTSTRUCT* paint() const { return paint_; }

  // During a paint: the invalid part of the picture, drawn with its origin at the client origin.
  // Outside a paint nothing is drawn.
  void blit(Picture& picture);

  // Selections through the caches; false when out of use or the object cannot be had.
  bool selectPen(uint32_t colour);
  bool selectPen(uint32_t colour, int32_t width, uint32_t style);
  bool selectBrush(uint32_t colour);
  bool selectFont(UiaFont& font);

  const DrawSelection& selection() const { return *selection_; }

 private:
  bool selectPenKey(const GdiCacheKey& key, uint32_t colour);
  // Takes this context off the user lists of the pen, brush and font it has selected.
  void leaveUserLists();

  HDC dc_ = nullptr;
  uint32_t spare_[2] = {0, 0};  // cleared with every device context
  std::unique_ptr<DrawSelection> selection_;
  PAINTSTRUCT* paint_ = nullptr;
};

// Bits of UiaFontSpec::flags.
enum UiaFontFlags { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4, kFontNeverStock = 8 };

struct UiaFontSpec {
  const char* face;
  int32_t height;  // as CreateFontA takes it
  uint32_t flags;  // UiaFontFlags
};

class UiaFont {
 public:
  UiaFont() = default;
  virtual ~UiaFont();
  UiaFont(const UiaFont&) = delete;
  UiaFont& operator=(const UiaFont&) = delete;

  // False when the font already holds a handle (nothing done) or CreateFontA fails. The face
  // "ANSI Var" without kFontNeverStock is the stock variable-width system font.
  bool create(const UiaFontSpec& spec);
  // Every context that has the font selected releases it; the handle is deleted unless stock.
  void free();

  HFONT handle() const { return handle_; }
  bool isStock() const { return stock_ != 0; }
  UiaUserList& users() { return users_; }

 private:
  UiaUserList users_;
  HFONT handle_ = nullptr;
  uint8_t stock_ = 0;
  uint32_t kind_ = 5;
};

// The framework's default font {"ANSI Var", 0, 0}: steps of uiaInit and uiaExit.
bool uiaCreateDefaultFont();
void uiaFreeDefaultFont();
UiaFont& uiaDefaultFont();

// The shared memory device context, made once together with the pen and brush caches.
bool uiaCreateMemoryDC();
void uiaDeleteMemoryDC();
HDC uiaMemoryDC();
