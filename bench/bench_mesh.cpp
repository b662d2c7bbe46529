// Mesh processing on meshes of about a million triangles: a subdivided grid
// (with normals and UVs) and a closed sphere.
#include <benchmark/benchmark.h>

#include <cmath>

#include "korvanelib.h"

namespace {

constexpr int kGrid = 708;  // 708 x 708 quads: ~1M triangles once split

// A grid of quads (n x n) over shared vertices, four materials, with a
// normal and a UV layer; `split` gives triangles instead of quads, and
// `loose` gives every face its own vertices (what an importer without
// merging produces, the input of a weld).
MMesh_P* make_grid(int n, bool split, bool loose) {
  MMesh_P* m = new MMesh_P("grid");
  m->UseNormals();
  m->UseUV();
  const int w = n + 1;
  auto pos = [&](int i, int j) { return MVector3(i, j, std::sin(i * 0.05) * std::cos(j * 0.07) * 4.0); };
  if (!loose) {
    m->v_a->Reserve(w * w);
    m->uv_a->Reserve(w * w);
    for (int j = 0; j <= n; ++j)
      for (int i = 0; i <= n; ++i) {
        m->Add_Vertex(pos(i, j), -1.0);
        m->Add_UVVertex(MVector3(double(i) / n, double(j) / n, 0), -1.0);
      }
  }
  m->Add_NVertex(MVector3(0, 0, 1), -1.0);
  m->f_a->Reserve(n * n * 2);
  m->nf_a->Reserve(n * n * 2);
  m->uvf_a->Reserve(n * n * 2);
  MIPolygon f, nf;
  auto corner = [&](int i, int j) {
    if (!loose) return j * w + i;
    m->Add_UVVertex(MVector3(double(i) / n, double(j) / n, 0), -1.0);
    return m->Add_Vertex(pos(i, j), -1.0);
  };
  auto emit = [&](std::initializer_list<std::pair<int, int>> cs, int mat) {
    f.count = 0;
    nf.count = 0;
    for (auto [i, j] : cs) {
      f.Add(corner(i, j));
      nf.Add(0);
    }
    f.Set_MatId(mat);
    m->Add_Face(f);
    m->Add_NFace(nf);
    m->Add_UVFace(f);
  };
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const int mat = (i * 4 / n) % 4;
      if (split) {
        emit({{i, j}, {i + 1, j}, {i + 1, j + 1}}, mat);
        emit({{i, j}, {i + 1, j + 1}, {i, j + 1}}, mat);
      } else {
        emit({{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}}, mat);
      }
    }
  return m;
}

MMesh_P* make_sphere() {
  MSphere s("ball");
  s.Set_Segment(708);  // 708 * 2 * 707 = 1M triangles
  return s.Get_Mesh();
}

void BM_Triangulate_GridQuads(benchmark::State& st) {
  MMesh_P* m = make_grid(kGrid, false, false);
  for (auto _ : st) {
    MMesh_P* t = m->Triangulate(nullptr);
    benchmark::DoNotOptimize(t);
    st.counters["triangles"] = t ? t->Get_Face_Count() : 0;
    delete t;
  }
  delete m;
}

void BM_Weld_LooseGrid(benchmark::State& st) {
  for (auto _ : st) {
    st.PauseTiming();
    MMesh_P* m = make_grid(kGrid, true, true);
    st.ResumeTiming();
    m->Weld(nullptr, 1e-4);
    st.PauseTiming();
    st.counters["vertices"] = m->Get_Vertex_Count();
    delete m;
    st.ResumeTiming();
  }
}

void BM_Weld_Sphere(benchmark::State& st) {
  MMesh_P* m = make_sphere();
  for (auto _ : st) m->Weld(nullptr, 1e-6);
  st.counters["vertices"] = m->Get_Vertex_Count();
  delete m;
}

void BM_NormalSmooth(benchmark::State& st, MMesh_P* (*make)(), double angle) {
  MMesh_P* m = make();
  for (auto _ : st) m->NormalSmooth(nullptr, angle);
  st.counters["normals"] = m->Get_NVertex_Count();
  delete m;
}
MMesh_P* grid_tris() { return make_grid(kGrid, true, false); }

void BM_SplitSurface_Grid(benchmark::State& st) {
  MMesh_P* m = make_grid(kGrid, true, false);
  for (auto _ : st) {
    MMesh_P* s = m->SplitSurface(nullptr, 1);
    benchmark::DoNotOptimize(s);
    delete s;
  }
  delete m;
}

void BM_SplitSurface_Sphere(benchmark::State& st) {
  MMesh_P* m = make_sphere();
  for (auto _ : st) {
    MMesh_P* s = m->SplitSurface(nullptr, 0);
    benchmark::DoNotOptimize(s);
    delete s;
  }
  delete m;
}

void BM_UV_OptimizeMesh(benchmark::State& st, MMesh_P* (*make)()) {
  MMesh_P* m = make();
  for (auto _ : st) {
    MMesh_P* o = m->UV_OptimizeMesh(nullptr);
    benchmark::DoNotOptimize(o);
    delete o;
  }
  delete m;
}

void BM_Triangulate_BigPolygon(benchmark::State& st) {
  // Shape 0: a wavy outline (every other corner slightly reflex), what DXF
  // curves and OBJ caps look like. Shape 1: a star of long spikes, the worst
  // case of the hashed clipper (each spike's box holds many other corners).
  const int n = static_cast<int>(st.range(0));
  const bool star = st.range(1) != 0;
  MMesh_P m("cap");
  MVPolygon p;
  for (int i = 0; i < n; ++i) {
    const double a = i * 6.283185307179586 / n;
    const double r = star ? (i % 2 ? 1.0 : 0.6) : 1.0 + 0.01 * std::sin(i * 0.5) + (i % 2 ? 0.0 : -1e-4);
    p.Add(MVector3(r * std::cos(a), r * std::sin(a), 0));
  }
  m.Add_Polygon(p, 0, -1.0);
  for (auto _ : st) {
    MMesh_P* t = m.Triangulate(nullptr);
    benchmark::DoNotOptimize(t);
    delete t;
  }
}

}  // namespace

BENCHMARK(BM_Triangulate_GridQuads)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Weld_LooseGrid)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Weld_Sphere)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_NormalSmooth, grid_full, grid_tris, -1.0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_NormalSmooth, grid_angle30, grid_tris, 30.0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_NormalSmooth, sphere_full, make_sphere, -1.0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_NormalSmooth, sphere_angle60, make_sphere, 60.0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SplitSurface_Grid)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SplitSurface_Sphere)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_UV_OptimizeMesh, grid, grid_tris)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_UV_OptimizeMesh, sphere, make_sphere)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Triangulate_BigPolygon)
    ->ArgsProduct({{1000, 20000, 100000}, {0, 1}})
    ->ArgNames({"corners", "star"})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
