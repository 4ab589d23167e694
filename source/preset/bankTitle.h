// The title of a bank file as the platform names it: on Windows the operating system's own file
// title (which follows the user's setting for showing extensions); elsewhere the last part of the
// path. At most `capacity - 1` characters, always terminated; false when the path has no title.
#pragma once
#include <cstddef>

bool bankFileTitle(const char* path, char* out, std::size_t capacity);
// The last part of the path after '/', '\\' or ':' (the fallback of both builds).
bool bankPathTitle(const char* path, char* out, std::size_t capacity);
