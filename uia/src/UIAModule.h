// The process's one module object, the run sequence that WinMain calls, and the exported entry.
#pragma once

#include <windows.h>

#include <cstdint>

class ResourceReader;
class UiaApplication;

// The application derives its module class from UiaModule and instantiates it once, statically: the
// first module constructed becomes the process's module.
class UiaModule {
 public:
  UiaModule();
  // Deletes an attached application.
  virtual ~UiaModule();
  UiaModule(const UiaModule&) = delete;
  UiaModule& operator=(const UiaModule&) = delete;

  // The application's start-up: normally creates the application object and attaches it.
  virtual bool init() = 0;
  // The application's shut-down, given what init answered.
  virtual void exit(bool initResult) = 0;

  // Refused (false) while an application is attached or active. Otherwise attaches it and calls its
  // init; when that answers false the application's exit runs at once with false (and not again when
  // it is detached). Answers what init answered.
  bool attachApplication(UiaApplication* application);
  // Calls the attached application's exit with the init result (unless it already ran), detaches it
  // and answers it; null when none is attached and active.
  UiaApplication* detachApplication();
  // Detaches and deletes the application.
  void deleteApplication();

  // The executable's resource of that type name and id in a new reader (owned by the caller) with
  // the byte-order flag set; null when the resource is missing.
  ResourceReader* uiaLoadResource(int32_t id, const char* type, uint32_t byteOrder);
  // Lets the active application's open-document hook see the text, then asks the shell to open it.
  // Null or empty text answers false without calling the shell.
  bool uiaOpenDocument(const char* text);

  HINSTANCE instance() const { return instance_; }
  void setInstance(HINSTANCE instance) { instance_ = instance; }
  bool initResult() const { return initResult_ != 0; }
  bool isRunning() const { return runningChain_ != nullptr; }
  UiaApplication* activeApplication() const { return activeApplication_; }
  UiaApplication* attachedApplication() const { return attachedApplication_; }

 private:
  friend void uiaRun();
  void enterOwnChain();
  void leaveOwnChain();

  UiaModule* chainPrev_ = nullptr;  // links in a chain of running modules
  UiaModule* chainNext_ = nullptr;
  uint8_t initResult_ = 0;
  HINSTANCE instance_ = nullptr;
  UiaModule* runningChain_ = nullptr;  // root of the chain the module runs in; null: not running
  UiaApplication* activeApplication_ = nullptr;
  UiaApplication* attachedApplication_ = nullptr;
  UiaModule* chainHead_ = nullptr;  // this module's own chain of running modules
  UiaModule* chainTail_ = nullptr;
  bool applicationExited_ = false;  // the attached application's exit already ran
};

// Stores the instance handle in the process's module (which must exist) and answers the module.
UiaModule* uiaSetInstance(HINSTANCE instance);
// Module init, the message loop when init succeeded and an application is active, module exit. Each
// step catches an allocation failure and reports it.
void uiaRun();
// Told of the framework's own failures of the start (null: none is told), in words that name them: an
// allocation failure while the module starts, an application refused by attachApplication.
typedef void (*UiaStartFailureSink)(const char* what);
void uiaSetStartFailureSink(UiaStartFailureSink sink);
// The first module ever constructed, or null.
UiaModule* uiaModule();
// The running module's active application; null when there is none.
UiaApplication* uiaApplication();

// The program's export: the module for an id of 0 or less, else null.
extern "C" __declspec(dllexport) UiaModule* VLUIAEntry(uint32_t unused, int32_t id);
