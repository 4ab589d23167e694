// List: the form library's multi-column list. Rows of text cells in up to 24 columns under an optional
// header, drawn in two text styles, with single or multiple selection, sorting by a header click,
// column resizing, a rubber-band selection, in-place cell editing through an embedded TextEdit, two
// optional icon pictures per row, drag-out and drop notifications, scrolled through ScrollView.
#pragma once

#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "NGLScrollView.h"
#include "NGLTextStyle.h"

class Picture;
class TextEdit;

constexpr int32_t NGL_LIST_COLUMNS = 24;

// Notification codes of the list (payload ListNote).
constexpr int32_t NGL_NOTIFY_LIST_BUTTON = 100101;     // any mouse button event (row, column, in header, on icon)
constexpr int32_t NGL_NOTIFY_LIST_DRAG_OUT = 100102;   // a press on a selected row was followed by a move
constexpr int32_t NGL_NOTIFY_LIST_DRAG_OVER = 100103;  // drag-over with acceptsDrops; a true answer accepts
constexpr int32_t NGL_NOTIFY_LIST_DROP = 100104;       // drop on dropRow
constexpr int32_t NGL_NOTIFY_LIST_SELECTED = 100105;
constexpr int32_t NGL_NOTIFY_LIST_DESELECTED = 100106;  // row -1: all deselected by a click on empty space
constexpr int32_t NGL_NOTIFY_LIST_CELL = 100107;        // a click on a selected row (or a double click)
constexpr int32_t NGL_NOTIFY_LIST_EDIT_END = 100108;
constexpr int32_t NGL_NOTIFY_LIST_RESIZED = 100110;
constexpr int32_t NGL_NOTIFY_LIST_SORTED = 100111;

// Selection modes.
constexpr int32_t NGL_LIST_SELECT_NONE = 0;
constexpr int32_t NGL_LIST_SELECT_SINGLE = 1;
constexpr int32_t NGL_LIST_SELECT_MULTIPLE = 2;

// Payload of the list's notifications: the causing event, the row and column, and two flags (for
// 100101 in-header and on-icon; for 100105 and 100106 the second is the caller's flag).
struct ListNote {
  int32_t code;
  void* data;
  int32_t row;
  int32_t column;
  uint8_t flag1;
  uint8_t flag2;
};

struct ListColumn {
  int32_t width = -1;  // -1: no column
  int32_t minWidth = 0;
  int32_t direction = 1;  // last sort direction, +1 or -1
  int32_t reserved = -1;
  std::string title;
  int32_t editKind = 0;  // 1: the cell is edited in place on a click
};

class List : public ScrollView {
 public:
  // One row; the list owns it.
  struct Row {
    std::string text[NGL_LIST_COLUMNS];
    std::string sortKey[NGL_LIST_COLUMNS];
    uintptr_t userWord = 0;
    uint8_t selected = 0;
    uint8_t marked = 0;
    uint32_t stamp = 0;       // order of selection
    int32_t icon1Frame = -1;  // -1: no icon
    int32_t icon2Frame = -1;
  };

  List();
  // Deletes all rows.
  ~List() override;

  bool handleEvent(int32_t code, void* data) override;
  // Fetches the icon pictures, attaches both styles, takes the cursors, creates the hidden editor and
  // adds widget timer 1.
  void attach(Form* form) override;
  void detach() override;
  void paint(Picture& picture) override;
  // Class part versions 1..9 read, 9 written.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;
  void contentSize(int32_t& width, int32_t& height) override;
  int32_t wheelStep() override { return rowHeight(); }

  // Sum over used columns of width + cellGap.
  virtual int32_t totalWidth();
  // The taller of the two icon pictures, 0 without them.
  virtual int32_t iconHeight();
  // iconGap + icon-1 width when set, plus iconGap + icon-2 width when set.
  virtual int32_t iconAreaWidth();
  virtual void drawRow(Picture& picture, int32_t x, int32_t y, int32_t row, const RegionRect& clip);
  virtual void drawCell(Picture& picture, const char* text, int32_t column, const RegionRect& rect, bool selected);

