// Form classes by name.
#include "NGLFormClassRegistry.h"

#include <utility>
#include <vector>

namespace {

std::vector<std::pair<std::string, FormFactory>>& entries() {
  static std::vector<std::pair<std::string, FormFactory>> list;
  return list;
}

}  // namespace

void FormClassRegistry::add(const char* name, FormFactory factory) {
  if (!name || !factory) return;
  entries().emplace_back(name, factory);
}

Form* FormClassRegistry::create(const std::string& name) {
  for (const auto& entry : entries())
    if (entry.first == name) return entry.second();
  return nullptr;
}

void FormClassRegistry::clear() { entries().clear(); }
