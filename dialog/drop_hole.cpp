// The catalog drop handler and its authoring member.
#include "dialog/drop_hole.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "dialog/dialog.h"
#include "forms/ui.h"
#include "geometry/units.h"
#include "runtime/error.h"
#include "runtime/variant.h"
#include "standards/config.h"
#include "standards/strings.h"

namespace cavix::dialog {

namespace {

// The first component of a type on the item, added when there is none.
host::IComponent& FirstOrNew(host::IComponentHolder& item, int32_t type) {
  host::IComponents& list = item.Components(type);
  if (list.Count() == 0) return list.Add();
  return list.Item(1);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

void DropHole::Drop(host::IShape& shape, int32_t& /*x*/, int32_t& /*y*/) {
  std::vector<host::IShape*> shapes{&shape};
  DropPattern(shapes);
}

void DropHole::DropPattern(std::vector<host::IShape*>& shapes) {
  if (shapes.empty() || !shapes.front()) rt::Raise(rt::err::kObjectVariableNotSet);
  host::IShape& first = *shapes.front();
  DialogSession s;
  s.memory = addIn_ ? &addIn_->memory : nullptr;
  s.ui = addIn_ ? addIn_->ui : nullptr;
  s.page = &first.Page();
  s.targets = shapes;
  s.editMode = false;
  s.throughDepth = geo::GetThroughDepth(first);
  s.languageBase = config::ReadLanguageBase(s.Registry());

  if (rt::CLng(s.page->UnitsEx(2)) != 0) {
    s.MsgBox(s.Text(strings::id::kMillimetresOnly), forms::msg::kOkOnly,
             s.Text(strings::id::kTitle));
    return;
  }
  ShowDialog(s);
  if (addIn_) addIn_->lastDialog = s.result;
}

void DropHole::AssignEvent(host::IApplication& application) {
  host::IShapes& selected = application.ActivePage().SelectedItems(1);
  if (selected.Count() <= 0) return;
  host::IShape& item = selected.Item(1);

  FirstOrNew(item, host::comp::kEventSettings).SetValue(2, rt::Variant(int32_t{5}));
  FirstOrNew(item, host::comp::kHandler)
      .SetValue(1, rt::Variant(GetHandlerReference(application.Services())));

  host::ICatalogs& catalogs = application.Catalogs();
  const int32_t count = catalogs.Count();
  for (int32_t i = 1; i <= count; ++i) {
    host::ICatalog& catalog = catalogs.Item(i);
    if (Lower(catalog.Name()) != kCatalogFile) continue;
    catalog.Entries().Add(item).SetLabel(kCatalogLabel);
    if (addIn_ && addIn_->ui) addIn_->ui->MsgBox("OK!!");
  }
}

std::string GetHandlerReference(host::IServiceFactory& services) {
  std::unique_ptr<host::IClassTagService> service = services.CreateClassTagService();
  std::string progId = kDropHoleProgId;
  int32_t reserved = 0;
  return service->ProgIdToClassTag(progId, reserved);
}

host::ClassInfo DropHoleClassInfo(std::shared_ptr<AddIn> addIn) {
  return host::ClassInfo{kDropHoleProgId, kDropHoleClassId, [addIn] {
                           return std::unique_ptr<host::IAutomationObject>(
                               std::make_unique<DropHole>(addIn));
                         }};
}

}  // namespace cavix::dialog
