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

  // A through hole's length is the part's thickness less the recess the builder draws above the
  // bore, so that the bore ends exactly at the far face.
  if (isThrough_) {
    const geo::HoleParams p = BuilderParams(lunghezza_, angPunta_, lungFiletto_);
    const double recess = geo::RecessBottom(p, geo::ComputeSizes(p));
    const double length = rt::Checked(lunghezza_ - recess);
    double threadLength = lungFiletto_;
    if (kind_.recess == geo::Recess::Counterdrill) {
      if (isThread_) threadLength = length;  // the thread runs the whole bore
    } else if (isThread_ || kind_.recess == geo::Recess::Counterbore) {
      threadLength = rt::Checked(lungFiletto_ - recess);
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

  auto number = [&](int16_t slot) { return rt::CDbl(data.Value(kNumbers, slot)); };
  geo::HoleParams p;
  p.recess = kind_.recess;
  p.diameter = number(kSlotDiameter);
  const double pitchOrAllowance = number(kSlotPitchOrAllowance);
  if (Has(kRecessDiameter)) p.recessDiameter = number(RecessSlot(kRecessDiameter));
  if (Has(kRecessDepth)) p.recessDepth = number(RecessSlot(kRecessDepth));
  if (Has(kRecessAngle)) p.recessAngle = number(RecessSlot(kRecessAngle));

  const double through = geo::GetThroughDepth(shape);
  const bool threaded = rt::CInt(data.Value(kNumbers, kSlotThread)) != 0;
  p.threaded = threaded;
  (threaded ? p.pitch : p.allowance) = pitchOrAllowance;
  p.pointAngle = 0;  // a regenerated through hole ends flat at the far face
  const double length = rt::Checked(through - geo::RecessBottom(p, geo::ComputeSizes(p)));
  CheckBoreFits(length, shape.Name());

  p.length = length;
  if (threaded) p.threadLength = length;
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
