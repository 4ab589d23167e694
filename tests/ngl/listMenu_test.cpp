// List and ItemMenu on a laid-out form with the program's fonts: sorting, unused columns, shortened
// cells, selection notifications, cell indexing and the edit a refill removes, the list record of
// every version; choosing, closing, separators and sub-menus, the scrolled tall menu, check marks,
// pop-ups kept inside the form, and both records with counts or strings past their data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NGLBitmapFont.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLItemMenu.h"
#include "NGLList.h"
#include "NGLTextEdit.h"
#include "UIAKeys.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace ngllistmenutest {

namespace {

constexpr uint32_t kFont = 1001;  // FNT 1001 of FM 1000

// Every notification: code, row, column and (for the menu) the menu.
struct Heard {
  int32_t code;
  int32_t row;
  int32_t column;
  const void* menu;
};

struct Recorder : WidgetListener {
  bool onWidgetEvent(int32_t, int32_t code, void* data) override {
    Heard h = {code, -99, -99, nullptr};
    if (menuNotes && code == NGL_NOTIFY_MENU_CHOSEN) {
      const ItemMenuChoice* c = static_cast<const ItemMenuChoice*>(data);
      h.row = c->row;
      h.menu = c->menu;
    } else if (!menuNotes && data) {
      const ListNote* n = static_cast<const ListNote*>(data);
      h.row = n->row;
      h.column = n->column;
    }
    heard.push_back(h);
    return false;
  }
  std::vector<int32_t> codes() const {
    std::vector<int32_t> out;
    for (const Heard& h : heard) out.push_back(h.code);
    return out;
  }
  bool menuNotes = false;
  std::vector<Heard> heard;
};

// A list that keeps the texts it is asked to draw, by column.
class TextKeepingList : public List {
 public:
  void drawCell(Picture& picture, const char* text, int32_t column, const RegionRect& rect, bool selected) override {
    drawn.push_back({column, text});
    List::drawCell(picture, text, column, rect, selected);
  }
  std::vector<std::pair<int32_t, std::string>> drawn;
};

// A form of the program's resource set, 300 x 200, laid out.
struct Page {
  Page() {
    EXPECT_TRUE(host.attach(1000, 1000));
    form = new Form;
    form->setProvider(&host);
    form->setSize({300, 200});
    form->layout();
  }
  ~Page() {
    delete form;
    host.detach();
  }
  FormHostListener host;
  Form* form;
};

void press(Widget& w, int32_t x, int32_t y, uint32_t action = UIA_ACTION_PRESS, uint32_t mods = 0,
           uint32_t button = UIA_BUTTON_LEFT) {
  UiaMouseButtonEvent e = {x, y, mods, button, action};
  w.handleEvent(UIA_EVENT_MOUSE_BUTTON, &e);
}

void move(Widget& w, int32_t x, int32_t y) {
  UiaMouseMoveEvent e = {x, y, 0};
  w.handleEvent(UIA_EVENT_MOUSE_MOVE, &e);
}

// A list at (0, 0, 300, 200) with the program's font in both styles and three columns.
TextKeepingList* addList(Form& form, Recorder& recorder) {
  TextKeepingList* list = new TextKeepingList;
  list->setId(1);
  list->setRect({0, 0, 300, 200});
  list->headerStyle().setFontId(kFont, nullptr, false);
  list->cellStyle().setFontId(kFont, nullptr, false);
  list->setColumnWidth(0, 100);
  list->setColumnWidth(1, 60);
  list->setColumnWidth(2, 50);
  list->setColumnTitle(0, "Name");
  form.addWidget(list);
  list->addListener(&recorder);
  return list;
}

// The centre of a cell (form coordinates).
void cellCentre(List& list, int32_t row, int32_t column, int32_t& x, int32_t& y) {
  RegionRect r;
  ASSERT_TRUE(list.cellRect(r, row, column));
  x = (r.x1 + r.x2) / 2;
  y = (r.y1 + r.y2) / 2;
}

std::vector<std::string> column0(List& list) {
  std::vector<std::string> out;
  for (int32_t r = 0; r < list.rowCount(); ++r) out.push_back(list.cellText(r, 0));
  return out;
}

}  // namespace

// ---- List -----------------------------------------------------------------------------------------

