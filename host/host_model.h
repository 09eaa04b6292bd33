// The host's automation object model as the hole logic sees it: application, pages, parts,
// shapes, numbered components with variables, revolved profiles, surface finishes, catalogs.
// Members keep the host's names and argument order; a member an object does not support raises
// error 438, as a late-bound call would.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/axis_material.h"
#include "runtime/variant.h"

namespace cavix::host {

using rt::Variant;

class IApplication;
class IPage;
class IPart;
class IShape;
class IComponent;
class IProfile;
class ISurfaceFinish;
class ICatalog;
class IServiceFactory;

// Component type numbers the hole logic uses.
namespace comp {
inline constexpr int32_t kShapeSize = 1;
inline constexpr int32_t kChain = 3;
inline constexpr int32_t kProfileSize = 4;
inline constexpr int32_t kRebuildFlags = 14;
inline constexpr int32_t kRevolve = 15;
inline constexpr int32_t kPartShapes = 23;
inline constexpr int32_t kEventSettings = 25;
inline constexpr int32_t kSurface = 27;
inline constexpr int32_t kHoleData = 34;
inline constexpr int32_t kHandler = 43;
}  // namespace comp

// A collection of components of one type on one object; items count from 1.
class IComponents {
 public:
  virtual ~IComponents() = default;
  virtual int32_t Count() const = 0;
  // Raises 9 "Subscript out of range" for an index outside 1..Count.
  virtual IComponent& Item(int16_t index) = 0;
  virtual IComponent& Add() = 0;
  // Removes a member of this collection; raises 5 when it is not one.
  virtual void Remove(IComponent& member) = 0;
};

// A collection of shapes (the shapes of a part, the selected items of a page); items count from 1.
class IShapes {
 public:
  virtual ~IShapes() = default;
  virtual int32_t Count() const = 0;
  virtual IShape& Item(int32_t index) = 0;
};

// Anything that carries components: shapes, parts, profiles.
class IComponentHolder {
 public:
  virtual ~IComponentHolder() = default;
  virtual IComponents& Components(int32_t type) = 0;
};

// A component: numbered variables (single index, or group and slot), and the members of its kind.
// An unwritten variable reads as empty.
class IComponent {
 public:
  virtual ~IComponent() = default;
  virtual int32_t Type() const = 0;

  virtual Variant Value(int32_t index) const = 0;                 // Variable(index).Value
  virtual void SetValue(int32_t index, const Variant& v) = 0;     // Variable(index).Value = v
  virtual Variant Value(int32_t group, int16_t slot) const = 0;   // Variable(group, slot).Value
  virtual void SetValue(int32_t group, int16_t slot, const Variant& v) = 0;

  // Revolved feature (type 15): its cross-section profile.
  virtual IProfile& Profile();
  // Chain (type 3): the polyline of a profile.
  virtual void SetStartPoint(const Variant& x, const Variant& y);
  virtual void AddLineTo(const Variant& x, const Variant& y);
  // Surface holder (type 27): the finish at a point of the shape (x, y, z in model units).
  virtual ISurfaceFinish& SurfaceFinish(double& x, double& y, double& z, int16_t a, int16_t b,
                                        int16_t c);
  // Part shape list (type 23): the shapes of the part.
  virtual IShapes& Shapes();
};

class IProfile : public IComponentHolder {};

// A surface finish: texture and projection of a face.
class ISurfaceFinish {
 public:
  virtual ~ISurfaceFinish() = default;
  virtual void SetTextureFile(const std::string& path) = 0;
  virtual void SetProjectionType(int16_t index, const Variant& v) = 0;
  virtual void SetVerticalRatio(int16_t index, const Variant& v) = 0;
  virtual void SetHorizontalRatio(int16_t index, const Variant& v) = 0;
  virtual void SetProjectionWidth(int16_t index, const Variant& v) = 0;
  virtual void SetProjectionHeight(int16_t index, const Variant& v) = 0;
  virtual void SetFlip(int16_t index, const Variant& v) = 0;
  virtual void SetUpDirection(int16_t index, double& nx, double& ny, double& nz) = 0;
};

class IShape : public IComponentHolder {
 public:
  virtual std::string Name() const = 0;
  virtual void SetName(const std::string& name) = 0;
  virtual IApplication& Application() = 0;
  virtual IPage& Page() = 0;
  // The part that holds the shape; raises 91 when the shape has none.
  virtual IPart& Parent() = 0;
  virtual void GetNormal(double& nx, double& ny, double& nz) = 0;
  virtual void Update() = 0;
  virtual void ResetSizeBox() = 0;
  // The part's material along the shape's axis from its position, measured on the part's own
  // solid; none when the host has no measure of it or the part is a block, whose size is its
  // measure (the hole logic then goes by the part's size).
  virtual std::optional<AxisMaterial> MaterialAlongAxis() { return std::nullopt; }
};

class IPart : public IComponentHolder {};

class ICatalogEntry {
 public:
  virtual ~ICatalogEntry() = default;
  virtual void SetLabel(const std::string& label) = 0;
};

class ICatalogEntries {
 public:
  virtual ~ICatalogEntries() = default;
  // A new entry for the item.
  virtual ICatalogEntry& Add(IShape& item) = 0;
};

class ICatalog {
 public:
  virtual ~ICatalog() = default;
  virtual std::string Name() const = 0;
  virtual ICatalogEntries& Entries() = 0;
};

// The open catalogs.
class ICatalogs {
 public:
  virtual ~ICatalogs() = default;
  virtual int32_t Count() const = 0;
  // Raises 9 "Subscript out of range" for an index outside 1..Count.
  virtual ICatalog& Item(int32_t index) = 0;
};

class IPage {
 public:
  virtual ~IPage() = default;
  virtual IApplication& Application() = 0;
  virtual void ClearSelectedItems() = 0;
  virtual void Update() = 0;
  virtual IShapes& SelectedItems(int32_t kind) = 0;
  // 0 when lengths are millimetres.
  virtual Variant UnitsEx(int32_t kind) = 0;
};

class IApplication {
 public:
  virtual ~IApplication() = default;
  virtual IPage& ActivePage() = 0;
  virtual Variant DialogPrecision() = 0;
  virtual ICatalogs& Catalogs() = 0;
  // Where the host's utility objects are created (services.h); raises 429 "ActiveX component
  // can't create object" when the host offers none.
  virtual IServiceFactory& Services() = 0;
};

}  // namespace cavix::host
