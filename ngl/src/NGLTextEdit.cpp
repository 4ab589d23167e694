// TextEdit: line breaking, editing by keys, characters and the mouse, the clipboard, committing and
// reverting, painting and the widget record.
#include "NGLTextEdit.h"

#include <algorithm>
#include "GPBinaryStream.h"
#include "NGLBitmapFont.h"
#include "NGLClipboard.h"
#include "NGLFontMap.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLStreamState.h"
#include "UIAKeys.h"
#include "UIAPicture.h"

namespace {

constexpr int32_t kBlinkPeriod = 10;
// The caret blinks on widget timer 1: timer 0 is the scroll bars' page repeat, which a multi-line
// field has too, and a release of the track removes timer 0.
constexpr int32_t kBlinkTimer = 1;
constexpr uint32_t kKeyMask = 0xFFFF;
enum : uint32_t {
  kKeyEsc = 1,
  kKeyBackspace = 5,
  kKeyTab = 6,
  kKeyEnter = 13,
  kKeyDelete = 21,
  kKeyHome = 22,
  kKeyEnd = 23,
  kKeyCommit = 159,
  kKeyC = 67,
  kKeyV = 86,
  kKeyX = 88
};

}  // namespace

TextEdit::TextEdit() { setFocusable(true); }

void registerTextEdit() {
  WidgetRegistry::add("TextEdit", []() -> Widget* { return new TextEdit; });
}

// ---- measuring and line breaking ----

int32_t TextEdit::charWidth(uint8_t c) const {
  const BitmapFont* font = style_.font();
  if (!font) return 8;
  const char s[2] = {char(c), 0};
  return font->textWidth(s, 1);
}

int32_t TextEdit::textWidthOf(const char* text, int32_t count) const {
  const BitmapFont* font = style_.font();
  if (!font) return 8 * count;
  return font->textWidth(text, uint32_t(count));
}

// The index (0..count) of the caret position nearest to x in the first count characters.
int32_t TextEdit::indexInText(const char* text, int32_t count, int32_t x) const {
  if (x <= 0) return 0;
  int32_t pen = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t w = charWidth(uint8_t(text[i]));
    if (x < pen + (w + 1) / 2) return i;
    pen += w;
  }
  return count;
}

int32_t TextEdit::lineHeight() const {
  const BitmapFont* font = style_.font();
  if (!font) return 8;
  const int32_t h = font->height();
  return std::max(h * 12 / 10, h + 2);
}

std::vector<TextEdit::Line> TextEdit::lines() {
  std::vector<Line> out;
  const std::string& t = style_.text();
  const int32_t n = int32_t(t.size());
  const int32_t available = (view_.x2 - view_.x1) - style_.leftMargin() - style_.rightMargin();
  const bool trim = trimWrappedSpaces_ && multiLine_ && readOnly_;
  int32_t pos = 0;
  do {
    const int32_t start = pos;
    int32_t width = 0, lastSpace = -1, i = start;
    Line line = {start, n, n};
    for (; i < n; ++i) {
      const uint8_t c = uint8_t(t[size_t(i)]);
      if (c == '\n') {
        line = {start, i, i + 1};
        break;
      }
      const int32_t w = charWidth(c);
      if (width + w > available && i > start) {
        if (lastSpace >= 0)
          line = {start, lastSpace + 1, lastSpace + 1};
        else
          line = {start, i, i};
        break;
      }
      if (c == ' ') lastSpace = i;
      width += w;
    }
    if (i >= n) line = {start, n, n};
    if (trim && line.end == line.next)
      while (line.next < n && t[size_t(line.next)] == ' ') ++line.next;
    out.push_back(line);
    // A text ending in a line feed has an empty last line.
    if (line.next >= n) {
      if (line.end < line.next && t[size_t(n - 1)] == '\n') out.push_back({n, n, n});
      break;
    }
    pos = line.next;
  } while (pos <= n);
  return out;
}

