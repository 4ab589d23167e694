// Native half of the message box: there is no user interface, so the text is printed and the box
// answers with its safe choice (Cancel or No where the box offers one).
#include "uiSeams/msgBox.h"

#include <cstdio>

int msgBoxShowNative(void*, const char* caption, int style, const char* text, int extra) {
  std::fprintf(stderr, "[%s] %s\n", caption, text);
  if (extra == 0) return 0;
  switch ((style + extra) & 0xF) {
    case 1:
    case 3:
    case 5:
    case 6: return msgAnswerCancel;
    case 2: return 3;  // Abort
    case 4: return msgAnswerNo;
    default: return msgAnswerOk;
  }
}