TEST(List, SortingTwiceReversesAndSortKeysWinWhenBothAreSet) {
  Page page;
  Recorder rec;
  List* list = addList(*page.form, rec);
  const char* names[] = {"beta", "Alpha", "gamma", "delta"};
  for (const char* n : names) list->setCell(list->addRow(), 0, n, nullptr);
  // A header click sorts (and reports the press first).
  press(*list, 20, 8);
  EXPECT_EQ(rec.codes(), (std::vector<int32_t>{NGL_NOTIFY_LIST_BUTTON, NGL_NOTIFY_LIST_SORTED}));
  const std::vector<std::string> first = column0(*list);
  EXPECT_EQ(first, (std::vector<std::string>{"gamma", "delta", "beta", "Alpha"}));  // bytes: 'A' < 'b'
  ASSERT_TRUE(list->sortByColumn(0));
  std::vector<std::string> second = column0(*list);
  EXPECT_EQ(second, std::vector<std::string>(first.rbegin(), first.rend()));
  // Sort keys order the rows when both rows carry one.
  list->clear();
  const char* keyed[][2] = {{"one", "1"}, {"ten", "10"}, {"two", "2"}};
  for (auto& k : keyed) list->setCell(list->addRow(), 0, k[0], k[1]);
  list->sortByColumn(0);  // descending
  list->sortByColumn(0);  // ascending
  EXPECT_EQ(column0(*list), (std::vector<std::string>{"one", "ten", "two"}));
  // An unused column does not sort.
  EXPECT_FALSE(list->sortByColumn(5));
  EXPECT_FALSE(list->sortByColumn(24));
}

TEST(List, UnusedColumnTakesNoSpaceInWidthHitsOrDrawing) {
  Page page;
  Recorder rec;
  TextKeepingList* list = addList(*page.form, rec);
  list->setColumnWidth(1, -1);  // columns: 0 (100), 2 (50)
  EXPECT_EQ(list->totalWidth(), 100 + 3 + 50 + 3);
  int32_t w = 0, h = 0;
  list->contentSize(w, h);
  EXPECT_EQ(w, 156);
  const int32_t r = list->addRow();
  list->setCell(r, 0, "zero", nullptr);
  list->setCell(r, 1, "hidden", nullptr);
  list->setCell(r, 2, "two", nullptr);
  RegionRect cell;
  EXPECT_FALSE(list->cellRect(cell, r, 1));
  ASSERT_TRUE(list->cellRect(cell, r, 2));
  EXPECT_EQ(cell.x1, 3 + 103);  // right after column 0 and its gap
  int32_t row = -1, column = -1;
  bool header = false, icon = false;
  ASSERT_TRUE(list->hitTest(cell.x1 + 1, cell.y1 + 1, row, column, header, icon));
  EXPECT_EQ(column, 2);
  Picture target;
  target.setSize(300, 200, false);
  list->paint(target);
  for (auto& d : list->drawn) EXPECT_NE(d.first, 1);
  EXPECT_EQ(list->drawn.size(), 2u);
}

TEST(List, OverWideCellIsCutAndEndsInTilde) {
  Page page;
  Recorder rec;
  TextKeepingList* list = addList(*page.form, rec);
  list->setColumnWidth(0, 40);
  const int32_t r = list->addRow();
  list->setCell(r, 0, "A cell much wider than forty pixels", nullptr);
  list->setCell(r, 1, "short", nullptr);
  Picture target;
  target.setSize(300, 200, false);
  list->paint(target);
  ASSERT_EQ(list->drawn.size(), 3u);  // two cells and the empty third
  const std::string cut = list->drawn[0].second;
  const BitmapFont* font = list->cellStyle().font();
  ASSERT_NE(font, nullptr);
  const int32_t room = 40 - list->cellStyle().leftMargin() - list->cellStyle().rightMargin();
  ASSERT_GE(cut.size(), 2u);
  EXPECT_EQ(cut.back(), '~');
  EXPECT_EQ(std::string("A cell much wider than forty pixels").compare(0, cut.size() - 1, cut, 0, cut.size() - 1), 0);
  EXPECT_LE(font->textWidth(cut.c_str(), uint32_t(-1)), room);
  // One character more would not have fitted.
  const std::string longer = std::string("A cell much wider than forty pixels").substr(0, cut.size()) + "~";
  EXPECT_GT(font->textWidth(longer.c_str(), uint32_t(-1)), room);
  EXPECT_EQ(list->drawn[1].second, "short");
}