void TextEdit::contentSize(int32_t& width, int32_t& height) {
  if (!multiLine_) {
    width = height = 1;
    return;
  }
  const std::vector<Line> ls = lines();
  if (ls.size() <= 1) {
    width = height = 1;
    return;
  }
  width = (rect_.x2 - rect_.x1) - 2 * scrollBarSpace() - style_.leftMargin() - style_.rightMargin();
  height = int32_t(ls.size()) * lineHeight();
}

int32_t TextEdit::lineOfCaret(const std::vector<Line>& ls) const {
  for (size_t k = 0; k < ls.size(); ++k) {
    if (caretAtLineEnd_ && caret_ == ls[k].end) return int32_t(k);
    if (caret_ < ls[k].next) return int32_t(k);
  }
  return int32_t(ls.size()) - 1;
}

bool TextEdit::isWrapBoundary(const std::vector<Line>& ls, int32_t index) const {
  for (size_t k = 0; k + 1 < ls.size(); ++k)
    if (ls[k].end == index && ls[k].end == ls[k].next && index > ls[k].start) return true;
  return false;
}

int32_t TextEdit::lineAlignOffset(int32_t lineWidth) const {
  const int32_t width =
      (multiLine_ ? view_.x2 - view_.x1 : rect_.x2 - rect_.x1) - style_.leftMargin() - style_.rightMargin();
  int32_t o = 0;
  if (style_.horizontalAlignment() == 1)
    o = (width - lineWidth) / 2;
  else if (style_.horizontalAlignment() == 2)
    o = width - lineWidth;
  return std::max(0, o);
}

void TextEdit::relayout() {
  layoutScrollBars();
  layoutScrollBars();  // the view may have changed with the bars
}

void TextEdit::scrollToCaret() {
  if (!multiLine_ || caret_ < 0) return;
  relayout();
  const std::vector<Line> ls = lines();
  const int32_t n = lineOfCaret(ls);
  const int32_t lh = lineHeight();
  const int32_t visible = (rect_.y2 - rect_.y1) - style_.topMargin() - style_.bottomMargin();
  const int64_t top = int64_t(n) * lh;
  if (top + offsetY_ < 0)
    setScrollOffset(offsetX_, int32_t(-top));
  else if (top + lh + offsetY_ > visible)
    setScrollOffset(offsetX_, int32_t(visible - lh - top));
  invalidate(0);
}

// ---- text changes ----

bool TextEdit::selection(int32_t& from, int32_t& to) const {
  if (selectionAnchor_ < 0 || selectionAnchor_ == selectionEnd_ || selectionEnd_ < 0) return false;
  const int32_t n = int32_t(style_.text().size());
  from = std::min(std::min(selectionAnchor_, selectionEnd_), n);
  to = std::min(std::max(selectionAnchor_, selectionEnd_), n);
  return from < to;
}

void TextEdit::storeText(const std::string& s) {
  style_.setText(s.c_str());
  relayout();
  invalidate(0);
}

void TextEdit::deleteSelection() {
  int32_t from, to;
  if (!selection(from, to)) return;
  std::string t = style_.text();
  t.erase(size_t(from), size_t(to - from));
  caret_ = from;
  if (!multiLine_ && firstVisible_ > from) firstVisible_ = from;
  clearSelection();
  storeText(t);
}

void TextEdit::insertText(const std::string& s) {
  deleteSelection();
  clearSelection();
  std::string t = style_.text();
  caret_ = std::max(0, std::min(caret_, int32_t(t.size())));
  t.insert(size_t(caret_), s);
  caret_ += int32_t(s.size());
  storeText(t);
}

void TextEdit::setText(const char* text) {
  if (!style_.setText(text)) return;
  if (caret_ > int32_t(style_.text().size())) caret_ = int32_t(style_.text().size());
  relayout();
  clearSelection();
  invalidate(0);
}

void TextEdit::setFont(uint32_t fontId) {
  if (fontId == style_.fontId()) return;
  FormHostListener* host = parent_ ? parent_->provider() : nullptr;
  FontMap* map = host && host->isAttached() ? host->fontMap() : nullptr;
  if (map) style_.releaseFont(map);
  style_.setFontId(fontId, map, false);
  relayout();
  clearSelection();
  invalidate(0);
}

