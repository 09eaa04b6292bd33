// Two hole solids against each other: their common volume.
#include "part_solid/hole_meeting.h"

#include <BRepAlgoAPI_Common.hxx>
#include <Standard_Failure.hxx>
#include <string>
#include <vector>

#include "export/occ_kernel.h"
#include "export/occ_part.h"

namespace cavix::partsolid {

bool HoleSolidsMeet(const exporter::HoleSolidInput& a, const exporter::HoleSolidInput& b,
                    double toleranceMm) {
  exporter::QuietKernelMessages();
  try {
    std::vector<std::string> warnings;
    const std::vector<TopoDS_Shape> ta = exporter::MakeHoleTools(a, exporter::HoleIndex(0), warnings);
    const std::vector<TopoDS_Shape> tb = exporter::MakeHoleTools(b, exporter::HoleIndex(1), warnings);
    for (const TopoDS_Shape& sa : ta)
      for (const TopoDS_Shape& sb : tb) {
        BRepAlgoAPI_Common common(sa, sb);
        if (common.IsDone() &&
            exporter::SolidVolume(common.Shape()) > toleranceMm * toleranceMm * toleranceMm)
          return true;
      }
  } catch (const Standard_Failure&) {
  } catch (const exporter::ExportError&) {
  }
  return false;
}

}  // namespace cavix::partsolid
