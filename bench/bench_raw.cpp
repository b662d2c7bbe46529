// RAW hot paths: number scanning, "%f" formatting, and a whole import and
// export through the built plug-ins (bin/plugin beside this program's bin).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_host.h"
#include "numtext.h"

namespace {

void BM_ScanTriangleLine(benchmark::State& state) {
  const char line[] = "0.163313 0.540615 -0.268688 0.000000 0.498178 -0.278300 0.144773 0.521976 -0.369613";
  double v[18];
  for (auto _ : state) {
    int n = m_scan_numbers(line, sizeof line - 1, v, 18);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(v[8]);
  }
  state.SetItemsProcessed(state.iterations() * 9);
}
BENCHMARK(BM_ScanTriangleLine);

void BM_FormatFixed6(benchmark::State& state) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> u(-1000, 1000);
  std::vector<double> values(4096);
  for (double& d : values) d = u(rng);
  char buf[400];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(m_format_fixed6(values[i++ & 4095], buf));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatFixed6);

void BM_SnprintfFixed6(benchmark::State& state) {
  char buf[400];
  double d = -123.4567891;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%f", d));
    d += 0.001;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SnprintfFixed6);

std::string PluginDir() {
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "plugin/";
  exe[n] = 0;
  std::string dir(exe, std::strrchr(exe, '/') - exe);
  return dir + "/../bin/plugin/";
}

// Import and export of state.range(0) triangles in ten named objects.
void BM_RawRoundTrip(benchmark::State& state) {
  static PluginRegistry registry;
  static bool loaded = registry.Load(PluginDir().c_str(), KV_PLUGIN_VERSION) > 0;
  static char arg0[] = "bench_raw";
  static char* argv[] = {arg0, nullptr};
  if (!loaded) {
    state.SkipWithError("RAW plug-ins not found");
    return;
  }
  registry.SetCommandLine(1, argv);
  int ic = -1, ec = -1;
  for (int i = 0; i < registry.ClassCount(); ++i) {
    if (std::strcmp(registry.GetClass(i)->ClassName(), "RAW (*.raw)") == 0) ic = i;
    if (std::strcmp(registry.GetClass(i)->ClassName(), "Raw (*.raw)") == 0) ec = i;
  }
  if (ic < 0 || ec < 0) {
    state.SkipWithError("RAW classes missing");
    return;
  }
  char dir[] = "/tmp/kvbenchrawXXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no temp folder");
    return;
  }
  std::string in = std::string(dir) + "/in.raw", out = std::string(dir) + "/out.raw";
  {
    FILE* f = std::fopen(in.c_str(), "wb");
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-10, 10);
    long tris = state.range(0);
    for (long t = 0; t < tris; ++t) {
      if (t % (tris / 10 + 1) == 0) std::fprintf(f, "object_%ld\n", t);
      for (int k = 0; k < 9; ++k) std::fprintf(f, k ? " %f" : "%f", u(rng));
      std::fputc('\n', f);
    }
    std::fclose(f);
  }
  for (auto _ : state) {
    MeshImporter* imp = static_cast<MeshImporter*>(registry.GetClass(ic)->Create());
    MScene* scene = imp->ImportFile(in.c_str());
    imp->Destroy();
    MeshExporter* exp = static_cast<MeshExporter*>(registry.GetClass(ec)->Create());
    exp->ExportFile(scene, out.c_str());
    exp->Destroy();
    delete scene;
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::remove(in.c_str());
  std::remove(out.c_str());
  rmdir(dir);
}
BENCHMARK(BM_RawRoundTrip)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