TEST(List, SingleSelectionReportsTheOldRowDeselectedThenTheNewSelected) {
  Page page;
  Recorder rec;
  List* list = addList(*page.form, rec);
  for (int i = 0; i < 3; ++i) list->setCell(list->addRow(), 0, "row", nullptr);
  int32_t x, y;
  cellCentre(*list, 0, 0, x, y);
  press(*list, x, y);
  press(*list, x, y, UIA_ACTION_RELEASE);
  cellCentre(*list, 2, 0, x, y);
  rec.heard.clear();
  press(*list, x, y);
  ASSERT_EQ(rec.heard.size(), 3u);
  EXPECT_EQ(rec.heard[0].code, NGL_NOTIFY_LIST_BUTTON);
  EXPECT_EQ(rec.heard[1].code, NGL_NOTIFY_LIST_DESELECTED);
  EXPECT_EQ(rec.heard[1].row, 0);
  EXPECT_EQ(rec.heard[2].code, NGL_NOTIFY_LIST_SELECTED);
  EXPECT_EQ(rec.heard[2].row, 2);
  EXPECT_FALSE(list->isRowSelected(0));
  EXPECT_TRUE(list->isRowSelected(2));
  EXPECT_EQ(list->anchorRow(), 2);
  // The same through the call: 100106 for row 2, then 100105 for row 1.
  rec.heard.clear();
  list->selectRow(1, true, true, 7);
  ASSERT_EQ(rec.heard.size(), 2u);
  EXPECT_EQ(rec.heard[0].code, NGL_NOTIFY_LIST_DESELECTED);
  EXPECT_EQ(rec.heard[0].row, 2);
  EXPECT_EQ(rec.heard[1].code, NGL_NOTIFY_LIST_SELECTED);
  EXPECT_EQ(rec.heard[1].row, 1);
  // Mode 0 selects nothing.
  list->setSelectionMode(NGL_LIST_SELECT_NONE);
  rec.heard.clear();
  list->selectRow(0, true, true, 0);
  EXPECT_TRUE(rec.heard.empty());
}

TEST(List, CellsOutsideTheTablesAreRefused) {
  Page page;
  Recorder rec;
  List* list = addList(*page.form, rec);
  list->addRow();
  list->addRow();
  struct Case {
    int32_t row, column;
    bool ok;
  } const cases[] = {{0, 0, true},   {1, 23, true},  {-1, 0, false},        {2, 0, false},
                     {0, 24, false}, {0, -1, false}, {INT32_MAX, 0, false}, {0, INT32_MIN, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(list->setCell(c.row, c.column, "x", "k"), c.ok) << c.row << "," << c.column;
    EXPECT_STREQ(list->cellText(c.row, c.column), c.ok ? "x" : "");
    RegionRect r;
    EXPECT_FALSE(list->cellRect(r, c.row, c.column) && !c.ok);
  }
  list->selectRow(5, true, true, 0);
  list->selectRow(-3, true, true, 0);
  EXPECT_FALSE(list->beginCellEdit(2, 0));
  EXPECT_FALSE(list->beginCellEdit(0, 24));
  EXPECT_EQ(list->editRow(), -1);
  list->setColumnWidth(24, 10);
  list->setColumnWidth(-1, 10);
  EXPECT_EQ(list->columnWidth(24), -1);
  EXPECT_TRUE(rec.heard.empty());
}

TEST(List, EditOfARowARefillRemovedIsEndedNotWritten) {
  Page page;
  Recorder rec;
  List* list = addList(*page.form, rec);
  list->setColumnEditKind(1, 1);
  for (int i = 0; i < 3; ++i) list->setCell(list->addRow(), 1, "old", nullptr);
  TextEdit* editor = list->editor();
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(editor->isVisible());
  EXPECT_EQ(uint32_t(editor->id()), 0x80000001u);
  // A click on the selected row's editable cell opens the editor over it.
  int32_t x, y;
  cellCentre(*list, 2, 1, x, y);
  press(*list, x, y);
  press(*list, x, y, UIA_ACTION_RELEASE);
  press(*list, x, y);
  ASSERT_EQ(list->editRow(), 2);
  EXPECT_EQ(list->editColumn(), 1);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->text(), "old");
  // A commit while the cell is there writes it.
  TextEditCommit commit = {0, nullptr, "new"};
  editor->notifyListeners(NGL_NOTIFY_TEXT_COMMIT, &commit, false);
  EXPECT_STREQ(list->cellText(2, 1), "new");
  // setCell on the edited cell carries the editor along.
  list->setCell(2, 1, "set", nullptr);
  EXPECT_EQ(editor->text(), "set");
  // A refill removes the row: the edit ends, and a late commit writes nothing.
  list->clear();
  EXPECT_EQ(list->editRow(), -1);
  EXPECT_FALSE(editor->isVisible());
  list->addRow();
  list->addRow();
  list->addRow();
  commit.text = "late";
  editor->notifyListeners(NGL_NOTIFY_TEXT_COMMIT, &commit, false);
  for (int32_t r = 0; r < 3; ++r) EXPECT_STREQ(list->cellText(r, 1), "");
}

