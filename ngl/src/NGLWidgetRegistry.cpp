// The widget registry: class names to factories, in registration order.
#include <string>
#include <vector>

#include "NGLWidget.h"

namespace {

struct RegistryEntry {
  std::string name;
  WidgetFactory factory;
};

std::vector<RegistryEntry>& entries() {
  static std::vector<RegistryEntry> table;
  return table;
}

const RegistryEntry* findEntry(const std::string& name) {
  for (const RegistryEntry& entry : entries())
    if (entry.name == name) return &entry;
  return nullptr;
}

}  // namespace

void WidgetRegistry::add(const char* name, WidgetFactory factory) {
  if (!name || !factory) return;
  entries().push_back({name, factory});
}

Widget* WidgetRegistry::create(const std::string& name) {
  const RegistryEntry* entry = findEntry(name);
  if (!entry) return nullptr;
  Widget* widget = entry->factory();
  if (widget) widget->setClassName(entry->name);
  return widget;
}

bool WidgetRegistry::has(const std::string& name) { return findEntry(name) != nullptr; }

void WidgetRegistry::clear() { std::vector<RegistryEntry>().swap(entries()); }

void nglRegisterWidgetClass(WidgetNameFunction name, WidgetFactory factory) {
  if (name) WidgetRegistry::add(name(), factory);
}
