// The process-wide registry of file types and file-type groups, filled in registration batches.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class FileTypeEntry;

// A named set of file types (members are not owned).
class FileTypeGroup {
 public:
  FileTypeGroup(const char* singular, const char* plural);
  virtual ~FileTypeGroup() = default;

  void add(FileTypeEntry* entry);

  const std::string& singular() const { return singular_; }
  const std::string& plural() const { return plural_; }
  const std::vector<FileTypeEntry*>& members() const { return members_; }
  // The four-character codes of the members that have one, in member order.
  std::vector<uint32_t> codes() const;

 private:
  std::string singular_;
  std::string plural_;
  std::vector<FileTypeEntry*> members_;
};

// One file type: display names and extensions (without the dot; "*" for any).
class FileTypeEntry {
 public:
  FileTypeEntry(const char* singular, const char* plural, const char* extension);
  virtual ~FileTypeEntry() = default;

  void addExtension(const char* extension);
  // The four-character code given at registration (first character in the high byte), 0 for none.
  uint32_t code() const { return code_; }
  void setCode(uint32_t code) { code_ = code; }

  const std::string& singular() const { return singular_; }
  const std::string& plural() const { return plural_; }
  const std::vector<std::string>& extensions() const { return extensions_; }
  // The group made with the entry, holding only the entry; owned by the registry's group list.
  FileTypeGroup* ownGroup() const { return ownGroup_; }

 private:
  friend class FileTypeRegistry;
  std::string singular_;
  std::string plural_;
  std::vector<std::string> extensions_;
  FileTypeGroup* ownGroup_ = nullptr;
  uint32_t code_ = 0;
};

// Marks one registration batch: (sequence number, type count, group count) when it opened.
struct FileTypeToken {
  int32_t sequence = -1;
  int32_t typeCount = -1;
  int32_t groupCount = -1;
  bool isValid() const { return sequence >= 0; }
};

class FileTypeRegistry {
 public:
  // Opens a batch; the invalid token (-1, -1, -1) when one is open already.
  static FileTypeToken begin();
  // Closes the open batch when the token is the last one issued and its counts still match.
  static void end(const FileTypeToken& token);
  static bool isOpen();
  // New type (with its own group); null outside a batch or before the standard table exists.
  // The entry keeps the four-character code (gpFileTypeCode); the standard types have none.
  static FileTypeEntry* addType(const char* singular, const char* plural, const char* extension, const char* code);
  // New empty group; null outside a batch or before the standard table exists.
  static FileTypeGroup* addGroup(const char* singular, const char* plural);
  // With no batch open and the token the last one issued: deletes every type and group added since it.
  static void rollback(const FileTypeToken& token);

  // The same operations under the names the application uses.
  static FileTypeToken beginBatch() { return begin(); }
  static void endBatch(const FileTypeToken& token) { end(token); }
  static void removeBatch(const FileTypeToken& token) { rollback(token); }

  static int typeCount();
  static int groupCount();
  static FileTypeEntry* typeAt(int index);  // in order of creation; null out of range
  static FileTypeGroup* groupAt(int index);
};

// Holds one entry, never null: null becomes the "Unknown" type.
class FileTypeRef {
 public:
  explicit FileTypeRef(FileTypeEntry* entry = nullptr);
  FileTypeEntry* get() const { return entry_; }
  FileTypeEntry* operator->() const { return entry_; }

 private:
  FileTypeEntry* entry_;
};

// Number of standard types and groups.
constexpr int kStandardFileTypes = 12;
constexpr int kStandardFileTypeGroups = 5;

// Standard types by index: 0 "Unknown", 1 "Directory", 2 "Volume", 3 WAV, 4 AIFF, 5 SD2, 6 MIDI,
// 7 executable, 8 DLL, 9 GIF, 10 bitmap, 11 picture. Null out of range or before gpBuildFileTypes.
FileTypeEntry* gpFileType(int index);
// The same into a holder; false (holder left unchanged) out of range.
bool gpFileType(FileTypeRef& out, int index);
// Standard groups: 0 all files, 1 audio, 2 sample, 3 bitmap, 4 MIDI sequence.
FileTypeGroup* gpFileTypeGroup(int index);
FileTypeEntry* gpFileTypeOrDefault(FileTypeEntry* entry);
FileTypeGroup* gpFileTypeGroupOrDefault(FileTypeGroup* group);
// addType, then adds the new type to `group` (when both exist).
FileTypeEntry* gpRegisterFileType(const char* singular, const char* plural, const char* extension, const char* code,
                                  FileTypeGroup* group);
// The type whose extensions hold `extension` (case ignored): "Unknown" without a match, null when
// more than one extension matches.
FileTypeEntry* gpFileTypeForExtension(const char* extension);

// A four-character code as a word, first character in the high byte; 0 for null or a text of any
// other length.
uint32_t gpFileTypeCode(const char* code);

// Builds the standard table once (true); gpFreeFileTypes removes it and everything registered after.
bool gpBuildFileTypes();
void gpFreeFileTypes();
