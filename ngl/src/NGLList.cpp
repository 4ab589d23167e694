// List: rows and columns, selection, sorting, hit tests, painting, mouse, in-place editing and the
// widget record.
#include "NGLList.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "GPBinaryStream.h"
#include "GPClamp.h"
#include "NGLBitmapFont.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLStreamState.h"
#include "NGLTextEdit.h"
#include "UIACursors.h"
#include "UIAKeys.h"
#include "UIAPicture.h"
#include "UIATracking.h"

namespace {

constexpr uint32_t kDropColour = 0x80FF0000;
constexpr int32_t kDropBarHeight = 3;
constexpr int32_t kAutoScrollZone = 16;
constexpr size_t kMaxCellChars = 255;

FormHostListener* resourceSet(Form* form) {
  FormHostListener* set = form ? form->provider() : nullptr;
  return set && set->isAttached() ? set : nullptr;
}

// Byte-wise (unsigned) comparison: <0, 0 or >0.
int compareBytes(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

List::List() : editorListener_(*this) { className_ = "List"; }

List::~List() {
  rows_.clear();
  // Normally detach has taken the editor back; a list destroyed while still attached must not
  // leave it behind in its form.
  if (editor_ && parent_) {
    Form* form = parent_;
    const auto& ws = form->widgets();
    if (std::find(ws.begin(), ws.end(), static_cast<Widget*>(editor_)) != ws.end()) {
      editor_->removeListener(&editorListener_);
      form->deleteWidget(editor_->id());
    }
  }
  editor_ = nullptr;
}

void registerList() {
  WidgetRegistry::add("List", []() -> Widget* { return new List; });
}

// ---- rows and columns ---------------------------------------------------------------------------

bool List::validCell(int32_t row, int32_t column) const {
  return row >= 0 && row < int32_t(rows_.size()) && column >= 0 && column < NGL_LIST_COLUMNS;
}

bool List::usedColumn(int32_t column) const {
  return column >= 0 && column < NGL_LIST_COLUMNS && columns_[column].width >= 0;
}

int32_t List::addRow() {
  rows_.push_back(std::make_unique<Row>());
  layoutScrollBars();
  invalidate(0);
  return int32_t(rows_.size()) - 1;
}

void List::clear() {
  // The rows go: an edit of one of their cells ends without being written.
  if (editRow_ >= 0) endCellEdit(false, 0, nullptr);
  rows_.clear();
  anchorRow_ = -1;
  dropRow_ = -1;
  dragPending_ = false;
  stampCounter_ = 0;
  layoutScrollBars();
  invalidate(0);
}

bool List::setCell(int32_t row, int32_t column, const char* text, const char* sortKey) {
  if (!validCell(row, column)) return false;
  Row* r = rows_[size_t(row)].get();
  r->text[column] = text ? text : "";
  r->sortKey[column] = sortKey ? sortKey : "";
  if (row == editRow_ && column == editColumn_ && editor_) editor_->setText(r->text[column].c_str());
  invalidate(0);
  return true;
}

List::Row* List::row(int32_t index) const {
  return index >= 0 && index < int32_t(rows_.size()) ? rows_[size_t(index)].get() : nullptr;
}

const char* List::cellText(int32_t row, int32_t column) const {
  return validCell(row, column) ? rows_[size_t(row)]->text[column].c_str() : "";
}

bool List::setRowIcons(int32_t row, int32_t icon1Frame, int32_t icon2Frame) {
  Row* r = this->row(row);
  if (!r) return false;
  r->icon1Frame = icon1Frame;
  r->icon2Frame = icon2Frame;
  invalidate(0);
  return true;
}

bool List::setRowMarked(int32_t row, bool marked) {
  Row* r = this->row(row);
  if (!r) return false;
  r->marked = marked ? 1 : 0;
  invalidate(0);
  return true;
}

bool List::isRowSelected(int32_t row) const {
  const Row* r = this->row(row);
  return r && r->selected;
}

void List::setColumnWidth(int32_t column, int32_t width) {
  if (column < 0 || column >= NGL_LIST_COLUMNS) return;
  columns_[column].width = width;
  layoutScrollBars();
  invalidate(0);
}

void List::setColumnMinWidth(int32_t column, int32_t width) {
  if (column < 0 || column >= NGL_LIST_COLUMNS) return;
  columns_[column].minWidth = width;
  invalidate(0);
}

void List::setColumnTitle(int32_t column, const char* title) {
  if (column < 0 || column >= NGL_LIST_COLUMNS) return;
  columns_[column].title = title ? title : "";
  invalidate(0);
}

void List::setColumnEditKind(int32_t column, int32_t kind) {
  if (column < 0 || column >= NGL_LIST_COLUMNS) return;
  columns_[column].editKind = kind;
}

const ListColumn* List::column(int32_t column) const {
  return column >= 0 && column < NGL_LIST_COLUMNS ? &columns_[column] : nullptr;
}

int32_t List::columnWidth(int32_t column) const {
  return column >= 0 && column < NGL_LIST_COLUMNS ? columns_[column].width : -1;
}

void List::setHideHeader(bool on) {
  hideHeader_ = on;
  layoutScrollBars();
  invalidate(0);
}

void List::setRowSpacing(int32_t v) {
  rowSpacing_ = v;
  layoutScrollBars();
  invalidate(0);
}

void List::setCellGap(int32_t v) {
  cellGap_ = v;
  layoutScrollBars();
  invalidate(0);
}

void List::setIconGap(int32_t v) {
  iconGap_ = v;
  invalidate(0);
}

// ---- geometry -----------------------------------------------------------------------------------

int32_t List::totalWidth() {
  int64_t sum = 0;
  for (int32_t c = 0; c < NGL_LIST_COLUMNS; ++c)
    if (usedColumn(c)) sum += int64_t(columns_[c].width) + cellGap_;
  return gpClampToI32(sum);
}

int32_t List::iconHeight() {
  int32_t h = 0;
  if (icon1Picture_) h = std::max(h, int32_t(icon1Picture_->frameHeight()));
  if (icon2Picture_) h = std::max(h, int32_t(icon2Picture_->frameHeight()));
  return h;
}

int32_t List::iconAreaWidth() {
  int32_t w = 0;
  if (icon1Picture_) w += iconGap_ + int32_t(icon1Picture_->frameWidth());
  if (icon2Picture_) w += iconGap_ + int32_t(icon2Picture_->frameWidth());
  return w;
}

int32_t List::textHeight() { return cellStyle_.preferredHeight(); }

int32_t List::rowHeight() { return std::max(1, std::max(textHeight(), iconHeight()) + rowSpacing_); }

int32_t List::headerHeight() { return hideHeader_ ? 0 : rowHeight(); }

void List::contentSize(int32_t& width, int32_t& height) {
  width = totalWidth();
  height = gpClampToI32((int64_t(rows_.size()) + (hideHeader_ ? 0 : 1)) * rowHeight());
}

int32_t List::columnStart(int32_t column) {
  int64_t x = int64_t(view_.x1) + offsetX_;
  for (int32_t c = 0; c < column && c < NGL_LIST_COLUMNS; ++c)
    if (usedColumn(c)) x += int64_t(columns_[c].width) + cellGap_;
  return gpClampToI32(x);
}

bool List::cellRect(RegionRect& rect, int32_t row, int32_t column) {
  rect = {0, 0, 0, 0};
  if (!validCell(row, column) || !usedColumn(column)) return false;
  const int32_t rh = rowHeight();
  const int64_t top = int64_t(view_.y1) + headerHeight() + offsetY_ + int64_t(row) * rh;
  const int32_t x = columnStart(column);
  rect = {x, gpClampToI32(top), gpClampToI32(int64_t(x) + columns_[column].width), gpClampToI32(top + rh)};
  return true;
}

bool List::hitTest(int32_t x, int32_t y, int32_t& row, int32_t& column, bool& inHeader, bool& onIcon) {
  row = column = -1;
  inHeader = onIcon = false;
  if (!view_.contains(x, y)) return false;
  const int32_t hh = headerHeight();
  if (hh > 0 && y < view_.y1 + hh) {
    inHeader = true;
    int64_t start = int64_t(view_.x1) + offsetX_;
    for (int32_t c = 0; c < NGL_LIST_COLUMNS; ++c) {
      if (!usedColumn(c)) continue;
      const int64_t end = start + columns_[c].width + cellGap_;
      if (x >= start && x < end) {
        column = c;
        break;
      }
      start = end;
    }
    return true;
  }
  const int32_t rh = rowHeight();
  const int64_t inRows = int64_t(y) - view_.y1 - hh - offsetY_;
  if (inRows >= 0 && inRows / rh < int64_t(rows_.size())) row = int32_t(inRows / rh);
  if (row < 0) return true;
  int64_t start = int64_t(view_.x1) + offsetX_;
  for (int32_t c = 0; c < NGL_LIST_COLUMNS; ++c) {
    if (!usedColumn(c)) continue;
    const int32_t w = columns_[c].width;
    if (w > 0 && x >= start && x < start + w) {
      column = c;
      break;
    }
    start += int64_t(w) + cellGap_;
  }
  if (column == 0) onIcon = x < columnStart(0) + iconAreaWidth();
  return true;
}

// ---- selection ----------------------------------------------------------------------------------

void List::notify(int32_t note, int32_t code, void* data, int32_t row, int32_t column, uint8_t flag1, uint8_t flag2) {
  ListNote payload = {code, data, row, column, flag1, flag2};
  notifyListeners(note, &payload, false);
}

void List::selectRow(int32_t row, bool select, bool notify, uint8_t flag) {
  if (selectionMode_ == NGL_LIST_SELECT_NONE) return;
  Row* r = this->row(row);
  if (!r) return;
  bool changed = false;
  if (select) {
    if (selectionMode_ == NGL_LIST_SELECT_SINGLE)
      for (size_t i = 0; i < rows_.size(); ++i)
        if (int32_t(i) != row && rows_[i]->selected) {
          rows_[i]->selected = 0;
          changed = true;
          if (notify) this->notify(NGL_NOTIFY_LIST_DESELECTED, 0, nullptr, int32_t(i), -1, 0, flag);
        }
    if (!r->selected) {
      r->selected = 1;
      r->stamp = ++stampCounter_;
      anchorRow_ = row;
      changed = true;
      if (notify) this->notify(NGL_NOTIFY_LIST_SELECTED, 0, nullptr, row, -1, 0, flag);
    }
  } else if (r->selected) {
    r->selected = 0;
    changed = true;
    if (notify) this->notify(NGL_NOTIFY_LIST_DESELECTED, 0, nullptr, row, -1, 0, flag);
  }
  if (changed) invalidate(0);
}

void List::deselectAll(bool notify) {
  bool changed = false;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i]->selected) {
      rows_[i]->selected = 0;
      changed = true;
      if (notify) this->notify(NGL_NOTIFY_LIST_DESELECTED, 0, nullptr, int32_t(i), -1, 0, 0);
    }
  anchorRow_ = -1;
  stampCounter_ = 0;
  if (changed) invalidate(0);
}

