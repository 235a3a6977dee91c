// A small JSON writer for what the engine tells the browser page. Strings are the engine's
// UTF-8; control characters and the two JSON specials are escaped, nothing else.
#pragma once

#include <string>
#include <vector>

namespace bq::web {

class Json {
 public:
  Json& beginObject() { return open('{'); }
  Json& endObject() { return close('}'); }
  Json& beginArray() { return open('['); }
  Json& endArray() { return close(']'); }
  Json& key(const std::string& k) {
    value(k);
    out_ += ':';
    afterKey_ = true;
    return *this;
  }
  Json& value(const std::string& s);
  Json& value(const char* s) { return value(std::string(s)); }
  Json& value(bool b) { return raw(b ? "true" : "false"); }
  Json& value(long long n) { return raw(std::to_string(n)); }
  // Text that already is JSON.
  Json& raw(const std::string& json);

  const std::string& str() const { return out_; }

 private:
  Json& open(char c);
  Json& close(char c);
  void separate();

  std::string out_;
  std::vector<bool> first_;  // per open container: nothing written into it yet
  bool afterKey_ = false;
};

}  // namespace bq::web
