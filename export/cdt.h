// A constrained Delaunay triangulation of points that carry their number in the caller's list,
// and the count of constraints crossed from outside that tells which triangles lie inside a face
// bounded by loops. Shared by the export's own meshers. CGAL before any Open CASCADE header: the
// kernel's Handle macro would rewrite CGAL's own, so include this first.
#pragma once

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_face_base_with_info_2.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#include <cstdint>
#include <deque>
#include <utility>

namespace cavix::exporter::detail::cdt {

// Points carry their number in the face's list, so that a triangle's corners are the very doubles
// the neighbouring faces are made of; a triangle carries how many constraints lie between it and
// the outside (odd: inside the face).
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using VertexBase = CGAL::Triangulation_vertex_base_with_info_2<uint32_t, Kernel>;
using FaceBase =
    CGAL::Constrained_triangulation_face_base_2<Kernel,
                                                CGAL::Triangulation_face_base_with_info_2<int, Kernel>>;
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<
    Kernel, CGAL::Triangulation_data_structure_2<VertexBase, FaceBase>, CGAL::Exact_predicates_tag>;

// Marks every triangle with the number of constraints crossed on the way from outside, a flood
// fill that stops at constraints.
inline void CountCrossings(Cdt& cdt) {
  for (Cdt::Face_handle f : cdt.all_face_handles()) f->info() = -1;
  std::deque<std::pair<Cdt::Face_handle, int>> starts{{cdt.infinite_face(), 0}};
  while (!starts.empty()) {
    const auto [start, level] = starts.front();
    starts.pop_front();
    if (start->info() != -1) continue;
    std::deque<Cdt::Face_handle> queue{start};
    start->info() = level;
    while (!queue.empty()) {
      const Cdt::Face_handle f = queue.front();
      queue.pop_front();
      for (int i = 0; i < 3; ++i) {
        const Cdt::Face_handle n = f->neighbor(i);
        if (n->info() != -1) continue;
        if (cdt.is_constrained({f, i})) {
          starts.emplace_back(n, level + 1);
        } else {
          n->info() = level;
          queue.push_back(n);
        }
      }
    }
  }
}

}  // namespace cavix::exporter::detail::cdt
