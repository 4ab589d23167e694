// Form classes by name: lets an embedding widget make a form of an application's own class. The
// library registers none.
#pragma once

#include <string>

class Form;

typedef Form* (*FormFactory)();

class FormClassRegistry {
 public:
  // A name registered twice keeps its first factory.
  static void add(const char* name, FormFactory factory);
  // A new form of that class; null when the name is unknown.
  static Form* create(const std::string& name);
  static void clear();
};