namespace {

// A list record of a version, with distinct values in every field that version has.
std::vector<uint8_t> listRecord(uint32_t version, uint32_t headerTextLength = 0) {
  Bytes b;
  b.record6(5, 6, 205, 106, 0, 0, 3).u32(version);
  auto style = [&](uint32_t font, const std::string& text) {
    b.u32(2).fill(1, 0xFF102030, 0).u32(1).u32(1).u32(font).u32(1).u32(2);
    if (headerTextLength)
      b.u32(headerTextLength);
    else
      b.str(text);
    b.u32(2).u32(2).u32(1).u32(1);
  };
  if (version >= 2 && version <= 5) {
    style(1001, "head");
    if (!headerTextLength) b.u32(1).u32(1).u32(1002).u32(1).u32(1).str("");  // cell font, centred
  } else if (version >= 6) {
    style(1001, "head");
    if (!headerTextLength) style(1002, "");
  }
  if (headerTextLength) return b.data;
  if (version >= 3) b.u32(2);         // multiple selection
  if (version >= 4) b.u32(7).u32(4);  // cellGap, rowSpacing
  if (version >= 7) b.u32(5);         // iconGap
  if (version >= 5) {
    b.u32(0xFF010101).u32(0xFF020202).u32(0x80030303).u32(0x80040404);
    if (version <= 7) b.u32(0xDEADBEEF);
    b.u32(0xC0050505).u8(1).u32(0xFF060606);
  }
  if (version >= 7) b.u32(1001).u32(1002);
  if (version >= 8) b.u8(0);  // not sortable
  if (version >= 9) b.u8(1);  // selection under the text
  return b.data;
}

}  // namespace

TEST(List, RecordsOfVersionsOneToNineAndBadOnes) {
  for (uint32_t v = 1; v <= 9; ++v) {
    SCOPED_TRACE(v);
    List list;
    VectorStream in(listRecord(v));
    ASSERT_TRUE(list.read(in));
    EXPECT_EQ(list.rect().x2, 205);
    EXPECT_EQ(list.selectionMode(), v >= 3 ? 2 : 1);
    EXPECT_EQ(list.cellGap(), v >= 4 ? 7 : 3);
    EXPECT_EQ(list.rowSpacing(), v >= 4 ? 4 : 2);
    EXPECT_EQ(list.iconGap(), v >= 7 ? 5 : 1);
    EXPECT_EQ(list.selectedColour(), v >= 5 ? 0x80030303u : 0x80FFFFFFu);
    EXPECT_EQ(list.markedColour(), v >= 5 ? 0x80040404u : 0x80000080u);
    EXPECT_EQ(list.bandColour(), v >= 5 ? 0xC0050505u : 0xC0000000u);
    EXPECT_EQ(list.gridLines(), v >= 5);
    EXPECT_EQ(list.gridColour(), v >= 5 ? 0xFF060606u : 0xFF808080u);
    EXPECT_EQ(list.backgroundColour(), v >= 5 ? 0xFF010101u : 0xFFD0D0E0u);
    EXPECT_EQ(list.icon1PictureId(), v >= 7 ? 1001u : 0u);
    EXPECT_EQ(list.icon2PictureId(), v >= 7 ? 1002u : 0u);
    EXPECT_EQ(list.sortable(), v < 8);
    EXPECT_EQ(list.selectionUnderText(), v >= 9);
    EXPECT_EQ(list.headerStyle().fontId(), v >= 2 ? 1001u : 0u);
    EXPECT_EQ(list.cellStyle().fontId(), v >= 2 ? 1002u : 0u);
    if (v >= 2 && v <= 5) {
      EXPECT_EQ(list.cellStyle().horizontalAlignment(), uint32_t(kAlignCentre));
    }
    // Written back as version 9, and read again to the same values.
    VectorStream out(4096);
    ASSERT_TRUE(list.write(out));
    const std::vector<uint8_t> bytes = out.written();
    List again;
    VectorStream back(bytes);
    ASSERT_TRUE(again.read(back));
    EXPECT_EQ(bytes[29], 9);  // the class part's version, after the 29-byte base part
    EXPECT_EQ(again.gridColour(), list.gridColour());
    EXPECT_EQ(again.iconGap(), list.iconGap());
    EXPECT_EQ(again.sortable(), list.sortable());
    EXPECT_EQ(again.selectionUnderText(), list.selectionUnderText());
    EXPECT_EQ(again.cellStyle().fontId(), list.cellStyle().fontId());
  }
  struct Bad {
    const char* what;
    std::vector<uint8_t> data;
  } const bad[] = {
      {"version 0", listRecord(0)},
      {"version 10",
       [] {
         auto d = listRecord(9);
         d[29] = 10;
         return d;
       }()},
      {"cut in the colours",
       [] {
         auto d = listRecord(9);
         d.resize(d.size() - 30);
         return d;
       }()},
      {"header text past the end", listRecord(6, 0x7FFFFFF0u)},
      {"header text of 4 GiB", listRecord(9, 0xFFFFFFFFu)},
  };
  for (const Bad& b : bad) {
    List list;
    VectorStream in(b.data);
    EXPECT_FALSE(list.read(in)) << b.what;
  }
}

