// Chunk file layer: file handles, chunk headers, the sibling walk and the shared reading buffer.
// User-interface thread only; one file is read at a time.
#include "preset/chunk.h"

#include <cstdlib>
#include <cstring>

namespace {

ChunkReader* g_reader = nullptr;

int refuseAll(std::uint32_t*) { return 1; }
ChunkTypeCheck g_check = refuseAll;

void clearCurrentHeader() {
  if (g_reader) g_reader->header = ChunkHeader{0, 0, 0};
}

bool isOpen(const FileSpec* file) { return file && file->handle != osFileInvalid; }
// An open file on disk (not a digest): the only kind that can be read, sought or measured.
bool isDiskFile(const FileSpec* file) { return isOpen(file) && file->handle != fileDigestHandle; }

}  // namespace

// ---- shared buffer

bool chunkBufferInit(std::uint32_t capacity) {
  chunkBufferFree();
  ChunkReader* r = static_cast<ChunkReader*>(std::calloc(1, sizeof(ChunkReader)));
  if (!r) return false;
  r->data = static_cast<std::uint8_t*>(std::malloc(capacity ? capacity : 1));
  if (!r->data) {
    std::free(r);
    return false;
  }
  r->capacity = capacity;
  g_reader = r;
  return true;
}

void chunkBufferFree() {
  if (!g_reader) return;
  std::free(g_reader->data);
  std::free(g_reader);
  g_reader = nullptr;
}

std::uint8_t* chunkBufferData() { return g_reader ? g_reader->data : nullptr; }
ChunkReader* chunkReader() { return g_reader; }

// ---- file handles

void fileSpecClear(FileSpec* file) {
  if (!file) return;
  std::memset(file, 0, sizeof *file);
  file->handle = osFileInvalid;
}

void fileSpecSetPath(FileSpec* file, const char* path, const char* name) {
  if (!file) return;
  std::memset(file->path, 0, sizeof file->path);
  std::memset(file->name, 0, sizeof file->name);
  if (path) std::strncpy(file->path, path, sizeof file->path - 1);
  const char* shown = name ? name : path;
  if (shown) std::strncpy(file->name, shown, sizeof file->name - 1);
}

bool fileOpen(FileSpec* file, FileAccess access) {
  if (!file) return false;
  if (g_reader) g_reader->headerPos = 0;
  clearCurrentHeader();
  file->path[sizeof file->path - 1] = 0;
  file->handle = osFileOpen(file->path, access == fileAccessReadWrite ? osOpenReadWrite : osOpenRead);
  return file->handle != osFileInvalid;
}

namespace {

bool createWith(FileSpec* file, OsFileMode mode) {
  if (!file) return false;
  swapReset();
  if (g_reader) g_reader->headerPos = 0;
  clearCurrentHeader();
  file->path[sizeof file->path - 1] = 0;
  file->handle = osFileOpen(file->path, mode);
  return file->handle != osFileInvalid;
}

}  // namespace

bool fileCreate(FileSpec* file) { return createWith(file, osOpenWrite); }

bool fileCreateNew(FileSpec* file) { return createWith(file, osOpenCreateNew); }

void fileOpenDigest(FileSpec* file) {
  if (!file) return;
  swapReset();
  if (g_reader) g_reader->headerPos = 0;
  clearCurrentHeader();
  file->handle = fileDigestHandle;
  file->digest = 14695981039346656037ull;  // the FNV-1a offset basis
}

bool fileClose(FileSpec* file) {
  if (!file) return false;
  if (file->handle != osFileInvalid && file->handle != fileDigestHandle) osFileClose(file->handle);
  file->handle = osFileInvalid;
  clearCurrentHeader();
  return true;
}

void fileGetName(const FileSpec* file, char* out, std::uint32_t capacity) {
  if (!out || capacity == 0) return;
  out[0] = 0;
  if (!file) return;
  std::uint32_t n = 0;
  while (n + 1 < capacity && n < sizeof file->name && file->name[n]) {
    out[n] = file->name[n];
    ++n;
  }
  out[n] = 0;
}

std::int64_t fileTell(FileSpec* file) { return isDiskFile(file) ? osFileSeek(file->handle, 0, osSeekCur) : -1; }

bool fileSeek(FileSpec* file, std::int64_t position) {
  if (!isDiskFile(file) || position < 0) return false;
  return osFileSeek(file->handle, position, osSeekSet) == position;
}

bool fileAtEnd(FileSpec* file) {
  if (!isDiskFile(file)) return true;
  std::int64_t pos = fileTell(file);
  std::int64_t size = osFileSize(file->handle);
  return pos < 0 || size < 0 || pos >= size;
}

std::uint32_t fileGetSize(FileSpec* file) {
  if (!isDiskFile(file)) return 0;
  std::int64_t size = osFileSize(file->handle);
  if (size < 0) return 0;
  return size > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<std::uint32_t>(size);
}

