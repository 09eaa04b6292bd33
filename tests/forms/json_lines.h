// What a dialog script printed: its JSON lines, all or those of one event kind, and a check of
// control properties of a form dump.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace cavix::testing {

// The JSON lines of a dialog run's output, all of them or those of one event kind.
inline std::vector<nlohmann::json> JsonEvents(const std::string& out,
                                              const std::string& kind = "") {
  std::vector<nlohmann::json> v;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) {
    if (l.empty() || l[0] != '{') continue;
    nlohmann::json j = nlohmann::json::parse(l);
    if (kind.empty() || j.value("event", "") == kind) v.push_back(std::move(j));
  }
  return v;
}

// Expects each "Control.property" of a form dump, or a property of the form itself ("focus"), to
// hold its value.
using FormValues = std::vector<std::pair<std::string, nlohmann::json>>;
inline void ExpectForm(const nlohmann::json& form, const FormValues& want) {
  for (const auto& [key, value] : want) {
    std::string path = key.find('.') == std::string::npos ? "/" + key : "/controls/" + key;
    if (const size_t dot = path.find('.'); dot != std::string::npos) path[dot] = '/';
    EXPECT_EQ(form.value(nlohmann::json::json_pointer(path), nlohmann::json()), value) << key;
  }
}

}  // namespace cavix::testing