// ---- ItemMenu -------------------------------------------------------------------------------------

namespace {

struct MenuPage : Page {
  MenuPage() {
    Form::setDefaultColors(kFont, 0xFFB0B0B0, 0xFFFFFFFF, 0xFF0F0F0F, 0xFF303030, false);
    menu = new ItemMenu;
    menu->setId(5556);
    form->addWidget(menu);
    recorder.menuNotes = true;
    menu->addListener(&recorder);
  }
  // The centre of a row of an open menu.
  static void rowCentre(const ItemMenu& m, int32_t row, int32_t& x, int32_t& y) {
    x = (m.listRect().x1 + m.listRect().x2) / 2;
    y = m.listRect().y1 + m.offsetY() + row * m.rowHeight() + m.rowHeight() / 2;
  }
  ItemMenu* menu;
  Recorder recorder;
};

}  // namespace

TEST(ItemMenu, ChoosingReportsCloseThenTheRowAndTogglesChecks) {
  MenuPage p;
  ItemMenu& m = *p.menu;
  EXPECT_EQ(m.layer(), 7u);
  ASSERT_NE(m.menuFont(), nullptr);
  m.addItem("First", nullptr, 10);
  m.addItem("Second", "second text", 20);
  m.item(1)->checkState = NGL_MENU_CHECKED;
  EXPECT_EQ(m.item(0)->text, "First");
  EXPECT_EQ(m.markIndent(), 3 + 5);
  for (int round = 0; round < 2; ++round) {
    m.open(20, 30, nullptr, false, true);
    ASSERT_TRUE(m.isOpen());
    EXPECT_EQ(ItemMenu::openRoot(), &m);
    EXPECT_TRUE(m.hasMouseCapture());
    EXPECT_EQ(m.popupRect().x1, 20);
    EXPECT_EQ(m.popupRect().y1, 30);
    int32_t x, y;
    MenuPage::rowCentre(m, 1, x, y);
    p.recorder.heard.clear();
    press(m, x, y);
    ASSERT_EQ(p.recorder.heard.size(), 2u);
    EXPECT_EQ(p.recorder.heard[0].code, NGL_NOTIFY_MENU_CLOSED);
    EXPECT_EQ(p.recorder.heard[1].code, NGL_NOTIFY_MENU_CHOSEN);
    EXPECT_EQ(p.recorder.heard[1].row, 1);
    EXPECT_EQ(p.recorder.heard[1].menu, &m);
    EXPECT_FALSE(m.isOpen());
    EXPECT_TRUE(m.choiceMade());
    EXPECT_EQ(m.chosenIndex(), 1);
    EXPECT_EQ(ItemMenu::openRoot(), nullptr);
    EXPECT_FALSE(m.hasMouseCapture());
    EXPECT_EQ(m.item(1)->checkState, round == 0 ? NGL_MENU_UNCHECKED : NGL_MENU_CHECKED);
    // The release that follows chooses nothing more.
    press(m, x, y, UIA_ACTION_RELEASE);
    EXPECT_EQ(p.recorder.heard.size(), 2u);
  }
  // Opened again, the last choice is the hovered row.
  m.open(20, 30, nullptr, false, true);
  EXPECT_EQ(m.hoverIndex(), 1);
  m.closeTree();
}

