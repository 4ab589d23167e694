// The setup dialog's list widgets and their registration.
#include "ABSetupLists.h"

#include <algorithm>

#include "NGLWidget.h"
#include "UIAPicture.h"

void AudioRoutingList::drawCell(Picture& picture, const char* text, int32_t column, const RegionRect& rect,
                                bool selected) {
  if (column == 0) {
    List::drawCell(picture, text, column, rect, selected);
    return;
  }
  if (column == 1) {
    RegionRect clip = rect;
    if (picture.hasClip()) {
      const RegionRect& c = picture.clip();
      clip = {std::max(rect.x1, c.x1), std::max(rect.y1, c.y1), std::min(rect.x2, c.x2), std::min(rect.y2, c.y2)};
      if (clip.isEmpty()) return;
    }
    headerStyle().draw(picture, rect, 0, clip, text, false);
    return;
  }
  if (column == 2 && icon1Picture()) picture.drawFrame(rect.x1, rect.y1, *icon1Picture(), 0, nullptr);
}

namespace {

const char* routingListName() { return "AudioRoutingList"; }

const char* midiListName() { return "AudioMidiList"; }

}  // namespace

void abRegisterSetupLists() {
  // The registry is emptied when the form library ends: register again after a restart.
  if (!WidgetRegistry::has(routingListName()))
    nglRegisterWidgetClass(routingListName, []() -> Widget* { return new AudioRoutingList; });
  if (!WidgetRegistry::has(midiListName()))
    nglRegisterWidgetClass(midiListName, []() -> Widget* { return new AudioMidiList; });
}
