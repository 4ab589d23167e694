// List: rows and columns, selection, sorting, hit tests, painting, mouse, in-place editing and the
// widget record.
#include "NGLList.h"

#include "GPBinaryStream.h"
#include "NGLForm.h"
#include "TextEdit.h"

List::List() : editorListener_(*this) {}
List::~List() { for (ListRow* r : rows_) delete r; }
bool List::handleEvent(int32_t code, void* data) { return ScrollView::handleEvent(code, data); }
void List::attach(Form* form) { ScrollView::attach(form); }
void List::detach() { ScrollView::detach(); }
void List::paint(Picture& picture) { ScrollView::paint(picture); }
bool List::read(BinaryStream& stream) { return ScrollView::read(stream); }
bool List::write(BinaryStream& stream) { return ScrollView::write(stream); }
void List::contentSize(int32_t& width, int32_t& height) { width = totalWidth(); height = 0; }
int32_t List::totalWidth() { return 0; }
int32_t List::iconHeight() { return 0; }
int32_t List::iconAreaWidth() { return 0; }
void List::drawRow(Picture&, int32_t, int32_t, int32_t, const RegionRect&) {}
void List::drawCell(Picture&, const char*, int32_t, const RegionRect&, bool) {}
int32_t List::addRow() { rows_.push_back(new ListRow); return int32_t(rows_.size()) - 1; }
void List::clear() { for (ListRow* r : rows_) delete r; rows_.clear(); }
bool List::setCell(int32_t row, int32_t column, const char* text, const char* sortKey)
{
    if (!validCell(row, column)) return false;
    rows_[size_t(row)]->text[column] = text ? text : "";
    rows_[size_t(row)]->sortKey[column] = sortKey ? sortKey : "";
    return true;
}
bool List::cellRect(RegionRect& rect, int32_t, int32_t) { rect = {0, 0, 0, 0}; return false; }
void List::selectRow(int32_t, bool, bool, uint8_t) {}
void List::deselectAll(bool) {}
bool List::beginCellEdit(int32_t, int32_t) { return false; }
void List::endCellEdit(bool, int32_t, void*) {}
bool List::sortByColumn(int32_t) { return false; }
void List::setColumnWidth(int32_t c, int32_t w) { if (c >= 0 && c < NGL_LIST_COLUMNS) columns_[c].width = w; }
void List::setColumnMinWidth(int32_t c, int32_t w) { if (c >= 0 && c < NGL_LIST_COLUMNS) columns_[c].minWidth = w; }
void List::setColumnTitle(int32_t c, const char* t) { if (c >= 0 && c < NGL_LIST_COLUMNS) columns_[c].title = t ? t : ""; }
void List::setColumnEditKind(int32_t c, int32_t k) { if (c >= 0 && c < NGL_LIST_COLUMNS) columns_[c].editKind = k; }
const ListColumn* List::column(int32_t c) const { return c >= 0 && c < NGL_LIST_COLUMNS ? &columns_[c] : nullptr; }
int32_t List::columnWidth(int32_t c) const { return c >= 0 && c < NGL_LIST_COLUMNS ? columns_[c].width : -1; }
ListRow* List::row(int32_t i) const { return i >= 0 && i < int32_t(rows_.size()) ? rows_[size_t(i)] : nullptr; }
const char* List::cellText(int32_t r, int32_t c) const { return validCell(r, c) ? rows_[size_t(r)]->text[c].c_str() : ""; }
bool List::setRowIcons(int32_t, int32_t, int32_t) { return false; }
bool List::setRowMarked(int32_t, bool) { return false; }
bool List::isRowSelected(int32_t r) const { return row(r) && row(r)->selected; }
int32_t List::rowHeight() { return 12; }
int32_t List::headerHeight() { return 12; }
bool List::hitTest(int32_t, int32_t, int32_t& r, int32_t& c, bool& h, bool& i) { r = c = -1; h = i = false; return false; }
void List::setHideHeader(bool on) { hideHeader_ = on; }
void List::setRowSpacing(int32_t v) { rowSpacing_ = v; }
void List::setCellGap(int32_t v) { cellGap_ = v; }
void List::setIconGap(int32_t v) { iconGap_ = v; }
bool List::EditorListener::onWidgetEvent(int32_t, int32_t, void*) { return false; }
bool List::validCell(int32_t r, int32_t c) const { return r >= 0 && r < int32_t(rows_.size()) && c >= 0 && c < NGL_LIST_COLUMNS; }
void registerList() { WidgetRegistry::add("List", []() -> Widget* { return new List; }); }