TEST(ItemMenu, PressOutsideReportsOnlyTheClose) {
  MenuPage p;
  ItemMenu& m = *p.menu;
  m.addItem("Only", nullptr, 1);
  m.open(100, 100, nullptr, false, true);
  ASSERT_TRUE(m.isOpen());
  press(m, 5, 5);
  EXPECT_EQ(p.recorder.codes(), (std::vector<int32_t>{NGL_NOTIFY_MENU_CLOSED}));
  EXPECT_FALSE(m.isOpen());
  EXPECT_FALSE(m.choiceMade());
  EXPECT_EQ(m.chosenIndex(), -1);
  // Losing the capture closes it the same way.
  m.open(100, 100, nullptr, false, true);
  p.recorder.heard.clear();
  m.handleEvent(NGL_NOTIFY_CAPTURE_LOST, nullptr);
  EXPECT_EQ(p.recorder.codes(), (std::vector<int32_t>{NGL_NOTIFY_MENU_CLOSED}));
  EXPECT_FALSE(m.isOpen());
}

TEST(ItemMenu, SeparatorsAndSubMenuItemsChooseNothingAndSubMenusChoose) {
  MenuPage p;
  ItemMenu& m = *p.menu;
  m.addItem("Plain", nullptr, 1);
  m.item(m.addItem("", nullptr, -1))->separator = true;
  const int32_t more = m.addItem("More", nullptr, -1);
  ItemMenu* sub = new ItemMenu;
  sub->addItem("Inner A", nullptr, 100);
  sub->addItem("Inner B", nullptr, 101);
  m.item(more)->subMenu = sub;
  sub->setParentMenu(&m);
  m.open(10, 10, nullptr, false, true);
  int32_t x, y;
  for (int32_t row : {1, more}) {
    MenuPage::rowCentre(m, row, x, y);
    press(m, x, y);
    press(m, x, y, UIA_ACTION_RELEASE);
    EXPECT_TRUE(m.isOpen()) << row;
  }
  EXPECT_TRUE(p.recorder.heard.empty());
  // Hovering the sub-menu row opens the sub-menu beside it; the root's widget covers both.
  move(m, x, y);
  ASSERT_TRUE(sub->isOpen());
  EXPECT_EQ(sub->popupRect().x1, m.popupRect().x2 + 1);
  EXPECT_GE(m.rect().x2, sub->popupRect().x2);
  int32_t sx, sy;
  MenuPage::rowCentre(*sub, 1, sx, sy);
  move(m, sx, sy);
  EXPECT_EQ(ItemMenu::lastHovered(), sub);
  press(m, sx, sy);
  ASSERT_EQ(p.recorder.heard.size(), 2u);
  EXPECT_EQ(p.recorder.heard[1].row, 1);
  EXPECT_EQ(p.recorder.heard[1].menu, sub);
  EXPECT_FALSE(m.isOpen());
  EXPECT_FALSE(sub->isOpen());
  EXPECT_EQ(sub->chosenIndex(), 1);
  EXPECT_EQ(m.chosenIndex(), -1);
  EXPECT_EQ(m.rect().x2, m.savedRect().x2);
}

