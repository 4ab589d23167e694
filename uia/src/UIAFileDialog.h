// The open, save and folder dialogs of the system, with filter rows built from the platform
// library's file types.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "GPFileTypes.h"
#include "GPPath.h"

class Window;

// FileDialog::run modes.
constexpr int32_t UIA_FILE_OPEN = 0;
constexpr int32_t UIA_FILE_SAVE = 1;
constexpr int32_t UIA_FILE_FOLDER = 2;

// One filter row: a type (its group; null for a row of a single code), the code, and whether it is a
// save row.
struct FileDialogFilter {
  FileTypeGroup* type;
  uint32_t code;
  uint8_t save;
};

class FileDialog {
 public:
  FileDialog() = default;
  virtual ~FileDialog() = default;
  FileDialog(const FileDialog&) = delete;
  FileDialog& operator=(const FileDialog&) = delete;

  void setStartPath(const Path& path) { startPath.assign(path); }
  // A type stands for its own group. Null is ignored.
  void addFileType(FileTypeEntry* type);
  void addFileType(FileTypeGroup* group);
  void setTitle(const char* text) { title = text ? text : ""; }
  // Clears the result and shows the dialog; true when the user confirmed. Modes above 2 (and below
  // 0) answer false without showing anything.
  bool run(int32_t mode, Window* owner);
  const Path& result() const { return resultPath; }

  // The filter rows of a mode and the row to select first (-1: none) (also done by run).
  void buildFilters(int32_t mode, int32_t* selected);
  // The filter list for the dialog: display text and pattern of each row, each ended by a zero
  // byte, and a final zero byte (empty without rows). The default extension goes to *defaultExtension.
  std::string filterText(std::string* defaultExtension) const;

  Path resultPath;
  Path startPath;
  std::vector<FileTypeGroup*> fileTypes;
  std::vector<FileDialogFilter> filters;
  FileTypeGroup* preferredType = nullptr;
  uint32_t preferredCode = 0;
  uint8_t allFiles = 0;
  std::string title;

 private:
  bool runFile(int32_t mode, Window* owner);
  bool runFolder(Window* owner);
  // The member of the dialog's types with this code (null when none).
  FileTypeEntry* typeOfCode(uint32_t code) const;
};
