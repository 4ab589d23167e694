#include "preset/fileTypes.h"

#include "GPFileTypes.h"

namespace {

FileTypesState g_state = {{-1, -1, -1}, nullptr, nullptr, nullptr, nullptr};
const char kTypeCode[5] = {'P', 'b', 'n', 'k', 0};

}  // namespace

int fileTypesClear() {
  g_state = FileTypesState{{-1, -1, -1}, nullptr, nullptr, nullptr, nullptr};
  return -1;
}

void fileTypesRegister() {
  FileTypeToken token = FileTypeRegistry::beginBatch();
  g_state.token[0] = token.sequence;
  g_state.token[1] = token.typeCount;
  g_state.token[2] = token.groupCount;
  FileTypeGroup* bankGroup = FileTypeRegistry::addGroup("Morvane file", "Morvane files");
  g_state.bankGroup = bankGroup;
  g_state.bankType = gpRegisterFileType("Morvane file", "Morvane files", "glo", kTypeCode, bankGroup);
  FileTypeGroup* aiffGroup = FileTypeRegistry::addGroup("AIFF file", "AIFF files");
  g_state.aiffGroup = aiffGroup;
  g_state.aiffType = gpRegisterFileType("AIFF file", "AIFF files", "aif", kTypeCode, aiffGroup);
  FileTypeRegistry::endBatch(token);
}

void fileTypesUnregister() {
  FileTypeToken token;
  token.sequence = g_state.token[0];
  token.typeCount = g_state.token[1];
  token.groupCount = g_state.token[2];
  FileTypeRegistry::removeBatch(token);
  fileTypesClear();
}

const FileTypesState* fileTypesState() { return &g_state; }