TEST(ItemMenu, TallMenuIsCutToTheFormWithAScrollBar) {
  MenuPage p;
  ItemMenu& m = *p.menu;
  for (int i = 0; i < 60; ++i) m.addItem(("Item " + std::to_string(i)).c_str(), nullptr, i);
  int32_t cw = 0, ch = 0;
  m.contentSize(cw, ch);
  ASSERT_GT(ch, 200);
  m.open(50, 40, nullptr, false, true);
  EXPECT_TRUE(m.scrollBarShown());
  EXPECT_EQ(m.popupRect().y1, 0);
  EXPECT_EQ(m.popupRect().y2, 200);
  EXPECT_EQ(m.popupRect().x2 - m.popupRect().x1, cw + 2 * 4 + 1 + 12 + 4);
  EXPECT_FALSE(m.scrollThumb().isEmpty());
  // Dragging the thumb down scrolls the list up in proportion; the release ends the drag.
  const RegionRect thumb = m.scrollThumb();
  const int32_t tx = (thumb.x1 + thumb.x2) / 2, ty = (thumb.y1 + thumb.y2) / 2;
  press(m, tx, ty);
  EXPECT_TRUE(m.draggingThumb());
  EXPECT_TRUE(m.isOpen());
  move(m, tx, ty + 10);
  const int32_t listH = m.listRect().y2 - m.listRect().y1;
  EXPECT_EQ(m.offsetY(), int32_t(-10.0 / (double(listH) / ch)));
  press(m, tx, ty + 10, UIA_ACTION_RELEASE);
  EXPECT_FALSE(m.draggingThumb());
  EXPECT_TRUE(p.recorder.heard.empty());
  // The wheel scrolls by rows, clamped to the content.
  UiaMouseWheelEvent wheel = {60, 60, 0, -120 * 1000};
  m.handleEvent(UIA_EVENT_MOUSE_WHEEL, &wheel);
  const int32_t listHeight = m.listRect().y2 - m.listRect().y1;
  EXPECT_EQ(m.offsetY(), listHeight - ch);
  // Choosing a row scrolled into view reports that row.
  int32_t x, y;
  MenuPage::rowCentre(m, 59, x, y);
  ASSERT_LT(y, m.listRect().y2);
  press(m, x, y);
  ASSERT_EQ(p.recorder.heard.size(), 2u);
  EXPECT_EQ(p.recorder.heard[1].row, 59);
  // A maximum height cuts it too.
  m.setMaxHeight(100);
  m.open(50, 40, nullptr, false, true);
  EXPECT_EQ(m.popupRect().y2 - m.popupRect().y1, 100);
  EXPECT_TRUE(m.scrollBarShown());
  m.closeTree();
}

TEST(ItemMenu, PopUpsNearTheEdgesStayInsideTheForm) {
  MenuPage p;
  ItemMenu& m = *p.menu;
  m.addItem("A fairly wide entry", nullptr, 1);
  m.addItem("B", nullptr, 2);
  struct Case {
    int32_t x, y;
  } const cases[] = {{295, 195}, {-40, -40}, {299, 0}, {0, 199}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}};
  for (const Case& c : cases) {
    m.open(c.x, c.y, nullptr, false, false);
    const RegionRect& r = m.popupRect();
    EXPECT_GE(r.x1, 0) << c.x;
    EXPECT_GE(r.y1, 0) << c.y;
    EXPECT_LE(r.x2, 300) << c.x;
    EXPECT_LE(r.y2, 200) << c.y;
    EXPECT_FALSE(r.isEmpty());
    m.closeTree();
  }
  // A minimum width wider than the form is held to the form's width.
  m.setMinWidth(1000);
  m.open(10, 10, nullptr, false, false);
  EXPECT_EQ(m.popupRect().x1, 0);
  EXPECT_EQ(m.popupRect().x2, 300);
  m.closeTree();
}

TEST(ItemMenu, RecordRoundTripAndCountsOrStringsPastTheData) {
  ItemMenu m;
  m.addItem("Alpha", nullptr, 3);
  m.item(m.addItem("", nullptr, -1))->separator = true;
  m.addItem("Beta", nullptr, -7);
  VectorStream out(512);
  ASSERT_TRUE(m.write(out));
  ItemMenu back;
  back.addItem("stale", nullptr, 0);
  VectorStream in(out.written());
  ASSERT_TRUE(back.read(in));
  ASSERT_EQ(back.itemCount(), 3);
  EXPECT_EQ(back.item(0)->name, "Alpha");
  EXPECT_EQ(back.item(0)->text, "Alpha");
  EXPECT_EQ(back.item(0)->value, 3);
  EXPECT_TRUE(back.item(1)->separator);
  EXPECT_EQ(back.item(2)->value, -7);

  auto base = [] {
    Bytes b;
    b.record6(0, 0, 10, 10, 1, 0, 7).u32(1);
    return b;
  };
  struct Bad {
    const char* what;
    std::vector<uint8_t> data;
  } const bad[] = {
      {"count of 4 billion", base().u32(0xFFFFFFFFu).u8(0).str("x").u32(1).data},
      {"name past the end", base().u32(1).u8(0).u32(0x7FFFFFFFu).u8('a').data},
      {"value cut off", base().u32(1).u8(0).str("abc").u8(1).data},
      {"fewer items than counted", base().u32(3).u8(1).u8(1).data},
  };
  for (const Bad& b : bad) {
    ItemMenu menu;
    VectorStream bytes(b.data);
    EXPECT_FALSE(menu.read(bytes)) << b.what;
    EXPECT_EQ(menu.itemCount(), 0) << b.what;
  }
}

