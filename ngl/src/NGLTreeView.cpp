// TreeView: rows in display order, hit tests, selection and expansion by the mouse, drag and drop
// notifications with auto-scroll, painting and the widget record.
#include "NGLTreeView.h"

#include <algorithm>
#include "GPBinaryStream.h"
#include "NGLBitmapFont.h"
#include "NGLForm.h"
#include "NGLStreamState.h"
#include "UIAKeys.h"
#include "UIAPicture.h"
#include "UIATracking.h"

namespace {

constexpr uint32_t kDropColour = 0x80FF0000;
constexpr int32_t kAutoScrollZone = 16;

}  // namespace

TreeNode::~TreeNode() {
  for (TreeNode* child : children) delete child;
}

TreeView::TreeView() {
  root_.name = "<root>";
  root_.expanded = true;
}

void registerTreeView() {
  WidgetRegistry::add("Tree View", []() -> Widget* { return new TreeView; });
}

int32_t TreeView::rowHeight() const {
  const int32_t fontHeight = font_ ? font_->height() : 10;
  const int32_t iconHeight = iconPicture_ ? int32_t(iconPicture_->frameHeight()) : 10;
  return std::max(fontHeight, iconHeight) + rowSpacing_;
}

int32_t TreeView::iconWidth() const { return iconPicture_ ? int32_t(iconPicture_->frameWidth()) : 10; }

int32_t TreeView::textWidth(const TreeNode& node) const {
  return font_ ? font_->textWidth(node.name.c_str(), uint32_t(-1)) : 8 * int32_t(node.name.size());
}

void TreeView::walkRows(const std::function<bool(TreeNode&, int32_t)>& visit) {
  int32_t row = 0;
  std::function<bool(TreeNode&)> walk = [&](TreeNode& node) -> bool {
    if (!visit(node, row++)) return false;
    if (node.expanded || expandAll_)
      for (TreeNode* child : node.children)
        if (child && !walk(*child)) return false;
    return true;
  };
  if (showRoot_) {
    walk(root_);
    return;
  }
  for (TreeNode* child : root_.children)
    if (child && !walk(*child)) return;
}

void TreeView::contentSize(int32_t& width, int32_t& height) {
  int32_t rows = 0, widest = 0;
  std::function<void(TreeNode&)> count = [&](TreeNode& node) {
    ++rows;
    widest = std::max(widest, indent_ * node.depth + textWidth(node));
    if (node.expanded || expandAll_)
      for (TreeNode* child : node.children)
        if (child) count(*child);
  };
  count(root_);
  const int64_t h = int64_t(rows) * rowHeight();
  height = int32_t(std::min<int64_t>(h, INT32_MAX));
  width = iconTextGap_ + widest + iconWidth();
}

TreeNode* TreeView::nodeAt(int32_t x, int32_t y, bool* onIcon) {
  TreeNode* hit = nullptr;
  const int32_t rh = rowHeight();
  const int32_t iw = iconWidth();
  if (onIcon) *onIcon = false;
  if (rh <= 0) return nullptr;
  walkRows([&](TreeNode& node, int32_t row) {
    const int64_t top = int64_t(view_.y1) + offsetY_ + int64_t(row) * rh;
    if (y < top) return false;  // rows only go further down
    if (y >= top + rh) return true;
    const int32_t start = view_.x1 + offsetX_ + indent_ * node.depth;
    if (x >= start && x < start + iw + iconTextGap_ + textWidth(node)) {
      hit = &node;
      if (onIcon) *onIcon = x < start + iw + iconTextGap_ - iconHitInset_;
    }
    return false;
  });
  return hit;
}

void TreeView::notify(int32_t note, int32_t code, void* data, int32_t x, int32_t y, TreeNode* node) {
  TreeViewNote payload = {code, data, x, y, node};
  notifyListeners(note, &payload, false);
}

void TreeView::deselectAll(TreeNode& node, int32_t code, void* data, int32_t x, int32_t y) {
  if (node.selected) {
    node.selected = false;
    notify(NGL_NOTIFY_TREE_DESELECTED, code, data, x, y, &node);
  }
  for (TreeNode* child : node.children)
    if (child) deselectAll(*child, code, data, x, y);
}

void TreeView::toggleExpanded(TreeNode& node, int32_t code, void* data, int32_t x, int32_t y) {
  node.expanded = !node.expanded;
  notify(node.expanded ? NGL_NOTIFY_TREE_EXPANDED : NGL_NOTIFY_TREE_COLLAPSED, code, data, x, y, &node);
  layoutScrollBars();
  invalidate(0);
}

