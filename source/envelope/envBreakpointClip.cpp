// The breakpoint clipboard: a run of breakpoints copied with the whole envelope it came from, and
// the paste that replaces the selected breakpoint of the target by that run.
#include <cstring>

#include "controls/ctrlItems.h"
#include "engine/engine.h"
#include "envelope/envClipboard.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envView.h"
#include "preset/envelope.h"

namespace {

struct BpClipboard {
  std::int16_t first = envBpClipEmpty;
  std::int16_t last = envBpClipEmpty;
  EnvelopeSlot slot{};
};

BpClipboard& clip() {
  static BpClipboard c;
  return c;
}

// The level a breakpoint added only to be replaced by the paste is given.
const double kPlaceholderLevel = 0.5;

}  // namespace

bool envBpClipHasContent() { return clip().first != envBpClipEmpty; }
std::int16_t envBpClipFirst() { return clip().first; }
std::int16_t envBpClipLast() { return clip().last; }

bool envBpSelIsRange(WinId win) {
  const EnvelopeView* v = envViewOf(win);
  return v && v->bpSelAnchor > -2 && v->bpSelFirst != v->bpSelLast;
}

void envBpClipClear() {
  BpClipboard& c = clip();
  c.first = c.last = envBpClipEmpty;
  envInitSlot(&c.slot, 0, envDestNone);
}

void envBpClipStore(WinId win, const EnvelopeSlot* slot) {
  const EnvelopeView* v = envViewOf(win);
  if (!v || !slot) return;
  const std::int16_t first = v->bpSelFirst, last = v->bpSelLast;
  envBpClipClear();
  BpClipboard& c = clip();
  c.slot = *slot;
  c.first = first;
  c.last = last;
}

bool envBpSplice(EnvelopeSlot* target, EnvelopeSlot* from, int first, int last, int p) {
  if (!target || !from || first < 0 || last < first || last >= envBreakpointCount) return false;
  int targetLast = target->lastIndex;
  if (targetLast < 0 || targetLast >= envBreakpointCount || p < 0 || p > targetLast) return false;
  const int d = last - first;
  from->breakpoints[first].time = target->breakpoints[p].time;

  Breakpoint merged[envBreakpointCount * 2];
  int n = 0;
  for (int k = 0; k < p; ++k) merged[n++] = target->breakpoints[k];
  for (int k = first; k <= last; ++k) merged[n++] = from->breakpoints[k];
  for (int k = p + 1; k <= targetLast; ++k) merged[n++] = target->breakpoints[k];
  if (n > envBreakpointCount) n = envBreakpointCount;
  std::memcpy(target->breakpoints, merged, sizeof(Breakpoint) * static_cast<std::size_t>(n));

  if (target->sustainIndex >= p) {
    target->sustainIndex = static_cast<std::int16_t>(target->sustainIndex + d);
    target->releaseIndex = target->sustainIndex;
  }
  if (target->loopStart >= p) target->loopStart = static_cast<std::int16_t>(target->loopStart + d);
  target->lastIndex = static_cast<std::int16_t>(n - 1);
  return true;
}

void envBpClipPaste(WinId win, EnvelopeSlot* target) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  BpClipboard& c = clip();
  if (!v || !e || !target || !envBpClipHasContent() || c.first > c.last) return;
  std::int16_t index = -1;
  for (std::int16_t i = 0; i < envSlotCount; ++i)
    if (envSlot(e, i) == target) index = i;
  if (index < 0) return;

  if (v->bpSelFirst < 0) {
    // No breakpoint selected: one is added at the last press, on the selected row (the row under
    // the mouse may be another, or none).
    const double seconds = envGraphXToSeconds(win, v->graphX0, v->pressX);
    envGraphClearBpSelection(win);
    ControlItem* row =
        v->selectedItem >= envItemGraphFirst ? envGraphItem(win, static_cast<std::uint16_t>(v->selectedItem)) : nullptr;
    if (row && envGraphSlotOfItem(row) == index) envGraphAddBreakpoint(row, target, seconds, kPlaceholderLevel);
    envPageBegin(win);
    if (v->bpSelFirst < 0) return;
  }
  const std::int16_t p = v->bpSelFirst;
  const int d = c.last - c.first;

  envSlotWaitAudio(e, static_cast<std::uint16_t>(index));
  const bool done = envBpSplice(target, &c.slot, c.first, c.last, p);
  if (done) {
    // The hold and loop points stay where the splice put them; only a run cut off at 68 breakpoints
    // can carry them past the end.
    if (target->sustainIndex >= target->lastIndex || target->loopStart >= target->lastIndex)
      envClampLoopPoints(e, index);
    envCompileIfControl(e, index);
  }
  envSlotMarkPending(e, index);
  if (!done) return;
  envGraphClearBpSelection(win);
  int sel = p + d;
  if (sel > target->lastIndex) sel = target->lastIndex;
  envGraphExtendBpSelection(win, static_cast<std::int16_t>(sel));
}
