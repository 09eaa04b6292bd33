// The streaming writer must produce the very text nlohmann's indented dump produces, so model
// files keep their bytes whichever of the two wrote them. Checked against the dump itself on
// chosen awkward values (fuzz_model covers arbitrary documents).
#include "scene/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>

namespace cavix::scene {
namespace {

using json = nlohmann::ordered_json;

std::string Dumped(const json& j) { return j.dump(2, ' ', false, json::error_handler_t::replace); }

// A document through the writer's calls, as the model writer makes them.
void Write(JsonWriter& w, const json& j) {
  using T = json::value_t;
  switch (j.type()) {
    case T::object:
      w.BeginObject();
      for (const auto& [key, value] : j.items()) Write(w.Key(key), value);
      w.EndObject();
      break;
    case T::array:
      w.BeginArray();
      for (const auto& value : j) Write(w, value);
      w.EndArray();
      break;
    case T::string:
      w.String(j.get_ref<const std::string&>());
      break;
    case T::boolean:
      w.Bool(j.get<bool>());
      break;
    case T::number_integer:
      w.Int(j.get<int64_t>());
      break;
    case T::number_unsigned:
      w.Unsigned(j.get<uint64_t>());
      break;
    case T::number_float:
      w.Double(j.get<double>());
      break;
    default:
      w.Null();
      break;
  }
}

std::string Written(const json& j) {
  std::string out;
  JsonWriter w(out);
  Write(w, j);
  return out;
}

TEST(JsonWriter, AwkwardValuesAreWrittenAsTheDumpWritesThem) {
  const double dbl = std::numeric_limits<double>::max();
  const json cases[] = {
      json::array({json::object(), json::array(), json::array({json::array()})}),
      json{{"a", json::object()}, {"b", json::array()}},
      json(nullptr),
      json(-0.0),
      json(5e-324),
      json(dbl),
      json(1e16),
      json(1e-5),
      json(1.0 / 3.0),
      json(std::nan("")),
      json(-std::numeric_limits<double>::infinity()),
      json(std::numeric_limits<int64_t>::min()),
      json(std::numeric_limits<uint64_t>::max()),
      json(""),
      json("quote \" backslash \\ slash / tab \t nl \n cr \r bs \b ff \f nul " +
           std::string(1, '\0')),
      json("\x01\x1f\x7f"),
      json("Ø 8,5 – ünï ⌀ 𝔸"),
      json("broken \xC3 and \xE2\x8C and \xFF\xFE and end \xF0\x9F"),
      json{{"k\"ey\n", 1}, {"\xC3", "v"}, {"", json::array({1, -1, 2.5, true, false, nullptr})}},
  };
  for (const json& j : cases) EXPECT_EQ(Written(j), Dumped(j)) << Dumped(j);
}

}  // namespace
}  // namespace cavix::scene
