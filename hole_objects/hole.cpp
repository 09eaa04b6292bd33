// Creating, regenerating and double-clicking holes.
#include "hole_objects/hole.h"

#include "dialog/globals.h"
#include "geometry/create_holes.h"
#include "geometry/units.h"
#include "hole_objects/utils.h"
#include "runtime/error.h"
#include "runtime/fp.h"
#include "runtime/number_text.h"

namespace cavix::holes {

namespace {

EditHoleHandler& EditHandler() {
  static EditHoleHandler handler;
  return handler;
}

// Number slots of the stored record that regeneration reads.
constexpr int32_t kNumbers = 1;
constexpr int16_t kSlotThread = 6, kSlotThrough = 7, kSlotDiameter = 10, kSlotLength = 11,
                  kSlotPitchOrAllowance = 12;

// A through hole whose recess alone is deeper than the part would need a bore of negative
// length, which no profile can show; refuse it before the shape is touched.
void CheckBoreFits(double length, const std::string& shapeName) {
  if (length < 0)
    rt::Raise(rt::err::kInvalidCall,
              "The recess of through hole \"" + shapeName + "\" is deeper than the part is thick");
}

}  // namespace

void SetEditHoleHandler(EditHoleHandler handler) { EditHandler() = std::move(handler); }

double& HoleObject::RecessField(RecessProp p) {
  switch (p) {
    case kRecessDiameter:
      return diamIncasso_;
    case kRecessDepth:
      return lungIncasso_;
    case kRecessAngle:
      return angoloIncasso_;
    case kNoRecess:
      break;
  }
  rt::Raise(rt::err::kInvalidCall);
}

void HoleObject::SetRecess(double diam, double depth, double angle) {
  if (Has(kRecessDiameter)) diamIncasso_ = diam;
  if (Has(kRecessDepth)) lungIncasso_ = depth;
  if (Has(kRecessAngle)) angoloIncasso_ = angle;
}

geo::HoleParams HoleObject::BuilderParams(double length, double pointAngle,
                                          double threadLength) const {
  geo::HoleParams p;
  p.recess = kind_.recess;
  p.threaded = isThread_;
  p.diameter = diametro_;
  p.length = length;
  p.pointAngle = pointAngle;
  if (isThread_) {
    p.threadLength = threadLength;
    p.pitch = passoFiletto_;
  } else {
    p.allowance = hToll_;
  }
  if (Has(kRecessDiameter)) p.recessDiameter = diamIncasso_;
  if (Has(kRecessDepth)) p.recessDepth = lungIncasso_;
  if (Has(kRecessAngle)) p.recessAngle = angoloIncasso_;
  return p;
}

void HoleObject::SetShapeName(host::IShape& shape, size_t firstBlank) {
  std::string name;
  if (!isThread_) {
    // The number text keeps its leading blank: "Hole " + " 8.5" shows two blanks.
    name = firstBlank >= 1 ? shape.Name().substr(0, firstBlank) : std::string(kind_.plainPrefix);
    name += rt::NumberText(diametro_);
  } else {
    name = firstBlank >= 1 ? shape.Name().substr(0, firstBlank) + "M"
                           : std::string(kind_.threadWord) + " M";
    name += rt::TrimmedNumberText(diametro_);
    name += passoFiletto_ >= 1 ? "x" : "x0";
    name += rt::TrimmedNumberText(passoFiletto_);
  }
  shape.SetName(name);
}

void HoleObject::Create(host::IShape& objHole) {
  const std::string oldName = objHole.Name();
  const size_t blank = oldName.find(' ');
  const size_t firstBlank = blank == std::string::npos ? 0 : blank + 1;

  // A through hole's length is the part's thickness less whatever the recess takes at the top,
  // so that the bore ends exactly at the far face. The cone is measured with the radius the
  // builder drills, so the two agree.
  if (isThrough_) {
    double length = lunghezza_, threadLength = lungFiletto_;
    switch (kind_.recess) {
      case geo::Recess::None:
        break;
      case geo::Recess::Counterbore:
        length = rt::Checked(length - lungIncasso_);
        threadLength = rt::Checked(threadLength - lungIncasso_);
        break;
      case geo::Recess::Countersink:
      case geo::Recess::Counterdrill: {
        const double r = geo::BoreRadius(isThread_, diametro_, isThread_ ? passoFiletto_ : hToll_);
        const double k = geo::ConeHeight(rt::Checked(diamIncasso_ / 2), r, angoloIncasso_);
        if (kind_.recess == geo::Recess::Countersink) {
          length = rt::Checked(length - k);
          if (isThread_) threadLength = rt::Checked(threadLength - k);
        } else {
          length = rt::Checked(rt::Checked(length - k) - lungIncasso_);
          if (isThread_) threadLength = length;
        }
        break;
      }
    }
    CheckBoreFits(length, oldName);
    lunghezza_ = length;
    lungFiletto_ = threadLength;
  }

  geo::CreateHole(objHole, BuilderParams(lunghezza_, angPunta_, lungFiletto_));
  SetShapeName(objHole, firstBlank);
  SavePartData(objHole);
  std::string tag = GetClassTag();
  BindShapeToClass(objHole, tag);

  host::IPage* page = Globals().CurrentPage;
  if (!page) rt::Raise(rt::err::kObjectVariableNotSet);
  page->ClearSelectedItems();
  page->Update();
}

void HoleObject::Update(host::IShape& shape) {
  GlobalsState& g = Globals();
  g.CurrentApplication = &shape.Application();
  g.CurrentPage = &g.CurrentApplication->ActivePage();

  host::IComponent& data = shape.Components(host::comp::kHoleData).Item(1);
  if (rt::CInt(data.Value(kNumbers, kSlotThrough)) <= 0) return;

  const double d = rt::CDbl(data.Value(kNumbers, kSlotDiameter));
  const double x = rt::CDbl(data.Value(kNumbers, kSlotPitchOrAllowance));
  double recess[3] = {0, 0, 0};  // diameter, depth, angle
  if (Has(kRecessDiameter)) recess[0] = rt::CDbl(data.Value(kNumbers, RecessSlot(kRecessDiameter)));
  if (Has(kRecessDepth)) recess[1] = rt::CDbl(data.Value(kNumbers, RecessSlot(kRecessDepth)));
  if (Has(kRecessAngle)) recess[2] = rt::CDbl(data.Value(kNumbers, RecessSlot(kRecessAngle)));

  const double through = geo::GetThroughDepth(shape);
  const bool threaded = rt::CInt(data.Value(kNumbers, kSlotThread)) != 0;

  double length = through;
  switch (kind_.recess) {
    case geo::Recess::None:
      break;
    case geo::Recess::Counterbore:
      length = rt::Checked(through - recess[1]);
      break;
    case geo::Recess::Countersink:
    case geo::Recess::Counterdrill: {
      const double r = geo::BoreRadius(threaded, d, x);
      const double k = geo::ConeHeight(rt::Checked(recess[0] / 2), r, recess[2]);
      length = kind_.recess == geo::Recess::Countersink
                   ? rt::Checked(through - k)
                   : rt::Checked(through - rt::Checked(k + recess[1]));
      break;
    }
  }

  CheckBoreFits(length, shape.Name());

  geo::HoleParams p;
  p.recess = kind_.recess;
  p.threaded = threaded;
  p.diameter = d;
  p.length = length;
  p.pointAngle = 0;
  if (threaded) {
    p.threadLength = length;
    p.pitch = x;
  } else {
    p.allowance = x;
  }
  p.recessDiameter = recess[0];
  p.recessDepth = recess[1];
  p.recessAngle = recess[2];
  geo::CreateHole(shape, p);

  data.SetValue(kNumbers, kSlotLength, length);
}

void HoleObject::DblClick(host::IShape& objPart, int32_t& /*x*/, int32_t& /*y*/) {
  const EditHoleHandler& edit = EditHandler();
  if (!edit) rt::Raise(rt::err::kInvalidCall, "No hole editor is installed to edit this hole");
  edit(objPart, kind_.type);
}

void HoleSimple::UpdateNew(host::IShape& /*shape*/) {}

std::unique_ptr<HoleObject> MakeHole(int16_t holeType) {
  switch (holeType) {
    case 1:
      return std::make_unique<HoleSimple>();
    case 2:
      return std::make_unique<HoleCBore>();
    case 3:
      return std::make_unique<HoleCSink>();
    case 4:
      return std::make_unique<HoleCDrill>();
    default:
      rt::Raise(rt::err::kInvalidCall);
  }
}

}  // namespace cavix::holes
