#include "UIAModule.h"

#include <shellapi.h>

#include <memory>
#include <new>
#include <string>

#include "GPBinaryStream.h"
#include "GPError.h"
#include "UIAApplication.h"

namespace {
UiaModule* g_module = nullptr;  // the first module constructed
UiaStartFailureSink g_startFailure = nullptr;

void tellStartFailure(const char* what) {
  if (g_startFailure) g_startFailure(what);
}
}  // namespace

void uiaSetStartFailureSink(UiaStartFailureSink sink) { g_startFailure = sink; }

UiaModule::UiaModule() {
  if (!g_module) g_module = this;
}

UiaModule::~UiaModule() {
  deleteApplication();
  if (g_module == this) g_module = nullptr;
}

bool UiaModule::attachApplication(UiaApplication* application) {
  if (!application || attachedApplication_ || activeApplication_) {
    tellStartFailure(application ? "the window library refused its application (one is attached already)"
                                 : "its application could not be made");
    return false;
  }
  attachedApplication_ = application;
  activeApplication_ = application;
  applicationExited_ = false;
  application->module_ = this;
  const bool ok = application->init();
  if (!ok) {
    // Its exit runs now; the later detach must not run it a second time.
    applicationExited_ = true;
    application->exit(false);
  }
  return ok;
}

UiaApplication* UiaModule::detachApplication() {
  UiaApplication* application = attachedApplication_;
  if (!application || !activeApplication_) return nullptr;
  if (!applicationExited_) {
    applicationExited_ = true;
    application->exit(initResult_ != 0);
  }
  application->module_ = nullptr;
  attachedApplication_ = nullptr;
  activeApplication_ = nullptr;
  return application;
}

void UiaModule::deleteApplication() { delete detachApplication(); }

ResourceReader* UiaModule::uiaLoadResource(int32_t id, const char* type, uint32_t byteOrder) {
  auto reader = std::make_unique<ResourceReader>();
  if (!reader->open(instance_, id, type)) return nullptr;
  reader->setByteOrder(static_cast<int>(byteOrder));
  return reader.release();
}

bool UiaModule::uiaOpenDocument(const char* text) {
  if (!text || !*text) return false;
  std::string copy(text);
  if (UiaApplication* application = activeApplication_) application->openDocumentHook(copy, 1);
  HINSTANCE answer = ShellExecuteA(nullptr, "open", copy.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(answer) > 32;
}

void UiaModule::enterOwnChain() {
  if (runningChain_) return;
  runningChain_ = this;
  chainPrev_ = chainTail_;
  chainNext_ = nullptr;
  if (chainTail_)
    chainTail_->chainNext_ = this;
  else
    chainHead_ = this;
  chainTail_ = this;
}

void UiaModule::leaveOwnChain() {
  if (runningChain_ != this) return;
  if (chainPrev_)
    chainPrev_->chainNext_ = chainNext_;
  else
    chainHead_ = chainNext_;
  if (chainNext_)
    chainNext_->chainPrev_ = chainPrev_;
  else
    chainTail_ = chainPrev_;
  chainPrev_ = chainNext_ = nullptr;
  runningChain_ = nullptr;
}

UiaModule* uiaSetInstance(HINSTANCE instance) {
  GP_ASSERT(g_module);
  g_module->setInstance(instance);
  return g_module;
}

void uiaRun() {
  UiaModule* module = g_module;
  bool ok = false;
  try {
    if (module) {
      module->enterOwnChain();
      ok = module->init();
    }
  } catch (const std::bad_alloc&) {
    tellStartFailure("it ran out of memory");  // (first: the box may wait for an answer)
    gpOutOfMemory("Cannot initialize application!");
    ok = false;
  }
  if (!module) return;
  module->initResult_ = ok ? 1 : 0;

  if (ok) {
    try {
      if (UiaApplication* application = uiaApplication()) application->run();
    } catch (const std::bad_alloc&) {
      gpOutOfMemory(nullptr);
    }
  }

  try {
    module->exit(ok);
  } catch (const std::bad_alloc&) {
    gpOutOfMemory("Cannot shut down application!");
  }
  module->leaveOwnChain();
}

UiaModule* uiaModule() { return g_module; }

UiaApplication* uiaApplication() {
  UiaModule* module = g_module;
  if (!module || !module->isRunning()) return nullptr;
  return module->activeApplication();
}

extern "C" __declspec(dllexport) UiaModule* VLUIAEntry(uint32_t, int32_t id) { return id <= 0 ? uiaModule() : nullptr; }
