// The program's own file types in the platform's file-type registry, so that the open and save
// dialogs offer bank files ("glo") and AIFF files ("aif"): registered as one batch at start-up and
// removed again at exit. Failures are not reported: a null handle just means a type is missing.
// The native build has no file-type registry: registering there records nothing.
#pragma once
#include <cstdint>

struct FileTypesState {
  std::int32_t token[3];  // batch number, type count, group count at the batch's start; -1 when cleared
  void* bankGroup;        // "Morvane file" / "Morvane files"
  void* bankType;
  void* aiffGroup;  // "AIFF file" / "AIFF files"
  void* aiffType;
};

int fileTypesClear();  // token -1, -1, -1; handles null; returns -1
void fileTypesRegister();
void fileTypesUnregister();
const FileTypesState* fileTypesState();