// ---- sorting ------------------------------------------------------------------------------------

bool List::sortByColumn(int32_t column) {
  if (!usedColumn(column)) return false;
  ListColumn& col = columns_[column];
  col.direction = -col.direction;
  const int32_t direction = col.direction;
  // The edited row keeps its edit wherever it moves.
  Row* edited = editRow_ >= 0 ? row(editRow_) : nullptr;
  Row* anchor = anchorRow_ >= 0 ? row(anchorRow_) : nullptr;
  Row* dropped = dropRow_ >= 0 ? row(dropRow_) : nullptr;
  bool swapped = true;
  while (swapped) {
    swapped = false;
    for (size_t i = 0; i + 1 < rows_.size(); ++i) {
      const Row* a = rows_[i].get();
      const Row* b = rows_[i + 1].get();
      const bool byKey = !a->sortKey[column].empty() && !b->sortKey[column].empty();
      const int cmp =
          byKey ? compareBytes(a->sortKey[column], b->sortKey[column]) : compareBytes(a->text[column], b->text[column]);
      const int sign = cmp > 0 ? 1 : (cmp < 0 ? -1 : 0);
      if (sign * direction > 0) {
        std::swap(rows_[i], rows_[i + 1]);
        swapped = true;
      }
    }
  }
  auto indexOf = [this](const Row* r) -> int32_t {
    if (!r) return -1;
    auto found =
        std::find_if(rows_.begin(), rows_.end(), [r](const std::unique_ptr<Row>& own) { return own.get() == r; });
    return found == rows_.end() ? -1 : int32_t(found - rows_.begin());
  };
  if (edited) editRow_ = indexOf(edited);
  anchorRow_ = indexOf(anchor);
  dropRow_ = indexOf(dropped);
  if (editRow_ >= 0 && editor_) editor_->setRect(editorRect(editRow_, editColumn_));
  notify(NGL_NOTIFY_LIST_SORTED, 0, nullptr, -1, column, 0, 0);
  invalidate(0);
  return true;
}

