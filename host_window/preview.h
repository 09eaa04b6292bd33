// The preview of holes not made yet: while the hole dialog shows, the hole its fields describe as
// they stand, as the solids it would cut at each place it goes, following every change.
#pragma once

#include <TopoDS_Shape.hxx>
#include <functional>
#include <optional>
#include <vector>

#include "export/export.h"
#include "forms/form.h"
#include "host_window/model_actions.h"

namespace cavix::dialog {
class Dialog;
}

namespace cavix::hostwindow {

// The profile OK would build from the dialog's fields as they stand (mm); nullopt while they
// describe no hole: no size chosen, a size its table does not hold, a field that is not a
// number, values that make no hole. Reads the size's table as OK does; shows nothing and changes
// nothing of the dialog.
std::optional<exporter::ProfileChain> DescribedProfile(dialog::Dialog& d);

// The solids a hole of `profile` cuts at each place (mm).
std::vector<TopoDS_Shape> PreviewSolids(const exporter::ProfileChain& profile,
                                        const std::vector<HoleAt>& places);

// Follows a hole dialog from when it shows until it unloads: once each change of its form is
// over (after the user's action, not inside it), hands `show` the preview's solids (none while
// the fields describe no hole); when the form unloads, hands it none and lets go of the form.
class DialogPreview : public forms::IFormObserver {
 public:
  using Show = std::function<void(const std::vector<TopoDS_Shape>&)>;
  DialogPreview(dialog::Dialog& form, std::vector<HoleAt> places, Show show);
  ~DialogPreview() override;
  DialogPreview(const DialogPreview&) = delete;
  DialogPreview& operator=(const DialogPreview&) = delete;

 private:
  void FormChanged(const forms::Form& form, const forms::Control* control,
                   forms::Change what) override;
  void Update();

  dialog::Dialog* form_;  // null once unloaded
  std::vector<HoleAt> places_;
  Show show_;
  bool pending_ = false;
  std::shared_ptr<DialogPreview*> self_;  // lets a pending update find out that this is gone
};

}  // namespace cavix::hostwindow
