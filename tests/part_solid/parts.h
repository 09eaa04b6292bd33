// Parts for the host window's tests: grids of counterbored holes on a block, and an L-shaped
// bracket made with Open CASCADE and written to a STEP file, as a user's CAD program would.
#pragma once

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <STEPControl_Writer.hxx>
#include <cmath>
#include <regex>
#include <string>
#include <utility>

#include "export/export.h"

namespace cavix::testing {

// An ISO 4762 M6 counterbore (11 x 6.4) over a 6.6 bore 15 deep with a 118 degree point.
inline exporter::ProfileChain M6Counterbore(double scale = 1) {
  const double r = 3.3 * scale, l = 15 * scale, lc = 6.4 * scale;
  const double h = r / std::tan(59 * M_PI / 180);
  const double rc = 5.5 * scale;
  return {{0, 0}, {rc, 0}, {rc, -lc}, {r, -lc}, {r, -(l + lc)}, {0, -(l + lc + h)}, {0, 0}};
}

inline exporter::HoleSolidInput Hole(std::array<double, 3> at, std::array<double, 3> axis,
                                     double scale = 1) {
  exporter::HoleSolidInput h;
  h.chains = {M6Counterbore(scale)}, h.position = at, h.normal = axis;
  return h;
}

// `count` holes `pitch` apart in rows of `columns` on the top face of a 30 mm block just large
// enough; a pitch under 11 mm makes neighbours' counterbores meet.
inline exporter::PartInput Grid(int count, int columns, double pitch) {
  exporter::PartInput part;
  const int rows = (count + columns - 1) / columns;
  part.block = {pitch * columns + 10, pitch * rows + 10, 30};
  for (int i = 0; i < count; ++i)
    part.holes.push_back(
        Hole({5 + pitch * (0.5 + i % columns), 5 + pitch * (0.5 + i / columns), 30}, {0, 0, -1}));
  return part;
}

// An L-shaped bracket, 10 mm thick, 80 long, 60 high and 40 deep, away from the origin: the
// foot's top face (z = 13) and the upright's inner face (x = 15) meet in the inside corner.
inline TopoDS_Shape LBracket() {
  BRepBuilderAPI_MakePolygon outline;
  for (const auto& [x, z] :
       {std::pair{5.0, 3.0}, {85.0, 3.0}, {85.0, 13.0}, {15.0, 13.0}, {15.0, 63.0}, {5.0, 63.0}})
    outline.Add(gp_Pnt(x, -20, z));
  outline.Close();
  const TopoDS_Face side = BRepBuilderAPI_MakeFace(outline.Wire(), Standard_True).Face();
  return BRepPrimAPI_MakePrism(side, gp_Vec(0, 40, 0)).Shape();
}

// A STEP file's text with its first vertex moved `dz` mm along z, off the faces that meet in it,
// as a careless edit or a broken exporter leaves it.
inline std::string WithFirstVertexMoved(std::string step, double dz) {
  std::smatch m;
  if (!std::regex_search(step, m, std::regex(R"(VERTEX_POINT\('',(#\d+)\))"))) return {};
  const std::regex point(m[1].str() + R"( = CARTESIAN_POINT\('',\(([^,]+),([^,]+),([^)]+)\)\))");
  if (!std::regex_search(step, m, point)) return {};
  const std::string moved = m[1].str() + "," + m[2].str() + "," +
                            std::to_string(std::stod(m[3].str()) + dz);
  return step.replace(static_cast<size_t>(m.position(1)), static_cast<size_t>(m.length(1) + 1 +
                      m.length(2) + 1 + m.length(3)), moved);
}

inline bool WriteStep(const TopoDS_Shape& shape, const std::string& path) {
  STEPControl_Writer writer;
  return writer.Transfer(shape, STEPControl_AsIs) == IFSelect_RetDone &&
         writer.Write(path.c_str()) == IFSelect_RetDone;
}

}  // namespace cavix::testing
