// The host's utility objects, each created for one call and released at once, and the classes the
// host creates by programmatic identifier (the add-in's own, registered with the host).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/host_model.h"

namespace cavix::host {

// Converts a length between two unit codes of the host (4 inch; 1, 2, 7, 11 millimetre).
class IUnitsService {
 public:
  virtual ~IUnitsService() = default;
  virtual double Convert(IPage* page, double& value, int32_t& from, int32_t& to) = 0;
};

// Registry reader: one string value, or "" when the key or value is missing; and a file test.
class IRegistryReader {
 public:
  virtual ~IRegistryReader() = default;
  virtual void ReadString(int32_t root, std::string& key, std::string& name, std::string& value,
                          int32_t& status) = 0;
  virtual void FileExists(std::string& path, bool& exists) = 0;
};

// Host settings reader: select a section, read keys of it, end the selection.
class ISettingsReader {
 public:
  virtual ~ISettingsReader() = default;
  virtual void SelectSection(std::string& section, bool& found) = 0;
  virtual void ReadKey(std::string& key, std::string& value, bool& found) = 0;
  virtual void EndSection() = 0;
};

class IClassTagService {
 public:
  virtual ~IClassTagService() = default;
  virtual std::string ProgIdToClassTag(std::string& progId, int32_t& reserved) = 0;
};

class IShapeDiscardService {
 public:
  virtual ~IShapeDiscardService() = default;
  virtual void ShapeDiscard(IShape& shape) = 0;
};

// The current user's own folders for the add-in, as the platform names them: `config` for what the
// add-in writes for this user (the dialog's preferences), `data` for what the user adds (standards
// families). Both empty when the platform knows no user folder: the add-in then keeps to its
// application folder.
struct UserFolders {
  std::string config;
  std::string data;
};

// Creates the utility objects, each for one call; the application hands out its host's factory.
class IServiceFactory {
 public:
  virtual ~IServiceFactory() = default;
  virtual UserFolders CurrentUserFolders() { return {}; }
  virtual std::unique_ptr<IUnitsService> CreateUnitsService() = 0;
  virtual std::unique_ptr<IRegistryReader> CreateRegistryReader() = 0;
  virtual std::unique_ptr<ISettingsReader> CreateSettingsReader() = 0;
  virtual std::unique_ptr<IClassTagService> CreateClassTagService() = 0;
  virtual std::unique_ptr<IShapeDiscardService> CreateShapeDiscardService() = 0;
};

// ---- Classes the host creates and calls ----

// Any object the host creates by programmatic identifier.
class IAutomationObject {
 public:
  virtual ~IAutomationObject() = default;
};

// A class bound to a shape: the host calls these on a double click and on regeneration.
class IShapeEvents {
 public:
  virtual ~IShapeEvents() = default;
  virtual void DblClick(IShape& shape, int32_t& x, int32_t& y) = 0;
  virtual void Update(IShape& shape) = 0;
};

// A catalog item's drop handler.
class IDropHandler {
 public:
  virtual ~IDropHandler() = default;
  virtual void Drop(IShape& shape, int32_t& x, int32_t& y) = 0;
  // The item dropped on several places at once (a pattern): the shapes of one drop.
  virtual void DropPattern(std::vector<IShape*>& shapes) = 0;
  virtual void AssignEvent(IApplication& application) = 0;
};

// What a drawing view asks a shape for its thread (the host's projected-thread interface).
class IProjectedThreads {
 public:
  virtual ~IProjectedThreads() = default;
  virtual std::string Callout() = 0;
  virtual bool GetHoleInformation(bool bWantAnglesInDegrees, bool& bHoleDepthIsFinite,
                                  double& dHoleDepth, double& dCounterboreDepth,
                                  double& dCounterboreDiameter, double& dCountersinkDiameter,
                                  double& dCountersinkAngle, double& dBottomAngle) = 0;
  virtual int32_t HoleInformationFlags() = 0;
  virtual int32_t ProjectionFlags() = 0;
  virtual bool Initialize(IShape& shape) = 0;
  virtual bool GetDiameters(double& InnerDiameter, double& OuterDiameter) = 0;
  virtual bool GetTaperFromMajorDiameter(double& angle) = 0;
  virtual bool GetPositionInformation(double& Length, double& OffsetDistance) = 0;
  virtual bool GetThreadDirection(double& VecX, double& VecY, double& VecZ) = 0;
  virtual bool GetIsHole(bool& IsHole) = 0;
  virtual bool GetTaperProjection(bool& TaperProjection) = 0;
  virtual bool GetProjectedThreadInformation(IShape& shape, double& InnerDiameter, double& OuterDiameter,
                                             double& TaperAngle, double& ThreadLength,
                                             double& OffsetDistance, double& VecX, double& VecY,
                                             double& VecZ, bool& IsHole,
                                             bool& TaperProjection) = 0;
};

// One class of the add-in's component library.
struct ClassInfo {
  std::string progId;  // "Cavix.HoleSimple"
  std::string classId; // "{88D03352-D7EE-11D4-85A2-00E08110F9CF}"
  std::function<std::unique_ptr<IAutomationObject>()> create;
};

}  // namespace cavix::host
