// TextEdit: the form library's text field, single-line (scrolled sideways by characters) or
// multi-line (word-wrapped in a ScrollView), with caret, selection, clipboard cut, copy and paste, a
// password mode and notifications when editing begins, commits and ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>
#include "NGLScrollView.h"
#include "NGLTextStyle.h"

constexpr int32_t NGL_NOTIFY_TEXT_COMMIT = 100001;
constexpr int32_t NGL_NOTIFY_EDIT_END = 100005;
constexpr int32_t NGL_NOTIFY_EDIT_BEGIN = 100004;

// Payload of 100004 and 100005: the code and data of the causing event.
struct TextEditCause {
  int32_t code;
  void* data;
};

// Payload of 100001: the cause, then the committed text ("" for an empty one).
struct TextEditCommit {
  int32_t code;
  void* data;
  const char* text;
};

class TextEdit : public ScrollView {
 public:
  TextEdit();
  ~TextEdit() override = default;

  bool handleEvent(int32_t code, void* data) override;
  void attach(Form* form) override;
  void detach() override;
  void paint(Picture& picture) override;
  void focusChanged() override;
  // Versions 1..5 read, 5 written.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;
  void contentSize(int32_t& width, int32_t& height) override;
  int32_t wheelStep() override { return lineHeight(); }

  void setText(const char* text);
  void setFont(uint32_t fontId);
  void setInsetLeft(int32_t v);
  void setInsetRight(int32_t v);
  void setInsetTop(int32_t v);
  void setInsetBottom(int32_t v);
  void setMultiLine(bool on);
  void setTrimWrappedSpaces(bool on);
  void setReadOnly(bool on);
  void setPassword(bool on) {
    password_ = on;
    invalidate(0);
  }
  const std::string& text() const { return style_.text(); }
  bool beginEditAt(int32_t x, int32_t y);

  bool multiLine() const { return multiLine_; }
  bool readOnly() const { return readOnly_; }
  bool password() const { return password_; }
  bool trimWrappedSpaces() const { return trimWrappedSpaces_; }
  uint32_t editState() const { return editState_; }
  int32_t caret() const { return caret_; }
  int32_t firstVisible() const { return firstVisible_; }
  bool caretAtLineEnd() const { return caretAtLineEnd_; }
  bool caretShown() const { return caretShown_; }
  // The ordered selection; false when there is none.
  bool selection(int32_t& from, int32_t& to) const;
  TextStyle& style() { return style_; }

  // One visual line of a multi-line field: [start, end) shown, next is where the following begins.
  struct Line {
    int32_t start, end, next;
  };
  std::vector<Line> lines();
  int32_t lineHeight() const;

 private:
  int32_t charWidth(uint8_t c) const;
  int32_t textWidthOf(const char* text, int32_t count) const;
  int32_t indexInText(const char* text, int32_t count, int32_t x) const;
  int32_t lineOfCaret(const std::vector<Line>& ls) const;
  bool isWrapBoundary(const std::vector<Line>& ls, int32_t index) const;
  int32_t lineAlignOffset(int32_t lineWidth) const;
  int32_t indexAt(int32_t x, int32_t y);
  void relayout();
  void scrollToCaret();
  void clearSelection() { selectionAnchor_ = selectionEnd_ = -1; }
  void deleteSelection();
  void insertText(const std::string& s);
  void storeText(const std::string& s);
  void commit(int32_t code, void* data);
  void cancel(int32_t code, void* data);
  void moveCaret(int32_t to, bool shift);
  bool handleKey(UiaKeyEvent* e);
  bool handleChar(uint8_t c);
  bool handleMouse(int32_t code, void* data);
  void startEditing(bool idle);
  // Selects the whole text (caret at its start) in the editing state and takes the focus.
  void selectAllAndFocus();

  TextStyle style_;
  bool multiLine_ = false;
  bool readOnly_ = false;
  bool password_ = false;
  std::string savedText_;
  uint32_t editState_ = 0;
  int32_t caret_ = -1;
  int32_t firstVisible_ = 0;
  int32_t selectionAnchor_ = -1, selectionEnd_ = -1;
  bool caretShown_ = false;
  bool caretAtLineEnd_ = false;
  bool blinkTimerOn_ = false;
  bool trimWrappedSpaces_ = false;
  bool pendingFont_ = false;
  uint32_t pendingWords_[3] = {0, 0, 0};
  bool styleAttached_ = false;
};

void registerTextEdit();
