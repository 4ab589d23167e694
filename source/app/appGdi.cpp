#include "app/appGdi.h"

#include "app/synthApp.h"

namespace {

HCURSOR g_cursors[appCursorCount];
HPEN g_pens[appPenCount];
HBRUSH g_brushes[appBrushCount];
bool g_made = false;

const int kCursorIds[appCursorCount] = {143, 144, 145, 146, 149, 150};
const COLORREF kPenColours[appPenCount] = {RGB(100, 150, 200), RGB(142, 60, 103), RGB(49, 49, 0),     RGB(204, 254, 49),
                                           RGB(49, 100, 100),  RGB(68, 255, 211), RGB(107, 174, 215), RGB(255, 0, 0),
                                           RGB(0, 158, 255),   RGB(0, 152, 89),   RGB(35, 87, 120),   RGB(39, 39, 39),
                                           RGB(89, 150, 143)};
const COLORREF kBrushColours[appBrushCount] = {RGB(186, 190, 154), RGB(75, 95, 99),    RGB(0, 255, 255),
                                               RGB(145, 171, 174), RGB(243, 245, 246), RGB(0, 69, 11),
                                               RGB(37, 255, 58)};

}  // namespace

void appCreateGdiResources() {
  if (g_made) return;
  g_made = true;
  HINSTANCE instance = appGetInstance();
  for (int i = 0; i < appCursorCount; ++i) g_cursors[i] = LoadCursorA(instance, MAKEINTRESOURCEA(kCursorIds[i]));
  for (int i = 0; i < appPenCount; ++i) g_pens[i] = CreatePen(PS_SOLID, 1, kPenColours[i]);
  for (int i = 0; i < appBrushCount; ++i) g_brushes[i] = CreateSolidBrush(kBrushColours[i]);
}

HCURSOR appCursor(int index) { return index >= 0 && index < appCursorCount ? g_cursors[index] : nullptr; }
HPEN appPen(int index) { return index >= 0 && index < appPenCount ? g_pens[index] : nullptr; }
HBRUSH appBrush(int index) { return index >= 0 && index < appBrushCount ? g_brushes[index] : nullptr; }