// ---- in-place editing ---------------------------------------------------------------------------

RegionRect List::editorRect(int32_t row, int32_t column) {
  RegionRect r;
  cellRect(r, row, column);
  if (column == 0) r.x1 += iconAreaWidth();
  r = {r.x1 + cellStyle_.leftMargin(), r.y1 + cellStyle_.topMargin(), r.x2 - cellStyle_.rightMargin(),
       r.y2 - cellStyle_.bottomMargin()};
  if (r.x2 < r.x1) r.x2 = r.x1;
  if (r.y2 < r.y1) r.y2 = r.y1;
  return r;
}

bool List::beginCellEdit(int32_t row, int32_t column) {
  if (!validCell(row, column) || !usedColumn(column) || !editor_) return false;
  if (editRow_ >= 0 && (editRow_ != row || editColumn_ != column)) endCellEdit(false, 0, nullptr);
  const RegionRect r = editorRect(row, column);
  editRow_ = row;
  editColumn_ = column;
  editor_->setRect(r);
  editor_->setText(rows_[size_t(row)]->text[column].c_str());
  editor_->setVisible(true);
  editor_->setFocusable(true);
  editor_->beginEditAt(r.x1, r.y1);
  invalidate(0);
  return true;
}

void List::endCellEdit(bool notify, int32_t causeCode, void* causeData) {
  const int32_t row = editRow_, column = editColumn_;
  // Cleared first: whatever the editor reports while it is hidden is not written to a cell.
  editRow_ = editColumn_ = -1;
  if (editor_) {
    editor_->setVisible(false);
    editor_->setFocusable(false);
  }
  invalidate(0);
  if (notify && row >= 0) this->notify(NGL_NOTIFY_LIST_EDIT_END, causeCode, causeData, row, column, 0, 0);
}

