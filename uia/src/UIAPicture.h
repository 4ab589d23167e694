// Picture: the framework's pixel surface (32-bit 0xAARRGGBB words, rows top first, no gaps) with
// fills, copies, frame blits, nine-part frames and one-pixel lines, loaded from uncompressed TGA
// images. PictureFormat, its base, says how the picture is cut into frames and where the insets of
// its nine-part border lie; its 33-byte record is stored in picture maps.
#pragma once

#include "GPRegion.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class BinaryStream;

// Frame layouts of PictureFormat::mode.
enum PictureFrameMode { kFramesVertical = 1, kFramesHorizontal = 2 };

// Bits of PictureFormat::flags.
enum PictureInsetFlags { kInsetsTopBottom = 1, kInsetsLeftRight = 2 };

class PictureFormat {
 public:
  PictureFormat() = default;
  virtual ~PictureFormat() = default;
  PictureFormat(const PictureFormat&) = default;
  PictureFormat& operator=(const PictureFormat&) = default;

  virtual void setHasAlpha(bool on) { hasAlpha_ = on ? 1 : 0; }
  virtual void setHorizontalFrames(bool on) { mode_ = on ? kFramesHorizontal : kFramesVertical; }
  virtual void setMode(uint32_t mode) { mode_ = mode; }
  virtual void setFrameCount(uint32_t count) { frameCount_ = count; }
  virtual void setFlag1(bool on) { flags_ = on ? (flags_ | kInsetsTopBottom) : (flags_ & ~uint32_t(kInsetsTopBottom)); }
  virtual void setFlag2(bool on) { flags_ = on ? (flags_ | kInsetsLeftRight) : (flags_ & ~uint32_t(kInsetsLeftRight)); }
  virtual void setFirstInset(int32_t top) { insets_[0] = top; }
  virtual void setSecondInset(int32_t bottom) { insets_[1] = bottom; }
  virtual void setThirdInset(int32_t left) { insets_[2] = left; }
  virtual void setFourthInset(int32_t right) { insets_[3] = right; }
  // The 33-byte record (version word, has-alpha byte, mode, frame count, flags, four insets), in
  // the stream's byte order. read answers true without testing the version; write writes version 1.
  virtual bool read(BinaryStream& stream);
  virtual bool write(BinaryStream& stream);

  bool hasAlpha() const { return hasAlpha_ != 0; }
  uint32_t mode() const { return mode_; }
  uint32_t frameCount() const { return frameCount_; }
  uint32_t flags() const { return flags_; }
  int32_t topInset() const { return insets_[0]; }
  int32_t bottomInset() const { return insets_[1]; }
  int32_t leftInset() const { return insets_[2]; }
  int32_t rightInset() const { return insets_[3]; }

  static constexpr int kRecordSize = 33;

 protected:
  uint8_t hasAlpha_ = 0;              // pixels with alpha below 255: copies out of the picture blend
  uint32_t mode_ = kFramesVertical;   // PictureFrameMode
  uint32_t frameCount_ = 0;           // 0 and 1 both mean one frame
  uint32_t flags_ = 0;                // PictureInsetFlags
  int32_t insets_[4] = {0, 0, 0, 0};  // top, bottom, left, right (pixels)
};

class Picture;

// The two pixel kernels of a picture. Areas are in pixels of the picture (origin already applied);
// `stride` is the picture's width in pixels.
typedef void (*PictureFillRoutine)(uint32_t* pixels, size_t stride, int32_t x, int32_t y, int32_t w, int32_t h,
                                   uint32_t colour);
typedef void (*PictureCopyRoutine)(uint32_t* pixels, size_t stride, int32_t x, int32_t y, int32_t w, int32_t h,
                                   const Picture& source, int32_t sx, int32_t sy);

class Picture : public PictureFormat {
 public:
  // No pixels, origin 0, no clip; the kernels are chosen from the processor's features.
  Picture();
  ~Picture() override;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  // Makes the buffer hold width x height pixels (contents undefined). False when no buffer exists
  // afterwards, or when the size cannot be represented (the picture is then left as it was).
  virtual bool resize(uint32_t width, uint32_t height, bool force);

