// The process-wide dialog state that carries a drop or an edit through the dialog to the hole,
// and the configured paths kept with it. One dialog exists at a time; the state outlives it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace cavix::host {
class IShape;
class IPage;
class IApplication;
}  // namespace cavix::host

namespace cavix {

// The stored parameters of an edited hole, as GetPartData reads them from its shape.
struct StoredParams {
  int16_t holeType = 0;        // number slot 1
  int16_t standardsTab = 0;    // number slot 5
  int16_t threadFlag = 0;      // number slot 6 (1 or 0)
  int16_t throughFlag = 0;     // number slot 7 (1 or 0)
  double drillAngle = 0;       // number slot 8
  double length = 0;           // number slot 11
  double pitch = 0;            // number slot 12 (HToll of an unthreaded hole)
  double lengthAfterThread = 0;  // slot 9 - slot 11, or -1 when negative
  std::string standard;        // text slot 13
  std::string sizeCode;        // text slot 14
  double recessDiameter = 0;   // number slot 16
  double counterboreDepth = 0; // number slot 17
  double countersinkAngle = 0; // number slot 18
};

struct GlobalsState {
  bool EditMode = false;
  int16_t HoleType = 1;
  host::IShape* TargetShape = nullptr;
  host::IPage* CurrentPage = nullptr;
  host::IApplication* CurrentApplication = nullptr;
  double ThroughDepth = 0;
  int16_t StandardsTab = 0;
  int16_t LanguageBase = 2000;
  std::string DataDir;
  std::array<double, 21> SizeRow{};
  StoredParams Stored;

  // Configured paths, recomputed from the registry at each use.
  std::string ApplDir;
  std::string StandardsDir;
  std::string IniFile;
  std::string PrefsFile;
};

// The one process-wide state.
GlobalsState& Globals();
// Back to the state of a freshly loaded add-in (tests, and a scene that closes a model).
void ResetGlobals();

}  // namespace cavix
