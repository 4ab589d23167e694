#include "NGLResource.h"

#include "GPBinaryStream.h"
#include "UIAModule.h"

#include <windows.h>

namespace {

HMODULE resourceModule() {
  UiaModule* module = uiaModule();
  return module && module->instance() ? module->instance() : GetModuleHandleA(nullptr);
}

// A little-endian stream over a resource's bytes; the bytes stay valid while the module is loaded.
class NamedResourceStream : public BinaryStream {
 public:
  NamedResourceStream() : BinaryStream(&memory_) {}
  MemoryStream& memory() { return memory_; }

 private:
  MemoryStream memory_;
};

}  // namespace

std::unique_ptr<BinaryStream> nglOpenResource(uint32_t id, const char* type) {
  // Resource ids are 16-bit: a larger id would name a different resource after truncation.
  if (!type || id > 0xFFFF) return nullptr;
  auto reader = std::make_unique<ResourceReader>();
  if (!reader->open(resourceModule(), int(id), type)) return nullptr;
  reader->setByteOrder(1);
  return reader;
}

std::unique_ptr<BinaryStream> nglOpenNamedResource(const char* name, const char* type) {
  if (!name || !type) return nullptr;
  HMODULE module = resourceModule();
  HRSRC info = FindResourceA(module, name, type);
  if (!info) return nullptr;
  HGLOBAL loaded = LoadResource(module, info);
  void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return nullptr;
  auto stream = std::make_unique<NamedResourceStream>();
  if (!stream->memory().open(1, data, int32_t(SizeofResource(module, info)))) return nullptr;
  return stream;
}