bool List::EditorListener::onWidgetEvent(int32_t widgetId, int32_t code, void* data) {
  (void)widgetId;
  List& list = list_;
  if (code == NGL_NOTIFY_TEXT_COMMIT) {
    const TextEditCommit* commit = static_cast<const TextEditCommit*>(data);
    if (list.validCell(list.editRow_, list.editColumn_) && commit) {
      Row* r = list.rows_[size_t(list.editRow_)].get();
      r->text[list.editColumn_] = commit->text ? commit->text : "";
      list.invalidate(0);
    }
    return true;
  }
  if (code == NGL_NOTIFY_EDIT_END) {
    // The editor finished (committed or cancelled): the cell shows again.
    if (list.editRow_ >= 0) {
      const TextEditCause* cause = static_cast<const TextEditCause*>(data);
      list.endCellEdit(true, cause ? cause->code : 0, cause ? cause->data : nullptr);
    }
    return true;
  }
  return false;
}

// ---- attach -------------------------------------------------------------------------------------

void List::attach(Form* form) {
  ScrollView::attach(form);
  if (!form || attached_) {
    layoutScrollBars();
    return;
  }
  attached_ = true;
  icon1Picture_ = icon1PictureId_ ? picture(icon1PictureId_) : nullptr;
  icon2Picture_ = icon2PictureId_ ? picture(icon2PictureId_) : nullptr;
  if (FormHostListener* set = resourceSet(form)) {
    headerStyle_.resolve(set->pictureMap(), set->fontMap(), form->resourceBase() != 0);
    cellStyle_.resolve(set->pictureMap(), set->fontMap(), form->resourceBase() != 0);
  }
  headerCursor_ = uiaCursor(kCursorHand);
  edgeCursor_ = uiaCursor(kCursorSizeWE);
  bandCursor_ = uiaCursor(kCursorCross);
  arrowCursor_ = uiaCursor(kCursorArrow);
  if (!editor_) {
    editor_ = new TextEdit;
    editor_->setId(int32_t(uint32_t(id_) | 0x80000000u));
    editor_->setFont(cellStyle_.fontId());
    editor_->setLayer(layer_ + 1);
    form->addWidget(editor_);
    editor_->setVisible(false);
    editor_->setFocusable(false);
    editor_->addListener(&editorListener_);
  }
  addTimer(1, 0);
  layoutScrollBars();
}

void List::releaseResources() {
  if (!attached_) return;
  Form* form = parent_;
  if (editRow_ >= 0) endCellEdit(false, 0, nullptr);
  if (editor_ && form) {
    const auto& ws = form->widgets();
    // While the form is being torn down it may have deleted the editor already.
    if (std::find(ws.begin(), ws.end(), static_cast<Widget*>(editor_)) != ws.end()) {
      editor_->removeListener(&editorListener_);
      form->deleteWidget(editor_->id());
    }
  }
  editor_ = nullptr;
  removeTimer(1);
  if (icon1PictureId_ && icon1Picture_) releasePicture(icon1PictureId_);
  if (icon2PictureId_ && icon2Picture_) releasePicture(icon2PictureId_);
  icon1Picture_ = icon2Picture_ = nullptr;
  if (FormHostListener* set = form ? form->provider() : nullptr) {
    headerStyle_.release(set->pictureMap(), set->fontMap());
    cellStyle_.release(set->pictureMap(), set->fontMap());
  }
  if (banding_ || resizeColumn_ >= 0) releaseMouse();
  banding_ = false;
  resizeColumn_ = -1;
  attached_ = false;
}

void List::detach() {
  releaseResources();
  ScrollView::detach();
}

// ---- painting -----------------------------------------------------------------------------------

void List::shortenToWidth(std::string& text, int32_t width, const TextStyle& style) const {
  if (text.size() > kMaxCellChars) text.resize(kMaxCellChars);
  const BitmapFont* font = style.font();
  if (!font) return;
  if (font->textWidth(text.c_str(), uint32_t(-1)) <= width) return;
  // As many characters as fit, then "~".
  while (!text.empty()) {
    text.pop_back();
    const std::string candidate = text + "~";
    if (font->textWidth(candidate.c_str(), uint32_t(-1)) <= width) {
      text = candidate;
      return;
    }
  }
  text = "~";
}

