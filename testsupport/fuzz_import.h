// What the importers' libFuzzer drivers share: the built plug-ins loaded
// once in command-line mode, one import class by its name, and the input
// written to a file in a private folder and imported from there.
#pragma once
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_host.h"

namespace kvfuzz {

class ImportTarget {
 public:
  // Aborts when class_name is no import class of the plug-in folder: a
  // fuzzer that tries nothing would pass for a clean run.
  explicit ImportTarget(const char* class_name) {
    char tmpl[] = "/tmp/korvane-fuzz-XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    dir_ = tmpl;
    setenv("XDG_CONFIG_HOME", tmpl, 1);
    registry_.Load(KORVANE_FUZZ_PLUGIN_DIR, KV_PLUGIN_VERSION);
    for (int i = 0; i < registry_.ClassCount(); ++i) {
      PluginClassDesc* d = registry_.GetClass(i);
      if (d->SuperClassID() == MESH_IMPORT_CLASS_ID && std::strcmp(d->ClassName(), class_name) == 0) class_ = i;
    }
    if (class_ < 0) std::abort();
    Options({});
  }

  std::string Path(const char* name) const { return dir_ + "/" + name; }
  const std::string& dir() const { return dir_; }

  // The import options from now on, each a -key=value.
  void Options(const std::vector<std::string>& options) {
    args_ = options;
    argv_.assign(1, arg0_);
    for (std::string& a : args_) argv_.push_back(a.data());
    argv_.push_back(nullptr);
    registry_.SetCommandLine(static_cast<int>(argv_.size() - 1), argv_.data());
  }

  // The file: prefix, then the input.
  void Write(const char* name, const uint8_t* data, size_t size, const char* prefix = "") const {
    FILE* f = std::fopen(Path(name).c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(prefix, 1, std::strlen(prefix), f);
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }

  void Remove(const char* name) const { unlink(Path(name).c_str()); }

  // Imports the file and frees what came back.
  void Import(const char* name) {
    MeshImporter* imp = static_cast<MeshImporter*>(registry_.GetClass(class_)->Create());
    if (!imp) return;
    MScene* scene = imp->ImportFile(Path(name).c_str());
    imp->Destroy();
    delete scene;
  }

 private:
  PluginRegistry registry_;
  int class_ = -1;
  std::string dir_;
  char arg0_[13] = "korvane_fuzz";
  std::vector<std::string> args_;
  std::vector<char*> argv_;
};

}  // namespace kvfuzz
