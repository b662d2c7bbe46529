// The object pass (weld and smoothing) on the benchmark grid against the
// import of the same file, through the built OBJ plug-in. The grid comes
// from bench/make_grid_obj.py; bench/bench_modifiers.sh makes it and runs
// this program with KORVANE_BENCH_OBJ naming it.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "conversion.h"
#include "korvanelib.h"
#include "plugin_host.h"

namespace {

std::string PluginDir() {
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "plugin/";
  exe[n] = 0;
  return std::string(exe, std::strrchr(exe, '/') - exe) + "/plugin/";
}

PluginRegistry& Registry() {
  static PluginRegistry registry;
  static char arg0[] = "bench_objmod";
  static char* argv[] = {arg0, nullptr};
  static bool loaded = [] {
    registry.Load(PluginDir().c_str(), KV_PLUGIN_VERSION);
    registry.SetCommandLine(1, argv);
    return true;
  }();
  (void)loaded;
  return registry;
}

// The grid's file and the OBJ import class; false when either is missing.
bool Input(benchmark::State& state, std::string& path, int& cls) {
  const char* p = std::getenv("KORVANE_BENCH_OBJ");
  cls = Registry().FindImportClass(".obj");
  if (!p || access(p, R_OK) != 0 || cls < 0) {
    state.SkipWithError("set KORVANE_BENCH_OBJ to the grid (bench/bench_modifiers.sh) and build the OBJ plug-in");
    return false;
  }
  path = p;
  return true;
}

void BM_ImportGrid(benchmark::State& state) {
  std::string path;
  int cls;
  if (!Input(state, path, cls)) return;
  for (auto _ : state) {
    auto driver = std::make_unique<ConversionDriver>(Registry());
    benchmark::DoNotOptimize(driver->ImportFile(cls, path.c_str()));
    state.PauseTiming();  // freeing the scene is not the import
    driver.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ImportGrid)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ObjectPassWeldSmooth(benchmark::State& state) {
  std::string path;
  int cls;
  if (!Input(state, path, cls)) return;
  ObjModOption1 options(0, nullptr, "objmod.log");
  options.object_mode = 1;
  options.f_mesh_weld = 1;
  options.f_mesh_smooth = 1;
  for (auto _ : state) {
    state.PauseTiming();
    auto driver = std::make_unique<ConversionDriver>(Registry());
    driver->ImportFile(cls, path.c_str());
    state.ResumeTiming();
    mod_objects(static_cast<MScene*>(driver->scenes->GetAt(0)), &options, nullptr);
    state.PauseTiming();
    driver.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ObjectPassWeldSmooth)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