void List::drawCell(Picture& picture, const char* text, int32_t column, const RegionRect& rect, bool selected) {
  (void)column;
  const RegionRect clip = picture.hasClip() ? rect.intersection(picture.clip()) : rect;
  if (selected) {
    // Under-text selection: the row fill shows through, only the text is drawn.
    const RegionRect inner = {rect.x1 + cellStyle_.leftMargin(), rect.y1 + cellStyle_.topMargin(),
                              rect.x2 - cellStyle_.rightMargin(), rect.y2 - cellStyle_.bottomMargin()};
    if (inner.x2 >= inner.x1 && inner.y2 >= inner.y1) cellStyle_.Text::draw(picture, inner, text, false);
    return;
  }
  cellStyle_.draw(picture, rect, 0, clip, text, false);
}

void List::drawRow(Picture& picture, int32_t x, int32_t y, int32_t row, const RegionRect& clip) {
  Row* r = this->row(row);
  if (!r) return;
  const int32_t rh = rowHeight();
  const int32_t total = totalWidth();
  auto fillRow = [&]() {
    if (r->marked) picture.fillArea(x, y, total, rh, markedColour_);
    if (r->selected) picture.fillArea(x, y, total, rh, selectedColour_);
  };
  if (selectionUnderText_) fillRow();
  const int32_t iconArea = iconAreaWidth();
  int64_t cx = x;
  for (int32_t c = 0; c < NGL_LIST_COLUMNS; ++c) {
    if (!usedColumn(c)) continue;
    const int32_t w = columns_[c].width;
    if (!(row == editRow_ && c == editColumn_)) {
      RegionRect cell = {gpClampToI32(cx), y, gpClampToI32(cx + w), y + rh};
      if (c == 0) cell.x1 = gpClampToI32(int64_t(cell.x1) + iconArea);
      if (cell.x2 > cell.x1 && cell.x2 > clip.x1 && cell.x1 < clip.x2) {
        std::string text = r->text[c];
        shortenToWidth(text, cell.x2 - cell.x1 - cellStyle_.leftMargin() - cellStyle_.rightMargin(), cellStyle_);
        drawCell(picture, text.c_str(), c, cell, selectionUnderText_ && r->selected);
      }
    }
    if (gridLines_ && cellGap_ > 0) picture.fillArea(gpClampToI32(cx + w), y, cellGap_, rh, gridColour_);
    cx += int64_t(w) + cellGap_;
  }
  if (gridLines_ && rowSpacing_ > 0) picture.fillArea(x, y + rh - rowSpacing_, total, rowSpacing_, gridColour_);
  if (icon1Picture_ && r->icon1Frame >= 0 && uint32_t(r->icon1Frame) < std::max(1u, icon1Picture_->frameCount()))
    picture.drawFrame(x, y, *icon1Picture_, uint32_t(r->icon1Frame), nullptr);
  if (icon2Picture_ && r->icon2Frame >= 0 && uint32_t(r->icon2Frame) < std::max(1u, icon2Picture_->frameCount())) {
    const int32_t w1 = icon1Picture_ ? int32_t(icon1Picture_->frameWidth()) : 0;
    picture.drawFrame(x + w1 + iconGap_, y, *icon2Picture_, uint32_t(r->icon2Frame), nullptr);
  }
  if (!selectionUnderText_) fillRow();
  if (row == dropRow_) picture.fillArea(x, y, std::max(total, view_.x2 - x), kDropBarHeight, kDropColour);
}

