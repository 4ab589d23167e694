// ItemMenu: items, placing and painting the pop-up, mouse handling, choosing and the widget record.
#include "NGLItemMenu.h"

#include <algorithm>
#include <climits>

#include "GPBinaryStream.h"
#include "GPClamp.h"
#include "NGLBitmapFont.h"
#include "NGLContainer.h"
#include "NGLForm.h"
#include "NGLRecord.h"
#include "NGLStreamState.h"
#include "UIAKeys.h"
#include "UIAPicture.h"

namespace {

// At most one tree of menus is open at a time; the mouse last moved over one menu.
ItemMenu* g_openRoot = nullptr;
ItemMenu* g_lastHovered = nullptr;

constexpr int32_t kMinThumbHit = 16;

void unite(RegionRect& a, const RegionRect& b) {
  if (b.isEmpty()) return;
  if (a.isEmpty()) {
    a = b;
    return;
  }
  a.x1 = std::min(a.x1, b.x1);
  a.y1 = std::min(a.y1, b.y1);
  a.x2 = std::max(a.x2, b.x2);
  a.y2 = std::max(a.y2, b.y2);
}

}  // namespace

ItemMenuItem::~ItemMenuItem() { delete subMenu; }

ItemMenu::ItemMenu() {
  layer_ = 7;
  const Form::MenuDefaults& d = Form::defaultColors();
  fontId_ = d.fontId;
  rowColour_ = d.rowColour;
  highlightColour_ = d.highlightColour;
  shadowColour_ = d.shadowColour;
  lineColour_ = d.lineColour;
  highlightText_ = d.highlightText;
}

ItemMenu::~ItemMenu() {
  if (isOpen_) {
    isOpen_ = false;
    if (captured_) releaseMouse();
  }
  if (g_openRoot == this) g_openRoot = nullptr;
  if (g_lastHovered == this) g_lastHovered = nullptr;
  clear();
  releaseHeldFont();
}

ItemMenu* ItemMenu::openRoot() { return g_openRoot; }

ItemMenu* ItemMenu::lastHovered() { return g_lastHovered; }

// ---- items ------------------------------------------------------------------------------------

int32_t ItemMenu::addItem(const char* name, const char* text, int32_t value) {
  auto item = std::make_unique<ItemMenuItem>();
  item->name = name ? name : "";
  item->text = text ? text : item->name;
  item->value = value;
  items_.push_back(std::move(item));
  return int32_t(items_.size()) - 1;
}

void ItemMenu::clear() {
  // Sub-menus about to be deleted must not stay open or referenced.
  for (const std::unique_ptr<ItemMenuItem>& item : items_)
    if (item->subMenu && item->subMenu->isOpen_) item->subMenu->close(false);
  items_.clear();
  chosenIndex_ = hoverIndex_ = -1;
}

ItemMenuItem* ItemMenu::item(int32_t index) const {
  return index >= 0 && index < int32_t(items_.size()) ? items_[size_t(index)].get() : nullptr;
}

// ---- font and attachment ------------------------------------------------------------------------

void ItemMenu::acquireFont() {
  if (font_ || fontId_ == 0) return;
  Form* form = menuForm();
  if (!form) return;
  // Widget::font asks the parent form; a sub-menu borrows its root's form for the request.
  Form* saved = parent_;
  parent_ = form;
  font_ = font(fontId_);
  parent_ = saved;
  if (font_) fontForm_ = form;
}

void ItemMenu::releaseHeldFont() {
  if (!font_) return;
  Form* saved = parent_;
  parent_ = fontForm_;
  releaseFont(fontId_);
  parent_ = saved;
  font_ = nullptr;
  fontForm_ = nullptr;
}

void ItemMenu::setFontId(uint32_t id) {
  if (id == fontId_) return;
  releaseHeldFont();
  fontId_ = id;
  if (parent_) acquireFont();
}

void ItemMenu::setColours(uint32_t row, uint32_t highlight, uint32_t shadow, uint32_t line) {
  rowColour_ = row;
  highlightColour_ = highlight;
  shadowColour_ = shadow;
  lineColour_ = line;
}

void ItemMenu::attach(Form* form) {
  Widget::attach(form);
  savedRect_ = rect_;
  acquireFont();
}

