// Imports one file and draws a thumbnail of it, timing the two apart: the
// render alone is what the thumbnail goal is about.
//
//   render_once FILE OUT.png [W,H] [PLUGIN_DIR]
#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>

#include "korvanelib.h"
#include "plugin_host.h"
#include "render.h"
#include "render_command.h"

namespace {
double Since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: render_once FILE OUT.png [W,H] [PLUGIN_DIR]\n");
    return 2;
  }
  kvrender::RenderOptions o;
  std::string why;
  if (argc > 3 && !kvcli::ParseRenderSize(argv[3], &o.width, &o.height, &why)) {
    std::fprintf(stderr, "render_once: %s\n", why.c_str());
    return 2;
  }
  const std::string dir = argc > 4 ? argv[4] : DefaultPluginDir();
  PluginRegistry registry;
  if (registry.Load(dir.c_str(), KV_PLUGIN_VERSION) <= 0) {
    std::fprintf(stderr, "render_once: no plug-ins in %s\n", dir.c_str());
    return 1;
  }
  static char arg0[] = "render_once";
  static char* args[] = {arg0, nullptr};
  registry.SetCommandLine(1, args);
  const int cls = registry.FindImportClass(argv[1]);
  if (cls < 0) {
    std::fprintf(stderr, "render_once: no import class for %s\n", argv[1]);
    return 1;
  }
  auto t0 = std::chrono::steady_clock::now();
  MeshImporter* imp = static_cast<MeshImporter*>(registry.GetClass(cls)->Create());
  MScene* scene = imp ? imp->ImportFile(argv[1]) : nullptr;
  if (imp) imp->Destroy();
  if (!scene) {
    std::fprintf(stderr, "render_once: %s\n", registry.LastError(cls).c_str());
    return 1;
  }
  const double import_s = Since(t0);
  t0 = std::chrono::steady_clock::now();
  const std::clock_t c0 = std::clock();  // the process's CPU time: the load of a shared machine aside
  kvrender::Picture pic;
  if (!kvrender::RenderScene(scene, o, &pic, &why)) {
    std::fprintf(stderr, "render_once: %s\n", why.c_str());
    return 1;
  }
  const double render_s = Since(t0);
  const double render_cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
  t0 = std::chrono::steady_clock::now();
  if (!kvrender::WritePng(pic, argv[2], &why)) {
    std::fprintf(stderr, "render_once: %s\n", why.c_str());
    return 1;
  }
  std::printf("import %.3f s  render %.3f s (cpu %.3f s)  png %.3f s  (%dx%d)\n", import_s, render_s, render_cpu,
              Since(t0), o.width, o.height);
  delete scene;
  return 0;
}
