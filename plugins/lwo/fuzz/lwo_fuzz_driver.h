// What both LightWave fuzz targets do: load the built plug-ins once, then
// write every input to a file in a folder of their own and import it.
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

namespace lwofuzz {

class Driver {
 public:
  // A fresh folder (settings go there too) and the input file in it.
  void Init(const char* name, const char* file_name) {
    char tmpl[] = "/tmp/korvane-fuzz-lw-XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    dir_ = tmpl;
    path_ = dir_ + "/" + file_name;
    setenv("XDG_CONFIG_HOME", tmpl, 1);
    registry_ = new PluginRegistry;
    registry_->Load(KORVANE_FUZZ_PLUGIN_DIR, KV_PLUGIN_VERSION);
    for (int i = 0; i < registry_->ClassCount(); ++i) {
      PluginClassDesc* d = registry_->GetClass(i);
      if (d->SuperClassID() == MESH_IMPORT_CLASS_ID && std::strcmp(d->ClassName(), "LightWave (*.lwo, *.lws)") == 0)
        class_ = i;
    }
    if (class_ < 0) std::abort();
    arg0_ = name;
    Options("");
  }
  // The import options, one -key=value (or none).
  void Options(const std::string& option) {
    option_ = option;
    argv_[0] = arg0_.data();
    argv_[1] = option_.empty() ? nullptr : option_.data();
    argv_[2] = nullptr;
    registry_->SetCommandLine(option_.empty() ? 1 : 2, argv_);
  }
  const std::string& dir() const { return dir_; }

  // Writes prefix and the input, imports the file and drops the scene.
  void Run(const uint8_t* data, size_t size, const char* prefix = "") {
    FILE* f = std::fopen(path_.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(prefix, 1, std::strlen(prefix), f);
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
  std::string dir_, path_, arg0_, option_;
  char* argv_[3] = {};
};

}  // namespace lwofuzz