void List::paint(Picture& picture) {
  if ((highlightColour_ >> 24) != 0)
    picture.fillArea(rect_.x1, rect_.y1, rect_.x2 - rect_.x1, rect_.y2 - rect_.y1, highlightColour_);
  ScrollView::paint(picture);
  const RegionRect clip = visibleView(picture);
  if (clip.isEmpty()) return;
  PictureState saved(picture);
  const int32_t rh = rowHeight();
  const int32_t hh = headerHeight();
  // Header strip.
  if (hh > 0) {
    const RegionRect strip = clip.intersection({view_.x1, view_.y1, view_.x2, view_.y1 + hh});
    if (!strip.isEmpty()) {
      picture.setClipRect(strip);
      int64_t cx = int64_t(view_.x1) + offsetX_;
      for (int32_t c = 0; c < NGL_LIST_COLUMNS; ++c) {
        if (!usedColumn(c)) continue;
        const int32_t w = columns_[c].width;
        const RegionRect cell = {gpClampToI32(cx), view_.y1, gpClampToI32(cx + w), view_.y1 + hh};
        if (cell.x2 > strip.x1 && cell.x1 < strip.x2 && w > 0) {
          std::string title = columns_[c].title;
          shortenToWidth(title, w - headerStyle_.leftMargin() - headerStyle_.rightMargin(), headerStyle_);
          // A colour background fills its clip: give it this title's part only.
          headerStyle_.draw(picture, cell, 0, cell.intersection(strip), title.c_str(), false);
        }
        if (gridLines_ && cellGap_ > 0) picture.fillArea(gpClampToI32(cx + w), view_.y1, cellGap_, hh, gridColour_);
        cx += int64_t(w) + cellGap_;
      }
    }
  }
  // Rows.
  const RegionRect rowsClip = clip.intersection({view_.x1, view_.y1 + hh, view_.x2, view_.y2});
  if (!rowsClip.isEmpty() && !rows_.empty()) {
    picture.setClipRect(rowsClip);
    const int64_t firstTop = int64_t(view_.y1) + hh + offsetY_;
    int64_t first = (int64_t(rowsClip.y1) - firstTop) / rh;
    if (first < 0) first = 0;
    for (int64_t i = first; i < int64_t(rows_.size()); ++i) {
      const int64_t top = firstTop + i * rh;
      if (top >= rowsClip.y2) break;
      drawRow(picture, gpClampToI32(int64_t(view_.x1) + offsetX_), gpClampToI32(top), int32_t(i), rowsClip);
    }
  }
  // Rubber band.
  if (banding_) {
    picture.setClipRect(clip);
    const int32_t x1 = std::min(bandX_, listPressX_), x2 = std::max(bandX_, listPressX_);
    const int32_t y1 = std::min(bandY_, listPressY_), y2 = std::max(bandY_, listPressY_);
    const int32_t w = x2 - x1 + 1, h = y2 - y1 + 1;
    picture.drawHorizontalLine(x1, y1, w, bandColour_);
    picture.drawHorizontalLine(x1, y2, w, bandColour_);
    picture.drawVerticalLine(x1, y1, h, bandColour_);
    picture.drawVerticalLine(x2, y1, h, bandColour_);
  }
  saved.restore(picture);
}

// ---- mouse --------------------------------------------------------------------------------------

void List::updateBand(int32_t x, int32_t y, uint32_t modifiers) {
  bandX_ = x;
  bandY_ = y;
  const int32_t top = std::min(y, listPressY_), bottom = std::max(y, listPressY_);
  const int32_t rh = rowHeight();
  const int64_t firstTop = int64_t(view_.y1) + headerHeight() + offsetY_;
  const bool keepOthers = (modifiers & kModShift) != 0;
  for (size_t i = 0; i < rows_.size(); ++i) {
    const int64_t rowTop = firstTop + int64_t(i) * rh;
    const bool crosses = rowTop <= bottom && rowTop + rh > top;
    if (crosses)
      selectRow(int32_t(i), true, true, 0);
    else if (!keepOthers && rows_[i]->selected)
      selectRow(int32_t(i), false, true, 0);
  }
  invalidate(0);
}

bool List::handleMouseButton(UiaMouseButtonEvent* e) {
  int32_t row = -1, column = -1;
  bool inHeader = false, onIcon = false;
  const bool inView = hitTest(e->x, e->y, row, column, inHeader, onIcon);
  const bool press = e->action == UIA_ACTION_PRESS || e->action == UIA_ACTION_DOUBLE_CLICK;
  const bool release = e->action == UIA_ACTION_RELEASE;
  if (resizeColumn_ < 0 && !banding_)
    notify(NGL_NOTIFY_LIST_BUTTON, UIA_EVENT_MOUSE_BUTTON, e, row, column, inHeader ? 1 : 0, onIcon ? 1 : 0);
  // The listener may have refilled or removed rows: look again.
  if (row >= int32_t(rows_.size())) row = -1;
  if (e->button != UIA_BUTTON_LEFT) return true;
  const bool shift = (e->modifiers & kModShift) != 0;
  const bool ctrl = (e->modifiers & kModCtrl) != 0;
  if (release) {
    dragPending_ = false;
    if (banding_ || resizeColumn_ >= 0) {
      banding_ = false;
      resizeColumn_ = -1;
      releaseMouse();
      invalidate(0);
      return true;
    }
    if (selectionMode_ == NGL_LIST_SELECT_MULTIPLE && row >= 0 && rows_[size_t(row)]->selected && !shift && !ctrl)
      for (size_t i = 0; i < rows_.size(); ++i)
        if (int32_t(i) != row && rows_[i]->selected) selectRow(int32_t(i), false, true, 0);
    return true;
  }
  if (!press || !inView) return true;
  if (inHeader) {
    if (column >= 0) {
      const int32_t start = columnStart(column);
      const int32_t w = columns_[column].width;
      if (e->x >= start + w - 1 && e->x <= start + w + 1 + cellGap_) {
        resizeColumn_ = column;
        resizeStartWidth_ = w;
        listPressX_ = e->x;
        listPressY_ = e->y;
        captureMouse();
        return true;
      }
    }
    if (sortable_ && column >= 0) sortByColumn(column);
    return true;
  }
  if (row < 0) {
    if (selectionMode_ == NGL_LIST_SELECT_MULTIPLE && !ctrl) {
      bool any = false;
      for (const std::unique_ptr<Row>& r : rows_)
        if (r->selected) {
          r->selected = 0;
          any = true;
        }
      anchorRow_ = -1;
      stampCounter_ = 0;
      if (any) invalidate(0);
      notify(NGL_NOTIFY_LIST_DESELECTED, UIA_EVENT_MOUSE_BUTTON, e, -1, -1, 0, 0);
    }
    banding_ = true;
    listPressX_ = bandX_ = e->x;
    listPressY_ = bandY_ = e->y;
    captureMouse();
    invalidate(0);
    return true;
  }
  Row* r = rows_[size_t(row)].get();
  if (!shift && !ctrl) {
    if (r->selected || selectionMode_ == NGL_LIST_SELECT_NONE) {
      if (!onIcon) {
        if (!editOnClick_ || e->action == UIA_ACTION_DOUBLE_CLICK) {
          notify(NGL_NOTIFY_LIST_CELL, UIA_EVENT_MOUSE_BUTTON, e, row, column, 0, 0);
          if (column >= 0 && row < int32_t(rows_.size()) && columns_[column].editKind == 1) beginCellEdit(row, column);
        }
        if (editOnClick_) dragPending_ = true;
      }
    } else {
      deselectAll(true);
      selectRow(row, true, true, 0);
    }
    return true;
  }
  if (selectionMode_ == NGL_LIST_SELECT_MULTIPLE) {
    if (shift) {
      const int32_t from = anchorRow_ >= 0 && anchorRow_ < int32_t(rows_.size()) ? anchorRow_ : row;
      const int32_t anchor = anchorRow_;
      for (int32_t i = std::min(from, row); i <= std::max(from, row); ++i) selectRow(i, true, true, 0);
      // A range keeps its starting point.
      anchorRow_ = anchor >= 0 ? anchor : row;
    } else {
      selectRow(row, !r->selected, true, 0);
    }
  }
  return true;
}

