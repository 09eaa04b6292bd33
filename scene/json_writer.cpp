#include "scene/json_writer.h"

#include <charconv>
#include <cmath>
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
  if (afterKey_)
    afterKey_ = false;
  else
    NextMember();
}

void JsonWriter::BeginObject() {
  BeforeValue();
  out_ += '{';
  open_.push_back({});
}

void JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  open_.push_back({});
}

void JsonWriter::End(char close) {
  const bool empty = open_.back().empty;
  open_.pop_back();
  if (!empty) {
    out_ += '\n';
    out_.append(2 * open_.size(), ' ');
  }
  out_ += close;
}

void JsonWriter::EndObject() { End('}'); }
void JsonWriter::EndArray() { End(']'); }

JsonWriter& JsonWriter::Key(std::string_view key) {
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

void JsonWriter::Value(const nlohmann::ordered_json& j) {
  using T = nlohmann::ordered_json::value_t;
  switch (j.type()) {
    case T::object:
      BeginObject();
      for (const auto& [key, value] : j.items()) Key(key).Value(value);
      EndObject();
      break;
    case T::array:
      BeginArray();
      for (const auto& value : j) Value(value);
      EndArray();
      break;
    case T::string:
      String(j.get_ref<const std::string&>());
      break;
    case T::boolean:
      Bool(j.get<bool>());
      break;
    case T::number_integer:
      Int(j.get<int64_t>());
      break;
    case T::number_unsigned:
      Unsigned(j.get<uint64_t>());
      break;
    case T::number_float:
      Double(j.get<double>());
      break;
    case T::null:
      Null();
      break;
    case T::binary:
    case T::discarded:
      throw std::domain_error("a binary or discarded value has no JSON text");
  }
}

}  // namespace cavix::scene
