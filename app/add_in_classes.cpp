// The add-in's classes for the scene's component registry. The build says which layers are
// present (CAVIX_HAVE_HOLE_CLASSES, CAVIX_HAVE_DROP_HOLE), so the command works at every stage.
#include "app/add_in_classes.h"

#ifdef CAVIX_HAVE_HOLE_CLASSES
#include "hole_objects/class_list.h"
#endif
#ifdef CAVIX_HAVE_DROP_HOLE
#include "host/drop_hole.h"
#endif

namespace cavix::app {

std::vector<host::ClassInfo> AddInClasses() {
  std::vector<host::ClassInfo> classes;
#ifdef CAVIX_HAVE_HOLE_CLASSES
  classes = HoleClasses();
#endif
#ifdef CAVIX_HAVE_DROP_HOLE
  classes.push_back(host::DropHoleClassInfo());
#endif
  return classes;
}

}  // namespace cavix::app