bool List::handleMouseMove(UiaMouseMoveEvent* e) {
  if (resizeColumn_ >= 0) {
    ListColumn& col = columns_[resizeColumn_];
    const int64_t width = int64_t(resizeStartWidth_) + (int64_t(e->x) - listPressX_);
    col.width = gpClampToI32(std::max<int64_t>(width, col.minWidth));
    notify(NGL_NOTIFY_LIST_RESIZED, UIA_EVENT_MOUSE_MOVE, e, -1, resizeColumn_, 0, 0);
    layoutScrollBars();
    invalidate(0);
    if (edgeCursor_) setCursor(edgeCursor_);
    return true;
  }
  if (banding_) {
    updateBand(e->x, e->y, e->modifiers);
    if (bandCursor_) setCursor(bandCursor_);
    return true;
  }
  if (dragPending_) {
    dragPending_ = false;
    notify(NGL_NOTIFY_LIST_DRAG_OUT, UIA_EVENT_MOUSE_MOVE, e, anchorRow_, -1, 0, 0);
    return true;
  }
  int32_t row = -1, column = -1;
  bool inHeader = false, onIcon = false;
  if (hitTest(e->x, e->y, row, column, inHeader, onIcon) && inHeader) {
    bool onEdge = false;
    if (column >= 0) {
      const int32_t start = columnStart(column);
      const int32_t w = columns_[column].width;
      onEdge = e->x >= start + w - 1 && e->x <= start + w + 1 + cellGap_;
    }
    HCURSOR c = onEdge ? edgeCursor_ : headerCursor_;
    if (c) setCursor(c);
  } else if (arrowCursor_) {
    setCursor(arrowCursor_);
  }
  return false;
}

bool List::handleDrag(int32_t code, void* data) {
  if (code == UIA_EVENT_DRAG_OVER) {
    const UiaTrackingState* state = static_cast<const UiaTrackingState*>(data);
    int32_t row = -1, column = -1;
    bool inHeader = false, onIcon = false;
    hitTest(state->x, state->y, row, column, inHeader, onIcon);
    if (inHeader) row = -1;
    if (row != dropRow_) {
      dropRow_ = row;
      invalidate(0);
    }
    if (state->y < view_.y1 + kAutoScrollZone)
      autoScrollStep_ = view_.y1 - state->y + 20;
    else if (state->y > view_.y2 - kAutoScrollZone)
      autoScrollStep_ = view_.y2 - state->y - 20;
    else
      autoScrollStep_ = 0;
    ListNote payload = {code, data, row, column, 0, 0};
    return notifyListeners(NGL_NOTIFY_LIST_DRAG_OVER, &payload, true);
  }
  // Drop.
  notify(NGL_NOTIFY_LIST_DROP, code, data, dropRow_, -1, 0, 0);
  if (dropRow_ >= 0) invalidate(0);
  dropRow_ = -1;
  autoScrollStep_ = 0;
  return true;
}

