#include "nglTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

#include "NGLFontMap.h"
#include "NGLForm.h"
#include "NGLFormDialogHost.h"
#include "NGLFormHost.h"
#include "NGLList.h"
#include "NGLPictureMap.h"
#include "NGLStreamState.h"
#include "NGLSwitch.h"
#include "UIAPicture.h"

const char* const kProbeClass = "Probe";
const char* const kSwitchClass = "Switch";
const char* const kAltClass = "ProbeAlt";
const char* const kOldClass = "probe.dll";
int ProbeWidget::live = 0;

namespace {

Widget* makeProbe() { return new ProbeWidget; }

}  // namespace

void registerTestWidgetClasses() {
  WidgetRegistry::add(kProbeClass, makeProbe);
  registerSwitch();
  registerList();
  WidgetRegistry::add(kAltClass, makeProbe);
  WidgetRegistry::add(kOldClass, makeProbe);
}

bool ProbeWidget::handleEvent(int32_t code, void* data) {
  codes.push_back(code);
  if (journal) journal->push_back(std::to_string(id()) + ":" + std::to_string(code));
  if (code >= 1000 && code <= 1099 && data) {
    const int32_t* p = static_cast<const int32_t*>(data);
    positions.push_back({p[0], p[1]});
  }
  if (code == UIA_EVENT_TIMER) ++timerEvents;
  const bool base = Widget::handleEvent(code, data);
  if (consume && code >= 1000 && code <= 1002) return true;
  return base;
}

void ProbeWidget::paint(Picture& picture) {
  ++paints;
  picture.fillArea(rect_.x1, rect_.y1, rect_.x2 - rect_.x1, rect_.y2 - rect_.y1, colour);
}

VectorStream::VectorStream(const std::vector<uint8_t>& bytes) : bytes_(bytes) {
  // An empty vector still needs a valid buffer address.
  if (bytes_.empty()) bytes_.reserve(1);
  memory_.open(1, bytes_.data(), int32_t(bytes.size()));
  setStream(&memory_);
}

VectorStream::VectorStream(size_t capacity) : bytes_(capacity) {
  memory_.open(2, bytes_.data(), int32_t(capacity));
  setStream(&memory_);
}

std::vector<uint8_t> VectorStream::written() const {
  const int32_t end = memory_.tell();
  return std::vector<uint8_t>(bytes_.begin(), bytes_.begin() + (end > 0 ? end : 0));
}

BinaryStream* MemoryFormHost::openResource(int32_t id, const char* type) {
  if (std::strcmp(type, "FRM") != 0) return FormHostListener::openResource(id, type);
  auto found = forms.find(id);
  if (found == forms.end()) return nullptr;
  ++opened;
  return new VectorStream(found->second);
}

Bytes& Bytes::u32(uint32_t v) {
  for (int i = 0; i < 4; ++i) data.push_back(uint8_t(v >> (8 * i)));
  return *this;
}

Bytes& Bytes::u8(uint8_t v) {
  data.push_back(v);
  return *this;
}

Bytes& Bytes::str(const std::string& s) {
  u32(uint32_t(s.size()));
  data.insert(data.end(), s.begin(), s.end());
  return *this;
}

Bytes& Bytes::shortStr(const std::string& s) {
  u8(uint8_t(s.size()));
  data.insert(data.end(), s.begin(), s.end());
  return *this;
}

Bytes& Bytes::fill(uint32_t kind, uint32_t colour, uint32_t pictureId) {
  return u32(1).u32(kind).u32(colour).u32(1).u32(pictureId);
}

Bytes& Bytes::record6(int32_t l, int32_t t, int32_t r, int32_t b, uint8_t transparent, uint32_t anchor,
                      uint32_t layer) {
  return u32(6)
      .u32(uint32_t(l))
      .u32(uint32_t(t))
      .u32(uint32_t(r))
      .u32(uint32_t(b))
      .u8(transparent)
      .u32(anchor)
      .u32(layer);
}

void setSwitchText(Switch* widget, const char* text) {
  if (widget->textStyle().setText(text)) widget->invalidate(0);
}

Form* addHostPanel(FormDialogHost& host, FormHostListener& resources, const FormSize& size) {
  FormWindow& window = *host.formWindow();
  window.setOwnsChildren(true);
  Form* panel = new Form;
  panel->setProvider(&resources);
  panel->setSize(size);
  window.appendChild(panel, true);
  if (!panel->isLaidOut()) panel->layout();
  return panel;
}
