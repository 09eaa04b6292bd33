// The catalog drop handler "Cavix.DropHole": a drop opens the hole dialog for the dropped shape,
// and AssignEvent turns the selected item into the catalog entry "Fori" that does so.
#pragma once

#include <cstdint>
#include <string>

#include "host/services.h"

namespace cavix::host {

inline constexpr const char* kDropHoleProgId = "Cavix.DropHole";
inline constexpr const char* kDropHoleClassId = "{88D03354-D7EE-11D4-85A2-00E08110F9CF}";
inline constexpr const char* kCatalogFile = "zentrox.icc";
inline constexpr const char* kCatalogLabel = "Fori";

class DropHole : public IAutomationObject, public IDropHandler {
 public:
  // Records the dropped shape and its page as the dialog state of a new hole, then shows the
  // dialog modally; returns when it has closed. A scene not in millimetres gets a message instead
  // and the shape is left as it is. Host errors reach the caller.
  void Drop(IShape& shape, int32_t& x, int32_t& y) override;

  // Wires the item selected on the application's active page to this handler (event component
  // 25 variable 2 = 5, handler component 43 variable 1 = the class tag) and adds it to every open
  // catalog named "zentrox.icc" (any case) under the label "Fori". Nothing selected: nothing done.
  void AssignEvent(IApplication& application) override;
};

// The host's class tag for "Cavix.DropHole", from a class-tag service made for this call.
std::string GetHandlerReference();

// The component-library entry the host registers to create DropHole objects.
ClassInfo DropHoleClassInfo();

}  // namespace cavix::host
