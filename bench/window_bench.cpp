// Drop to shown in the host window: a new hole on a part that has 10, 100 or 1000 holes, from the
// hole's profile to what the view draws: the cut of the cells it reaches, which hole made each
// face, the mesh of the new faces, the edges to draw, and the triangle and line arrays the viewer
// uploads for those cells. The baseline is one cut of a single hole out of a block, the least
// any drop can cost. The redraw itself (30 to 60 ms in software) comes on top of both.
#include <benchmark/benchmark.h>

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <Graphic3d_ArrayOfPrimitives.hxx>
#include <Graphic3d_ArrayOfTriangles.hxx>
#include <Prs3d_Drawer.hxx>
#include <StdPrs_ShadedShape.hxx>
#include <StdPrs_WFShape.hxx>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/ratio_report.h"
#include "bench/scratch.h"
#include "export/export.h"
#include "export/occ_part.h"
#include "part_solid/part_solid.h"
#include "part_solid/shown_part.h"

namespace {

using namespace cavix;

// An ISO 4762 M6 counterbore, or a smaller one of the same shape.
exporter::HoleSolidInput Counterbore(double x, double y, double top, double scale = 1) {
  const double r = 3.3 * scale, l = 15 * scale, lc = 6.4 * scale;
  const double h = r / std::tan(59 * M_PI / 180);
  exporter::HoleSolidInput hole;
  hole.chains = {{{0, 0},
                  {5.5 * scale, 0},
                  {5.5 * scale, -lc},
                  {r, -lc},
                  {r, -(l + lc)},
                  {0, -(l + lc + h)},
                  {0, 0}}};
  hole.position = {x, y, top};
  hole.normal = {0, 0, -1};
  return hole;
}

// n holes 15 mm apart (or dx by dy) on the top face of a 30 mm block just large enough.
exporter::PartInput Grid(int n, double dx = 15, double dy = 15) {
  const int columns = static_cast<int>(std::ceil(std::sqrt(n)));
  const int rows = (n + columns - 1) / columns;
  exporter::PartInput part;
  part.block = {dx * columns, dy * rows, 30};
  for (int i = 0; i < n; ++i)
    part.holes.push_back(Counterbore(dx / 2 + dx * (i % columns), dy / 2 + dy * (i / columns), 30));
  return part;
}

// The layouts the opening benchmarks take as their second argument: 0 apart on a 15 mm pitch,
// 1 on a 10 x 6 mm pitch, where every counterbore (11 across) cuts into its neighbours.
exporter::PartInput Layout(const benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  return state.range(1) ? Grid(n, 10, 6) : Grid(n);
}

// The hole a user drops: a small counterbore between four holes in the middle of the grid.
exporter::HoleSolidInput Dropped(const exporter::PartInput& part) {
  const double x = 15.0 * std::floor(part.block[0] / 30), y = 15.0 * std::floor(part.block[1] / 30);
  return Counterbore(x, y, 30, 0.5);
}

// The part shown with its n holes, made once per size (cutting 1000 holes takes a while).
struct Shown {
  exporter::PartInput part;
  std::vector<partsolid::HoleId> ids;
  partsolid::ShownPart view;
};
const Shown& ShownWith(int n) {
  static std::map<int, std::unique_ptr<Shown>> made;
  std::unique_ptr<Shown>& s = made[n];
  if (!s) {
    s = std::make_unique<Shown>();
    s->part = Grid(n);
    for (int i = 0; i < n; ++i) s->ids.push_back(partsolid::HoleId(i + 2));
    s->view.Show(s->part, s->ids);
  }
  return *s;
}

void BM_DropToShown(benchmark::State& state) {
  const Shown& before = ShownWith(static_cast<int>(state.range(0)));
  exporter::PartInput part = before.part;
  part.holes.push_back(Dropped(part));
  std::vector<partsolid::HoleId> ids = before.ids;
  ids.push_back(partsolid::HoleId(static_cast<int32_t>(ids.back()) + 1));
  uint64_t seen = 0;
  for (const partsolid::Cell& c : before.view.Cells()) seen = std::max(seen, c.version);
  const Handle(Prs3d_Drawer) look = new Prs3d_Drawer();
  size_t cells = 0, triangles = 0;
  for (auto _ : state) {
    state.PauseTiming();
    partsolid::ShownPart view = before.view;
    state.ResumeTiming();
    view.Update(part, ids);
    cells = triangles = 0;
    for (const partsolid::Cell& c : view.Cells()) {
      if (c.version <= seen) continue;
      const Handle(Graphic3d_ArrayOfTriangles) faces = StdPrs_ShadedShape::FillTriangles(c.shape);
      const Handle(Graphic3d_ArrayOfPrimitives) edges = StdPrs_WFShape::AddAllEdges(c.edges, look);
      triangles += faces.IsNull() ? 0 : static_cast<size_t>(faces->ItemNumber());
      benchmark::DoNotOptimize(edges);
      ++cells;
    }
  }
  state.counters["holes"] = static_cast<double>(before.ids.size());
  state.counters["cells"] = static_cast<double>(before.view.Cells().size());
  state.counters["cells_cut"] = static_cast<double>(cells);
  state.counters["triangles"] = static_cast<double>(triangles);
}

// One cut of one hole out of the block of the smallest grid.
void BM_OneCut(benchmark::State& state) {
  const exporter::PartInput part = Grid(10);
  std::vector<std::string> warnings;
  const std::vector<TopoDS_Shape> tools =
      exporter::MakeHoleTools(Dropped(part), exporter::HoleIndex(0), warnings);
  const TopoDS_Shape block = partsolid::BaseSolid(part);
  for (auto _ : state) {
    BRepAlgoAPI_Cut cut(block, tools.front());
    benchmark::DoNotOptimize(cut.Shape());
  }
}

// Opening a model of n holes, against one STEP export of the same part (the baseline): the first
// picture (the part's solid meshed and made into triangles, all the window shows before its
// holes are cut), and every hole shown (every cell cut on every core, meshed, made into triangles
// and edges). Wall time: it is what a user waits.
void BM_OpenExportStep(benchmark::State& state) {
  const exporter::PartInput part = Layout(state);
  const std::string path = (bench::ScratchFolder("window") / "part.step").string();
  for (auto _ : state) exporter::ExportStep(part, path);
}
void BM_OpenFirstPicture(benchmark::State& state) {
  const exporter::PartInput part = Layout(state);
  for (auto _ : state) {
    const TopoDS_Shape base = partsolid::BaseSolid(part);
    BRepMesh_IncrementalMesh(base, 0.1, Standard_False, 0.5, Standard_True);
    benchmark::DoNotOptimize(StdPrs_ShadedShape::FillTriangles(base));
  }
}
void BM_OpenAllShown(benchmark::State& state) {
  const exporter::PartInput part = Layout(state);
  std::vector<partsolid::HoleId> ids;
  for (size_t i = 0; i < part.holes.size(); ++i) ids.push_back(partsolid::HoleId(int32_t(i) + 2));
  const Handle(Prs3d_Drawer) look = new Prs3d_Drawer();
  for (auto _ : state) {
    partsolid::ShownPart view;
    view.Show(part, ids);
    for (const partsolid::Cell& c : view.Cells()) {
      benchmark::DoNotOptimize(StdPrs_ShadedShape::FillTriangles(c.shape));
      benchmark::DoNotOptimize(StdPrs_WFShape::AddAllEdges(c.edges, look));
    }
  }
}
void Opening(benchmark::internal::Benchmark* b) {
  // Overlapping holes are cut by booleans that grow with every pair that meets: 200 of them take
  // as long as 1 000 apart.
  b->Args({1000, 0})->Args({200, 1})->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_OpenExportStep)->Apply(Opening);
BENCHMARK(BM_OpenFirstPicture)->Apply(Opening);
BENCHMARK(BM_OpenAllShown)->Apply(Opening);

// Process CPU time counts the kernel's worker threads too; wall time is what a user waits.
BENCHMARK(BM_OneCut)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DropToShown)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Iterations(20)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return cavix::bench::RunWithRatios(argc, argv, [] {
    for (const char* n : {"10", "100", "1000"})
      cavix::bench::BaselineOf(std::string("BM_DropToShown/") + n + "/iterations:20/process_time",
                               "BM_OneCut/process_time");
    for (const char* layout : {"/1000/0", "/200/1"})
      for (const char* kind : {"BM_OpenFirstPicture", "BM_OpenAllShown"})
        cavix::bench::BaselineOf(std::string(kind) + layout + "/iterations:3/real_time",
                                 std::string("BM_OpenExportStep") + layout + "/iterations:3/real_time");
  });
}
