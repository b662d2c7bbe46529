// Scene building and walking: a million Add_Tri calls with bounds and the
// scene summary, and indexed walks over long object lists.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "korvanelib.h"

static void BM_AddTriBoundPrint(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  FILE* null_out = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    MScene scene("bench");
    MMesh_P* mesh = new MMesh_P("grid");
    for (int i = 0; i < n; ++i) {
      double x = i % 1000, y = i / 1000;
      mesh->Add_Tri(MVector3(x, y, 0), MVector3(x + 1, y, 0), MVector3(x, y + 1, 0.5), 0, -1.0);
    }
    scene.objects->Append(mesh);
    scene.CalculateBoundingBox();
    scene.Print(null_out, 0, 0);
    benchmark::DoNotOptimize(scene.bound_right);
  }
  std::fclose(null_out);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddTriBoundPrint)->Arg(1000000)->Unit(benchmark::kMillisecond);

static void BM_ListAppend(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  static int dummy;
  for (auto _ : state) {
    MList list;
    for (int i = 0; i < n; ++i) list.Append(&dummy);
    benchmark::DoNotOptimize(list.count);
  }
}
BENCHMARK(BM_ListAppend)->Arg(200000)->Unit(benchmark::kMillisecond);

static void BM_ListAppendAndIndexedWalk(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  static int dummy;
  for (auto _ : state) {
    MList list;
    for (int i = 0; i < n; ++i) list.Append(&dummy);
    long seen = 0;
    for (int i = 0; i < list.count; ++i) seen += list.GetAt(i) != nullptr;
    benchmark::DoNotOptimize(seen);
  }
}
BENCHMARK(BM_ListAppendAndIndexedWalk)->Arg(200000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
