// Keeps Wine's desktop process alive for a whole test run: one hidden window pumping messages.
// Writes the file named by its argument once the window exists.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  HWND w = CreateWindowExA(0, "STATIC", "morvane-keepalive", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!w) return 1;
  if (argc > 1) {
    if (FILE* f = std::fopen(argv[1], "w")) std::fclose(f);
  }
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
  return 0;
}