  // Appends an empty row; answers its index.
  int32_t addRow();
  // Deletes all rows and repaints (a cell edit in progress is ended first).
  void clear();
  // Row in range and column 0..23, else false; a null text or sort key means empty. When the cell is
  // being edited, the editor's text follows.
  bool setCell(int32_t row, int32_t column, const char* text, const char* sortKey);
  // The cell's rectangle in form coordinates (the row's position as scrolled); false out of range.
  bool cellRect(RegionRect& rect, int32_t row, int32_t column);
  Picture* icon1Picture() const { return icon1Picture_; }
  Picture* icon2Picture() const { return icon2Picture_; }
  void selectRow(int32_t row, bool select, bool notify, uint8_t flag);
  void deselectAll(bool notify);
  bool beginCellEdit(int32_t row, int32_t column);
  void endCellEdit(bool notify, int32_t causeCode, void* causeData);
  // Negates the column's direction and sorts the rows by it (cells' sort keys when both are set,
  // else their texts); then 100111 and repaint. False for a column out of range or unused.
  bool sortByColumn(int32_t column);

  // Column set-up; each change invalidates the list. Out-of-range columns are ignored.
  void setColumnWidth(int32_t column, int32_t width);
  void setColumnMinWidth(int32_t column, int32_t width);
  void setColumnTitle(int32_t column, const char* title);
  void setColumnEditKind(int32_t column, int32_t kind);
  // Null out of range.
  const ListColumn* column(int32_t column) const;
  int32_t columnWidth(int32_t column) const;

  int32_t rowCount() const { return int32_t(rows_.size()); }
  // Null out of range.
  Row* row(int32_t index) const;
  // "" out of range.
  const char* cellText(int32_t row, int32_t column) const;
  bool setRowIcons(int32_t row, int32_t icon1Frame, int32_t icon2Frame);
  bool setRowMarked(int32_t row, bool marked);
  bool isRowSelected(int32_t row) const;
  int32_t rowHeight();
  int32_t headerHeight();
  // What lies under a point of the form: false outside the view. row/column -1 for none.
  bool hitTest(int32_t x, int32_t y, int32_t& row, int32_t& column, bool& inHeader, bool& onIcon);

  void setSelectionMode(int32_t mode) { selectionMode_ = mode; }
  void setGridLines(bool on) {
    gridLines_ = on;
    invalidate(0);
  }
  void setSelectionUnderText(bool on) {
    selectionUnderText_ = on;
    invalidate(0);
  }
  void setSortable(bool on) { sortable_ = on; }
  void setHideHeader(bool on);
  void setEditOnClick(bool on) { editOnClick_ = on; }
  void setAcceptsDrops(bool on) { acceptsDrops_ = on; }
  void setRowSpacing(int32_t v);
  void setCellGap(int32_t v);
  void setIconGap(int32_t v);
  // Take effect at the next attach.
  void setIcon1PictureId(uint32_t id) { icon1PictureId_ = id; }
  void setIcon2PictureId(uint32_t id) { icon2PictureId_ = id; }
  void setMarkedColour(uint32_t c) {
    markedColour_ = c;
    invalidate(0);
  }
  void setSelectedColour(uint32_t c) {
    selectedColour_ = c;
    invalidate(0);
  }
  void setBandColour(uint32_t c) { bandColour_ = c; }
  void setGridColour(uint32_t c) {
    gridColour_ = c;
    invalidate(0);
  }
  void setBackgroundColour(uint32_t c) {
    highlightColour_ = c;
    invalidate(0);
  }

