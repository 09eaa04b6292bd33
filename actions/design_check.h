// The design check: what is wrong with a model's holes as parts of their part — a hole that
// misses the part or starts off its surface, a blind hole that breaks out, a thread longer than
// its material, holes that cut into each other — and what a shop would warn of. It reads the
// model and never changes it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "export/export.h"
#include "hole_objects/hole_facts.h"
#include "scene/scene.h"

namespace cavix::actions {

enum class Severity { Warning, Error };

// One finding about one hole. `what` is a fixed word for scripts ("misses", "breaks-out", ...),
// `text` says it with its figures; `figures` are those figures by name, in the page's unit.
struct Finding {
  Severity severity = Severity::Error;
  int32_t hole = 0;
  std::string name;
  std::string what;
  std::string text;
  std::vector<std::pair<std::string, double>> figures;
  int32_t other = 0;  // the other hole, for two holes that cut into each other

  bool IsError() const { return severity == Severity::Error; }
  // "error #4 "CBHole M8x1.25": breaks out: ..."
  std::string Line() const;
  // One JSON object.
  std::string Json() const;
};

// The findings of every hole of the model's main part, hole by hole in the model's order, and of
// every pair of holes that cut into each other (reported on the later hole). With `only`, just
// the findings that concern those holes (a pair when either is one of them).
std::vector<Finding> CheckModel(scene::Scene& model, const std::vector<int32_t>* only = nullptr);

// The design check of a model that changes a few holes at a time, as the window shows it: each
// Update checks again only the holes that are new or changed since the last one (with every pair
// one of them is in) and keeps the findings of the others, so that it costs what the changed
// holes cost. A change of the part or of the page's unit checks every hole. Its findings are
// always CheckModel's.
class LiveCheck {
 public:
  const std::vector<Finding>& Update(scene::Scene& model);

 private:
  // What a hole's findings depend on, besides the part.
  struct Hole {
    std::string name, boundClass;
    holes::HoleRecord stored;
    std::array<double, 3> position, axis;
    double throughDepth;
    std::string problem;
    std::vector<exporter::ProfileChain> chains;
    std::array<double, 3> solidAt, solidAxis;
    friend bool operator==(const Hole&, const Hole&) = default;
  };
  struct Part {
    bool inch = false;
    size_t solid = 0;           // a hash of the part's solid text
    std::vector<double> place;  // the block's size, the part's position and normal
    friend bool operator==(const Part&, const Part&) = default;
  };
  bool checked_ = false;
  Part part_;
  std::map<int32_t, Hole> holes_;
  std::vector<Finding> findings_;
};

}  // namespace cavix::actions