TEST(ItemMenu, ReleaseChoosesOnlyAfterThePointerMovedWhileOpen) {
  MenuPage p;
  ItemMenu& m = *p.menu;
  m.addItem("One", nullptr, 1);
  m.addItem("Two", nullptr, 2);
  // Opened over the pointer (as when a pop-up is moved up over the clicked cell): the release of
  // that click chooses nothing.
  m.open(20, 30, nullptr, false, true);
  int32_t x0, y0, x1, y1;
  MenuPage::rowCentre(m, 0, x0, y0);
  MenuPage::rowCentre(m, 1, x1, y1);
  press(m, x0, y0, UIA_ACTION_RELEASE);
  EXPECT_TRUE(m.isOpen());
  EXPECT_TRUE(p.recorder.heard.empty());
  // Dragged to the second row and released there: chosen.
  move(m, x0, y0);
  move(m, x1, y1);
  press(m, x1, y1, UIA_ACTION_RELEASE);
  EXPECT_FALSE(m.isOpen());
  ASSERT_EQ(p.recorder.heard.size(), 2u);
  EXPECT_EQ(p.recorder.heard[1].row, 1);
}

TEST(List, ResizeBandAndMultipleSelectionByTheMouse) {
  Page page;
  Recorder rec;
  List* list = addList(*page.form, rec);
  list->setSelectionMode(NGL_LIST_SELECT_MULTIPLE);
  list->setColumnMinWidth(0, 40);
  for (int i = 0; i < 6; ++i) list->setCell(list->addRow(), 0, ("row " + std::to_string(i)).c_str(), nullptr);
  // A press on the edge after column 0 in the header resizes it; the width stops at the minimum.
  const int32_t edge = 3 + 100;
  press(*list, edge, 8);
  EXPECT_EQ(list->resizeColumn(), 0);
  EXPECT_TRUE(list->hasMouseCapture());
  move(*list, edge + 25, 8);
  EXPECT_EQ(list->columnWidth(0), 125);
  move(*list, edge - 90, 8);
  EXPECT_EQ(list->columnWidth(0), 40);
  press(*list, edge - 90, 8, UIA_ACTION_RELEASE);
  EXPECT_EQ(list->resizeColumn(), -1);
  EXPECT_FALSE(list->hasMouseCapture());
  int resized = 0;
  for (const Heard& h : rec.heard) resized += h.code == NGL_NOTIFY_LIST_RESIZED;
  EXPECT_EQ(resized, 2);
  // Ctrl toggles rows, Shift adds the range from the anchor.
  int32_t x, y;
  auto at = [&](int32_t row) { cellCentre(*list, row, 0, x, y); };
  at(1);
  press(*list, x, y);
  press(*list, x, y, UIA_ACTION_RELEASE);
  at(4);
  press(*list, x, y, UIA_ACTION_PRESS, kModShift);
  for (int32_t r = 0; r < 6; ++r) EXPECT_EQ(list->isRowSelected(r), r >= 1 && r <= 4) << r;
  EXPECT_EQ(list->anchorRow(), 1);
  at(2);
  press(*list, x, y, UIA_ACTION_PRESS, kModCtrl);
  EXPECT_FALSE(list->isRowSelected(2));
  // A plain release on a selected row keeps only that row.
  at(3);
  press(*list, x, y, UIA_ACTION_RELEASE);
  for (int32_t r = 0; r < 6; ++r) EXPECT_EQ(list->isRowSelected(r), r == 3) << r;
  // A band from empty space below the rows up into rows 4 and 5 selects them, the others go.
  rec.heard.clear();
  RegionRect last;
  list->cellRect(last, 5, 0);
  press(*list, 20, last.y2 + 20);
  ASSERT_FALSE(rec.heard.empty());
  EXPECT_EQ(rec.heard[1].code, NGL_NOTIFY_LIST_DESELECTED);
  EXPECT_EQ(rec.heard[1].row, -1);
  EXPECT_TRUE(list->banding());
  at(4);
  move(*list, 30, y);
  for (int32_t r = 0; r < 6; ++r) EXPECT_EQ(list->isRowSelected(r), r >= 4) << r;
  press(*list, 30, y, UIA_ACTION_RELEASE);
  EXPECT_FALSE(list->banding());
  EXPECT_FALSE(list->hasMouseCapture());
}

}  // namespace ngllistmenutest
