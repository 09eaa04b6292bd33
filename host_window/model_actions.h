// What the window does to a model. A catalog drop, a double click and new block extents are the
// typed actions the `cavix` commands call (actions::Drop, actions::Edit, actions::ResizeBlock on
// the window's workspace); the window's own share is putting a position picked in millimetres
// into the page's units, handing each dialog window to its user, taking a hole away, and reading
// off the model what the view and the panels show.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "actions/workspace.h"
#include "export/export.h"
#include "scene/scene.h"

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

// A catalog drop on a face of the part at `at` (mm) along `axis`: actions::Drop on that one
// placement, its dialog in a window. `placed` gets the new hole's id. A drop that ends without a
// hole may leave the dropped shape in the model; the caller discards the change.
Outcome DropOnFace(actions::Workspace& w, scene::Vec3 at, scene::Vec3 axis, const DialogUser& user,
                   int32_t* placed = nullptr);
// A double click on the hole shape `id`: actions::Edit, its dialog in a window.
Outcome EditHole(actions::Workspace& w, int32_t id, const DialogUser& user);
// Takes the shape `id` out of the part.
void DeleteShape(scene::Scene& model, int32_t id);

// The part and its holes as the view cuts them (mm), `ids` the shape id of each hole.
exporter::PartInput PartOf(scene::Scene& model, std::vector<int32_t>& ids);
// The part's first shape's extents in page units, and whether it is an imported solid.
scene::Vec3 Extents(const scene::Scene& model);
bool HasOwnSolid(const scene::Scene& model);
std::vector<ShapeRow> Shapes(scene::Scene& model);
// The open catalogs and their entries. A catalog "zentrox.icc" without an entry "Fori" shows
// the one the shipped catalog holds: a drop on it runs "Cavix.DropHole" all the same.
std::vector<CatalogRow> Catalogs(const scene::Scene& model);

}  // namespace cavix::hostwindow