void TextEdit::setInsetLeft(int32_t v) {
  style_.setLeftMargin(v);
  relayout();
  clearSelection();
  invalidate(0);
}
void TextEdit::setInsetRight(int32_t v) {
  style_.setRightMargin(v);
  relayout();
  clearSelection();
  invalidate(0);
}
void TextEdit::setInsetTop(int32_t v) {
  style_.setTopMargin(v);
  relayout();
  clearSelection();
  invalidate(0);
}
void TextEdit::setInsetBottom(int32_t v) {
  style_.setBottomMargin(v);
  relayout();
  clearSelection();
  invalidate(0);
}

void TextEdit::setMultiLine(bool on) {
  if (on == multiLine_) return;
  multiLine_ = on;
  relayout();
  invalidate(0);
}

void TextEdit::setTrimWrappedSpaces(bool on) {
  if (on == trimWrappedSpaces_) return;
  trimWrappedSpaces_ = on;
  relayout();
  invalidate(0);
}

void TextEdit::setReadOnly(bool on) {
  readOnly_ = on;
  if (on && editState_ == 1) commit(0, nullptr);
}

// ---- editing states ----

void TextEdit::startEditing(bool idle) {
  if (idle) {
    savedText_ = style_.text();
    caretAtLineEnd_ = false;
  }
}

void TextEdit::selectAllAndFocus() {
  selectionAnchor_ = 0;
  selectionEnd_ = int32_t(style_.text().size());
  caret_ = 0;
  editState_ = 1;
  caretShown_ = true;
  if (parent_) parent_->requestFocus(this, true);
}

bool TextEdit::beginEditAt(int32_t x, int32_t y) {
  if (x < rect_.x1 || x >= rect_.x2 || y < rect_.y1 || y >= rect_.y2) return false;
  if (editState_ == 0) {
    startEditing(true);
    TextEditCause cause = {0, nullptr};
    notifyListeners(NGL_NOTIFY_EDIT_BEGIN, &cause, false);
  }
  if (editState_ != 1) selectAllAndFocus();
  invalidate(0);
  return true;
}

void TextEdit::commit(int32_t code, void* data) {
  const std::string committed = style_.text();
  TextEditCommit payload = {code, data, committed.c_str()};
  notifyListeners(NGL_NOTIFY_TEXT_COMMIT, &payload, false);
  caret_ = -1;
  caretAtLineEnd_ = false;
  firstVisible_ = 0;
  if (parent_) parent_->requestFocus(this, false);
  clearSelection();
  if (editState_ != 0) {
    editState_ = 0;
    TextEditCause cause = {code, data};
    notifyListeners(NGL_NOTIFY_EDIT_END, &cause, false);
  }
  invalidate(0);
}

void TextEdit::cancel(int32_t code, void* data) {
  TextEditCause cause = {code, data};
  notifyListeners(NGL_NOTIFY_EDIT_END, &cause, false);
  style_.setText(savedText_.c_str());
  caret_ = -1;
  caretAtLineEnd_ = false;
  firstVisible_ = 0;
  clearSelection();
  if (parent_) parent_->requestFocus(this, false);
  editState_ = 0;
  relayout();
  invalidate(0);
}

void TextEdit::focusChanged() {
  if (!isFocused() && editState_ == 1) commit(NGL_NOTIFY_FOCUS, nullptr);
}

// ---- input ----

void TextEdit::moveCaret(int32_t to, bool shift) {
  if (shift) {
    if (selectionAnchor_ < 0) selectionAnchor_ = caret_;
    caret_ = to;
    selectionEnd_ = caret_;
  } else {
    caret_ = to;
    clearSelection();
  }
  caretShown_ = true;
  invalidate(0);
}