void ItemMenu::detach() {
  if (isOpen_) closeTree();
  // Sub-menus borrowed this form for their fonts.
  for (const std::unique_ptr<ItemMenuItem>& item : items_)
    if (item->subMenu) item->subMenu->releaseHeldFont();
  releaseHeldFont();
  Widget::detach();
}

ItemMenu* ItemMenu::rootMenu() {
  ItemMenu* m = this;
  // Bounded walk: a builder's mistake (a cycle) must not hang the pop-up.
  for (int guard = 0; m->parentMenu_ && guard < 64; ++guard) m = m->parentMenu_;
  return m;
}

Form* ItemMenu::menuForm() { return rootMenu()->parent_; }

// ---- geometry -----------------------------------------------------------------------------------

int32_t ItemMenu::rowHeight() const { return rowSpacing_ + (font_ ? font_->height() : 10); }

int32_t ItemMenu::markIndent() const {
  for (const std::unique_ptr<ItemMenuItem>& item : items_)
    if (item->checkState != NGL_MENU_UNCHECKABLE) return textIndent_ + 5;
  return 0;
}

void ItemMenu::contentSize(int32_t& width, int32_t& height) {
  int64_t widest = 0;
  for (const std::unique_ptr<ItemMenuItem>& item : items_) {
    int64_t w = font_ ? font_->textWidth(item->name.c_str(), uint32_t(-1)) : 8 * int64_t(item->name.size());
    if (item->subMenu) w += 2 * textIndent_ + 4;
    widest = std::max(widest, w);
  }
  width = gpClampToI32(widest + markIndent());
  height = gpClampToI32(int64_t(items_.size()) * rowHeight());
}

int32_t ItemMenu::rowAt(int32_t x, int32_t y) const {
  if (!listRect_.contains(x, y)) return -1;
  const int32_t rh = rowHeight();
  if (rh <= 0) return -1;
  const int64_t inList = int64_t(y) - offsetY_ - listRect_.y1;
  if (inList < 0) return -1;
  const int64_t row = inList / rh;
  return row < int64_t(items_.size()) ? int32_t(row) : -1;
}

void ItemMenu::setScrollOffset(int32_t x, int32_t y) {
  int32_t cw = 0, ch = 0;
  contentSize(cw, ch);
  const int32_t lw = std::max(0, listRect_.x2 - listRect_.x1);
  const int32_t lh = std::max(0, listRect_.y2 - listRect_.y1);
  const int32_t minX = std::min(0, lw - cw);
  const int32_t minY = std::min(0, lh - ch);
  offsetX_ = std::max(minX, std::min(0, x));
  offsetY_ = std::max(minY, std::min(0, y));
}

void ItemMenu::place(int32_t x, int32_t y) {
  FormSize formSize = {0, 0};
  if (Form* form = menuForm()) form->getSize(formSize);
  int32_t cw = 0, ch = 0;
  contentSize(cw, ch);
  int64_t width = int64_t(cw) + 2 * frameWidth_ + shadow_;
  int64_t height = int64_t(ch) + 2 * frameWidth_ + shadow_;
  scrollBarShown_ = false;
  if (maxHeight_ != -1 && height > maxHeight_) {
    height = maxHeight_;
    scrollBarShown_ = true;
    width += scrollBarWidth_ + frameWidth_;
  }
  if (formSize.height < height) {
    height = formSize.height;
    if (!scrollBarShown_) width += scrollBarWidth_ + frameWidth_;
    scrollBarShown_ = true;
  }
  if (fixedWidth_ != -1) width = fixedWidth_;
  if (minWidth_ != -1) width = std::max<int64_t>(width, minWidth_);
  width = std::min<int64_t>(width, formSize.width);
  width = std::max<int64_t>(width, 0);
  height = std::max<int64_t>(height, 0);

  int64_t x1 = x, y1 = y;
  if (x1 + width > formSize.width) x1 -= x1 + width - formSize.width;
  if (x1 < 0) x1 = 0;
  if (y1 + height > formSize.height) y1 -= y1 + height - formSize.height;
  if (y1 < 0) y1 = 0;
  popupRect_ = {int32_t(x1), int32_t(y1), int32_t(x1 + width), int32_t(y1 + height)};

  listRect_ = {popupRect_.x1 + frameWidth_, popupRect_.y1 + frameWidth_, popupRect_.x2 - frameWidth_,
               popupRect_.y2 - frameWidth_ - shadow_};
  if (scrollBarShown_) listRect_.x2 -= scrollBarWidth_ + frameWidth_;
  offsetX_ = offsetY_ = 0;
  layoutScrollBar();
}

