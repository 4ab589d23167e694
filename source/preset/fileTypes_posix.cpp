#include "preset/fileTypes.h"

namespace {
FileTypesState g_state = {{-1, -1, -1}, nullptr, nullptr, nullptr, nullptr};
}

int fileTypesClear() {
  g_state = FileTypesState{{-1, -1, -1}, nullptr, nullptr, nullptr, nullptr};
  return -1;
}

void fileTypesRegister() {}

void fileTypesUnregister() { fileTypesClear(); }

const FileTypesState* fileTypesState() { return &g_state; }
