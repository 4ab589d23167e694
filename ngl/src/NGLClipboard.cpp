#include "NGLClipboard.h"

#include <windows.h>
#include <cstring>

int32_t nglWheelStep() { return 120; }

bool nglOpenClipboard() {
  constexpr int kTries = 50;  // 10 ms apart
  for (int tried = 1;; ++tried) {
    if (OpenClipboard(nullptr)) return true;
    if (tried == kTries) return false;
    Sleep(10);
  }
}

bool nglCopyText(const std::string& text) { return nglSetClipboardData(CF_TEXT, text.c_str(), text.size() + 1); }

bool nglSetClipboardData(uint32_t format, const void* bytes, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
  if (!block) return false;
  void* target = GlobalLock(block);
  if (!target) {
    GlobalFree(block);
    return false;
  }
  if (size) std::memcpy(target, bytes, size);
  GlobalUnlock(block);
  if (!nglOpenClipboard()) {
    GlobalFree(block);
    return false;
  }
  // Emptying first makes this process the owner; without it the hand-over may be refused.
  EmptyClipboard();
  // On success the clipboard owns the block; on failure it is still ours to free.
  bool handed = SetClipboardData(format, block) != nullptr;
  CloseClipboard();
  if (!handed) GlobalFree(block);
  return handed;
}

bool nglPasteText(std::string& text) {
  if (!IsClipboardFormatAvailable(CF_TEXT)) return false;
  if (!nglOpenClipboard()) return false;
  bool ok = false;
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data) {
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    if (bytes) {
      size_t limit = GlobalSize(data);
      std::string result;
      result.reserve(limit);
      for (size_t i = 0; i < limit && bytes[i] != 0; ++i)
        if (bytes[i] != '\r') result.push_back(bytes[i]);
      GlobalUnlock(data);
      text.swap(result);
      ok = true;
    }
  }
  CloseClipboard();
  return ok;
}

bool nglClipboardHasText() { return IsClipboardFormatAvailable(CF_TEXT) != 0; }