bool TreeView::handleMouse(int32_t code, void* data) {
  if (code == UIA_EVENT_MOUSE_MOVE) {
    if (!dragArmed_) return false;
    const UiaMouseMoveEvent* e = static_cast<const UiaMouseMoveEvent*>(data);
    dragArmed_ = false;
    notify(NGL_NOTIFY_TREE_DRAG_OUT, code, data, e->x, e->y, nullptr);
    return true;
  }
  if (code != UIA_EVENT_MOUSE_BUTTON) return false;
  const UiaMouseButtonEvent* e = static_cast<const UiaMouseButtonEvent*>(data);
  bool onIcon = false;
  TreeNode* node = nodeAt(e->x, e->y, &onIcon);
  notify(NGL_NOTIFY_TREE_BUTTON, code, data, e->x, e->y, node);
  if (e->button != UIA_BUTTON_LEFT) return true;
  if (e->action == UIA_ACTION_RELEASE) {
    dragArmed_ = false;
    return true;
  }
  if (!node) return true;
  if (e->action == UIA_ACTION_DOUBLE_CLICK) {
    if (!onIcon) toggleExpanded(*node, code, data, e->x, e->y);
    return true;
  }
  if (e->action != UIA_ACTION_PRESS) return true;
  if (onIcon) {
    toggleExpanded(*node, code, data, e->x, e->y);
    return true;
  }
  if (node == &root_) {
    deselectAll(root_, code, data, e->x, e->y);
    selectedNode_ = nullptr;
    invalidate(0);
    return true;
  }
  const bool was = node->selected;
  if (toggleSelection_ && (e->modifiers & kModShift)) {
    node->selected = !node->selected;
  } else if (!node->selected) {
    deselectAll(root_, code, data, e->x, e->y);
    node->selected = true;
  }
  selectedNode_ = node;
  if (node->selected != was)
    notify(node->selected ? NGL_NOTIFY_TREE_SELECTED : NGL_NOTIFY_TREE_DESELECTED, code, data, e->x, e->y, node);
  if (dragEnabled_) dragArmed_ = true;
  invalidate(0);
  return true;
}

bool TreeView::handleEvent(int32_t code, void* data) {
  const bool base = ScrollView::handleEvent(code, data);
  if (code == UIA_EVENT_TIMER) {
    if (autoScrollStep_ != 0) {
      setScrollOffset(offsetX_, offsetY_ + autoScrollStep_);
      invalidate(0);
    }
    return base;
  }
  if ((code == UIA_EVENT_MOUSE_BUTTON || code == UIA_EVENT_MOUSE_MOVE) && data) {
    if (base) return true;  // the scroll bars took it
    return handleMouse(code, data);
  }
  if (code == UIA_EVENT_DRAG_OVER && acceptsDrops_ && data) {
    UiaTrackingState* state = static_cast<UiaTrackingState*>(data);
    TreeNode* node = nodeAt(state->x, state->y, nullptr);
    TreeNode* accepted = nullptr;
    if (node) {
      TreeViewNote payload = {code, data, state->x, state->y, node};
      if (notifyListeners(NGL_NOTIFY_TREE_DRAG_OVER, &payload, true)) accepted = node;
    }
    if (state->y < view_.y1 + kAutoScrollZone)
      autoScrollStep_ = view_.y1 - state->y + 20;
    else if (state->y > view_.y2 - kAutoScrollZone)
      autoScrollStep_ = view_.y2 - state->y - 20;
    else
      autoScrollStep_ = 0;
    if (accepted != dropNode_) {
      dropNode_ = accepted;
      invalidate(0);
    }
    return accepted != nullptr;
  }
  if (code == UIA_EVENT_DROP && acceptsDrops_) {
    const UiaDropEvent* drop = static_cast<const UiaDropEvent*>(data);
    notify(NGL_NOTIFY_TREE_DROP, code, data, drop ? drop->x : 0, drop ? drop->y : 0, dropNode_);
    return true;
  }
  if (code == UIA_EVENT_DRAG_ENDED || code == NGL_EVENT_MOUSE_LEAVE) {
    if (code == NGL_EVENT_MOUSE_LEAVE) dragArmed_ = false;
    if (dropNode_) invalidate(0);
    dropNode_ = nullptr;
    autoScrollStep_ = 0;
  }
  return base;
}

