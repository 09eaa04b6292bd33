#include "scene/json_writer.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace cavix::scene {

void JsonWriter::NextMember() {
  if (open_.empty()) return;
  Level& top = open_.back();
  out_ += top.empty ? "\n" : ",\n";
  top.empty = false;
  out_.append(2 * open_.size(), ' ');
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!open_.empty() && open_.back().object)
    throw std::logic_error("JsonWriter: a value in an object needs its key first");
  NextMember();
}

void JsonWriter::Begin(bool object, char open) {
  BeforeValue();
  out_ += open;
  open_.push_back({object});
}

void JsonWriter::BeginObject() { Begin(true, '{'); }
void JsonWriter::BeginArray() { Begin(false, '['); }

void JsonWriter::End(bool object, char close) {
  if (open_.empty() || open_.back().object != object || afterKey_)
    throw std::logic_error(std::string("JsonWriter: '") + close + "' does not close what is open");
  const bool empty = open_.back().empty;
  open_.pop_back();
  if (!empty) {
    out_ += '\n';
    out_.append(2 * open_.size(), ' ');
  }
  out_ += close;
}

void JsonWriter::EndObject() { End(true, '}'); }
void JsonWriter::EndArray() { End(false, ']'); }

JsonWriter& JsonWriter::Key(std::string_view key) {
  if (open_.empty() || !open_.back().object || afterKey_)
    throw std::logic_error("JsonWriter: a key belongs in an object, before its value");
  NextMember();
  Escaped(key);
  out_ += ": ";
  afterKey_ = true;
  return *this;
}

void JsonWriter::String(std::string_view s) {
  BeforeValue();
  Escaped(s);
}

void JsonWriter::Escaped(std::string_view s) {
  // Names, labels and numbers-as-text are plain printable ASCII; anything else (controls,
  // quotes, backslashes, UTF-8, broken UTF-8) goes through nlohmann's own escaper so the
  // text cannot drift from what it writes.
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
      out_ += nlohmann::ordered_json(std::string(s))
                  .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
      return;
    }
  }
  out_ += '"';
  out_ += s;
  out_ += '"';
}

void JsonWriter::Int(int64_t v) {
  BeforeValue();
  char buf[24];
  out_.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

void JsonWriter::Unsigned(uint64_t v) {
  BeforeValue();
  char buf[24];
  out_.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

void JsonWriter::Double(double v) {
  BeforeValue();
  if (!std::isfinite(v)) {
    out_ += "null";
    return;
  }
  char buf[64];
  out_.append(buf, nlohmann::detail::to_chars(buf, buf + sizeof buf, v));
}

void JsonWriter::Bool(bool v) {
  BeforeValue();
  out_ += v ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
}

}  // namespace cavix::scene
