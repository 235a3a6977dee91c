#include "forms/registry.h"

#include <stdexcept>

namespace bq {

std::string indexed(const std::string& family, int index) {
  return family + "(" + std::to_string(index) + ")";
}

void Registry::add(Control& c) {
  if (!controls_.emplace(c.name(), &c).second) {
    throw std::logic_error("control registered twice: " + c.name());
  }
  order_.push_back(&c);
}

void Registry::addValue(const std::string& name, std::function<std::string()> read) {
  if (!values_.emplace(name, std::move(read)).second) {
    throw std::logic_error("value registered twice: " + name);
  }
}

Control* Registry::find(const std::string& name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

std::string Registry::readValue(const std::string& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::string{} : it->second();
}

}  // namespace bq
