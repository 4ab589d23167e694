// ItemMenu: the form library's pop-up menu. A widget on the form's pop-up layer that holds a list of
// items and, when opened at a point of its form, shows them in a framed pop-up, follows the mouse,
// scrolls when the list does not fit and reports the chosen item to its listeners. Items may be
// separators, carry a check state, or own a sub-menu that opens beside them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "NGLWidget.h"

class BitmapFont;
class ItemMenu;

// Notifications of the menu: 100101 whenever it closes through a press or a lost capture (payload
// ItemMenuCause), then 100001 when an item was chosen (payload ItemMenuChoice).
constexpr int32_t NGL_NOTIFY_MENU_CLOSED = 100101;
constexpr int32_t NGL_NOTIFY_MENU_CHOSEN = 100001;

// Which button opens the menu from its own widget.
constexpr uint32_t NGL_MENU_OPEN_RIGHT = 1;
constexpr uint32_t NGL_MENU_OPEN_LEFT = 2;
constexpr uint32_t NGL_MENU_OPEN_EITHER = 3;

// Check states: 0 no mark, 1 marked, 2 markable but unmarked. Choosing toggles 1 and 2.
constexpr int32_t NGL_MENU_UNCHECKABLE = 0;
constexpr int32_t NGL_MENU_CHECKED = 1;
constexpr int32_t NGL_MENU_UNCHECKED = 2;

// One row of a menu; it owns its sub-menu.
struct ItemMenuItem {
  ItemMenuItem() = default;
  ~ItemMenuItem();
  ItemMenuItem(const ItemMenuItem&) = delete;
  ItemMenuItem& operator=(const ItemMenuItem&) = delete;

  std::string name;    // shown in the row
  std::string text;    // a second text (the name unless given)
  int32_t value = -1;  // the caller's value
  bool separator = false;
  int32_t checkState = NGL_MENU_UNCHECKABLE;
  ItemMenu* subMenu = nullptr;
};

// Payload of 100101: the causing event's code and data.
struct ItemMenuCause {
  int32_t code;
  void* data;
};

// Payload of 100001: the causing event, the chosen row and the menu it belongs to.
struct ItemMenuChoice {
  int32_t code;
  void* data;
  int32_t row;
  ItemMenu* menu;
};

class ItemMenu : public Widget {
 public:
  // Goes to layer 7 and takes the library defaults of Form::setDefaultColors.
  ItemMenu();
  // Deletes every item (and with them their sub-menus) and releases the font.
  ~ItemMenu() override;

  bool handleEvent(int32_t code, void* data) override;
  // Fetches the font when there is a font id and no font yet, stores the form, records savedRect.
  void attach(Form* form) override;
  void detach() override;
  void paint(Picture& picture) override;
  // Class part: version (1 written, ignored when read), count, per item a separator byte and, for an
  // item, its name and value. Reading clears the menu first.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;

  // The widget rectangle as it was when the menu was attached.
  virtual const RegionRect& savedRect() const { return savedRect_; }
  // Widest row plus the mark indent, and item count times the row height.
  virtual void contentSize(int32_t& width, int32_t& height);
  virtual bool isItemMenu() const { return true; }

  // Appends an item; a null text takes the name. Answers the new index.
  int32_t addItem(const char* name, const char* text, int32_t value);
  // Deletes every item with its sub-menu; chosenIndex and hoverIndex become -1.
  void clear();
  // Places and opens the pop-up with its top-left corner at (x, y), given in the owner form's
  // coordinates when an owner is given (else in the menu's own form's). With capture the root menu
  // captures the mouse of its form.
  void open(int32_t x, int32_t y, Form* ownerForm, bool notifyOwner, bool capture);
  // Closes this pop-up: capture released, area repainted; endTree clears the open-root reference.
  void close(bool endTree);
  // Closes every open sub-menu from the root of this menu's tree down, then the root.
  void closeTree();

  int32_t itemCount() const { return int32_t(items_.size()); }
  // Null for an index out of range. Builders mark separators and check states here, and tie a
  // sub-menu by setting the item's subMenu (the item then owns it) and the sub-menu's parent.
  ItemMenuItem* item(int32_t index) const;
  // Row under a point of the form: -1 outside listRect or past the last item.
  int32_t rowAt(int32_t x, int32_t y) const;
  int32_t rowHeight() const;
  int32_t markIndent() const;
  // Stores the offset clamped to the list's scroll range.
  void setScrollOffset(int32_t x, int32_t y);

  void setFixedWidth(int32_t v) { fixedWidth_ = v; }
  void setMinWidth(int32_t v) { minWidth_ = v; }
  void setMaxHeight(int32_t v) { maxHeight_ = v; }
  void setOpenMode(uint32_t mode) { openMode_ = mode; }
  void setRowSpacing(int32_t v) { rowSpacing_ = v; }
  void setFrameWidth(int32_t v) { frameWidth_ = v; }
  void setTextIndent(int32_t v) { textIndent_ = v; }
  void setShadow(int32_t v) { shadow_ = v; }
  void setScrollBarWidth(int32_t v) { scrollBarWidth_ = v; }
  // Changes the font id; a font already held is released and the new one fetched when attached.
  void setFontId(uint32_t id);
  void setColours(uint32_t row, uint32_t highlight, uint32_t shadow, uint32_t line);
  void setHighlightText(bool on) { highlightText_ = on; }
  void setParentMenu(ItemMenu* parent) { parentMenu_ = parent; }
  void setChosenIndex(int32_t index) { chosenIndex_ = index; }