bool List::handleEvent(int32_t code, void* data) {
  // A press outside the edited cell ends the edit first.
  if (code == UIA_EVENT_MOUSE_BUTTON && data && editRow_ >= 0) {
    const UiaMouseButtonEvent* e = static_cast<const UiaMouseButtonEvent*>(data);
    if (e->action != UIA_ACTION_RELEASE) {
      RegionRect cell;
      cellRect(cell, editRow_, editColumn_);
      if (!cell.contains(e->x, e->y)) endCellEdit(true, code, data);
    }
  }
  const bool base = ScrollView::handleEvent(code, data);
  if (code == UIA_EVENT_TIMER) {
    if (autoScrollStep_ != 0) {
      setScrollOffset(offsetX_, gpClampToI32(int64_t(offsetY_) + autoScrollStep_));
      invalidate(0);
    }
    return base;
  }
  if (code == UIA_EVENT_MOUSE_WHEEL) return base;
  if ((code == UIA_EVENT_MOUSE_BUTTON || code == UIA_EVENT_MOUSE_MOVE) && data) {
    // The scroll bars took it (a running resize or band keeps the mouse).
    if (base && resizeColumn_ < 0 && !banding_) return true;
    if (code == UIA_EVENT_MOUSE_BUTTON) return handleMouseButton(static_cast<UiaMouseButtonEvent*>(data));
    return handleMouseMove(static_cast<UiaMouseMoveEvent*>(data)) || base;
  }
  if ((code == UIA_EVENT_DRAG_OVER || code == UIA_EVENT_DROP) && acceptsDrops_ && data) return handleDrag(code, data);
  if (code == UIA_EVENT_DRAG_ENDED || code == NGL_EVENT_MOUSE_LEAVE) {
    if (dropRow_ >= 0) invalidate(0);
    dropRow_ = -1;
    autoScrollStep_ = 0;
    if (code == NGL_EVENT_MOUSE_LEAVE) dragPending_ = false;
  }
  if (code == NGL_NOTIFY_CAPTURE_LOST) {
    banding_ = false;
    resizeColumn_ = -1;
    invalidate(0);
    return true;
  }
  return base;
}

// ---- record -------------------------------------------------------------------------------------

bool List::read(BinaryStream& stream) {
  if (!Widget::read(stream)) return false;
  const uint32_t version = stream.readU32();
  if (!nglStreamOk(stream) || version < 1 || version > 9) return false;
  if (version >= 2 && version <= 5) {
    if (!headerStyle_.read(stream)) return false;
    Text text;
    if (!text.read(stream)) return false;
    cellStyle_.setFontId(text.fontId(), nullptr, false);
    cellStyle_.setHorizontalAlignment(text.horizontalAlignment());
    cellStyle_.setVerticalAlignment(text.verticalAlignment());
  } else if (version >= 6) {
    if (!headerStyle_.read(stream) || !cellStyle_.read(stream)) return false;
  }
  if (version >= 3) selectionMode_ = stream.readInt32();
  if (version >= 4) {
    cellGap_ = stream.readInt32();
    rowSpacing_ = stream.readInt32();
  }
  if (version >= 7) iconGap_ = stream.readInt32();
  if (version >= 5) {
    highlightColour_ = stream.readU32();
    barColour_ = stream.readU32();
    selectedColour_ = stream.readU32();
    markedColour_ = stream.readU32();
    if (version <= 7) stream.readU32();
    bandColour_ = stream.readU32();
    gridLines_ = stream.readU8() != 0;
    gridColour_ = stream.readU32();
  }
  if (version >= 7) {
    icon1PictureId_ = stream.readU32();
    icon2PictureId_ = stream.readU32();
  }
  if (version >= 8) sortable_ = stream.readU8() != 0;
  if (version >= 9) selectionUnderText_ = stream.readU8() != 0;
  return nglStreamOk(stream);
}

bool List::write(BinaryStream& stream) {
  if (!Widget::write(stream)) return false;
  stream.writeU32(9);
  if (!headerStyle_.write(stream) || !cellStyle_.write(stream)) return false;
  stream.writeU32(uint32_t(selectionMode_));
  stream.writeU32(uint32_t(cellGap_));
  stream.writeU32(uint32_t(rowSpacing_));
  stream.writeU32(uint32_t(iconGap_));
  stream.writeU32(highlightColour_);
  stream.writeU32(barColour_);
  stream.writeU32(selectedColour_);
  stream.writeU32(markedColour_);
  stream.writeU32(bandColour_);
  stream.writeU8(gridLines_ ? 1 : 0);
  stream.writeU32(gridColour_);
  stream.writeU32(icon1PictureId_);
  stream.writeU32(icon2PictureId_);
  stream.writeU8(sortable_ ? 1 : 0);
  stream.writeU8(selectionUnderText_ ? 1 : 0);
  return nglStreamOk(stream);
}
