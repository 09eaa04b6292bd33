// The hole classes as the host's class registry sees them, one entry per row of the kind table.
#include "hole_objects/class_list.h"

#include "hole_objects/hole.h"

namespace cavix {

std::vector<host::ClassInfo> HoleClasses(holes::EditHoleHandler edit) {
  std::vector<host::ClassInfo> classes;
  for (const holes::HoleKind& k : holes::kHoleKinds) {
    classes.push_back({std::string(k.progId), std::string(k.classId),
                       [&k, edit]() -> std::unique_ptr<host::IAutomationObject> {
                         std::unique_ptr<holes::HoleObject> hole = holes::MakeHole(k);
                         hole->SetEditHandler(edit);
                         return hole;
                       }});
  }
  return classes;
}

}  // namespace cavix