  int32_t fixedWidth() const { return fixedWidth_; }
  int32_t minWidth() const { return minWidth_; }
  int32_t maxHeight() const { return maxHeight_; }
  uint32_t openMode() const { return openMode_; }
  int32_t frameWidth() const { return frameWidth_; }
  int32_t shadow() const { return shadow_; }
  int32_t scrollBarWidth() const { return scrollBarWidth_; }
  uint32_t fontId() const { return fontId_; }
  BitmapFont* menuFont() const { return font_; }
  uint32_t rowColour() const { return rowColour_; }
  uint32_t highlightColour() const { return highlightColour_; }
  uint32_t shadowColour() const { return shadowColour_; }
  uint32_t lineColour() const { return lineColour_; }
  bool highlightText() const { return highlightText_; }
  ItemMenu* parentMenu() const { return parentMenu_; }
  bool isOpen() const { return isOpen_; }
  bool choiceMade() const { return choiceMade_; }
  bool ownerNotified() const { return ownerNotified_; }
  bool scrollBarShown() const { return scrollBarShown_; }
  bool draggingThumb() const { return draggingThumb_; }
  int32_t chosenIndex() const { return chosenIndex_; }
  int32_t hoverIndex() const { return hoverIndex_; }
  int32_t offsetX() const { return offsetX_; }
  int32_t offsetY() const { return offsetY_; }
  const RegionRect& popupRect() const { return popupRect_; }
  const RegionRect& listRect() const { return listRect_; }
  const RegionRect& scrollTrack() const { return scrollTrack_; }
  const RegionRect& scrollThumb() const { return scrollThumb_; }

  // The root menu that is open (at most one tree at a time) and the menu the mouse last moved over.
  static ItemMenu* openRoot();
  static ItemMenu* lastHovered();

 private:
  ItemMenu* rootMenu();
  Form* menuForm();
  // The open menu of this tree whose pop-up holds the point (the root first), or null.
  ItemMenu* menuAt(int32_t x, int32_t y);
  // The open menu of this tree whose scroll thumb is being dragged, or null.
  ItemMenu* draggingMenu();
  void place(int32_t x, int32_t y);
  void layoutScrollBar();
  void repaintTree();
  void closeSubMenus();
  void choose(ItemMenu* menu, int32_t row, int32_t code, void* data);
  bool handleButton(int32_t code, UiaMouseButtonEvent* e);
  bool handleMove(UiaMouseMoveEvent* e);
  bool handleWheel(UiaMouseWheelEvent* e);
  void collectOpenArea(RegionRect& area);
  void acquireFont();
  void releaseHeldFont();

  std::vector<std::unique_ptr<ItemMenuItem>> items_;
  int32_t rowSpacing_ = 2;
  int32_t frameWidth_ = 4;
  int32_t textIndent_ = 3;
  int32_t shadow_ = 1;
  int32_t fixedWidth_ = -1;
  int32_t minWidth_ = -1;
  int32_t maxHeight_ = -1;
  bool ownerNotified_ = false;
  Form* ownerForm_ = nullptr;
  int32_t scrollBarWidth_ = 12;
  int32_t offsetX_ = 0, offsetY_ = 0;
  bool draggingThumb_ = false;
  bool scrollBarShown_ = false;
  bool captured_ = false;
  // A release chooses only after the pointer moved while the tree was open (root menu's state).
  bool releaseArmed_ = false;
  bool pointerKnown_ = false;
  int32_t lastX_ = 0, lastY_ = 0;
  int32_t dragStartY_ = 0, dragStartOffsetX_ = 0, dragStartOffsetY_ = 0;
  RegionRect listRect_ = {0, 0, 0, 0};
  RegionRect scrollTrack_ = {0, 0, 0, 0};
  RegionRect scrollThumb_ = {0, 0, 0, 0};
  int32_t chosenIndex_ = -1;
  int32_t hoverIndex_ = -1;
  uint32_t openMode_ = NGL_MENU_OPEN_RIGHT;
  RegionRect popupRect_ = {0, 0, 0, 0};
  bool isOpen_ = false;
  RegionRect savedRect_ = {0, 0, 0, 0};
  bool choiceMade_ = false;
  uint32_t rowColour_ = 0;
  uint32_t highlightColour_ = 0;
  uint32_t shadowColour_ = 0;
  uint32_t lineColour_ = 0;
  bool highlightText_ = false;
  uint32_t fontId_ = 0;
  BitmapFont* font_ = nullptr;
  Form* fontForm_ = nullptr;  // the form whose font map lent the font
  ItemMenu* parentMenu_ = nullptr;
};
