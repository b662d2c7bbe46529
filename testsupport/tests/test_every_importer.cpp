// Every import class of the built plug-ins against what users feed a
// converter: the corpus's invalid files, truncated copies of every corpus
// file an importer takes, and the crash reproducers kept under
// plugins/<name>/fuzz/regressions/. None may crash or hang; an import that
// gives no scene says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin_test_support.h"
#include "round_trip.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::vector<int> ImportClasses() { return kvtest::Plugins().ImportTable(); }

// The extensions an import class's filter lists (".3ds").
std::vector<std::string> Extensions(int cls) {
  MeshImporter* imp = static_cast<MeshImporter*>(kvtest::Plugins().GetClass(cls)->Create());
  if (!imp) return {};
  std::vector<std::string> exts = FilterExtensions(imp->GetFilter());
  imp->Destroy();
  return exts;
}

std::string ClassName(int cls) { return kvtest::Plugins().GetClass(cls)->ClassName(); }

// Runs cls on path: a scene, or no scene and the reason.
void ExpectSceneOrReason(int cls, const std::string& path) {
  SCOPED_TRACE(ClassName(cls) + " on " + path);
  MScene* scene = kvtest::ImportWith(cls, path);
  if (!scene) {
    EXPECT_FALSE(kvtest::Plugins().LastError(cls).empty());
  } else {
    EXPECT_GE(kvtest::TriangleCount(scene), 0);
  }
  delete scene;
}

// The corpus files some import class takes, by their extension.
std::vector<fs::path> CorpusModels() {
  std::vector<fs::path> out;
  for (const auto& e : fs::recursive_directory_iterator(kvtest::corpus_dir())) {
    if (!e.is_regular_file() || e.path().parent_path().filename() == "invalid") continue;
    if (kvtest::Plugins().FindImportClass(e.path().string().c_str()) >= 0) out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

class EveryImporter : public ::testing::Test {
 protected:
  // In command-line mode with the log off: no log lands beside a corpus file.
  void SetUp() override {
    kvtest::UseCommandLine({});
    ASSERT_FALSE(ImportClasses().empty()) << "no import class in " << kvtest::bin_dir() / "plugin";
  }
};

}  // namespace

TEST_F(EveryImporter, InvalidCorpusFilesFailWithAReasonOrImport) {
  KV_REQUIRE_CORPUS();
  int runs = 0;
  for (const auto& e : fs::directory_iterator(kvtest::corpus_dir() / "invalid")) {
    for (int cls : ImportClasses()) {
      ExpectSceneOrReason(cls, e.path().string());
      ++runs;
    }
  }
  EXPECT_GT(runs, 0);
}

TEST_F(EveryImporter, TruncatedCorpusFilesNeverCrash) {
  KV_REQUIRE_CORPUS();
  kvtest::TempDir dir;
  int files = 0;
  for (const fs::path& file : CorpusModels()) {
    const int cls = kvtest::Plugins().FindImportClass(file.string().c_str());
    const std::string bytes = kvtest::read_file(file.string());
    // The same name, so that the importer sees the extension it takes.
    const std::string cut = dir.file(file.filename().string());
    for (int k = 0; k < 16; ++k) {
      kvtest::write_file(cut, bytes.substr(0, bytes.size() * k / 16));
      ExpectSceneOrReason(cls, cut);
    }
    ++files;
  }
  EXPECT_GT(files, 0);
}

// A reproducer is a file, imported through every import class of its
// plug-in under that class's extension, or a folder of files (a model and
// its companions) whose files each class takes by their extension.
TEST_F(EveryImporter, FuzzRegressionsReplay) {
  int replayed = 0;
  for (const auto& plugin : fs::directory_iterator(kvtest::source_dir() / "plugins")) {
    const fs::path regressions = plugin.path() / "fuzz" / "regressions";
    if (!fs::is_directory(regressions)) continue;
    const std::string library = "/import_" + plugin.path().filename().string() + ".so";
    std::vector<int> classes;
    for (int cls : ImportClasses()) {
      const PluginLibrary* lib = kvtest::Plugins().GetClassLibrary(cls);
      const std::string path = lib && lib->path ? lib->path : "";
      if (path.size() >= library.size() && path.compare(path.size() - library.size(), library.size(), library) == 0)
        classes.push_back(cls);
    }
    ASSERT_FALSE(classes.empty()) << "no import class of " << library << " for " << regressions;
    for (const auto& entry : fs::directory_iterator(regressions)) {
      for (int cls : classes) {
        kvtest::TempDir dir;
        const std::vector<std::string> exts = Extensions(cls);
        if (entry.is_directory()) {
          fs::copy(entry.path(), dir.path(), fs::copy_options::recursive);
          for (const auto& f : fs::directory_iterator(dir.path())) {
            std::string ext = f.path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
            if (std::find(exts.begin(), exts.end(), ext) != exts.end()) ExpectSceneOrReason(cls, f.path().string());
          }
        } else {
          const std::string in = dir.file("in" + (exts.empty() ? std::string() : exts[0]));
          fs::copy_file(entry.path(), in);
          ExpectSceneOrReason(cls, in);
        }
        ++replayed;
      }
    }
  }
  if (replayed == 0) GTEST_SKIP() << "no reproducers under plugins/*/fuzz/regressions/";
}
