// File-system paths split into volume, directory, name and extension, classified and typed.
#pragma once
#include <string>

class FileTypeEntry;

// Path kinds.
enum PathKind { kPathUnknown = 0, kPathFile = 1, kPathDirectory = 2, kPathVolume = 3 };

class Path {
 public:
  Path() = default;
  explicit Path(const char* text) { fromCString(text); }
  explicit Path(const std::string& text) { fromString(text); }

  // Set the full path and parse it (leniently unless told otherwise); the result of the parse.
  bool fromString(const std::string& text, bool lenient = true);
  bool fromCString(const char* text, bool lenient = true);
  bool assignString(const std::string& text, bool lenient = true) { return fromString(text, lenient); }
  // Copies the full path, file type and kind of `other` and parses again.
  void assign(const Path& other);

  // Splits the full path; in strict mode (lenient false) reports whether it is a valid path of its kind.
  bool parse(bool lenient);
  // Copies the five texts of `other` as they are, without parsing.
  void copyParts(const Path& other);
  // True when the type changed.
  bool setFileType(FileTypeEntry* entry);
  // Volume followed by directory.
  std::string joinParts() const;
  // Puts the path into `directory` (a closing backslash is added), keeping name and extension; a
  // directory without a volume keeps the path's volume. Kind 2 when it was unknown.
  void join(const std::string& directory);
  // Gives the path a new volume (a drive such as "C:" or "C:\", or "\\server\share"); kind 3 when unknown.
  void setVolume(const std::string& volume);
  // volume + directory (backslash-separated) + name + "." + extension (no dot without an extension).
  void compose(const std::string& volume, const std::string& directory, const std::string& name,
               const std::string& extension);
  // True when the file or folder exists.
  bool exists() const;
  // For an existing file: stores the type of its extension; true when the type changed.
  bool detectFileType();

  const std::string& fullPath() const { return full_; }
  const std::string& volume() const { return volume_; }
  const std::string& directory() const { return directory_; }
  const std::string& name() const { return name_; }
  const std::string& extension() const { return extension_; }
  FileTypeEntry* fileType() const { return fileType_; }
  int kind() const { return kind_; }
  void setKind(int kind) { kind_ = kind; }

 private:
  void rebuild(const std::string& volume, const std::string& directory);

  std::string full_;
  std::string volume_;
  std::string directory_;
  std::string name_;
  std::string extension_;
  FileTypeEntry* fileType_ = nullptr;
  int kind_ = kPathUnknown;
};
