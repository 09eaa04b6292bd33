// The dialog's hole as it stands, drawn before OK.
#include "host_window/preview.h"

#include <QTimer>

#include "dialog/apply.h"
#include "dialog/dialog_form.h"
#include "export/occ_part.h"
#include "geometry/profile.h"

namespace cavix::hostwindow {

std::optional<exporter::ProfileChain> DescribedProfile(dialog::Dialog& d) {
  const std::optional<holes::HoleSpec> hole = dialog::DescribedHole(d.Session());
  if (!hole) return std::nullopt;
  exporter::ProfileChain chain;
  for (const geo::Point2& p : geo::BuildProfile(*hole)) chain.push_back({p.x, p.y});
  return chain;
}

std::vector<TopoDS_Shape> PreviewSolids(const exporter::ProfileChain& profile,
                                        const std::vector<HoleAt>& places) {
  std::vector<TopoDS_Shape> solids;
  std::vector<std::string> warnings;
  for (size_t i = 0; i < places.size(); ++i) {
    exporter::HoleSolidInput hole;
    hole.chains = {profile};
    const scene::Vec3 &p = places[i].position, &n = places[i].axis;
    hole.position = {p.x, p.y, p.z};
    hole.normal = {n.x, n.y, n.z};
    try {
      for (TopoDS_Shape& s : exporter::MakeHoleTools(hole, exporter::HoleIndex(i), warnings))
        solids.push_back(std::move(s));
    } catch (const exporter::ExportError&) {
      return {};  // a profile the kernel cannot revolve previews as nothing
    }
  }
  return solids;
}

DialogPreview::DialogPreview(dialog::Dialog& form, std::vector<HoleAt> places, Show show)
    : form_(&form),
      places_(std::move(places)),
      show_(std::move(show)),
      self_(std::make_shared<DialogPreview*>(this)) {
  form.AddObserver(this);
  Update();
}

DialogPreview::~DialogPreview() {
  *self_ = nullptr;
  if (form_) form_->RemoveObserver(this);
}

void DialogPreview::FormChanged(const forms::Form& /*form*/, const forms::Control* /*control*/,
                                forms::Change what) {
  if (!form_) return;
  if (what == forms::Change::Unloaded) {
    form_->RemoveObserver(this);
    form_ = nullptr;
    show_({});
    return;
  }
  // One user action changes many controls: the preview follows once it is over.
  if (pending_) return;
  pending_ = true;
  QTimer::singleShot(0, [self = self_] {
    if (DialogPreview* p = *self) {
      p->pending_ = false;
      p->Update();
    }
  });
}

void DialogPreview::Update() {
  if (!form_) return;
  const std::optional<exporter::ProfileChain> profile = DescribedProfile(*form_);
  show_(profile ? PreviewSolids(*profile, places_) : std::vector<TopoDS_Shape>{});
}

}  // namespace cavix::hostwindow
