// TreeView: a hierarchy of named nodes drawn one per row with an indent per level and an icon per
// node, expanding and collapsing, selection, drag-out and drop notifications, scrolled through
// ScrollView.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include "NGLScrollView.h"

class BitmapFont;
class Picture;

// One node; it owns its children.
struct TreeNode {
  TreeNode() = default;
  ~TreeNode();
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;

  std::string name;
  int32_t depth = 0;
  int32_t closedFrame = -1;  // -1: a "+" instead of an icon
  int32_t openFrame = -1;
  std::vector<TreeNode*> children;
  bool expanded = false;
  bool selected = false;
  bool marked = false;
  bool openIconWhenSelected = false;
};

constexpr int32_t NGL_NOTIFY_TREE_BUTTON = 100101;
constexpr int32_t NGL_NOTIFY_TREE_DRAG_OUT = 100102;
constexpr int32_t NGL_NOTIFY_TREE_DRAG_OVER = 100103;
constexpr int32_t NGL_NOTIFY_TREE_DROP = 100104;
constexpr int32_t NGL_NOTIFY_TREE_SELECTED = 100105;
constexpr int32_t NGL_NOTIFY_TREE_DESELECTED = 100106;
constexpr int32_t NGL_NOTIFY_TREE_EXPANDED = 100107;
constexpr int32_t NGL_NOTIFY_TREE_COLLAPSED = 100108;

// Payload of the tree's notifications: the causing event, the point and the node (or null).
struct TreeViewNote {
  int32_t code;
  void* data;
  int32_t x, y;
  TreeNode* node;
};

class TreeView : public ScrollView {
 public:
  TreeView();
  ~TreeView() override = default;

  bool handleEvent(int32_t code, void* data) override;
  void attach(Form* form) override;
  void detach() override;
  void paint(Picture& picture) override;
  // Versions 1..4 read, 4 written.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;
  void contentSize(int32_t& width, int32_t& height) override;
  int32_t wheelStep() override { return rowHeight(); }

  TreeNode& root() { return root_; }
  TreeNode* selectedNode() const { return selectedNode_; }
  TreeNode* dropNode() const { return dropNode_; }
  int32_t rowHeight() const;
  // The node whose row and extent hold the point; onIcon tells whether it was the icon's zone.
  TreeNode* nodeAt(int32_t x, int32_t y, bool* onIcon);

  void setExpandAll(bool on) {
    expandAll_ = on;
    invalidate(0);
  }
  void setToggleSelection(bool on) { toggleSelection_ = on; }
  void setShowRoot(bool on) {
    showRoot_ = on;
    invalidate(0);
  }
  void setDragEnabled(bool on) { dragEnabled_ = on; }
  void setAcceptsDrops(bool on) { acceptsDrops_ = on; }
  void setIndent(int32_t v) { indent_ = v; }
  bool dragArmed() const { return dragArmed_; }
  // The tree's background is the scroll view's highlight colour.
  uint32_t background() const { return highlightColour_; }
  uint32_t selectionColour() const { return selectionColour_; }

 private:
  // Visits the shown rows in display order; the visitor answers false to stop.
  void walkRows(const std::function<bool(TreeNode&, int32_t row)>& visit);
  int32_t iconWidth() const;
  int32_t textWidth(const TreeNode& node) const;
  void notify(int32_t note, int32_t code, void* data, int32_t x, int32_t y, TreeNode* node);
  void deselectAll(TreeNode& node, int32_t code, void* data, int32_t x, int32_t y);
  void toggleExpanded(TreeNode& node, int32_t code, void* data, int32_t x, int32_t y);
  bool handleMouse(int32_t code, void* data);

  TreeNode root_;
  uint32_t fontId_ = 0;
  BitmapFont* font_ = nullptr;
  uint32_t iconPictureId_ = 0;
  Picture* iconPicture_ = nullptr;
  int32_t rowSpacing_ = 1;
  int32_t iconTextGap_ = 3;
  int32_t indent_ = 4;
  int32_t iconHitInset_ = 0;
  uint32_t selectionColour_ = 0x80FFFFFF;
  uint32_t markColour_ = 0x80800000;
  bool expandAll_ = false;
  bool toggleSelection_ = false;
  bool showRoot_ = true;
  bool dragEnabled_ = false;
  bool dragArmed_ = false;
  bool acceptsDrops_ = false;
  uint8_t flag_ = 0;
  TreeNode* selectedNode_ = nullptr;
  TreeNode* dropNode_ = nullptr;
  int32_t autoScrollStep_ = 0;
  bool resourcesHeld_ = false;
};

void registerTreeView();
