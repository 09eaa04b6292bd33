// What the window does to a model, through the host's and the add-in's own functions and nothing
// else: reading and saving the file, a catalog drop and a double click with the hole dialog in a
// window, deleting a hole, giving the block new extents and regenerating the holes, and the
// part as the view cuts it. Every call into the scene and the dialog that the window makes is
// in this one file.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "export/export.h"
#include "host/services.h"
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

class ModelActions {
 public:
  // `classes` are the add-in's classes the host registers; `services` the registry and settings
  // files the utility services read.
  ModelActions(scene::ServiceConfig services, std::vector<host::ClassInfo> classes);

  // A model read from its file (or from a text kept for undo), readied for the add-in: its
  // classes registered and its services installed. Errors as scene::LoadModel raises them.
  std::unique_ptr<scene::Scene> Load(const std::string& path) const;
  std::unique_ptr<scene::Scene> FromText(const std::string& text, const std::string& path) const;
  // The model as its file holds it, and the file written atomically.
  static std::string Text(const scene::Scene& model);
  static void Save(const scene::Scene& model, const std::string& path);

  // A catalog drop on the part: a shape dropped at `at` (mm) along `axis`, and the drop handler
  // of the catalog's entry with its dialog in a window. `placed` gets the new hole's id.
  Outcome Drop(scene::Scene& model, scene::Vec3 at, scene::Vec3 axis, const DialogUser& user,
               int32_t* placed = nullptr) const;
  // A double click on a hole shape: its class's edit dialog in a window.
  Outcome Edit(scene::Scene& model, int32_t id, const DialogUser& user) const;
  // Takes a hole shape out of the part.
  static void Delete(scene::Scene& model, int32_t id);
  // New extents for the part's first shape, then every hole regenerated, as `cavix resize` does.
  static void Resize(scene::Scene& model, scene::Vec3 extents);

  // The part and its holes as the view cuts them (mm), `ids` the shape id of each hole.
  static exporter::PartInput Part(scene::Scene& model, std::vector<int32_t>& ids);
  // The part's first shape's extents in page units, and whether it is an imported solid.
  static scene::Vec3 Extents(const scene::Scene& model);
  static bool HasOwnSolid(const scene::Scene& model);
  static std::vector<ShapeRow> Shapes(const scene::Scene& model);
  // The open catalogs and their entries. A catalog "zentrox.icc" without an entry "Fori" shows
  // the one the shipped catalog holds: a drop on it runs "Cavix.DropHole" all the same.
  static std::vector<CatalogRow> Catalogs(const scene::Scene& model);

 private:
  void Ready(scene::Scene& model) const;

  scene::ServiceConfig services_;
  std::vector<host::ClassInfo> classes_;
};

}  // namespace cavix::hostwindow
