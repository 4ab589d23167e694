// The framework's system cursors.
#include "UIACursors.h"

namespace {

const int kSystemIds[kCursorCount] = {
    32512,  // arrow
    32515,  // cross
    32649,  // hand
    32513,  // text beam
    32648,  // not allowed
    32646,  // move
    32643,  // north-east to south-west
    32645,  // north to south
    32642,  // north-west to south-east
    32644,  // west to east
    32516,  // up arrow
    32514,  // wait
};

HCURSOR g_cursors[kCursorCount] = {};

}  // namespace

bool uiaLoadCursors() {
  bool all = true;
  for (int i = 0; i < kCursorCount; ++i) {
    g_cursors[i] = LoadCursorA(nullptr, MAKEINTRESOURCEA(kSystemIds[i]));
    if (!g_cursors[i]) all = false;
  }
  return all;
}

void uiaFreeCursors() {
  for (HCURSOR& c : g_cursors) c = nullptr;
}

HCURSOR uiaCursor(int which) { return which >= 0 && which < kCursorCount ? g_cursors[which] : nullptr; }

int uiaCursorSystemId(int which) { return which >= 0 && which < kCursorCount ? kSystemIds[which] : 0; }
