// What the window does to a model. A catalog drop, a double click and new block extents are the
// typed actions the `cavix` commands call (actions::Drop, actions::Edit, actions::ResizeBlock on
// the window's workspace); the window's own share is putting a position picked in millimetres
// into the page's units, handing each dialog window to its user, taking a hole away, and reading
// off the model what the view and the panels show.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "actions/design_check.h"
#include "actions/holes.h"
#include "actions/workspace.h"
#include "export/export.h"
#include "scene/scene.h"
#include "part_solid/shown_part.h"

namespace cavix::qtview {
class FormView;
}

namespace cavix::hostwindow {

// Called with each dialog window right after it shows, before the user has it (tests answer
// the dialog from here); whatever it leaves open, the user answers.
using DialogUser = std::function<void(qtview::FormView&)>;

// How a drop or a double click ended.
enum class Outcome {
  Done,       // the dialog made or rebuilt the hole
  Unchanged,  // OK without a change
  Cancelled,  // Cancel, or the window closed
  Refused,    // no dialog: the drop handler said why (a scene not in millimetres)
};

// A row of the shapes panel.
struct ShapeRow {
  int32_t id = 0;
  std::string label;  // "#3 "CBHole M8x1.25""
  bool hole = false;  // a shape a hole class is bound to
};

// A catalog and its entries' labels, for the catalog panel.
struct CatalogRow {
  std::string name;
  std::vector<std::string> entries;
};

// The page's unit of length, in which positions are stored and shown (hole sizes are always mm).
struct LengthUnit {
  double mm = 1;            // millimetres per unit
  const char* name = "mm";  // "mm" or "in"
};
LengthUnit UnitOf(const scene::Scene& model);

// A catalog drop on a face of the part at every placement (mm; one, or a pattern's), each along
// its axis: actions::Drop on them, one dialog in a window. `placed` gets the new holes' ids. A
// drop that ends without a hole may leave the dropped shapes in the model; the caller discards
// the change.
Outcome DropOnFace(actions::Workspace& w, std::vector<actions::Placement> at,
                   const DialogUser& user, std::vector<int32_t>* placed = nullptr);
// A double click on the hole shape `id`: actions::Edit, its dialog in a window; with `allLike`
// the result goes to every hole stored alike too (actions::HolesLike).
Outcome EditHole(actions::Workspace& w, int32_t id, const DialogUser& user, bool allLike = false);
// Moves the holes to new places on the part (mm), each along its own axis, in one change:
// actions::MoveHoles.
void MoveHolesTo(scene::Scene& model, const std::vector<std::pair<int32_t, scene::Vec3>>& moves);
// Takes the shapes out of the part.
void DeleteShapes(scene::Scene& model, const std::vector<int32_t>& ids);
// The holes stored like hole `id` (actions::HolesLike), `id` first.
std::vector<int32_t> HolesLike(scene::Scene& model, int32_t id);

// The part and its holes as the view cuts them (mm), `ids` the shape id of each hole.
exporter::PartInput PartOf(scene::Scene& model, std::vector<partsolid::HoleId>& ids);
// Where a hole is and which way it goes, in mm and as a unit vector.
struct HoleAt {
  scene::Vec3 position, axis;
};
HoleAt PlaceOf(const scene::Scene& model, int32_t id);

// The thread of a threaded hole as the view draws it: a band over the bore's wall (mm).
struct ThreadBand {
  scene::Vec3 start;  // on the axis, where the thread begins
  scene::Vec3 axis;   // unit, into the part
  double radius = 0, length = 0;
  bool operator==(const ThreadBand&) const = default;
};
// The threads of the model's threaded holes by hole id, from their facts (as the section sheet
// draws them).
std::map<int32_t, ThreadBand> ThreadBands(scene::Scene& model);

// One finding of the design check about a hole.
struct Finding {
  int32_t hole = 0;
  bool error = false;  // an error, not only a warning
  std::string text;
};
// What the design check finds in the model, for the panels, the status bar and the colour of the
// holes; `check` keeps the findings of the holes that did not change since its last update.
std::vector<Finding> Findings(scene::Scene& model, actions::LiveCheck& check);
// The part's first shape's extents in page units, and whether it is an imported solid.
scene::Vec3 Extents(const scene::Scene& model);
bool HasOwnSolid(const scene::Scene& model);
std::vector<ShapeRow> Shapes(const scene::Scene& model);
// The open catalogs and their entries. A catalog "zentrox.icc" without an entry "Fori" shows
// the one the shipped catalog holds: a drop on it runs "Cavix.DropHole" all the same.
std::vector<CatalogRow> Catalogs(const scene::Scene& model);

}  // namespace cavix::hostwindow