  // resize, then on success stores the size, sets the origin to (0, 0) and resets the clip.
  bool setSize(uint32_t width, uint32_t height, bool force);

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  uint32_t frameWidth() const;
  uint32_t frameHeight() const;
  uint32_t* pixels() { return pixels_; }
  const uint32_t* pixels() const { return pixels_; }
  // The 40 bytes in front of the pixels, kept free for a bitmap header (null without a buffer).
  void* headerReserve() { return raw_.get(); }
  size_t allocatedSize() const { return allocated_; }
  // The pixel at (x, y) of the buffer, ignoring origin and clip (no bounds check).
  uint32_t pixel(uint32_t x, uint32_t y) const { return pixels_[size_t(y) * width_ + x]; }

  // Clip and origin (drawing coordinates are relative to the origin).
  void resetClip();
  void setClipRect(const RegionRect& rect);
  void setOrigin(int32_t x, int32_t y);
  bool hasClip() const { return clipOn_ != 0; }
  const RegionRect& clip() const { return clip_; }
  int32_t originX() const { return originX_; }
  int32_t originY() const { return originY_; }
  // Clips rect (either orientation) to the clip rectangle: false and a zeroed rect when nothing is
  // left; else true, the clipped rect in its given orientation and, when given, how far its left and
  // top edges moved, as non-positive numbers.
  bool clipRect(RegionRect& rect, int32_t* dx, int32_t* dy) const;

  // Drawing. Colours are 0xAARRGGBB; alpha 255 stores the colour, 0 does nothing, any other alpha
  // blends with weights (256 - alpha, alpha) and leaves alpha 0. Copies out of a has-alpha source
  // blend each pixel with weights (255 - alpha, alpha).
  void fillArea(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);
  void copyArea(int32_t x, int32_t y, int32_t w, int32_t h, const Picture& source, int32_t sx, int32_t sy);
  void drawVerticalLine(int32_t x, int32_t y, int32_t h, uint32_t colour);
  void drawHorizontalLine(int32_t x, int32_t y, int32_t w, uint32_t colour);
  // Frame n of source (or the part sourceRect of it) to (x, y).
  void drawFrame(int32_t x, int32_t y, const Picture& source, uint32_t n, const RegionRect* sourceRect);
  // Frame n of source stretched over destRect by its insets (nine parts), limited to clipRect.
  void drawTiledFrame(const RegionRect& destRect, const Picture& source, uint32_t n, const RegionRect* clipRect);
  // The unclipped forms: the area lies in drawing coordinates; parts outside the picture (and, for
  // copies, outside the source) are left out. A copy's (sx, sy) are pixels of the source, whose
  // origin and clip do not apply.
  void fillAreaUC(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);
  void copyAreaUC(int32_t x, int32_t y, int32_t w, int32_t h, const Picture& source, int32_t sx, int32_t sy);

  // Reads an uncompressed true-colour TGA image of 16, 24 or 32 bits. With detectAlpha the has-alpha
  // flag is set from the pixels. False (the picture unchanged) for any other image or a short stream.
  bool readTga(BinaryStream& stream, bool detectAlpha);

  // Timing diagnostic: every 25th call of fillAreaUC / copyAreaUC is timed and printed.
  static void setFillTiming(bool on);
  static void setCopyTiming(bool on);

  // The kernels this picture uses.
  PictureFillRoutine fillRoutine() const { return fill_; }
  PictureCopyRoutine copyRoutine() const { return copy_; }

  static constexpr size_t kHeaderReserve = 40;

 private:
  void freeBuffer();
  void narrowClip(const RegionRect& rect);

  PictureFillRoutine fill_;
  PictureCopyRoutine copy_;
  std::unique_ptr<uint8_t[]> raw_;  // kHeaderReserve bytes, then the pixels
  uint32_t* pixels_ = nullptr;
  size_t allocated_ = 0;  // bytes of raw_
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint8_t clipOn_ = 0;
  RegionRect clip_ = {0, 0, 0, 0};  // drawing coordinates, right and bottom outside
  int32_t originX_ = 0;
  int32_t originY_ = 0;
};

// A picture's origin and clip, captured when made and put back by restore.
class PictureState {
 public:
  explicit PictureState(const Picture& picture);
  void restore(Picture& picture) const;

 private:
  int32_t originX_, originY_;
  bool clipOn_;
  RegionRect clip_;
};

// The kernels by variant (0 portable; 1, 2 and 3 the processor variants of the feature bits
// {0}, {0, 1} and {0, 1, 3}), and the variant the platform library's feature bits select.
PictureFillRoutine uiaPictureFillRoutine(int variant);
PictureCopyRoutine uiaPictureCopyRoutine(int variant);
int uiaPictureVariantFor(uint32_t featureBits);
