#include "preset/bankTitle.h"

bool bankFileTitle(const char* path, char* out, std::size_t capacity) { return bankPathTitle(path, out, capacity); }
