#include "GPFileTypes.h"

#include <cctype>
#include <cstring>
#include <memory>

namespace {

struct Registry {
  std::vector<std::unique_ptr<FileTypeEntry>> types;   // in order of creation
  std::vector<std::unique_ptr<FileTypeGroup>> groups;  // in order of creation (own groups included)
  bool open = false;
  int32_t openTypeCount = 0;  // counts when the open batch began
  int32_t openGroupCount = 0;
  int32_t nextSequence = 0;
  bool built = false;          // the standard table exists
  FileTypeToken libraryToken;  // the batch of the standard table
  FileTypeEntry* standardTypes[kStandardFileTypes] = {};
  FileTypeGroup* standardGroups[kStandardFileTypeGroups] = {};
};

Registry& registry() {
  static Registry r;
  return r;
}

const char* orEmpty(const char* text) { return text ? text : ""; }

bool sameTextNoCase(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace

FileTypeGroup::FileTypeGroup(const char* singular, const char* plural)
    : singular_(orEmpty(singular)), plural_(orEmpty(plural)) {}

void FileTypeGroup::add(FileTypeEntry* entry) {
  if (entry) members_.push_back(entry);
}

std::vector<uint32_t> FileTypeGroup::codes() const {
  std::vector<uint32_t> out;
  for (const FileTypeEntry* member : members_)
    if (member && member->code() != 0) out.push_back(member->code());
  return out;
}

uint32_t gpFileTypeCode(const char* code) {
  if (!code || std::strlen(code) != 4) return 0;
  uint32_t word = 0;
  for (int i = 0; i < 4; ++i) word = (word << 8) | static_cast<unsigned char>(code[i]);
  return word;
}

FileTypeEntry::FileTypeEntry(const char* singular, const char* plural, const char* extension)
    : singular_(orEmpty(singular)), plural_(orEmpty(plural)) {
  addExtension(extension);
}

void FileTypeEntry::addExtension(const char* extension) {
  if (extension) extensions_.push_back(extension);
}

FileTypeToken FileTypeRegistry::begin() {
  Registry& r = registry();
  if (r.open) return FileTypeToken();
  r.open = true;
  r.openTypeCount = int32_t(r.types.size());
  r.openGroupCount = int32_t(r.groups.size());
  FileTypeToken token;
  token.sequence = r.nextSequence++;
  token.typeCount = r.openTypeCount;
  token.groupCount = r.openGroupCount;
  return token;
}

void FileTypeRegistry::end(const FileTypeToken& token) {
  Registry& r = registry();
  if (r.open && token.isValid() && token.sequence == r.nextSequence - 1 && token.typeCount == r.openTypeCount &&
      token.groupCount == r.openGroupCount)
    r.open = false;
}

bool FileTypeRegistry::isOpen() { return registry().open; }

FileTypeEntry* FileTypeRegistry::addType(const char* singular, const char* plural, const char* extension,
                                         const char* code) {
  Registry& r = registry();
  if (!r.built || !r.open) return nullptr;
  r.types.push_back(std::make_unique<FileTypeEntry>(singular, plural, extension));
  FileTypeEntry* entry = r.types.back().get();
  entry->code_ = gpFileTypeCode(code);
  r.groups.push_back(std::make_unique<FileTypeGroup>(singular, plural));
  FileTypeGroup* own = r.groups.back().get();
  entry->ownGroup_ = own;
  own->add(entry);
  return entry;
}

FileTypeGroup* FileTypeRegistry::addGroup(const char* singular, const char* plural) {
  Registry& r = registry();
  if (!r.built || !r.open) return nullptr;
  r.groups.push_back(std::make_unique<FileTypeGroup>(singular, plural));
  return r.groups.back().get();
}

void FileTypeRegistry::rollback(const FileTypeToken& token) {
  Registry& r = registry();
  if (!token.isValid() || r.open || token.sequence != r.nextSequence - 1) return;
  if (token.typeCount < 0 || token.groupCount < 0 || size_t(token.typeCount) > r.types.size() ||
      size_t(token.groupCount) > r.groups.size())
    return;  // the lists were already shortened below this batch
  while (r.groups.size() > size_t(token.groupCount)) r.groups.pop_back();
  while (r.types.size() > size_t(token.typeCount)) r.types.pop_back();
}

int FileTypeRegistry::typeCount() { return int(registry().types.size()); }

int FileTypeRegistry::groupCount() { return int(registry().groups.size()); }

FileTypeEntry* FileTypeRegistry::typeAt(int index) {
  Registry& r = registry();
  return index >= 0 && size_t(index) < r.types.size() ? r.types[size_t(index)].get() : nullptr;
}

FileTypeGroup* FileTypeRegistry::groupAt(int index) {
  Registry& r = registry();
  return index >= 0 && size_t(index) < r.groups.size() ? r.groups[size_t(index)].get() : nullptr;
}

FileTypeRef::FileTypeRef(FileTypeEntry* entry) : entry_(gpFileTypeOrDefault(entry)) {}

FileTypeEntry* gpFileType(int index) {
  Registry& r = registry();
  if (!r.built || index < 0 || index >= kStandardFileTypes) return nullptr;
  return r.standardTypes[index];
}

bool gpFileType(FileTypeRef& out, int index) {
  FileTypeEntry* entry = gpFileType(index);
  if (!entry) return false;
  out = FileTypeRef(entry);
  return true;
}

FileTypeGroup* gpFileTypeGroup(int index) {
  Registry& r = registry();
  if (!r.built || index < 0 || index >= kStandardFileTypeGroups) return nullptr;
  return r.standardGroups[index];
}

FileTypeEntry* gpFileTypeOrDefault(FileTypeEntry* entry) { return entry ? entry : gpFileType(0); }

FileTypeGroup* gpFileTypeGroupOrDefault(FileTypeGroup* group) { return group ? group : gpFileTypeGroup(0); }

FileTypeEntry* gpRegisterFileType(const char* singular, const char* plural, const char* extension, const char* code,
                                  FileTypeGroup* group) {
  FileTypeEntry* entry = FileTypeRegistry::addType(singular, plural, extension, code);
  if (entry && group) group->add(entry);
  return entry;
}

FileTypeEntry* gpFileTypeForExtension(const char* extension) {
  if (!extension) extension = "";
  Registry& r = registry();
  FileTypeEntry* found = nullptr;
  for (const auto& type : r.types) {
    for (const std::string& known : type->extensions()) {
      if (sameTextNoCase(known, extension)) {
        if (found) return nullptr;  // ambiguous
        found = type.get();
      }
    }
  }
  return found ? found : gpFileType(0);
}

bool gpBuildFileTypes() {
  Registry& r = registry();
  if (r.built) return true;
  r.built = true;
  r.libraryToken = FileTypeRegistry::begin();

  static const char* const kTypes[kStandardFileTypes][3] = {
      {"Unknown", "All Files", "*"},
      {"Directory", "Directories", "*"},
      {"Volume", "Volumes", "*"},
      {"WAV File", "WAV Files", "wav"},
      {"AIFF File", "AIFF Files", "aif"},
      {"SD2 File", "SD2 Files", "sd2"},
      {"MIDI File", "MIDI Files", "mid"},
      {"Executable File", "Executable Files", "exe"},
      {"Dynamic Link Library", "Dynamic Link Libraries", "dll"},
      {"GIF File", "GIF Files", "gif"},
      {"Bitmap File", "Bitmap Files", "bmp"},
      {"Picture File", "Picture Files", "pic"},
  };
  for (int i = 0; i < kStandardFileTypes; ++i)
    r.standardTypes[i] = FileTypeRegistry::addType(kTypes[i][0], kTypes[i][1], kTypes[i][2], nullptr);
  r.standardTypes[4]->addExtension("aiff");
  r.standardTypes[7]->addExtension("com");

  r.standardGroups[0] = r.standardTypes[0]->ownGroup();
  r.standardGroups[1] = FileTypeRegistry::addGroup("Audio File", "Audio Files");
  r.standardGroups[1]->add(r.standardTypes[3]);
  r.standardGroups[1]->add(r.standardTypes[4]);
  r.standardGroups[2] = FileTypeRegistry::addGroup("Sample File", "Sample Files");
  r.standardGroups[3] = FileTypeRegistry::addGroup("Bitmap File", "Bitmap Files");
  r.standardGroups[4] = FileTypeRegistry::addGroup("Midi Sequence", "Midi Sequences");
  r.standardGroups[4]->add(r.standardTypes[6]);

  FileTypeRegistry::end(r.libraryToken);
  return true;
}

void gpFreeFileTypes() {
  Registry& r = registry();
  if (!r.built) return;
  // Everything registered after the standard table goes with it, whatever batches are left.
  r.groups.clear();
  r.groups.shrink_to_fit();
  r.types.clear();
  r.types.shrink_to_fit();
  r.open = false;
  r.libraryToken = FileTypeToken();
  for (auto& t : r.standardTypes) t = nullptr;
  for (auto& g : r.standardGroups) g = nullptr;
  r.built = false;
}
