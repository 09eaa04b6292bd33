// The four hole classes: what turns a hole specification into a hole shape, stores it on the
// shape, regenerates it, and reports its thread to drawings. One base, parameterised by the
// kind's row of the hole-kind table; the classes differ only in their row.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "hole_objects/hole_kinds.h"
#include "hole_objects/hole_spec.h"
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

  // What a double click on a shape bound to this class opens (nothing installed: error 5).
  void SetEditHandler(EditHoleHandler edit) { edit_ = std::move(edit); }

  // Turns `shape` into the hole `spec` describes (a spec of this class's kind; a through hole's
  // lengths as ThroughAt gives them): builds the profile, names the shape, stores the spec and
  // binds the class, then clears the selection of the shape's page and updates it. A spec that
  // makes no hole is refused (5) before the shape is touched; host and floating-point errors end
  // it at the step that failed.
  void Create(host::IShape& shape, const HoleSpec& spec);

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

 protected:
  explicit HoleObject(const HoleKind& kind) : kind_(kind), drawn_(SpecOfKind(kind)) {}

 private:
  // The thread loader: what drawings are told about the shape last initialised (bore and point
  // are never loaded: a hole made by the host reports 0 for them).
  bool LoadThreadData(host::IShape& shape);
  // A model length as drawings report it, on the page of the shape last initialised.
  double ForDrawing(double value);

  const HoleKind& kind_;
  EditHoleHandler edit_;
  HoleSpec drawn_;                  // as the thread loader read it
  int32_t projectionFlags_ = 0;     // the stored thread flag, once loaded
  host::IPage* page_ = nullptr;     // of the shape drawings asked about (Initialize)
};

class HoleSimple final : public HoleObject {
 public:
  HoleSimple() : HoleObject(kHoleKinds[0]) {}
};

class HoleCBore final : public HoleObject {
 public:
  HoleCBore() : HoleObject(kHoleKinds[1]) {}
};

class HoleCSink final : public HoleObject {
 public:
  HoleCSink() : HoleObject(kHoleKinds[2]) {}
};

class HoleCDrill final : public HoleObject {
 public:
  HoleCDrill() : HoleObject(kHoleKinds[3]) {}
};

// A new hole object of the class of `kind` (a row of kHoleKinds).
std::unique_ptr<HoleObject> MakeHole(const HoleKind& kind);

// Binds `objHole` to a class: variables 3 and 4 of the first component of collection 25 take the
// long 5, variable 1 of the first component of collection 43 the class tag. Components are
// created when missing and reused otherwise.
void BindShapeToClass(host::IShape& objHole, std::string& tag);

}  // namespace cavix::holes