void ItemMenu::layoutScrollBar() {
  scrollTrack_ = scrollThumb_ = {0, 0, 0, 0};
  if (!scrollBarShown_) return;
  scrollTrack_ = {listRect_.x2 + frameWidth_, listRect_.y1, listRect_.x2 + frameWidth_ + scrollBarWidth_, listRect_.y2};
  const RegionRect inner = {scrollTrack_.x1 + 2, scrollTrack_.y1 + 2, scrollTrack_.x2 - 2, scrollTrack_.y2 - 2};
  const int32_t innerLength = std::max(0, inner.y2 - inner.y1);
  int32_t cw = 0, ch = 0;
  contentSize(cw, ch);
  const int32_t listHeight = listRect_.y2 - listRect_.y1;
  int64_t thumb = ch > 0 ? int64_t(innerLength) * innerLength / ch : innerLength;
  thumb = std::max<int64_t>(thumb, 4);
  thumb = std::min<int64_t>(thumb, listHeight - 4);
  thumb = std::max<int64_t>(thumb, 0);
  int64_t offset = 0;
  if (ch > listHeight) offset = int64_t(double(-offsetY_) / double(ch - listHeight) * double(innerLength - thumb));
  scrollThumb_ = {inner.x1, int32_t(inner.y1 + offset), inner.x2, int32_t(inner.y1 + offset + thumb)};
}

// ---- opening and closing ------------------------------------------------------------------------

void ItemMenu::open(int32_t x, int32_t y, Form* ownerForm, bool notifyOwner, bool capture) {
  Form* form = menuForm();
  if (!form) return;
  ownerNotified_ = false;
  ownerForm_ = nullptr;
  if (ownerForm && !parentMenu_) {
    ownerForm_ = ownerForm;
    ownerNotified_ = notifyOwner;
    // The point is given in the owner form's coordinates: pass it through the host both forms
    // share to reach the menu's own form.
    if (notifyOwner && ownerForm != form && ownerForm->host() && ownerForm->host() == form->host()) {
      POINT p = {x, y};
      ownerForm->host()->childPointToContainer(ownerForm, p);
      form->host()->containerPointToChild(form, p);
      x = p.x;
      y = p.y;
    }
  }
  if (!font_) acquireFont();
  if (isOpen_) repaintTree();
  place(x, y);
  if (!parentMenu_) {
    setRect(popupRect_);
  } else {
    for (ItemMenu* m = parentMenu_; m; m = m->parentMenu_) {
      RegionRect r = m->rect_;
      unite(r, popupRect_);
      if (!m->parentMenu_)
        m->setRect(r);
      else
        m->rect_ = r;
      if (m == m->parentMenu_) break;
    }
  }
  isOpen_ = true;
  hoverIndex_ = chosenIndex_;
  if (!parentMenu_) {
    releaseArmed_ = false;
    pointerKnown_ = false;
  }
  if (!g_openRoot && !parentMenu_) {
    g_openRoot = this;
    if (capture) {
      captureMouse();
      captured_ = hasMouseCapture();
    }
  }
  repaintTree();
}

void ItemMenu::close(bool endTree) {
  const bool wasOpen = isOpen_;
  if (wasOpen) repaintTree();
  isOpen_ = false;
  draggingThumb_ = false;
  if (captured_) {
    captured_ = false;
    releaseMouse();
  }
  if (!parentMenu_ && wasOpen) setRect(savedRect_);
  if (endTree && g_openRoot == this) g_openRoot = nullptr;
  g_lastHovered = nullptr;
  ownerNotified_ = false;
  ownerForm_ = nullptr;
}

