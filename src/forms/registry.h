// One name, one thing: every control of the main window and every remembered value or slot is
// found here under the name the design gives it ("txtTitle3", "optTA(2)", "TitleBackColor(3)").
// The GUI binder, the command-line scripts and the tests all go through it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "forms/controls.h"

namespace bq {

// Name of a control-array member or an indexed value: "optTA" + 2 -> "optTA(2)".
std::string indexed(const std::string& family, int index);

class Registry {
 public:
  void add(Control& c);
  // A remembered value or slot, read as text.
  void addValue(const std::string& name, std::function<std::string()> read);

  Control* find(const std::string& name) const;
  template <class T>
  T* find(const std::string& name) const {
    return dynamic_cast<T*>(find(name));
  }
  bool hasValue(const std::string& name) const { return values_.count(name) != 0; }
  std::string readValue(const std::string& name) const;

  // Controls in the order they were registered (the window's own order).
  const std::vector<Control*>& controls() const { return order_; }

 private:
  std::map<std::string, Control*> controls_;
  std::vector<Control*> order_;
  std::map<std::string, std::function<std::string()>> values_;
};

}  // namespace bq
