// The "FRM" form record: reading (versions 1 to 4, widget entries old and new) and writing (4).
#include <cstring>

#include "GPBinaryStream.h"
#include "GPPath.h"
#include "NGLForm.h"
#include "NGLPictureMap.h"
#include "NGLRecord.h"
#include "NGLStreamState.h"
#include "NGLWidget.h"

namespace {

// The file name with its extension of a path stored by older records ("x/selector.dll" gives
// "selector.dll").
std::string fileNameOf(const std::string& stored) {
  Path path;
  path.fromCString(stored.c_str());
  if (path.name().empty() && path.extension().empty()) return stored;
  return path.extension().empty() ? path.name() : path.name() + "." + path.extension();
}

}  // namespace

bool Form::readEntry(BinaryStream& stream, uint32_t formVersion) {
  Widget* widget = nullptr;
  int32_t id = 0;
  bool hasOldRect = false;
  RegionRect oldRect = {0, 0, 0, 0};
  if (formVersion >= 4) {
    stream.readU32();  // marker
    id = stream.readInt32();
    std::string className, alternative;
    if (!nglReadString(stream, className) || !nglReadString(stream, alternative)) return false;
    if (!alternative.empty() && WidgetRegistry::has(alternative))
      widget = WidgetRegistry::create(alternative);
    else
      widget = WidgetRegistry::create(className);
    if (!widget) return false;
    widget->setAlternativeClassName(alternative);
    widget->setEntryClassName(className);
  } else {
    id = stream.readInt32();
    oldRect.x1 = stream.readInt32();
    oldRect.y1 = stream.readInt32();
    oldRect.x2 = stream.readInt32();
    oldRect.y2 = stream.readInt32();
    hasOldRect = true;
    if (!nglStreamOk(stream)) return false;
    // The record names its class itself; look ahead, then let the widget read it whole.
    const int32_t start = stream.stream()->tell();
    const uint32_t recordVersion = stream.readU32();
    std::string name;
    if (!nglReadByteString(stream, name)) return false;
    if (recordVersion < 4) name = fileNameOf(name);
    stream.stream()->seek(start, kSeekStart);
    if (!nglStreamOk(stream)) return false;
    widget = WidgetRegistry::create(name);
    if (!widget) return false;
  }
  if (!widget->read(stream)) {
    delete widget;
    return false;
  }
  widget->setId(id);
  if (hasOldRect) widget->setRect(oldRect);
  addWidget(widget);
  return true;
}

bool Form::read(BinaryStream& stream) {
  const uint32_t version = stream.readU32();
  if (!nglStreamOk(stream) || version < 1 || version > 4) return false;
  FormSize size = size_;
  if (version == 1) {
    const uint32_t pictureId = stream.readU32();
    if (!nglStreamOk(stream)) return false;
    background_.setKind(kBackgroundFrame);
    background_.releasePicture(pictureMap());
    background_.setPictureId(pictureId, pictureMap(), false);
  } else {
    background_.releasePicture(pictureMap());
    if (!background_.read(stream)) return false;
  }
  if (version >= 3) {
    size.width = stream.readInt32();
    size.height = stream.readInt32();
  }
  const int32_t count = stream.readInt32();
  if (!nglStreamOk(stream)) return false;
  size_ = size;
  clear();
  // Each entry takes bytes: a count beyond the data fails at the first missing entry, and nothing
  // is reserved for it up front.
  for (int32_t i = 0; i < count; ++i)
    if (!readEntry(stream, version)) return false;
  return nglStreamOk(stream);
}

bool Form::write(BinaryStream& stream) {
  stream.writeU32(4);
  if (!background_.write(stream)) return false;
  stream.writeU32(static_cast<uint32_t>(size_.width));
  stream.writeU32(static_cast<uint32_t>(size_.height));
  uint32_t count = 0;
  for (Widget* widget : widgets_)
    if (widget->id() >= 0) ++count;
  stream.writeU32(count);
  for (Widget* widget : widgets_) {
    if (widget->id() < 0) continue;
    stream.writeU32(1);
    stream.writeU32(static_cast<uint32_t>(widget->id()));
    stream.writeString(widget->entryClassName().empty() ? widget->className() : widget->entryClassName());
    stream.writeString(widget->alternativeClassName());
    if (!widget->write(stream)) return false;
  }
  return nglStreamOk(stream);
}