void ItemMenu::closeSubMenus() {
  for (const std::unique_ptr<ItemMenuItem>& item : items_)
    if (item->subMenu && item->subMenu->isOpen_) {
      item->subMenu->closeSubMenus();
      item->subMenu->close(false);
    }
}

void ItemMenu::closeTree() {
  ItemMenu* root = rootMenu();
  root->closeSubMenus();
  root->close(true);
}

void ItemMenu::collectOpenArea(RegionRect& area) {
  if (isOpen_) unite(area, popupRect_);
  for (const std::unique_ptr<ItemMenuItem>& item : items_)
    if (item->subMenu) item->subMenu->collectOpenArea(area);
}

void ItemMenu::repaintTree() {
  ItemMenu* root = rootMenu();
  Form* form = root->parent_;
  if (!form) return;
  RegionRect area = root->savedRect_;
  root->collectOpenArea(area);
  if (!area.isEmpty()) form->invalidateRect(area);
  root->invalidate(0);
}

ItemMenu* ItemMenu::menuAt(int32_t x, int32_t y) {
  ItemMenu* root = rootMenu();
  if (!root->isOpen_) return nullptr;
  if (root->popupRect_.contains(x, y)) return root;
  // The deepest open sub-menu that holds the point.
  ItemMenu* found = nullptr;
  std::vector<ItemMenu*> pending = {root};
  for (size_t i = 0; i < pending.size() && i < 4096; ++i)
    for (const std::unique_ptr<ItemMenuItem>& item : pending[i]->items_)
      if (item->subMenu && item->subMenu->isOpen_) {
        if (item->subMenu->popupRect_.contains(x, y)) found = item->subMenu;
        pending.push_back(item->subMenu);
      }
  return found;
}

ItemMenu* ItemMenu::draggingMenu() {
  std::vector<ItemMenu*> pending = {rootMenu()};
  for (size_t i = 0; i < pending.size() && i < 4096; ++i) {
    if (pending[i]->isOpen_ && pending[i]->draggingThumb_) return pending[i];
    for (const std::unique_ptr<ItemMenuItem>& item : pending[i]->items_)
      if (item->subMenu && item->subMenu->isOpen_) pending.push_back(item->subMenu);
  }
  return nullptr;
}

// ---- choosing and events ------------------------------------------------------------------------

void ItemMenu::choose(ItemMenu* menu, int32_t row, int32_t code, void* data) {
  choiceMade_ = false;
  ItemMenuItem* chosen = menu ? menu->item(row) : nullptr;
  if (!chosen || chosen->separator || chosen->subMenu) return;
  ItemMenu* root = rootMenu();
  std::vector<ItemMenu*> pending = {root};
  for (size_t i = 0; i < pending.size() && i < 4096; ++i) {
    pending[i]->chosenIndex_ = -1;
    for (const std::unique_ptr<ItemMenuItem>& item : pending[i]->items_)
      if (item->subMenu && item->subMenu->isOpen_) pending.push_back(item->subMenu);
  }
  choiceMade_ = true;
  menu->chosenIndex_ = row;
  if (chosen->checkState == NGL_MENU_CHECKED)
    chosen->checkState = NGL_MENU_UNCHECKED;
  else if (chosen->checkState == NGL_MENU_UNCHECKED)
    chosen->checkState = NGL_MENU_CHECKED;
  repaintTree();
  closeTree();
  ItemMenuCause cause = {code, data};
  notifyListeners(NGL_NOTIFY_MENU_CLOSED, &cause, false);
  ItemMenuChoice choice = {code, data, row, menu};
  notifyListeners(NGL_NOTIFY_MENU_CHOSEN, &choice, false);
}

