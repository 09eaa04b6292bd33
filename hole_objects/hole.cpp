// Creating, regenerating and double-clicking holes.
#include "hole_objects/hole.h"

#include "geometry/create_holes.h"
#include "geometry/units.h"
#include "hole_objects/utils.h"
#include "runtime/error.h"
#include "runtime/fp.h"
#include "runtime/number_text.h"

namespace cavix::holes {

namespace {

constexpr int16_t kSlotLength = 11;  // the one slot regeneration rewrites

// A through hole whose recess alone is deeper than the part would need a bore of negative
// length, which no profile can show; refuse it before the shape is touched.
void CheckBoreFits(double length, const std::string& shapeName) {
  if (length < 0)
    rt::Raise(rt::err::kInvalidCall,
              "The recess of through hole \"" + shapeName + "\" is deeper than the part is thick");
}

// Nothing that is not a hole reaches the shape: its outline must go down from the face.
void CheckIsAHole(const geo::HoleParams& p, const std::string& shapeName) {
  const geo::HoleCheck check = geo::CheckHole(p);
  if (!check.Sound())
    rt::Raise(rt::err::kInvalidCall,
              "\"" + shapeName + "\" would not be a hole: " + check.problem);
}

}  // namespace

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

std::unique_ptr<HoleObject> HoleObject::Clone() const {
  std::unique_ptr<HoleObject> h = MakeHole(kind_.type);
  h->diametro_ = diametro_;
  h->lunghezza_ = lunghezza_;
  h->lungFiletto_ = lungFiletto_;
  h->passoFiletto_ = passoFiletto_;
  h->angPunta_ = angPunta_;
  h->hToll_ = hToll_;
  h->diamIncasso_ = diamIncasso_;
  h->lungIncasso_ = lungIncasso_;
  h->angoloIncasso_ = angoloIncasso_;
  h->isThread_ = isThread_;
  h->isThrough_ = isThrough_;
  h->normativa_ = normativa_;
  h->codice_ = codice_;
  h->fileData_ = fileData_;
  h->transferFlags_ = transferFlags_;
  h->standardsTab_ = standardsTab_;
  h->edit_ = edit_;
  return h;
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

void HoleObject::ThroughLengths(double& length, double& threadLength) const {
  // A through hole's length is the part's thickness less the recess the builder draws above the
  // bore, so that the bore ends exactly at the far face.
  const geo::HoleParams p = BuilderParams(lunghezza_, angPunta_, lungFiletto_);
  const double recess = geo::RecessBottom(p, geo::ComputeSizes(p));
  length = rt::Checked(lunghezza_ - recess);
  threadLength = lungFiletto_;
  if (kind_.recess == geo::Recess::Counterdrill) {
    if (isThread_) threadLength = length;  // the thread runs the whole bore
  } else if (isThread_ || kind_.recess == geo::Recess::Counterbore) {
    threadLength = rt::Checked(lungFiletto_ - recess);
  }
}

geo::HoleParams HoleObject::BuiltParams() const {
  if (!isThrough_) return BuilderParams(lunghezza_, angPunta_, lungFiletto_);
  double length = 0, threadLength = 0;
  ThroughLengths(length, threadLength);
  return BuilderParams(length, angPunta_, threadLength);
}

void HoleObject::Create(host::IShape& objHole) {
  const std::string oldName = objHole.Name();
  const size_t blank = oldName.find(' ');
  const size_t firstBlank = blank == std::string::npos ? 0 : blank + 1;

  if (isThrough_) {
    double length = 0, threadLength = 0;
    ThroughLengths(length, threadLength);
    CheckBoreFits(length, oldName);
    lunghezza_ = length;
    lungFiletto_ = threadLength;
  }

  const geo::HoleParams params = BuilderParams(lunghezza_, angPunta_, lungFiletto_);
  CheckIsAHole(params, oldName);
  geo::CreateHole(objHole, params);
  SetShapeName(objHole, firstBlank);
  SavePartData(objHole);
  std::string tag = GetClassTag(objHole.Application().Services());
  BindShapeToClass(objHole, tag);

  host::IPage& page = objHole.Page();
  page.ClearSelectedItems();
  page.Update();
}

void HoleObject::Update(host::IShape& shape) {
  host::IComponent& data = shape.Components(host::comp::kHoleData).Item(1);
  const HoleRecord r = DecodeHoleRecord(data, kind_);
  if (r.throughFlag <= 0) {
    // A blind hole keeps its outline; one whose stored values make no hole is not passed as
    // rebuilt while it shows an outline they no longer describe.
    if (const std::string problem = ProblemOf(r, kind_); !problem.empty())
      rt::Raise(rt::err::kInvalidCall, "\"" + shape.Name() + "\" is not a hole: " + problem);
    return;
  }

  geo::HoleParams p;
  p.recess = kind_.recess;
  p.diameter = r.diameter;
  if (Has(kRecessDiameter)) p.recessDiameter = r.recessDiameter;
  if (Has(kRecessDepth)) p.recessDepth = r.counterboreDepth;
  if (Has(kRecessAngle)) p.recessAngle = r.countersinkAngle;

  const double through = geo::GetThroughDepth(shape);
  p.threaded = r.Threaded();
  (p.threaded ? p.pitch : p.allowance) = r.pitchOrAllowance;
  p.pointAngle = 0;  // a regenerated through hole ends flat at the far face
  const double length = rt::Checked(through - geo::RecessBottom(p, geo::ComputeSizes(p)));
  CheckBoreFits(length, shape.Name());

  p.length = length;
  if (p.threaded) p.threadLength = length;
  CheckIsAHole(p, shape.Name());
  geo::CreateHole(shape, p);

  data.SetValue(kNumberGroup, kSlotLength, length);
}

void HoleObject::DblClick(host::IShape& objPart, int32_t& /*x*/, int32_t& /*y*/) {
  if (!edit_) rt::Raise(rt::err::kInvalidCall, "No hole editor is installed to edit this hole");
  edit_(objPart, kind_.type);
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
