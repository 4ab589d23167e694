// Native dialogs: the platform window of a DialogWindow. It creates the dialog (a modal one from a
// template built in memory or a dialog resource, a modeless one from a resource), subclasses the
// dialog's window so that it sends framework events, and asks its facade before it closes or cancels.
#pragma once

#include <windows.h>

#include <cstdint>

#include "UIAPlatformWindow.h"

class DialogWindow;

// The size of the in-memory template's buffer and the longest title it keeps (UTF-16 units).
constexpr size_t UIA_DIALOG_TEMPLATE_BYTES = 600;
constexpr size_t UIA_DIALOG_TITLE_MAX = 256;

class Win32Dialog : public Win32WindowBase {
 public:
  explicit Win32Dialog(DialogWindow* facade);

  // Dialogs draw nothing of their own and keep their system placement.
  DrawContext* getDC() override { return nullptr; }
  void releaseDC(DrawContext*) override {}
  void show(bool) override {}
  void maximise() override {}
  void minimise() override {}
  void restore() override {}
  bool isMaximised() const override { return false; }
  bool isMinimised() const override { return false; }
  bool isRestored() const override { return true; }
  void getPlacementRect(RECT& out, bool) const override { out = RECT{0, 0, 0, 0}; }
  void setPlacementRect(const RECT&, bool) override {}
  // Only a modeless dialog is destroyed or brought to the top by these.
  void destroy() override;
  void bringToTop() override;

  // Creates and, for a modal dialog, runs the dialog (the facade's mode says which). False when no
  // dialog could be created or another creation is pending; this object is then deleted.
  bool create(uint32_t mode, const WindowSpec& spec);
  // Modal: EndDialog with 1; modeless: destroy.
  void end();

  // The framework's dialog procedure and the subclass procedure in front of the dialog manager.
  static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  DialogWindow* dialogFacade() const;
  bool modal() const;

 private:
  WNDPROC previousProc_ = nullptr;
  HWND centreOn_ = nullptr;  // the owner a dialog without a given position opens centred on
};

// Builds the in-memory template of a modal dialog into buffer (UIA_DIALOG_TEMPLATE_BYTES bytes,
// 4-byte aligned) and answers its length: style from the description's options, position and size in
// dialog units (a position relative to the parent's outer rectangle when a parent is given), the
// title cut to UIA_DIALOG_TITLE_MAX characters.
size_t uiaBuildDialogTemplate(const WindowSpec& spec, void* buffer);

// The message loop's list of modeless dialogs (IsDialogMessageA). An entry is added once only.
void uiaAddModelessDialog(HWND dialog);
void uiaRemoveModelessDialog(HWND dialog);
// The same by facade (its window handle; nothing without one).
void uiaAddDialogWindow(Window* window);
void uiaRemoveDialogWindow(Window* window);
// Sets the message filter's flag (kept for the event routing; nothing reads it yet).
void uiaSetMessageFilterFlag(bool value);
