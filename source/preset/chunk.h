// Chunk file layer: the flat chunk sequence of bank and library files.
//
// A file is a run of sibling chunks, each a 12-byte header (id, data size, layout version; three u32 in
// the byte order of the machine that wrote it) followed by `size` data bytes. The first chunk is a
// container ("Clam" and its kin) whose id, read byte-reversed, tells that the file is of the other
// byte order; from then on the swap flag is set and every header word and multi-byte field is reversed
// as it is read. This program writes little-endian.
//
// Record data lives in slots: an 8-, 16- or 32-bit field or a float takes a 4-byte slot (the value in
// the first bytes, the rest padding, written as zero), a double an 8-byte slot, a character array or
// byte block its own length. Every record has one serialiser that moves its fields through these slots
// in both directions (1 read, 0 write), so the read and the write layout cannot drift apart.
#pragma once
#include <cstdint>

#include "os/osFile.h"

// One file in use. `handle` is osFileInvalid while closed, fileDigestHandle while it is a digest.
struct FileSpec {
  OsFile handle;
  char path[260];        // full path fileOpen opens, zero-terminated
  char name[260];        // name shown to the user, zero-terminated
  std::uint64_t digest;  // running digest of the bytes written while handle is fileDigestHandle
};

// A digest in place of a file: every byte a writer puts into it is folded into `digest` (64-bit FNV-1a)
// and nothing reaches a disk, so two contents are compared as they would be written. Reading, seeking
// and telling fail on it; fileClose ends it (the digest stays).
const OsFile fileDigestHandle = -2;
void fileOpenDigest(FileSpec* file);

// Four-character ids as 32-bit values, first character in the most significant byte.
constexpr std::uint32_t chunkId(const char* s) {
  return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
         (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}

struct ChunkHeader {
  std::uint32_t id;       // chunkId("ptch") = 0x70746368
  std::uint32_t size;     // data bytes after the header, 0..65,535
  std::uint32_t version;  // layout version stamped by the writer (10 for most records)
};

const std::uint32_t chunkHeaderBytes = 12;
const std::uint32_t chunkCapacity = 65535;  // the one reading buffer, and the slot limit of a record
const std::uint32_t chunkTransferLimit = 65535;

// The process's one reading context (chunkBufferInit at start-up, chunkBufferFree at exit).
struct ChunkReader {
  std::uint32_t capacity;   // bytes of `data`
  std::uint32_t headerPos;  // file position of the current chunk's header
  ChunkHeader header;       // current chunk's header, in machine order once checked
  std::uint8_t* data;       // the current chunk's data (size bytes valid)
};

// ---- the shared reading buffer
bool chunkBufferInit(std::uint32_t capacity);  // false when memory is short (nothing kept)
void chunkBufferFree();
std::uint8_t* chunkBufferData();  // null before chunkBufferInit
ChunkReader* chunkReader();       // null before chunkBufferInit

// ---- file handle operations (a null FileSpec fails; fileAtEnd then answers true)
void fileSpecClear(FileSpec* file);
void fileSpecSetPath(FileSpec* file, const char* path, const char* name);  // name null: the path
enum FileAccess { fileAccessRead = 0, fileAccessReadWrite = 1 };
bool fileOpen(FileSpec* file, FileAccess access);  // an existing file
// Creates or truncates the file for writing and clears the swap flag: files are written in machine order.
bool fileCreate(FileSpec* file);
// As fileCreate, for a file that does not exist yet: fails, touching nothing, when one of that name does.
bool fileCreateNew(FileSpec* file);
bool fileClose(FileSpec* file);
void fileGetName(const FileSpec* file, char* out, std::uint32_t capacity);
std::int64_t fileTell(FileSpec* file);
bool fileSeek(FileSpec* file, std::int64_t position);
bool fileAtEnd(FileSpec* file);
std::uint32_t fileGetSize(FileSpec* file);
void fileFlush(FileSpec* file);
// Both succeed only when all `count` bytes moved: a read cut short by the end of the file fails.
bool fileReadBytes(FileSpec* file, void* buffer, std::uint32_t count);
bool fileWriteBytes(FileSpec* file, const void* data, std::uint32_t count);

// ---- chunks
void chunkHeaderSet(ChunkHeader* header, std::uint32_t id, std::uint32_t size, std::uint32_t version);
void chunkHeaderSwap(ChunkHeader* header);                 // reverses the three words when the swap flag is set
bool fileReadChunk(FileSpec* file, ChunkHeader* out);      // the chunk at the current position
bool fileReadNextChunk(FileSpec* file, ChunkHeader* out);  // the sibling after the current chunk
bool fileWriteChunk(FileSpec* file, const ChunkHeader* header, const void* data);

// Header check hook: 0 accepts, non-zero refuses. It may change the words in place (byte order).
// Until one is installed every header is refused.
typedef int (*ChunkTypeCheck)(std::uint32_t* words);
void fileSetChunkTypeCallback(ChunkTypeCheck check);
// The standard check: known ids and their version rules, byte-order detection at the container.
// 0 accept, 1 unknown id ("bad chunk type" while diagnostics are on), 2 version too new.
int chunkHeaderCheck(std::uint32_t* words);

// ---- field transfer. direction: chunkRead (buffer to field) or chunkWrite (field to buffer).
// Fails, moving nothing, when cursor + slot would not stay below the limit; otherwise moves the field,
// advances the cursor by the slot. Writing zeroes the slot's padding. Reading a 16/32/64-bit field with
// the swap flag set reverses its bytes; character arrays and byte blocks are never reversed.
enum { chunkWrite = 0, chunkRead = 1 };
bool bufTransferBytes(std::uint8_t* buffer, void* field, std::uint32_t fieldSize, std::uint32_t slotSize,
                      std::uint32_t* cursor, std::uint32_t limit, int direction);
bool bufTransferInt8(std::uint8_t* buffer, void* field, std::uint32_t* cursor, std::uint32_t limit, int direction);
bool bufTransferInt16(std::uint8_t* buffer, void* field, std::uint32_t* cursor, std::uint32_t limit, int direction);
bool bufTransferInt32(std::uint8_t* buffer, void* field, std::uint32_t* cursor, std::uint32_t limit, int direction);
bool bufTransferFloat32(std::uint8_t* buffer, float* field, std::uint32_t* cursor, std::uint32_t limit, int direction);
bool bufTransferDouble(std::uint8_t* buffer, double* field, std::uint32_t* cursor, std::uint32_t limit, int direction);

// The limit a serialiser passes: writing, 65,535; reading, the end of the data of the chunk just read
// (so a chunk shorter than its record leaves the missing fields as they were instead of handing over
// bytes an earlier chunk left in the buffer).
std::uint32_t chunkLimit(int direction);
// Writes the chunk of a serialiser: header (id, size = cursor, version) and the buffer's first bytes.
bool chunkWriteRecord(FileSpec* file, std::uint32_t id, std::uint32_t version, const std::uint8_t* buffer,
                      std::uint32_t size);

// ---- byte order
void swapReset();
void swapToggle();
bool swapEnabled();
void swap16(void* value);
void swap32(void* value);
void swap64(void* value);