bool ItemMenu::handleButton(int32_t code, UiaMouseButtonEvent* e) {
  if (e->action == UIA_ACTION_RELEASE) {
    ItemMenu* m = menuAt(e->x, e->y);
    if (ItemMenu* dragging = draggingMenu()) {
      dragging->draggingThumb_ = false;
    } else if (isOpen_ && m && rect_.contains(e->x, e->y) && releaseArmed_) {
      // Only once the pointer has moved while the menu was open: the release of the click
      // that opened a menu placed over the pointer chooses nothing.
      choose(m, m->rowAt(e->x, e->y), code, e);
    }
    return true;
  }
  const bool press = e->action == UIA_ACTION_PRESS || e->action == UIA_ACTION_DOUBLE_CLICK;
  if (!press) return false;
  if (!isOpen_) {
    const bool opens =
        (e->button == UIA_BUTTON_LEFT && (openMode_ == NGL_MENU_OPEN_LEFT || openMode_ == NGL_MENU_OPEN_EITHER)) ||
        (e->button == UIA_BUTTON_RIGHT && (openMode_ == NGL_MENU_OPEN_RIGHT || openMode_ == NGL_MENU_OPEN_EITHER));
    if (!opens || g_openRoot) return false;
    open(e->x, e->y, nullptr, false, true);
    lastX_ = e->x;
    lastY_ = e->y;
    pointerKnown_ = true;
    return true;
  }
  if (e->button != UIA_BUTTON_LEFT) return true;
  ItemMenu* m = menuAt(e->x, e->y);
  if (m && m->scrollBarShown_) {
    m->layoutScrollBar();
    RegionRect thumb = m->scrollThumb_;
    if (thumb.y2 - thumb.y1 < kMinThumbHit) {
      const int32_t centre = (thumb.y1 + thumb.y2) / 2;
      thumb.y1 = centre - kMinThumbHit / 2;
      thumb.y2 = thumb.y1 + kMinThumbHit;
    }
    if (thumb.contains(e->x, e->y)) {
      m->draggingThumb_ = true;
      m->dragStartY_ = e->y;
      m->dragStartOffsetX_ = m->offsetX_;
      m->dragStartOffsetY_ = m->offsetY_;
      return true;
    }
  }
  if (!m) {
    repaintTree();
    closeTree();
    ItemMenuCause cause = {code, e};
    notifyListeners(NGL_NOTIFY_MENU_CLOSED, &cause, false);
    return true;
  }
  choose(m, m->rowAt(e->x, e->y), code, e);
  return true;
}

bool ItemMenu::handleMove(UiaMouseMoveEvent* e) {
  if (!isOpen_) return false;
  if (pointerKnown_ && (e->x != lastX_ || e->y != lastY_)) releaseArmed_ = true;
  lastX_ = e->x;
  lastY_ = e->y;
  pointerKnown_ = true;
  if (ItemMenu* dragging = draggingMenu()) {
    ItemMenu* m = dragging;
    int32_t cw = 0, ch = 0;
    m->contentSize(cw, ch);
    const int32_t listHeight = m->listRect_.y2 - m->listRect_.y1;
    const double ratio = ch > listHeight && ch > 0 ? double(listHeight) / double(ch) : 1.0;
    const double wanted = m->dragStartOffsetY_ + (double(m->dragStartY_) - e->y) / ratio;
    m->offsetX_ = m->dragStartOffsetX_;
    m->setScrollOffset(m->offsetX_, int32_t(gpClamp(wanted, -2.0e9, 2.0e9)));
    m->layoutScrollBar();
    repaintTree();
    return true;
  }
  ItemMenu* m = menuAt(e->x, e->y);
  g_lastHovered = m;
  if (!m) return true;
  bool changed = false;
  const int32_t row = m->rowAt(e->x, e->y);
  if (row >= 0 && row != m->hoverIndex_) {
    if (ItemMenuItem* previous = m->item(m->hoverIndex_))
      if (previous->subMenu && previous->subMenu->isOpen_) {
        previous->subMenu->closeSubMenus();
        previous->subMenu->close(false);
        g_lastHovered = m;
      }
    m->hoverIndex_ = row;
    changed = true;
  }
  if (ItemMenuItem* hovered = m->item(m->hoverIndex_))
    if (hovered->subMenu && !hovered->subMenu->isOpen_ && hovered->subMenu != m) {
      hovered->subMenu->parentMenu_ = m;
      // Beside the hovered row as it is shown (scrolled).
      const int64_t top = int64_t(m->listRect_.y1) + m->offsetY_ + int64_t(m->rowHeight()) * m->hoverIndex_;
      hovered->subMenu->open(m->popupRect_.x2 + 1, gpClampToI32(top), nullptr, false, false);
      changed = true;
    }
  if (changed) repaintTree();
  return true;
}

