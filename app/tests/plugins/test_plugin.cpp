// A plug-in built straight against the contract header (no framework), in
// several broken variants chosen by macros; the host tests load them.
#include "plugin_api.h"

#ifdef TP_MISBEHAVES
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#endif

#ifndef TP_VERSION
#define TP_VERSION KV_PLUGIN_VERSION
#endif
#ifndef TP_LIBNAME
#define TP_LIBNAME "Test Lib"
#endif

namespace {

class TestImporter final : public MeshImporter {
 public:
  void Destroy() override { delete this; }
  void ShowHelp() override {}
  void ShowOptions() override {}
#ifdef TP_MISBEHAVES
  // A "*.crash" file aborts the process, a "*.hang" file never returns.
  MScene* ImportFile(const char* path) override {
    const char* dot = path ? std::strrchr(path, '.') : nullptr;
    if (dot && std::strcmp(dot, ".crash") == 0) std::abort();
    if (dot && std::strcmp(dot, ".hang") == 0)
      for (;;) pause();
    return nullptr;
  }
#else
  MScene* ImportFile(const char*) override { return nullptr; }
#endif
  MScene* ImportInteractive() override { return nullptr; }
  int Reserved() override { return 0; }
  const char* GetFilter() override { return TP_FILTER; }
};

class TestExporter final : public MeshExporter {
 public:
  void Destroy() override { delete this; }
  void ShowHelp() override {}
  void ShowOptions() override {}
  void ExportFile(MScene*, const char*) override {}
  void ExportInteractive(MScene*) override {}
};

class TestDesc final : public PluginClassDesc {
 public:
  TestDesc(const char* name, int super, uint32_t id) : name_(name), super_(super), id_(id) {}
  int IsPublic() override { return 1; }
  void* Create() override {
    if (super_ == MESH_IMPORT_CLASS_ID) return static_cast<MeshImporter*>(new TestImporter);
    return static_cast<MeshExporter*>(new TestExporter);
  }
  const char* ClassName() override { return name_; }
  int SuperClassID() override { return super_; }
  uint32_t ClassID() override { return id_; }

 private:
  const char* name_;
  int super_;
  uint32_t id_;
};

TestDesc d0(TP_NAME0, TP_SUPER0, TP_ID0);
TestDesc d1(TP_NAME1, TP_SUPER1, TP_ID1);
PluginClassDesc* const classes[] = {&d0, &d1};

}  // namespace

KV_PLUGIN_EXPORT const char* LibName() { return TP_LIBNAME; }
KV_PLUGIN_EXPORT int LibNumberClasses() { return TP_COUNT; }
KV_PLUGIN_EXPORT PluginClassDesc* LibClassDescription(int i) {
  return (i >= 0 && i < TP_COUNT && i < 2) ? classes[i] : nullptr;
}
#ifndef TP_NO_VERSION
KV_PLUGIN_EXPORT int LibVersion() { return TP_VERSION; }
#endif
