// The four hole classes: a bag of hole parameters plus what turns them into a hole shape, stores
// them on it, regenerates it, and reports its thread to drawings. One base, parameterised by the
// kind's row of the hole-kind table; the classes differ only in their row and which recess
// properties they publish.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "hole_objects/hole_kinds.h"
#include "hole_objects/hole_record.h"
#include "host/services.h"

namespace cavix::holes {

// The edit entry a double click hands a hole shape to, with the hole type code of the class the
// shape is bound to. The layer that owns the dialog gives it to the classes it registers.
using EditHoleHandler = std::function<void(host::IShape& shape, int16_t holeType)>;

class HoleObject : public host::IAutomationObject,
                   public host::IShapeEvents,
                   public host::IProjectedThreads {
 public:
  const HoleKind& Kind() const { return kind_; }

  // ---- Parameters: plain stored fields, no checks, no rounding (mm and degrees). ----
  double Diametro() const { return diametro_; }
  void SetDiametro(const double& diam) { diametro_ = diam; }
  double Lunghezza() const { return lunghezza_; }
  void SetLunghezza(const double& lung) { lunghezza_ = lung; }
  double LungFiletto() const { return lungFiletto_; }
  void SetLungFiletto(const double& lung) { lungFiletto_ = lung; }
  double passoFiletto() const { return passoFiletto_; }
  void SetpassoFiletto(const double& passo) { passoFiletto_ = passo; }
  double angPunta() const { return angPunta_; }
  void SetangPunta(const double& angle) { angPunta_ = angle; }
  double HToll() const { return hToll_; }
  void SetHToll(const double& Toll) { hToll_ = Toll; }
  bool isThread() const { return isThread_; }
  void SetisThread(bool bflag) { isThread_ = bflag; }
  bool isThrough() const { return isThrough_; }
  void SetisThrough(bool bflag) { isThrough_ = bflag; }
  std::string Normativa() const { return normativa_; }
  void SetNormativa(const std::string& NormName) { normativa_ = NormName; }
  std::string Codice() const { return codice_; }
  void SetCodice(const std::string& Code) { codice_ = Code; }
  std::string FileData() const { return fileData_; }
  void SetFileData(const std::string& file) { fileData_ = file; }
  int32_t TransferFlags() const { return transferFlags_; }
  void SetTransferFlags(const int32_t& Flags) { transferFlags_ = Flags; }
  // The standards family the dialog showed when it made the hole (stored with it).
  int16_t StandardsTab() const { return standardsTab_; }
  void SetStandardsTab(int16_t tab) { standardsTab_ = tab; }

  // Sets the recess properties this kind has and ignores the others, so that a caller holding
  // a hole of any kind can hand over every recess value of the dialog.
  void SetRecess(double diam, double depth, double angle);

  // What a double click on a shape bound to this class opens (nothing installed: error 5).
  void SetEditHandler(EditHoleHandler edit) { edit_ = std::move(edit); }

  // A new object of the same class with the same parameters.
  std::unique_ptr<HoleObject> Clone() const;

  // ---- Operations ----
  // Turns `objHole` into the hole these parameters describe: corrects the length of a through
  // hole, builds the profile, names the shape, stores the parameters and binds the class, then
  // clears the selection of the shape's page and updates it. Host and floating-point errors end
  // it at the step that failed.
  void Create(host::IShape& objHole);
  // Reads the stored parameters of a hole shape into `stored` (recess slots as far as this class
  // has them); a shape without them leaves it unchanged and answers false.
  bool GetPartData(host::IShape& objShape, HoleRecord& stored);
  // The record these parameters make on a shape.
  HoleRecord Record() const;
  // What Create builds from these parameters (a through hole's lengths corrected for its recess).
  // Raises the numbered error of a floating-point fault.
  geo::HoleParams BuiltParams() const;

  // Host events of a bound shape.
  void DblClick(host::IShape& objPart, int32_t& x, int32_t& y) override;
  // Rebuilds a through hole to the part's current thickness along its axis; blind holes stay.
  // Stored values that make no hole raise 5 saying why, blind or through.
  void Update(host::IShape& shape) override;

  // ---- What drawings ask (the host's projected-thread interface) ----
  std::string Callout() override;
  bool GetHoleInformation(bool bWantAnglesInDegrees, bool& bHoleDepthIsFinite, double& dHoleDepth,
                          double& dCounterboreDepth, double& dCounterboreDiameter,
                          double& dCountersinkDiameter, double& dCountersinkAngle,
                          double& dBottomAngle) override;
  int32_t HoleInformationFlags() override;
  int32_t ProjectionFlags() override;
  bool Initialize(host::IShape& shape) override;
  bool GetDiameters(double& InnerDiameter, double& OuterDiameter) override;
  bool GetTaperFromMajorDiameter(double& angle) override;
  bool GetPositionInformation(double& Length, double& OffsetDistance) override;
  bool GetThreadDirection(double& VecX, double& VecY, double& VecZ) override;
  bool GetIsHole(bool& IsHole) override;
  bool GetTaperProjection(bool& TaperProjection) override;
  bool GetProjectedThreadInformation(host::IShape& shape, double& InnerDiameter,
                                     double& OuterDiameter, double& TaperAngle,
                                     double& ThreadLength, double& OffsetDistance, double& VecX,
                                     double& VecY, double& VecZ, bool& IsHole,
                                     bool& TaperProjection) override;

  // The same members under the names of the class's own dispatch interface; same code.
  bool IC2DProjectedThreads_GetHoleInformation(bool bWantAnglesInDegrees, bool& bHoleDepthIsFinite,
                                               double& dHoleDepth, double& dCounterboreDepth,
                                               double& dCounterboreDiameter,
                                               double& dCountersinkDiameter,
                                               double& dCountersinkAngle, double& dBottomAngle) {
    return GetHoleInformation(bWantAnglesInDegrees, bHoleDepthIsFinite, dHoleDepth,
                              dCounterboreDepth, dCounterboreDiameter, dCountersinkDiameter,
                              dCountersinkAngle, dBottomAngle);
  }
  int32_t IC2DProjectedThreads_HoleInformationFlags() { return HoleInformationFlags(); }
  bool IC2DProjectedThreads_Initialize(host::IShape& shape) { return Initialize(shape); }
  std::string IC2DProjectedThreads_Callout() { return Callout(); }
  bool IC2DProjectedThreads_GetDiameters(double& InnerDiameter, double& OuterDiameter) {
    return GetDiameters(InnerDiameter, OuterDiameter);
  }
  bool IC2DProjectedThreads_GetIsHole(bool& IsHole) { return GetIsHole(IsHole); }
  bool IC2DProjectedThreads_GetPositionInformation(double& Length, double& OffsetDistance) {
    return GetPositionInformation(Length, OffsetDistance);
  }
  bool IC2DProjectedThreads_GetProjectedThreadInformation(
      host::IShape& shape, double& InnerDiameter, double& OuterDiameter, double& TaperAngle,
      double& ThreadLength, double& OffsetDistance, double& VecX, double& VecY, double& VecZ,
      bool& IsHole, bool& TaperProjection) {
    return GetProjectedThreadInformation(shape, InnerDiameter, OuterDiameter, TaperAngle,
                                         ThreadLength, OffsetDistance, VecX, VecY, VecZ, IsHole,
                                         TaperProjection);
  }
  bool IC2DProjectedThreads_GetTaperFromMajorDiameter(double& angle) {
    return GetTaperFromMajorDiameter(angle);
  }
  bool IC2DProjectedThreads_GetTaperProjection(bool& TaperProjection) {
    return GetTaperProjection(TaperProjection);
  }
  bool IC2DProjectedThreads_GetThreadDirection(double& VecX, double& VecY, double& VecZ) {
    return GetThreadDirection(VecX, VecY, VecZ);
  }
  int32_t IC2DProjectedThreads_ProjectionFlags() { return ProjectionFlags(); }

 protected:
  explicit HoleObject(const HoleKind& kind) : kind_(kind) {}

  // Recess properties; each class publishes the ones it has.
  double DiamIncasso() const { return diamIncasso_; }
  void SetDiamIncasso(const double& diam) { diamIncasso_ = diam; }
  double LungIncasso() const { return lungIncasso_; }
  void SetLungIncasso(const double& lung) { lungIncasso_ = lung; }
  double AngoloIncasso() const { return angoloIncasso_; }
  void SetAngoloIncasso(const double& lung) { angoloIncasso_ = lung; }

 private:
  bool Has(RecessProp p) const { return (kind_.recessProps & p) != 0; }
  double& RecessField(RecessProp p);
  geo::HoleParams BuilderParams(double length, double pointAngle, double threadLength) const;
  void ThroughLengths(double& length, double& threadLength) const;
  void SetShapeName(host::IShape& shape, size_t firstBlank);

  // Stored record on the shape (collection 34) and the class binding.
  void SavePartData(host::IShape& objShape);
  bool LoadThreadData(host::IShape& shape);
  std::string GetClassTag(host::IServiceFactory& services);
  // A model length as drawings report it, on the page of the shape last initialised.
  double ForDrawing(double value);

  const HoleKind& kind_;
  double diametro_ = 0;
  double lunghezza_ = 0;
  double lungFiletto_ = 0;
  double passoFiletto_ = 0;
  double angPunta_ = 0;
  double hToll_ = 0;
  double diamIncasso_ = 0;
  double lungIncasso_ = 0;
  double angoloIncasso_ = 0;
  bool isThread_ = false;
  bool isThrough_ = false;
  std::string normativa_;
  std::string codice_;
  std::string fileData_;
  int32_t transferFlags_ = 0;
  int16_t standardsTab_ = 0;
  std::string callout_;  // never set; reported empty to drawings
  EditHoleHandler edit_;
  host::IPage* page_ = nullptr;  // of the shape drawings asked about (Initialize)
};

class HoleSimple final : public HoleObject {
 public:
  HoleSimple() : HoleObject(kHoleKinds[0]) {}
  // Kept for the host's interface of plain holes; does nothing.
  void UpdateNew(host::IShape& shape);
};

class HoleCBore final : public HoleObject {
 public:
  HoleCBore() : HoleObject(kHoleKinds[1]) {}
  using HoleObject::DiamIncasso;
  using HoleObject::LungIncasso;
  using HoleObject::SetDiamIncasso;
  using HoleObject::SetLungIncasso;
};

class HoleCSink final : public HoleObject {
 public:
  HoleCSink() : HoleObject(kHoleKinds[2]) {}
  using HoleObject::AngoloIncasso;
  using HoleObject::DiamIncasso;
  using HoleObject::SetAngoloIncasso;
  using HoleObject::SetDiamIncasso;
};

class HoleCDrill final : public HoleObject {
 public:
  HoleCDrill() : HoleObject(kHoleKinds[3]) {}
  using HoleObject::AngoloIncasso;
  using HoleObject::DiamIncasso;
  using HoleObject::LungIncasso;
  using HoleObject::SetAngoloIncasso;
  using HoleObject::SetDiamIncasso;
  using HoleObject::SetLungIncasso;
};

// A new hole object of a hole type code (1..4); raises 5 for any other code.
std::unique_ptr<HoleObject> MakeHole(int16_t holeType);

}  // namespace cavix::holes