bool ItemMenu::handleWheel(UiaMouseWheelEvent* e) {
  ItemMenu* m = g_lastHovered && g_lastHovered->isOpen_ ? g_lastHovered : this;
  const int32_t unit = (e->modifiers & kModCtrl) ? m->listRect_.x2 - m->listRect_.x1 : m->rowHeight();
  const int64_t step = int64_t(e->delta) * unit / 120;
  m->setScrollOffset(m->offsetX_, gpClampToI32(int64_t(m->offsetY_) + step));
  m->layoutScrollBar();
  repaintTree();
  return true;
}

bool ItemMenu::handleEvent(int32_t code, void* data) {
  switch (code) {
    case UIA_EVENT_MOUSE_BUTTON: return data ? handleButton(code, static_cast<UiaMouseButtonEvent*>(data)) : false;
    case UIA_EVENT_MOUSE_MOVE: return data ? handleMove(static_cast<UiaMouseMoveEvent*>(data)) : false;
    case UIA_EVENT_MOUSE_WHEEL: return data ? handleWheel(static_cast<UiaMouseWheelEvent*>(data)) : false;
    case NGL_NOTIFY_CAPTURE_LOST:
      if (isOpen_) {
        repaintTree();
        closeTree();
        ItemMenuCause cause = {code, data};
        notifyListeners(NGL_NOTIFY_MENU_CLOSED, &cause, false);
      }
      return true;
    default: return false;
  }
}

// ---- painting -----------------------------------------------------------------------------------

void ItemMenu::paint(Picture& picture) {
  if (!isOpen_) return;
  PictureState saved(picture);
  RegionRect clip = popupRect_;
  if (picture.hasClip()) clip = clip.intersection(picture.clip());
  if (!clip.isEmpty()) {
    picture.setClipRect(clip);
    const RegionRect& p = popupRect_;
    const int32_t bodyBottom = p.y2 - shadow_;
    const int32_t bodyRight = p.x2 - shadow_;
    // Frame: every pixel row above the shadow, outside the list, the end rows one pixel shorter.
    for (int32_t y = p.y1; y < bodyBottom; ++y) {
      const bool endRow = y == p.y1 || y == bodyBottom - 1;
      const int32_t left = endRow ? p.x1 + 1 : p.x1;
      const int32_t right = endRow ? bodyRight - 1 : bodyRight;
      if (y < listRect_.y1 || y >= listRect_.y2) {
        if (right > left) picture.drawHorizontalLine(left, y, right - left, rowColour_);
      } else {
        if (listRect_.x1 > left) picture.drawHorizontalLine(left, y, listRect_.x1 - left, rowColour_);
        if (right > listRect_.x2) picture.drawHorizontalLine(listRect_.x2, y, right - listRect_.x2, rowColour_);
      }
    }
    if (shadow_ > 0) {
      picture.fillArea(bodyRight, p.y1 + shadow_, shadow_, bodyBottom - (p.y1 + shadow_), shadowColour_);
      picture.fillArea(p.x1 + shadow_, bodyBottom, p.x2 - (p.x1 + shadow_), shadow_, shadowColour_);
    }
    // Scroll bar.
    if (scrollBarShown_) {
      layoutScrollBar();
      const RegionRect& t = scrollTrack_;
      const int32_t w = t.x2 - t.x1, h = t.y2 - t.y1;
      if (w > 2 && h > 2) {
        picture.drawHorizontalLine(t.x1 + 1, t.y1, w - 2, lineColour_);
        picture.drawHorizontalLine(t.x1 + 1, t.y2 - 1, w - 2, lineColour_);
        picture.drawVerticalLine(t.x1, t.y1 + 1, h - 2, lineColour_);
        picture.drawVerticalLine(t.x2 - 1, t.y1 + 1, h - 2, lineColour_);
      }
      const RegionRect& th = scrollThumb_;
      if (!th.isEmpty()) picture.fillArea(th.x1, th.y1, th.x2 - th.x1, th.y2 - th.y1, lineColour_);
    }
    // Rows, clipped to the list.
    RegionRect listClip = listRect_;
    listClip.x1 = std::max(listClip.x1, clip.x1);
    listClip.y1 = std::max(listClip.y1, clip.y1);
    listClip.x2 = std::min(listClip.x2, clip.x2);
    listClip.y2 = std::min(listClip.y2, clip.y2);
    const int32_t rh = rowHeight();
    if (!listClip.isEmpty() && rh > 0) {
      picture.setClipRect(listClip);
      const int32_t indent = markIndent();
      const int32_t listWidth = listRect_.x2 - listRect_.x1;
      const int64_t firstTop = int64_t(listRect_.y1) + offsetY_;
      int64_t first = (int64_t(listClip.y1) - firstTop) / rh;
      if (first < 0) first = 0;
      for (int64_t i = first; i < int64_t(items_.size()); ++i) {
        const int64_t top64 = firstTop + i * rh;
        if (top64 >= listClip.y2) break;
        const int32_t top = int32_t(top64);
        const ItemMenuItem* item = items_[size_t(i)].get();
        const bool hovered = i == hoverIndex_;
        picture.fillArea(listRect_.x1, top, listWidth, rh, hovered ? highlightColour_ : rowColour_);
        if (item->separator && item->name.empty()) {
          picture.drawHorizontalLine(listRect_.x1, top + rh / 2, listWidth, lineColour_);
          continue;
        }
        if (font_) {
          const int32_t tx = listRect_.x1 + indent;
          const int32_t tw = std::max(0, listRect_.x2 - tx);
          const int32_t ty = top + rowSpacing_ / 2;
          if (hovered && highlightText_)
            font_->drawHighlighted(picture, tx, ty, 0, 0, tw, font_->height(), item->name.c_str(), false);
          else
            font_->draw(picture, tx, ty, 0, 0, tw, font_->height(), item->name.c_str(), false);
        }
        if (item->subMenu) {
          const int32_t ay = int32_t(double(rh) * 0.5 - 3.5 + top);
          const int32_t ax = listRect_.x2 - textIndent_ - 4;
          static const int32_t lengths[4] = {7, 5, 3, 1};
          for (int32_t k = 0; k < 4; ++k) picture.drawVerticalLine(ax + k, ay + k, lengths[k], lineColour_);
        }
        if (item->checkState == NGL_MENU_CHECKED) {
          const int32_t cy = int32_t(double(rh) * 0.5 + top);
          static const int32_t lengths[5] = {1, 3, 5, 3, 1};
          for (int32_t k = 0; k < 5; ++k)
            picture.drawVerticalLine(listRect_.x1 + k, cy - lengths[k] / 2, lengths[k], lineColour_);
        }
      }
    }
  }
  saved.restore(picture);
  for (const std::unique_ptr<ItemMenuItem>& item : items_)
    if (item->subMenu && item->subMenu != this) item->subMenu->paint(picture);
}

