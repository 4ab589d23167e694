// The file and folder dialogs.
#include "UIAFileDialog.h"

#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "GPWindowPlace.h"
#include "UIAModule.h"
#include "UIAWindow.h"

namespace {

constexpr size_t kPathBuffer = 261;  // MAX_PATH and its terminator

bool isAllFiles(const FileTypeGroup* group) { return group && group == gpFileTypeGroup(0); }

// The extensions of a row: a group's members that carry a code (all members for the all-files type).
std::vector<std::string> extensionsOf(const FileTypeGroup* group, bool everyMember) {
  std::vector<std::string> out;
  for (const FileTypeEntry* member : group->members())
    if (member && (everyMember || member->code() != 0))
      for (const std::string& extension : member->extensions()) out.push_back(extension);
  return out;
}

int CALLBACK folderCallback(HWND hwnd, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

}  // namespace

void FileDialog::addFileType(FileTypeEntry* type) {
  if (type && type->ownGroup()) fileTypes.push_back(type->ownGroup());
}

void FileDialog::addFileType(FileTypeGroup* group) {
  if (group) fileTypes.push_back(group);
}

FileTypeEntry* FileDialog::typeOfCode(uint32_t code) const {
  if (code == 0) return nullptr;
  for (const FileTypeGroup* group : fileTypes)
    for (FileTypeEntry* member : group->members())
      if (member && member->code() == code) return member;
  return nullptr;
}

void FileDialog::buildFilters(int32_t mode, int32_t* selected) {
  filters.clear();
  allFiles = 0;
  int32_t select = -1;
  if (mode == UIA_FILE_FOLDER) {
    if (selected) *selected = -1;
    return;
  }
  std::vector<FileTypeGroup*> coded;
  for (FileTypeGroup* group : fileTypes) {
    if (isAllFiles(group)) {
      allFiles = 1;
      continue;
    }
    if (!group->codes().empty()) coded.push_back(group);
  }
  if (mode == UIA_FILE_OPEN) {
    for (FileTypeGroup* group : coded) {
      const uint32_t first = group->codes().front();
      if (select < 0 && (group == preferredType || (preferredCode != 0 && first == preferredCode)))
        select = static_cast<int32_t>(filters.size());
      filters.push_back({group, first, 0});
    }
  }
  for (FileTypeGroup* group : coded) {
    const std::vector<uint32_t> codes = group->codes();
    if (mode == UIA_FILE_OPEN && codes.size() < 2) continue;
    for (uint32_t code : codes) {
      if (select < 0 && preferredCode != 0 && code == preferredCode) select = static_cast<int32_t>(filters.size());
      filters.push_back({nullptr, code, static_cast<uint8_t>(mode == UIA_FILE_SAVE ? 1 : 0)});
    }
  }
  if (allFiles) {
    if (select < 0 && isAllFiles(preferredType)) select = static_cast<int32_t>(filters.size());
    filters.push_back({gpFileTypeGroup(0), 0, 0});
  }
  if (selected) *selected = select;
}

std::string FileDialog::filterText(std::string* defaultExtension) const {
  std::string text;
  if (defaultExtension) defaultExtension->clear();
  for (const FileDialogFilter& row : filters) {
    std::string name;
    std::vector<std::string> extensions;
    if (row.type) {
      name = row.type->plural();
      extensions = extensionsOf(row.type, isAllFiles(row.type));
    } else if (const FileTypeEntry* type = typeOfCode(row.code)) {
      name = type->plural();
      extensions = type->extensions();
    }
    if (extensions.empty()) continue;
    std::string pattern;
    for (const std::string& extension : extensions) {
      pattern += (pattern.empty() ? "*." : ";*.") + extension;
      if (defaultExtension && defaultExtension->empty() && extension != "*") *defaultExtension = extension;
    }
    text += name + " (" + pattern + ")";
    text += '\0';
    text += pattern;
    text += '\0';
  }
  if (!text.empty()) text += '\0';
  return text;
}

bool FileDialog::run(int32_t mode, Window* owner) {
  resultPath = Path();
  if (mode == UIA_FILE_OPEN || mode == UIA_FILE_SAVE) return runFile(mode, owner);
  if (mode == UIA_FILE_FOLDER) return runFolder(owner);
  return false;
}

bool FileDialog::runFile(int32_t mode, Window* owner) {
  int32_t selected = -1;
  buildFilters(mode, &selected);
  std::string defaultExtension;
  const std::string filter = filterText(&defaultExtension);

  // The start folder and file; a start path too long for the dialog gives way to the current folder.
  char directory[kPathBuffer] = {};
  char file[kPathBuffer] = {};
  const std::string& start = startPath.fullPath();
  if (startPath.kind() != kPathUnknown && !start.empty() && start.size() < kPathBuffer - 1) {
    std::string folder = startPath.kind() == kPathFile ? startPath.joinParts() : start;
    std::strncpy(directory, folder.c_str(), kPathBuffer - 1);
    if (startPath.kind() == kPathFile) {
      std::string name = startPath.name();
      if (!startPath.extension().empty()) name += "." + startPath.extension();
      std::strncpy(file, name.c_str(), kPathBuffer - 1);
    }
  } else {
    const DWORD length = GetCurrentDirectoryA(kPathBuffer - 1, directory);
    if (length == 0 || length >= kPathBuffer - 1) directory[0] = 0;
  }

  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;  // the structure of this build, whatever its width
  dialog.hwndOwner = owner ? owner->nativeHandle() : nullptr;
  UiaModule* module = uiaModule();
  dialog.hInstance = module && module->instance() ? module->instance() : GetModuleHandleA(nullptr);
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(selected + 1);
  dialog.lpstrFile = file;
  dialog.nMaxFile = kPathBuffer - 1;
  dialog.lpstrInitialDir = directory[0] ? directory : nullptr;
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.Flags = mode == UIA_FILE_OPEN ? 0x201804 : 0x200806;
  dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();

  preferredCode = 0;
  BOOL confirmed = FALSE;
  {
    // The system opens the window at its own place; it opens over the owner, as every box does.
    const GPCentreNextDialog centred(dialog.hwndOwner);
    confirmed = mode == UIA_FILE_OPEN ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
  }
  if (!confirmed) return false;
  file[kPathBuffer - 1] = 0;
  resultPath.fromCString(file);
  resultPath.setKind(kPathFile);
  if (mode == UIA_FILE_OPEN) {
    resultPath.detectFileType();
    return true;
  }
  const size_t row = dialog.nFilterIndex >= 1 ? dialog.nFilterIndex - 1 : filters.size();
  if (row < filters.size()) {
    preferredCode = filters[row].code;
    if (FileTypeEntry* type = typeOfCode(preferredCode)) {
      resultPath.setFileType(type);
      if (resultPath.extension().empty() && !type->extensions().empty())
        resultPath.fromString(resultPath.fullPath() + "." + type->extensions().front());
      resultPath.setFileType(type);
      resultPath.setKind(kPathFile);
    }
  }
  return true;
}

bool FileDialog::runFolder(Window* owner) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IMalloc* allocator = nullptr;
  SHGetMalloc(&allocator);
  char buffer[kPathBuffer] = {};
  const std::string& start = startPath.fullPath();
  if (start.size() > 1) {
    std::strncpy(buffer, start.c_str(), kPathBuffer - 1);
    buffer[kPathBuffer - 1] = 0;
  }
  // The display-name buffer is overwritten by the dialog; the selection keeps its own copy.
  char selection[kPathBuffer];
  std::memcpy(selection, buffer, sizeof selection);
  BROWSEINFOA info = {};
  info.hwndOwner = owner ? owner->nativeHandle() : nullptr;
  info.pszDisplayName = buffer;
  info.lpszTitle = title.empty() ? nullptr : title.c_str();
  info.ulFlags = BIF_NEWDIALOGSTYLE;
  if (selection[0]) {
    info.lpfn = folderCallback;
    info.lParam = reinterpret_cast<LPARAM>(selection);
  }
  bool chosen = false;
  LPITEMIDLIST item = nullptr;
  {
    const GPCentreNextDialog centred(info.hwndOwner);
    item = SHBrowseForFolderA(&info);
  }
  if (item) {
    char path[MAX_PATH + 1] = {};
    if (SHGetPathFromIDListA(item, path)) {
      resultPath.fromCString(path);
      resultPath.setKind(kPathDirectory);
      chosen = true;
    }
    if (allocator)
      allocator->Free(item);
    else
      CoTaskMemFree(item);
  }
  if (allocator) allocator->Release();
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}