void TreeView::attach(Form* form) {
  ScrollView::attach(form);
  if (form && !resourcesHeld_) {
    font_ = fontId_ ? font(fontId_) : nullptr;
    iconPicture_ = iconPictureId_ ? picture(iconPictureId_) : nullptr;
    resourcesHeld_ = true;
    addTimer(1, 0);
  }
  layoutScrollBars();
}

void TreeView::detach() {
  if (resourcesHeld_) {
    removeTimer(1);
    if (fontId_) releaseFont(fontId_);
    if (iconPictureId_) releasePicture(iconPictureId_);
    font_ = nullptr;
    iconPicture_ = nullptr;
    resourcesHeld_ = false;
  }
  ScrollView::detach();
}

void TreeView::paint(Picture& picture) {
  picture.fillArea(rect_.x1, rect_.y1, rect_.x2 - rect_.x1, rect_.y2 - rect_.y1, highlightColour_);
  ScrollView::paint(picture);
  const RegionRect clip = visibleView(picture);
  if (clip.isEmpty()) return;
  PictureState saved(picture);
  picture.setClipRect(clip);
  const int32_t rh = rowHeight();
  const int32_t iw = iconWidth();
  walkRows([&](TreeNode& node, int32_t row) {
    const int64_t top = int64_t(view_.y1) + offsetY_ + int64_t(row) * rh;
    if (top >= view_.y2) return false;
    if (top + rh <= view_.y1) return true;
    const int32_t y = int32_t(top);
    const int32_t x = view_.x1 + offsetX_ + indent_ * node.depth;
    const bool open = (node.expanded && !node.children.empty()) || (node.selected && node.openIconWhenSelected);
    const int32_t frame = open ? node.openFrame : node.closedFrame;
    if (frame >= 0 && iconPicture_) {
      picture.drawFrame(x, y, *iconPicture_, uint32_t(frame), nullptr);
    } else {
      // A "+" centred in the icon box.
      const int32_t side = std::min(iw, rh) - 4;
      if (side > 0) {
        const int32_t cx = x + iw / 2, cy = y + rh / 2;
        picture.drawHorizontalLine(cx - side / 2, cy, side, barColour_);
        picture.drawVerticalLine(cx, cy - side / 2, side, barColour_);
      }
    }
    const int32_t tx = x + iw + iconTextGap_;
    const int32_t tw = textWidth(node);
    if (node.selected) picture.fillArea(tx, y, tw, rh, selectionColour_);
    if (node.marked) picture.fillArea(tx, y, tw, rh, markColour_);
    if (&node == dropNode_) picture.fillArea(tx, y, tw, rh, kDropColour);
    if (font_) {
      if (node.marked)
        font_->drawHighlighted(picture, tx, y, 0, 0, tw, rh, node.name.c_str(), false);
      else
        font_->draw(picture, tx, y, 0, 0, tw, rh, node.name.c_str(), false);
    }
    return true;
  });
  saved.restore(picture);
}

bool TreeView::read(BinaryStream& stream) {
  if (!Widget::read(stream)) return false;
  const uint32_t version = stream.readU32();
  if (version < 1 || version > 4) return false;
  if (version >= 2) {
    toggleSelection_ = stream.readU8() != 0;
    rowSpacing_ = stream.readInt32();
    iconTextGap_ = stream.readInt32();
    indent_ = stream.readInt32();
    iconPictureId_ = stream.readU32();
    highlightColour_ = stream.readU32();
    barColour_ = stream.readU32();
    selectionColour_ = stream.readU32();
    markColour_ = stream.readU32();
    if (version == 4) flag_ = stream.readU8();
    if (version >= 3) {
      stream.readU32();
      fontId_ = stream.readU32();
    }
  }
  return nglStreamOk(stream);
}

bool TreeView::write(BinaryStream& stream) {
  if (!Widget::write(stream)) return false;
  stream.writeU32(4);
  stream.writeU8(toggleSelection_ ? 1 : 0);
  stream.writeU32(uint32_t(rowSpacing_));
  stream.writeU32(uint32_t(iconTextGap_));
  stream.writeU32(uint32_t(indent_));
  stream.writeU32(iconPictureId_);
  stream.writeU32(highlightColour_);
  stream.writeU32(barColour_);
  stream.writeU32(selectionColour_);
  stream.writeU32(markColour_);
  stream.writeU8(flag_);
  stream.writeU32(1);
  stream.writeU32(fontId_);
  return nglStreamOk(stream);
}
