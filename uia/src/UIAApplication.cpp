#include "UIAApplication.h"

#include <deque>
#include <new>
#include <set>

#include "GPError.h"
#include "UIAModule.h"
#include "UIAWindow.h"

namespace {
constexpr int32_t kExitCommand = 30002;  // the File menu's exit
}

UiaApplication::UiaApplication() : filter_(std::make_unique<UiaMessageFilter>()) { filter_->application = this; }

UiaApplication::~UiaApplication() {
  stopWin32Timer();
  TimerEntry* entry = timerHead_;
  while (entry) {
    TimerEntry* next = entry->next;
    delete entry;
    entry = next;
  }
  timerHead_ = timerTail_ = nullptr;
  accelerators_.clear();
  menuBar_.handle = nullptr;
  filter_.reset();
}

bool UiaApplication::sendEvent(int32_t code, void* data) {
  try {
    return dispatchEvent(code, data, mainWindow_);
  } catch (const std::bad_alloc&) {
    gpOutOfMemory("Cannot process GUI event!");
    return false;
  }
}

bool UiaApplication::handleEvent(int32_t code, void* data) {
  if (code != UIA_EVENT_COMMAND || !data || static_cast<UiaCommandEvent*>(data)->id != kExitCommand) return false;
  UiaAllowEvent query = {1};
  handleEvent(UIA_EVENT_MAY_QUIT, &query);
  if (query.allow == 1) {
    if (mainWindow_) mainWindow_->destroy();
    requestQuit();
  }
  return true;
}

bool UiaApplication::init() { return true; }

void UiaApplication::exit(bool) {
  accelerators_.clear();
  if (timerHead_) stopWin32Timer();
}

void UiaApplication::openDocumentHook(std::string&, uint32_t) {}

bool UiaApplication::dispatchEvent(int32_t code, void* data, Window*) { return handleEvent(code, data); }

void UiaApplication::setName(const char* name) { name_ = name ? name : ""; }

void UiaApplication::setTick(int32_t milliseconds) {
  if (timerHead_ || milliseconds < 1) return;
  tick_ = milliseconds;
}

void UiaApplication::setMainWindow(Window* window) {
  mainWindow_ = window;
  secondWindow_ = nullptr;
}

void UiaApplication::setMenuBar(const MenuHandle* menu) {
  accelerators_.clear();
  menuBar_.handle = menu ? menu->handle : nullptr;
  if (!menuBar_.handle) return;
  // Breadth first from the bar; a menu reached twice is walked once.
  std::deque<HMENU> queue{menuBar_.handle};
  std::set<HMENU> walked;
  while (!queue.empty()) {
    HMENU current = queue.front();
    queue.pop_front();
    if (!walked.insert(current).second) continue;
    const int count = GetMenuItemCount(current);
    for (int position = 0; position < count; ++position) {
      MENUITEMINFOA info = {};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
      if (!GetMenuItemInfoA(current, static_cast<UINT>(position), TRUE, &info)) continue;
      if (info.hSubMenu)
        queue.push_back(info.hSubMenu);
      else if (info.fType == MFT_STRING && info.dwItemData != 0)
        accelerators_[static_cast<uint32_t>(info.dwItemData)] = static_cast<int32_t>(info.wID);
    }
  }
}

int32_t UiaApplication::acceleratorCommand(uint32_t key) const {
  auto found = accelerators_.find(key);
  return found == accelerators_.end() ? 0 : found->second;
}
