#include "preset/fileTypes.h"

namespace {
FileTypesState gState = {{-1, -1, -1}, nullptr, nullptr, nullptr, nullptr};
}

int fileTypesClear() {
  gState = FileTypesState{{-1, -1, -1}, nullptr, nullptr, nullptr, nullptr};
  return -1;
}

void fileTypesRegister() {}

void fileTypesUnregister() { fileTypesClear(); }

const FileTypesState* fileTypesState() { return &gState; }
