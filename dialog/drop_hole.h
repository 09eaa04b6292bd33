// The catalog drop handler "Cavix.DropHole": a drop opens the hole dialog for the dropped shape,
// and AssignEvent turns the selected item into the catalog entry "Fori" that does so.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dialog/session.h"
#include "host/add_in_names.h"
#include "host/services.h"

namespace cavix::dialog {

using host::kCatalogFile;
using host::kCatalogLabel;
using host::kDropHoleClassId;
using host::kDropHoleProgId;

class DropHole : public host::IAutomationObject, public host::IDropHandler {
 public:
  // `addIn` (may be null: no dialog can then show) is the add-in as the host loaded it.
  explicit DropHole(std::shared_ptr<AddIn> addIn = {}) : addIn_(std::move(addIn)) {}

  // Makes the dropped shape and its page the session of a new hole, then shows the dialog
  // modally where the add-in's dialogs show; returns when it has closed, and the add-in's
  // lastDialog says how. A scene not in millimetres gets a message instead and the shape is left
  // as it is. Host errors reach the caller.
  void Drop(host::IShape& shape, int32_t& x, int32_t& y) override;
  // The same for several shapes dropped at once (a pattern on one face): one dialog, whose OK
  // makes the same hole on every shape and whose Cancel takes them all away again.
  void DropPattern(std::vector<host::IShape*>& shapes) override;

  // Wires the item selected on the application's active page to this handler (event component
  // 25 variable 2 = 5, handler component 43 variable 1 = the class tag) and adds it to every open
  // catalog named "zentrox.icc" (any case) under the label "Fori". Nothing selected: nothing done.
  void AssignEvent(host::IApplication& application) override;

 private:
  std::shared_ptr<AddIn> addIn_;
};

// The host's class tag for "Cavix.DropHole", from a class-tag service made for this call.
std::string GetHandlerReference(host::IServiceFactory& services);

// The component-library entry the host registers to create DropHole objects of `addIn`.
host::ClassInfo DropHoleClassInfo(std::shared_ptr<AddIn> addIn);

}  // namespace cavix::dialog