bool TextEdit::handleKey(UiaKeyEvent* e) {
  if (readOnly_ || editState_ == 0) return false;
  const std::string& t = style_.text();
  const int32_t n = int32_t(t.size());
  caret_ = std::max(0, std::min(caret_, n));
  const uint32_t key = e->key & kKeyMask;
  const bool ctrl = (e->key & kModCtrl) != 0;
  const bool shift = (e->key & kModShift) != 0;
  int32_t from, to;
  if (editState_ == 1 && ctrl && (key == kKeyX || key == kKeyC || key == kKeyV)) {
    if (key == kKeyV) {
      std::string pasted;
      if (nglPasteText(pasted)) {
        caretAtLineEnd_ = false;
        insertText(pasted);
        scrollToCaret();
      }
    } else if (!password_ && selection(from, to)) {
      // A password field keeps its clear text off the clipboard.
      nglCopyText(t.substr(size_t(from), size_t(to - from)));
      if (key == kKeyX) {
        caretAtLineEnd_ = false;
        deleteSelection();
        scrollToCaret();
      }
    }
    return true;
  }
  switch (key) {
    case kKeyEnter:
      if (multiLine_ && !ctrl) return true;  // the character event inserts the line feed
      if (e->firstPress) commit(UIA_EVENT_KEY_DOWN, e);
      return true;
    case kKeyTab:
    case kKeyCommit:
      if (e->firstPress) commit(UIA_EVENT_KEY_DOWN, e);
      return true;
    case kKeyEsc:
      if (e->firstPress) cancel(UIA_EVENT_KEY_DOWN, e);
      return true;
    case kKeyBackspace:
    case kKeyDelete: {
      caretAtLineEnd_ = false;
      if (selection(from, to)) {
        deleteSelection();
      } else {
        const int32_t at = key == kKeyBackspace ? caret_ - 1 : caret_;
        if (at >= 0 && at < n) {
          std::string s = t;
          s.erase(size_t(at), 1);
          caret_ = at;
          if (!multiLine_ && firstVisible_ > caret_) firstVisible_ = caret_;
          clearSelection();
          storeText(s);
        }
      }
      if (key == kKeyBackspace) scrollToCaret();
      invalidate(0);
      return true;
    }
    case kKeyLeft:
    case kKeyRight: {
      const bool right = key == kKeyRight;
      if ((right && caret_ >= n) || (!right && caret_ <= 0)) {
        if (!shift) clearSelection();
        caretAtLineEnd_ = false;
        invalidate(0);
        return true;
      }
      if (multiLine_) {
        const std::vector<Line> ls = lines();
        if (right) {
          if (caretAtLineEnd_) {
            caretAtLineEnd_ = false;
            moveCaret(caret_, shift);
          } else {
            moveCaret(caret_ + 1, shift);
            caretAtLineEnd_ = isWrapBoundary(ls, caret_);
          }
        } else if (!caretAtLineEnd_ && isWrapBoundary(ls, caret_)) {
          caretAtLineEnd_ = true;
          moveCaret(caret_, shift);
        } else {
          caretAtLineEnd_ = false;
          moveCaret(caret_ - 1, shift);
        }
        scrollToCaret();
      } else {
        moveCaret(right ? caret_ + 1 : caret_ - 1, shift);
      }
      return true;
    }
    case kKeyUp:
    case kKeyDown: {
      if (!multiLine_) return true;
      const std::vector<Line> ls = lines();
      const int32_t k = lineOfCaret(ls);
      const int32_t target = key == kKeyUp ? k - 1 : k + 1;
      if (target < 0 || target >= int32_t(ls.size())) return true;
      const Line& cur = ls[size_t(k)];
      const int32_t x = textWidthOf(t.c_str() + cur.start, caret_ - cur.start);
      const Line& dst = ls[size_t(target)];
      const int32_t index = dst.start + indexInText(t.c_str() + dst.start, dst.end - dst.start, x);
      moveCaret(index, shift);
      caretAtLineEnd_ = index == dst.end && dst.end == dst.next && target + 1 < int32_t(ls.size());
      scrollToCaret();
      return true;
    }
    case kKeyHome:
    case kKeyEnd: {
      const bool home = key == kKeyHome;
      if (!multiLine_ || ctrl) {
        caretAtLineEnd_ = false;
        moveCaret(home ? 0 : n, shift);
        if (multiLine_) {
          if (home)
            setScrollOffset(offsetX_, 0);
          else
            scrollToCaret();
        }
        return true;
      }
      const std::vector<Line> ls = lines();
      const Line& cur = ls[size_t(lineOfCaret(ls))];
      moveCaret(home ? cur.start : cur.end, shift);
      caretAtLineEnd_ = !home && cur.end == cur.next && &cur != &ls.back();
      return true;
    }
    default: return false;
  }
}

