#include "GPPath.h"

#include "GPFileTypes.h"

#include <windows.h>

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isDriveOnly(const std::string& s) {
  return s.size() == 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

bool hasDrive(const std::string& s) {
  return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

bool isUnc(const std::string& s) { return s.size() >= 2 && isSeparator(s[0]) && isSeparator(s[1]); }

std::string backslashes(std::string s) {
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

// Backslashes and a closing backslash (nothing for an empty text).
std::string asDirectory(const std::string& text) {
  std::string s = backslashes(text);
  if (!s.empty() && s.back() != '\\') s += '\\';
  return s;
}

}  // namespace

bool Path::fromString(const std::string& text, bool lenient) {
  full_ = text;
  return parse(lenient);
}

bool Path::fromCString(const char* text, bool lenient) { return fromString(text ? text : "", lenient); }

void Path::assign(const Path& other) {
  if (&other == this) return;
  full_ = other.full_;
  fileType_ = other.fileType_;
  kind_ = other.kind_;
  parse(true);
}

bool Path::parse(bool lenient) {
  // 1. Normalise.
  if (!isDriveOnly(full_)) {
    full_ = backslashes(full_);
    if (kind_ == kPathDirectory && !full_.empty() && full_.back() != '\\') full_ += '\\';
  }

  // 2. Split.
  volume_.clear();
  directory_.clear();
  name_.clear();
  extension_.clear();
  std::string rest;
  if (isUnc(full_)) {
    // "\\server\share" is the volume.
    size_t serverEnd = full_.find('\\', 2);
    if (serverEnd == std::string::npos) {
      volume_ = full_;
    } else {
      size_t shareEnd = full_.find('\\', serverEnd + 1);
      if (shareEnd == std::string::npos) {
        volume_ = full_;
      } else {
        volume_ = full_.substr(0, shareEnd);
        rest = full_.substr(shareEnd);
      }
    }
  } else if (hasDrive(full_)) {
    volume_ = full_.substr(0, 2);
    rest = full_.substr(2);
  } else {
    rest = full_;
  }
  const size_t lastSeparator = rest.find_last_of('\\');
  std::string last = rest;
  if (lastSeparator != std::string::npos) {
    directory_ = rest.substr(0, lastSeparator + 1);
    last = rest.substr(lastSeparator + 1);
  }
  const size_t dot = last.find_last_of('.');
  if (dot != std::string::npos) {
    name_ = last.substr(0, dot);
    extension_ = last.substr(dot + 1);
  } else {
    name_ = last;
  }

  // 3. Kind, unless set before.
  if (kind_ == kPathUnknown) {
    if (!name_.empty())
      kind_ = kPathFile;
    else if (!directory_.empty())
      kind_ = kPathDirectory;
    else if (!volume_.empty())
      kind_ = kPathVolume;
  }

  // 4. Folders and volumes have their standard types.
  if (kind_ == kPathDirectory)
    fileType_ = gpFileType(1);
  else if (kind_ == kPathVolume)
    fileType_ = gpFileType(2);

  // 5. Validity.
  if (lenient) return true;
  if ((kind_ == kPathFile || kind_ == kPathDirectory) && directory_.empty()) return false;
  if (kind_ == kPathFile && name_.empty()) return false;
  if (kind_ != kPathFile && !extension_.empty()) return false;
  return true;
}

void Path::copyParts(const Path& other) {
  full_ = other.full_;
  volume_ = other.volume_;
  directory_ = other.directory_;
  name_ = other.name_;
  extension_ = other.extension_;
}

bool Path::setFileType(FileTypeEntry* entry) {
  if (fileType_ == entry) return false;
  fileType_ = entry;
  return true;
}

std::string Path::joinParts() const { return volume_ + directory_; }

void Path::rebuild(const std::string& volume, const std::string& directory) {
  std::string dir = asDirectory(directory);
  if (!volume.empty() && !dir.empty() && dir[0] != '\\') dir.insert(dir.begin(), '\\');
  full_ = volume + dir + name_;
  if (!extension_.empty()) full_ += "." + extension_;
}

void Path::join(const std::string& directory) {
  const std::string dir = backslashes(directory);
  if (hasDrive(dir) || isUnc(dir))
    rebuild(std::string(), dir);
  else
    rebuild(volume_, dir);
  if (kind_ == kPathUnknown) kind_ = kPathDirectory;
  parse(true);
}

void Path::setVolume(const std::string& volume) {
  std::string v = backslashes(volume);
  std::string dir = directory_;
  if (!v.empty() && v.back() == '\\') {
    v.pop_back();  // "C:\" is the volume "C:" with the root folder
    if (dir.empty()) dir = "\\";
  }
  rebuild(v, dir);
  if (kind_ == kPathUnknown) kind_ = kPathVolume;
  parse(true);
}

void Path::compose(const std::string& volume, const std::string& directory, const std::string& name,
                   const std::string& extension) {
  name_ = name;
  extension_ = extension;
  rebuild(backslashes(volume), directory);
  parse(true);
}

bool Path::exists() const {
  if (full_.empty() || full_.find_first_of("*?") != std::string::npos) return false;  // a pattern is not a path
  std::string target = full_;
  while (target.size() > 1 && target.back() == '\\') target.pop_back();
  if (isDriveOnly(target) || (isUnc(target) && target == volume_)) {
    // Volume roots are not found by a search; ask for their attributes.
    return GetFileAttributesA((target + "\\").c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(target.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

bool Path::detectFileType() {
  if (kind_ != kPathFile || !exists()) return false;
  return setFileType(gpFileTypeForExtension(extension_.c_str()));
}
