// What a fuzz target of an importer does: load the built plug-ins once,
// then write every input to a file in a folder of its own and import it
// with the named class.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "korvanelib.h"
#include "plugin_host.h"

namespace kvfuzz {

class ImportDriver {
 public:
  // A fresh folder (settings go there too) and the input file in it.
  void Init(const char* class_name, const char* file_name) {
    char tmpl[] = "/tmp/korvane-fuzz-XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    path_ = std::string(tmpl) + "/" + file_name;
    setenv("XDG_CONFIG_HOME", tmpl, 1);
    registry_ = new PluginRegistry;
    registry_->Load(KORVANE_FUZZ_PLUGIN_DIR, KV_PLUGIN_VERSION);
    for (int i = 0; i < registry_->ClassCount(); ++i) {
      PluginClassDesc* d = registry_->GetClass(i);
      if (d->SuperClassID() == MESH_IMPORT_CLASS_ID && std::strcmp(d->ClassName(), class_name) == 0) class_ = i;
    }
    if (class_ < 0) std::abort();
    static char arg0[] = "fuzz_import";
    static char* argv[] = {arg0, nullptr};
    registry_->SetCommandLine(1, argv);
  }

  // Writes the input, imports the file and drops the scene.
  void Run(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path_.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    MeshImporter* imp = static_cast<MeshImporter*>(registry_->GetClass(class_)->Create());
    if (!imp) return;
    MScene* scene = imp->ImportFile(path_.c_str());
    imp->Destroy();
    delete scene;
  }

 private:
  PluginRegistry* registry_ = nullptr;
  int class_ = -1;
  std::string path_;
};

}  // namespace kvfuzz