  TextStyle& headerStyle() { return headerStyle_; }
  TextStyle& cellStyle() { return cellStyle_; }
  int32_t selectionMode() const { return selectionMode_; }
  bool gridLines() const { return gridLines_; }
  bool selectionUnderText() const { return selectionUnderText_; }
  bool sortable() const { return sortable_; }
  bool hideHeader() const { return hideHeader_; }
  bool editOnClick() const { return editOnClick_; }
  bool acceptsDrops() const { return acceptsDrops_; }
  int32_t rowSpacing() const { return rowSpacing_; }
  int32_t cellGap() const { return cellGap_; }
  int32_t iconGap() const { return iconGap_; }
  uint32_t icon1PictureId() const { return icon1PictureId_; }
  uint32_t icon2PictureId() const { return icon2PictureId_; }
  uint32_t markedColour() const { return markedColour_; }
  uint32_t selectedColour() const { return selectedColour_; }
  uint32_t bandColour() const { return bandColour_; }
  uint32_t gridColour() const { return gridColour_; }
  // The list's background is the scroll view's first colour.
  uint32_t backgroundColour() const { return highlightColour_; }
  int32_t anchorRow() const { return anchorRow_; }
  int32_t editRow() const { return editRow_; }
  int32_t editColumn() const { return editColumn_; }
  int32_t dropRow() const { return dropRow_; }
  int32_t resizeColumn() const { return resizeColumn_; }
  bool banding() const { return banding_; }
  bool dragPending() const { return dragPending_; }
  int32_t autoScrollStep() const { return autoScrollStep_; }
  TextEdit* editor() const { return editor_; }

 protected:
  // Receives the editor's notifications.
  class EditorListener : public WidgetListener {
   public:
    explicit EditorListener(List& list) : list_(list) {}
    bool onWidgetEvent(int32_t widgetId, int32_t code, void* data) override;

   private:
    List& list_;
  };

  bool validCell(int32_t row, int32_t column) const;
  // Where the editor goes over a cell: after the icon area in column 0, inset by the cell margins.
  RegionRect editorRect(int32_t row, int32_t column);
  bool usedColumn(int32_t column) const;
  int32_t columnStart(int32_t column);
  void notify(int32_t note, int32_t code, void* data, int32_t row, int32_t column, uint8_t flag1, uint8_t flag2);
  bool handleMouseButton(UiaMouseButtonEvent* e);
  bool handleMouseMove(UiaMouseMoveEvent* e);
  bool handleDrag(int32_t code, void* data);
  void updateBand(int32_t x, int32_t y, uint32_t modifiers);
  // Cuts text to at most 255 characters and, when wider than width in the style's font, to as
  // many characters as fit followed by "~".
  void shortenToWidth(std::string& text, int32_t width, const TextStyle& style) const;
  int32_t textHeight();
  void releaseResources();

  std::vector<std::unique_ptr<Row>> rows_;
  ListColumn columns_[NGL_LIST_COLUMNS];
  TextStyle headerStyle_;
  TextStyle cellStyle_;
  int32_t selectionMode_ = NGL_LIST_SELECT_SINGLE;
  bool gridLines_ = false;
  bool selectionUnderText_ = false;
  bool sortable_ = true;
  bool hideHeader_ = false;
  bool editOnClick_ = false;
  bool acceptsDrops_ = false;
  int32_t rowSpacing_ = 2;
  int32_t cellGap_ = 3;
  int32_t iconGap_ = 1;
  uint32_t icon1PictureId_ = 0;
  uint32_t icon2PictureId_ = 0;
  Picture* icon1Picture_ = nullptr;
  Picture* icon2Picture_ = nullptr;
  uint32_t markedColour_ = 0x80000080;
  uint32_t selectedColour_ = 0x80FFFFFF;
  uint32_t bandColour_ = 0xC0000000;
  uint32_t gridColour_ = 0xFF808080;
  int32_t anchorRow_ = -1;
  int32_t editRow_ = -1;
  int32_t editColumn_ = -1;
  int32_t dropRow_ = -1;
  int32_t resizeColumn_ = -1;
  int32_t resizeStartWidth_ = -1;
  int32_t listPressX_ = -1;  // where a resize or band began
  int32_t listPressY_ = -1;
  int32_t bandX_ = 0, bandY_ = 0;
  int32_t autoScrollStep_ = 0;
  bool dragPending_ = false;
  bool banding_ = false;
  uint32_t stampCounter_ = 0;
  TextEdit* editor_ = nullptr;
  EditorListener editorListener_;
  HCURSOR headerCursor_ = nullptr;
  HCURSOR edgeCursor_ = nullptr;
  HCURSOR bandCursor_ = nullptr;
  HCURSOR arrowCursor_ = nullptr;
  bool attached_ = false;
};

void registerList();