void fileFlush(FileSpec* file) {
  if (isDiskFile(file)) osFileFlush(file->handle);
}

bool fileReadBytes(FileSpec* file, void* buffer, std::uint32_t count) {
  if (!isDiskFile(file) || !buffer || count == 0 || count > 0x7FFFFFFFu) return false;
  return osFileRead(file->handle, buffer, static_cast<std::int32_t>(count)) == static_cast<std::int32_t>(count);
}

bool fileWriteBytes(FileSpec* file, const void* data, std::uint32_t count) {
  if (!isOpen(file) || !data || count == 0 || count > 0x7FFFFFFFu) return false;
  if (file->handle == fileDigestHandle) {
    const std::uint8_t* bytes = static_cast<const std::uint8_t*>(data);
    for (std::uint32_t k = 0; k < count; ++k) file->digest = (file->digest ^ bytes[k]) * 1099511628211ull;
    return true;
  }
  return osFileWrite(file->handle, data, static_cast<std::int32_t>(count)) == static_cast<std::int32_t>(count);
}

// ---- chunks

void chunkHeaderSet(ChunkHeader* header, std::uint32_t id, std::uint32_t size, std::uint32_t version) {
  if (!header) return;
  header->id = id;
  header->size = size;
  header->version = version;
}

void chunkHeaderSwap(ChunkHeader* header) {
  if (!header || !swapEnabled()) return;
  swap32(&header->id);
  swap32(&header->size);
  swap32(&header->version);
}

void fileSetChunkTypeCallback(ChunkTypeCheck check) { g_check = check ? check : refuseAll; }

static int runCheck(ChunkHeader* header) {
  std::uint32_t words[3] = {header->id, header->size, header->version};
  int result = g_check(words);
  header->id = words[0];
  header->size = words[1];
  header->version = words[2];
  return result;
}

bool fileWriteChunk(FileSpec* file, const ChunkHeader* header, const void* data) {
  if (!isOpen(file) || !header) return false;
  if (header->size > 0 && !data) return false;
  ChunkHeader checked = *header;
  if (runCheck(&checked) != 0) return false;
  std::uint8_t bytes[chunkHeaderBytes];
  std::memcpy(bytes + 0, &header->id, 4);
  std::memcpy(bytes + 4, &header->size, 4);
  std::memcpy(bytes + 8, &header->version, 4);
  if (!fileWriteBytes(file, bytes, chunkHeaderBytes)) return false;
  if (header->size > 0 && !fileWriteBytes(file, data, header->size)) return false;
  return true;
}

bool fileReadChunk(FileSpec* file, ChunkHeader* out) {
  if (!isOpen(file) || !g_reader) return false;
  if (out) *out = ChunkHeader{0, 0, 0};
  std::int64_t pos = fileTell(file);
  if (pos < 0 || pos > 0xFFFFFFFFll) return false;
  g_reader->headerPos = static_cast<std::uint32_t>(pos);
  std::uint8_t bytes[chunkHeaderBytes];
  if (!fileReadBytes(file, bytes, chunkHeaderBytes)) {
    clearCurrentHeader();
    return false;
  }
  // The version word is not taken: a read chunk reports version 0, so no version rule refuses it.
  std::memcpy(&g_reader->header.id, bytes + 0, 4);
  std::memcpy(&g_reader->header.size, bytes + 4, 4);
  g_reader->header.version = 0;
  if (runCheck(&g_reader->header) != 0) return false;
  if (g_reader->header.size > g_reader->capacity) return false;
  if (g_reader->header.size > 0 && !fileReadBytes(file, g_reader->data, g_reader->header.size)) {
    // Cut short by the end of the file: nothing of it may pass as a record.
    g_reader->header.size = 0;
    return false;
  }
  if (out) *out = g_reader->header;
  return true;
}

bool fileReadNextChunk(FileSpec* file, ChunkHeader* out) {
  if (!isOpen(file) || !g_reader) return false;
  std::int64_t next = std::int64_t(g_reader->headerPos) + std::int64_t(g_reader->header.size) + chunkHeaderBytes;
  if (next < 0 || next > 0x7FFFFFFFll) return false;
  if (!fileSeek(file, next)) return false;
  return fileReadChunk(file, out);
}

std::uint32_t chunkLimit(int direction) {
  if (direction == chunkWrite) return chunkTransferLimit;
  // One past the data: the transfer accepts a slot while cursor + slot stays below the limit.
  return g_reader ? g_reader->header.size + 1 : 0;
}

bool chunkWriteRecord(FileSpec* file, std::uint32_t id, std::uint32_t version, const std::uint8_t* buffer,
                      std::uint32_t size) {
  ChunkHeader header;
  chunkHeaderSet(&header, id, size, version);
  return fileWriteChunk(file, &header, buffer);
}