bool TextEdit::handleChar(uint8_t c) {
  if (readOnly_ || editState_ == 0) return false;
  if (c == 13 && multiLine_)
    c = 10;
  else if (c < 32)
    return false;
  const std::string& t = style_.text();
  caret_ = std::max(0, std::min(caret_, int32_t(t.size())));
  // A line feed typed where the caret follows a line feed at a line end or the text's end keeps
  // the caret in front of the new one.
  const bool keepBefore = c == 10 && caret_ > 0 && t[size_t(caret_ - 1)] == '\n' &&
                          (caret_ == int32_t(t.size()) || t[size_t(caret_)] == '\n');
  insertText(std::string(1, char(c)));
  if (keepBefore) --caret_;
  caretAtLineEnd_ = false;
  scrollToCaret();
  return true;
}

int32_t TextEdit::indexAt(int32_t x, int32_t y) {
  const std::string& t = style_.text();
  if (multiLine_) {
    const std::vector<Line> ls = lines();
    const int32_t lh = lineHeight();
    int64_t row = (int64_t(y) - view_.y1 - style_.topMargin() - offsetY_);
    row = row < 0 ? 0 : row / lh;
    row = std::min<int64_t>(row, int64_t(ls.size()) - 1);
    const Line& l = ls[size_t(row)];
    const int32_t w = textWidthOf(t.c_str() + l.start, l.end - l.start);
    const int32_t rx = x - (view_.x1 + style_.leftMargin() + offsetX_ + lineAlignOffset(w));
    return l.start + indexInText(t.c_str() + l.start, l.end - l.start, rx);
  }
  const int32_t count = int32_t(t.size()) - firstVisible_;
  int32_t align = 0;
  if (firstVisible_ == 0) align = lineAlignOffset(textWidthOf(t.c_str(), count));
  const int32_t rx = x - (rect_.x1 + style_.leftMargin() + align);
  return firstVisible_ + indexInText(t.c_str() + firstVisible_, count, rx);
}

bool TextEdit::handleMouse(int32_t code, void* data) {
  if (readOnly_ || !data) return false;
  if (code == UIA_EVENT_MOUSE_MOVE) {
    if (editState_ != 2) return false;
    const UiaMouseMoveEvent* e = static_cast<const UiaMouseMoveEvent*>(data);
    if (selectionAnchor_ < 0) selectionAnchor_ = caret_;
    const int32_t before = caret_;
    caret_ = indexAt(e->x, e->y);
    selectionEnd_ = caret_;
    if (multiLine_ && caret_ != before) scrollToCaret();
    invalidate(0);
    return true;
  }
  if (code != UIA_EVENT_MOUSE_BUTTON) return false;
  UiaMouseButtonEvent* e = static_cast<UiaMouseButtonEvent*>(data);
  if (e->button != UIA_BUTTON_LEFT) return false;
  if (e->action == UIA_ACTION_PRESS) {
    startEditing(editState_ == 0);
    editState_ = 2;
    captureMouse();
    caret_ = indexAt(e->x, e->y);
    caretShown_ = true;
    clearSelection();
    invalidate(0);
    return true;
  }
  if (e->action == UIA_ACTION_RELEASE) {
    if (editState_ != 2) return false;
    releaseMouse();
    editState_ = 1;
    if (parent_) parent_->requestFocus(this, true);
    return true;
  }
  if (e->action == UIA_ACTION_DOUBLE_CLICK) {
    const bool idle = editState_ == 0;
    startEditing(idle);
    caret_ = indexAt(e->x, e->y);
    selectAllAndFocus();
    if (idle) {
      TextEditCause cause = {UIA_EVENT_MOUSE_BUTTON, e};
      notifyListeners(NGL_NOTIFY_EDIT_BEGIN, &cause, false);
    }
    invalidate(0);
    return true;
  }
  return false;
}

