// Streams JSON text straight into a string, in exactly the layout of nlohmann's
// `dump(2, ' ', false, error_handler_t::replace)`: two-space indent, "key": value, empty
// containers as {} and [], numbers as nlohmann prints them, invalid UTF-8 replaced by U+FFFD.
// Saving a big model this way costs one growing string instead of a tree of small allocations,
// and files written before and after read back the same, byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cavix::scene {

class JsonWriter {
 public:
  // Calls out of order (a value in an object without its key, a key outside an object, an End
  // that closes nothing or the other kind) raise std::logic_error: a writer bug, not bad input.
  explicit JsonWriter(std::string& out) : out_(out) {}

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // Inside an object: the member's name. Exactly one value must follow.
  JsonWriter& Key(std::string_view key);

  void String(std::string_view s);
  void Int(int64_t v);
  void Unsigned(uint64_t v);
  void Double(double v);  // NaN and infinities are written as null, as nlohmann does
  void Bool(bool v);
  void Null();

 private:
  struct Level {
    bool object;
    bool empty = true;
  };
  void BeforeValue();
  void NextMember();  // the separator and indent before an array element or object member
  void Begin(bool object, char open);
  void End(bool object, char close);
  void Escaped(std::string_view s);

  std::string& out_;
  std::vector<Level> open_;
  bool afterKey_ = false;
};

}  // namespace cavix::scene
