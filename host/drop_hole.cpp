// The catalog drop handler and its authoring member.
#include "host/drop_hole.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "dialog/dialog.h"
#include "dialog/globals.h"
#include "forms/message_box.h"
#include "geometry/units.h"
#include "runtime/variant.h"
#include "standards/config.h"
#include "standards/strings.h"

namespace cavix::host {

namespace {

// The first component of a type on the item, added when there is none.
IComponent& FirstOrNew(IComponentHolder& item, int32_t type) {
  IComponents& list = item.Components(type);
  if (list.Count() == 0) return list.Add();
  return list.Item(1);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

void DropHole::Drop(IShape& shape, int32_t& /*x*/, int32_t& /*y*/) {
  GlobalsState& g = Globals();
  g.CurrentPage = &shape.Page();
  g.TargetShape = &shape;
  g.EditMode = false;
  g.ThroughDepth = geo::GetThroughDepth(shape);
  config::ReadLanguageBase();

  if (rt::CLng(g.CurrentPage->UnitsEx(2)) != 0) {
    forms::MsgBox(strings::LocalisedText(strings::id::kMillimetresOnly), forms::msg::kOkOnly,
                  strings::LocalisedText(strings::id::kTitle));
    return;
  }
  dialog::ShowDialog();
}

void DropHole::AssignEvent(IApplication& application) {
  IShapes& selected = application.ActivePage().SelectedItems(1);
  if (selected.Count() <= 0) return;
  IShape& item = selected.Item(1);

  FirstOrNew(item, comp::kEventSettings).SetValue(2, rt::Variant(int32_t{5}));
  FirstOrNew(item, comp::kHandler).SetValue(1, rt::Variant(GetHandlerReference()));

  ICatalogs& catalogs = application.Catalogs();
  const int32_t count = catalogs.Count();
  for (int32_t i = 1; i <= count; ++i) {
    ICatalog& catalog = catalogs.Item(i);
    if (Lower(catalog.Name()) != kCatalogFile) continue;
    catalog.Entries().Add(item).SetLabel(kCatalogLabel);
    forms::MsgBox("OK!!");
  }
}

std::string GetHandlerReference() {
  std::unique_ptr<IClassTagService> service = Services().CreateClassTagService();
  std::string progId = kDropHoleProgId;
  int32_t reserved = 0;
  return service->ProgIdToClassTag(progId, reserved);
}

ClassInfo DropHoleClassInfo() {
  return ClassInfo{kDropHoleProgId, kDropHoleClassId,
                   [] { return std::unique_ptr<IAutomationObject>(std::make_unique<DropHole>()); }};
}

}  // namespace cavix::host
