#include "preset/fileTypes.h"

#include "GPFileTypes.h"

namespace {

FileTypesState gState = {{-1, -1, -1}, nullptr, nullptr, nullptr, nullptr};
const char kTypeCode[5] = {'P', 'b', 'n', 'k', 0};

}  // namespace

int fileTypesClear() {
  gState = FileTypesState{{-1, -1, -1}, nullptr, nullptr, nullptr, nullptr};
  return -1;
}

void fileTypesRegister() {
  FileTypeToken token = FileTypeRegistry::beginBatch();
  gState.token[0] = token.sequence;
  gState.token[1] = token.typeCount;
  gState.token[2] = token.groupCount;
  FileTypeGroup* bankGroup = FileTypeRegistry::addGroup("Morvane file", "Morvane files");
  gState.bankGroup = bankGroup;
  gState.bankType = gpRegisterFileType("Morvane file", "Morvane files", "glo", kTypeCode, bankGroup);
  FileTypeGroup* aiffGroup = FileTypeRegistry::addGroup("AIFF file", "AIFF files");
  gState.aiffGroup = aiffGroup;
  gState.aiffType = gpRegisterFileType("AIFF file", "AIFF files", "aif", kTypeCode, aiffGroup);
  FileTypeRegistry::endBatch(token);
}

void fileTypesUnregister() {
  FileTypeToken token;
  token.sequence = gState.token[0];
  token.typeCount = gState.token[1];
  token.groupCount = gState.token[2];
  FileTypeRegistry::removeBatch(token);
  fileTypesClear();
}

const FileTypesState* fileTypesState() { return &gState; }