bool TextEdit::handleEvent(int32_t code, void* data) {
  bool result = multiLine_ ? ScrollView::handleEvent(code, data) : Widget::handleEvent(code, data);
  if (code == UIA_EVENT_TIMER) {
    if (editState_ != 0) {
      caretShown_ = !caretShown_;
      invalidate(0);
    }
    return result;
  }
  if (code == NGL_NOTIFY_TEXT_COMMIT) {
    releaseMouse();
    return result;
  }
  if (code == UIA_EVENT_KEY_DOWN && data) return handleKey(static_cast<UiaKeyEvent*>(data)) || result;
  if (code == UIA_EVENT_CHAR && data) return handleChar(static_cast<UiaCharEvent*>(data)->character) || result;
  if (code == UIA_EVENT_MOUSE_BUTTON || code == UIA_EVENT_MOUSE_MOVE) {
    if (multiLine_ && result) return true;  // the scroll bars took it
    return handleMouse(code, data) || result;
  }
  return result;
}

// ---- attach, paint ----

void TextEdit::attach(Form* form) {
  ScrollView::attach(form);
  FormHostListener* host = form ? form->provider() : nullptr;
  if (host && host->isAttached() && !styleAttached_) {
    style_.resolve(host->pictureMap(), host->fontMap(), false);
    styleAttached_ = true;
    if (pendingFont_ && style_.font()) {
      // The two setting words have nothing to go to; the colour becomes both font colours.
      const uint32_t colour = pendingWords_[1] | 0xFF000000u;
      style_.font()->setHighlightColour(colour);
      style_.font()->setCaretColour(colour);
      pendingFont_ = false;
    }
  }
  relayout();
  if (form && !blinkTimerOn_) {
    addTimer(kBlinkTimer, kBlinkPeriod);
    blinkTimerOn_ = true;
  }
}

void TextEdit::detach() {
  if (blinkTimerOn_) {
    removeTimer(kBlinkTimer);
    blinkTimerOn_ = false;
  }
  FormHostListener* host = parent_ ? parent_->provider() : nullptr;
  if (host && styleAttached_) style_.release(host->pictureMap(), host->fontMap());
  styleAttached_ = false;
  ScrollView::detach();
}