// ---- record -------------------------------------------------------------------------------------

bool ItemMenu::read(BinaryStream& stream) {
  clear();
  if (!Widget::read(stream)) return false;
  stream.readU32();  // version: any
  const uint32_t count = stream.readU32();
  if (!nglStreamOk(stream)) return false;
  // Each item takes at least one byte: a count past the data fails without building anything.
  if (int64_t(count) > nglBytesLeft(stream)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t isSeparator = stream.readU8();
    if (!nglStreamOk(stream)) {
      clear();
      return false;
    }
    if (isSeparator) {
      const int32_t index = addItem("", nullptr, -1);
      items_[size_t(index)]->separator = true;
      continue;
    }
    std::string name;
    if (!nglReadString(stream, name)) {
      clear();
      return false;
    }
    const int32_t value = stream.readInt32();
    if (!nglStreamOk(stream)) {
      clear();
      return false;
    }
    addItem(name.c_str(), nullptr, value);
  }
  return nglStreamOk(stream);
}

bool ItemMenu::write(BinaryStream& stream) {
  if (!Widget::write(stream)) return false;
  stream.writeU32(1);
  stream.writeU32(uint32_t(items_.size()));
  for (const std::unique_ptr<ItemMenuItem>& item : items_) {
    stream.writeU8(item->separator ? 1 : 0);
    if (item->separator) continue;
    stream.writeString(item->name);
    stream.writeU32(uint32_t(item->value));
  }
  return nglStreamOk(stream);
}