void TextEdit::paint(Picture& picture) {
  const RegionRect whole = rect_;
  style_.Background::draw(picture, whole, 0, whole);
  if (multiLine_) ScrollView::paint(picture);
  const BitmapFont* font = style_.font();
  if (!font) return;
  std::string shown = style_.text();
  if (password_) std::fill(shown.begin(), shown.end(), '*');
  const int32_t n = int32_t(shown.size());
  int32_t from = 0, to = 0;
  const bool selected = selection(from, to);
  const int32_t fh = font->height();
  // Draws [a, b) of the shown text at x, y within the clip box, highlighted for the selection.
  auto drawRun = [&](int32_t x, int32_t y, int32_t a, int32_t b, const RegionRect& box) {
    int32_t pen = x;
    auto piece = [&](int32_t p, int32_t q, bool high) {
      if (q <= p) return;
      const std::string s = shown.substr(size_t(p), size_t(q - p));
      const int32_t w = font->textWidth(s.c_str(), uint32_t(-1));
      const int32_t left = std::max(pen, box.x1), right = std::min(pen + w, box.x2);
      const int32_t top = std::max(y, box.y1), bottom = std::min(y + fh, box.y2);
      if (right > left && bottom > top) {
        if (high)
          font->drawHighlighted(picture, left, top, pen - left, y - top, right - left, bottom - top, s.c_str(), false);
        else
          font->draw(picture, left, top, pen - left, y - top, right - left, bottom - top, s.c_str(), false);
      }
      pen += w;
    };
    if (selected) {
      piece(a, std::max(a, std::min(b, from)), false);
      piece(std::max(a, from), std::min(b, to), true);
      piece(std::max(a, std::min(b, to)), b, false);
    } else {
      piece(a, b, false);
    }
  };
  const int32_t textLeft = rect_.x1 + style_.leftMargin();
  const int32_t textTop = rect_.y1 + style_.topMargin();
  const bool editing = editState_ != 0 && caret_ >= 0;
  if (!multiLine_) {
    const RegionRect box = {textLeft, rect_.y1, rect_.x2 - style_.rightMargin(), rect_.y2};
    const int32_t areaW = box.x2 - box.x1;
    if (editing) {
      const int32_t c = std::min(caret_, n);
      if (c < firstVisible_) firstVisible_ = c;
      while (firstVisible_ < c && textWidthOf(shown.c_str() + firstVisible_, c - firstVisible_) >= areaW)
        ++firstVisible_;
    }
    firstVisible_ = std::min(firstVisible_, n);
    const int32_t w = textWidthOf(shown.c_str() + firstVisible_, n - firstVisible_);
    const int32_t x = textLeft + (firstVisible_ == 0 ? lineAlignOffset(w) : 0);
    const int32_t areaH = (rect_.y2 - rect_.y1) - style_.topMargin() - style_.bottomMargin();
    int32_t y = textTop;
    if (style_.verticalAlignment() == 1)
      y += (areaH - fh) / 2;
    else if (style_.verticalAlignment() == 2)
      y += areaH - fh;
    drawRun(x, y, firstVisible_, n, box);
    if (editing && caretShown_)
      font->drawCaret(picture, x + textWidthOf(shown.c_str() + firstVisible_, std::min(caret_, n) - firstVisible_), y);
    return;
  }
  const std::vector<Line> ls = lines();
  const int32_t lh = lineHeight();
  const int32_t caretLine = editing ? lineOfCaret(ls) : -1;
  for (size_t k = 0; k < ls.size(); ++k) {
    const int32_t y = view_.y1 + style_.topMargin() + offsetY_ + int32_t(k) * lh;
    if (y >= view_.y2) break;
    if (y + lh <= view_.y1) continue;
    const Line& l = ls[k];
    const int32_t w = textWidthOf(shown.c_str() + l.start, l.end - l.start);
    const int32_t x = view_.x1 + style_.leftMargin() + offsetX_ + lineAlignOffset(w);
    drawRun(x, y, l.start, l.end, view_);
    if (int32_t(k) == caretLine && caretShown_) {
      const int32_t cx = x + textWidthOf(shown.c_str() + l.start, std::min(caret_, l.end) - l.start);
      if (cx >= view_.x1 && cx < view_.x2 && y >= view_.y1 && y + fh <= view_.y2) font->drawCaret(picture, cx, y);
    }
  }
}

// ---- record ----

bool TextEdit::read(BinaryStream& stream) {
  if (!Widget::read(stream)) return false;
  const uint32_t version = stream.readU32();
  if (version < 1 || version > 5) return false;
  if (version <= 3) {
    if (version == 3) stream.readU32();
    const uint32_t fontId = stream.readU32();
    if (version == 2) {
      pendingWords_[0] = stream.readU32();
      pendingWords_[1] = stream.readU32();
      pendingWords_[2] = stream.readU32();
      pendingFont_ = true;
    }
    const std::string text = stream.readString();
    const uint8_t centreH = stream.readU8();
    const uint8_t centreV = stream.readU8();
    if (!nglStreamOk(stream)) return false;
    style_.setFontId(fontId, nullptr, false);
    style_.setText(text.c_str());
    style_.setHorizontalAlignment(centreH ? 1 : 0);
    style_.setVerticalAlignment(centreV ? 1 : 0);
    return true;
  }
  if (!style_.read(stream)) return false;
  if (version == 5) {
    multiLine_ = stream.readU8() != 0;
    readOnly_ = stream.readU8() != 0;
    password_ = stream.readU8() != 0;
    trimWrappedSpaces_ = stream.readU8() != 0;
  }
  return nglStreamOk(stream);
}

bool TextEdit::write(BinaryStream& stream) {
  if (!Widget::write(stream)) return false;
  stream.writeU32(5);
  if (!style_.write(stream)) return false;
  stream.writeU8(multiLine_ ? 1 : 0);
  stream.writeU8(readOnly_ ? 1 : 0);
  stream.writeU8(password_ ? 1 : 0);
  stream.writeU8(trimWrappedSpaces_ ? 1 : 0);
  return nglStreamOk(stream);
}
