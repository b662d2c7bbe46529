// Descriptors, importer and exporter objects of the framework, with a
// stand-in format in this test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "format_run.h"
#include "plugin_framework.h"
#include "test_support.h"

namespace {

char kKey[] = "kvtest_fw";
char kLog[] = "kvtest_fw.log";

class TestImportOption : public Import_FileOption {
 public:
  TestImportOption() : Import_FileOption(kKey, kLog) { Set_Filter("Test (*.tst)|*.tst||"); }
  TestImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kLog) { Set_Filter("Test (*.tst)|*.tst||"); }
};

class TestExportOption : public Export_FileOption {
 public:
  TestExportOption() : Export_FileOption(kKey, kLog) { Set_Ext("tst"); }
  TestExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kLog) { Set_Ext("tst"); }
};

Import_FileOption* NewImport(int cmd, int argc, char** argv) {
  if (cmd) return new TestImportOption(argc, argv);
  return new TestImportOption();
}
Export_FileOption* NewExport(int cmd, int argc, char** argv) {
  if (cmd) return new TestExportOption(argc, argv);
  return new TestExportOption();
}

std::string g_seen_file;
MessageCallBack1* g_seen_cb = nullptr;
std::string g_export_path;

void ImportTest(MScene* scene, Import_FileOption* o, MessageCallBack1* cb) {
  g_seen_file = o->Get_Filename() ? o->Get_Filename() : "";
  g_seen_cb = kvpf::CurrentCallbacks();
  EXPECT_EQ(g_seen_cb, cb);
  EXPECT_EQ(cb->progress1, &kvpf::Progress1);
}

int ExportTest(MScene* scene, Export_FileOption* o, MessageCallBack1* cb) {
  kvpf::ExportRun run(o, cb, "Test Export 1.0");
  g_export_path = run.path();
  MOutputFile* f = run.Open();
  if (!f) return 0;
  f->Write("x", 1);
  return run.Finish();
}

// Writes its file under a name of its own, as a one-file-per-object format does.
int ExportRenamed(MScene* scene, Export_FileOption* o, MessageCallBack1* cb) {
  std::string dir;
  kvpf::OutputPath(o, &dir);
  std::string path = dir + "piece0.tst";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fclose(f);
  kvpf::SetWrittenPath(path.c_str());
  return 1;
}

// Keeps an account of what it loses: a quad triangulated, names cut.
int ExportLossy(MScene* scene, Export_FileOption* o, MessageCallBack1* cb) {
  kvpf::ExportRun run(o, cb, "Lossy Export");
  run.AccountLosses();
  MOutputFile* f = run.Open();
  if (!f) return 0;
  ForEachExportMesh(scene, cb, {}, [&](const MExportMesh& m) {
    run.LoseWalkChanges(m);
    run.Lose(m.object->get_name(), KV_LOSS_NAME_CUT);
  });
  run.Lose(kvpf::kSceneObject, KV_LOSS_CAMERAS_DROPPED, 2);
  run.Lose(kvpf::kSceneObject, KV_LOSS_LIGHTS_DROPPED, 0);  // nothing to record
  run.Lose("box", KV_LOSS_NAME_CUT, 3);
  return run.Finish();
}

kvpf::ImportClassDesc import_desc(
    kvpf::ImportClassInfo{"Test (*.tst)", 0x1234u, kvpf::PluginTexts{"TST", "help\n"}, NewImport, ImportTest, nullptr});
kvpf::ExportClassDesc export_desc(
    kvpf::ExportClassInfo{"Test (*.tst)", 0x1235u, kvpf::PluginTexts{"TST", "help\n"}, NewExport, ExportTest, nullptr});

kvpf::ExportClassDesc renamed_desc(kvpf::ExportClassInfo{"Renamed (*.tst)", 0x1236u, kvpf::PluginTexts{"TST", "help\n"},
                                                         NewExport, ExportRenamed, nullptr});

kvpf::ExportClassDesc lossy_desc(kvpf::ExportClassInfo{"Lossy (*.tst)", 0x1237u, kvpf::PluginTexts{"TST", "help\n"},
                                                       NewExport, ExportLossy, nullptr});

class Framework : public ::testing::Test {
 protected:
  void SetUp() override {
    args_[0] = const_cast<char*>("test");
    args_[1] = nullptr;
    kvpf::SetCommandLine(1, args_);
  }
  void TearDown() override { kvpf::SetCommandLine(0, nullptr); }
  char* args_[2];
};

}  // namespace

TEST_F(Framework, DescriptorRoutines) {
  EXPECT_EQ(import_desc.IsPublic(), 1);
  EXPECT_EQ(import_desc.SuperClassID(), 0x2000);
  EXPECT_EQ(export_desc.SuperClassID(), 0x2001);
  EXPECT_EQ(import_desc.ClassID(), 0x1234u);
  EXPECT_STREQ(export_desc.ClassName(), "Test (*.tst)");
  // Called through the contract's base class, as the host does.
  PluginClassDesc* d = &import_desc;
  MeshImporter* imp = static_cast<MeshImporter*>(d->Create());
  ASSERT_NE(imp, nullptr);
  EXPECT_EQ(imp->Reserved(), 0);
  imp->Destroy();
}

TEST_F(Framework, GetFilterReturnsAFreshCopyEachTime) {
  MeshImporter* imp = static_cast<MeshImporter*>(import_desc.Create());
  const char* a = imp->GetFilter();
  std::string first = a;
  const char* b = imp->GetFilter();
  EXPECT_EQ(first, "Test (*.tst)|*.tst||");
  EXPECT_STREQ(b, "Test (*.tst)|*.tst||");
  imp->Destroy();
}

TEST_F(Framework, ImportFileNamesTheSceneByThePathAndRestoresTheDirectory) {
  char before[4096];
  ASSERT_NE(getcwd(before, sizeof before), nullptr);
  MeshImporter* imp = static_cast<MeshImporter*>(import_desc.Create());
  MScene* s = imp->ImportFile("/some/where/model.tst");
  imp->Destroy();
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->get_name(), "/some/where/model.tst");
  EXPECT_EQ(g_seen_file, "/some/where/model.tst");
  EXPECT_EQ(kvpf::CurrentCallbacks(), nullptr);  // only during the run
  delete s;
  char after[4096];
  ASSERT_NE(getcwd(after, sizeof after), nullptr);
  EXPECT_STREQ(before, after);
}

TEST_F(Framework, InteractivePathsWithoutAWindow) {
  MeshImporter* imp = static_cast<MeshImporter*>(import_desc.Create());
  testing::internal::CaptureStderr();
  EXPECT_EQ(imp->ImportInteractive(), nullptr);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("no file dialog"), std::string::npos);
  imp->Destroy();
}

TEST_F(Framework, ExportFileUsesFolderAndBaseNameOnly) {
  kvtest::TempDir dir;
  MScene scene((dir.str() + "/source/chair.3ds").c_str());
  MeshExporter* exp = static_cast<MeshExporter*>(export_desc.Create());
  exp->ExportFile(&scene, (dir.str() + "/out/model.xxx").c_str());
  exp->Destroy();
  EXPECT_EQ(g_export_path, dir.str() + "/out/model.tst");
  char path[1024];
  EXPECT_EQ(kvpf::LastExportResult(path, sizeof path), 0);  // out/ does not exist
  EXPECT_EQ(std::string(path), dir.str() + "/out/model.tst");

  exp = static_cast<MeshExporter*>(export_desc.Create());
  exp->ExportFile(&scene, (dir.str() + "/model.xxx").c_str());
  exp->Destroy();
  EXPECT_EQ(kvpf::LastExportResult(path, sizeof path), 1);
  EXPECT_EQ(kvtest::read_file(dir.file("model.tst")), "x");
}

TEST_F(Framework, AnExportNamesTheFileItWroteAndTheNextRunStartsAfresh) {
  kvtest::TempDir dir;
  MScene scene("/models/chair.3ds");
  MeshExporter* exp = static_cast<MeshExporter*>(renamed_desc.Create());
  exp->ExportFile(&scene, (dir.str() + "/model.xxx").c_str());
  exp->Destroy();
  char path[1024];
  EXPECT_EQ(kvpf::LastExportResult(path, sizeof path), 1);
  EXPECT_EQ(std::string(path), dir.str() + "/piece0.tst");

  exp = static_cast<MeshExporter*>(export_desc.Create());
  exp->ExportFile(&scene, (dir.str() + "/model.xxx").c_str());
  exp->Destroy();
  EXPECT_EQ(kvpf::LastExportResult(path, sizeof path), 1);
  EXPECT_EQ(std::string(path), dir.str() + "/model.tst");
}

TEST_F(Framework, LossesAddUpPerObjectAndKindAndStartAfreshEachRun) {
  kvtest::TempDir dir;
  MScene scene("/models/chair.3ds");
  MMesh_P* box = new MMesh_P("box");
  box->Add_Quad(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(1, 1, 0), MVector3(0, 1, 0), 0, -1.0);
  scene.objects->Append(box);
  MeshExporter* exp = static_cast<MeshExporter*>(lossy_desc.Create());
  exp->ExportFile(&scene, (dir.str() + "/model.xxx").c_str());
  exp->Destroy();
  int kind = -1;
  long count = 0;
  char name[64];
  ASSERT_EQ(kvpf::LastLossEntry(0, &kind, &count, name, sizeof name), 1);
  EXPECT_EQ(std::string(name), "box");
  EXPECT_EQ(kind, KV_LOSS_NGON_TRIANGULATED);
  EXPECT_EQ(count, 1);
  ASSERT_EQ(kvpf::LastLossEntry(1, &kind, &count, name, sizeof name), 1);
  EXPECT_EQ(kind, KV_LOSS_NAME_CUT);
  EXPECT_EQ(count, 4);  // 1 in the walk, 3 after it
  ASSERT_EQ(kvpf::LastLossEntry(2, &kind, &count, name, sizeof name), 1);
  EXPECT_EQ(std::string(name), "(scene)");
  EXPECT_EQ(std::string(KvLossLabel(kind)), "cameras dropped");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(kvpf::LastLossEntry(3, &kind, &count, name, sizeof name), 0);
  // A cut name buffer stays terminated.
  char tiny[3];
  ASSERT_EQ(kvpf::LastLossEntry(2, nullptr, nullptr, tiny, sizeof tiny), 1);
  EXPECT_EQ(std::string(tiny), "(s");

  // An export that keeps no account says so.
  exp = static_cast<MeshExporter*>(export_desc.Create());
  exp->ExportFile(&scene, (dir.str() + "/model.xxx").c_str());
  exp->Destroy();
  EXPECT_EQ(kvpf::LastLossEntry(0, &kind, &count, name, sizeof name), -1);
  EXPECT_STREQ(KvLossLabel(KV_LOSS_KIND_COUNT), "other losses");
}

TEST_F(Framework, SubDirectoryIsTheSceneBaseName) {
  kvtest::TempDir dir;
  char sub[] = "-subdir_mode=1";
  char* args[] = {args_[0], sub, nullptr};
  kvpf::SetCommandLine(2, args);
  MScene scene("/models/chair.3ds");
  MeshExporter* exp = static_cast<MeshExporter*>(export_desc.Create());
  exp->ExportFile(&scene, (dir.str() + "/model.xxx").c_str());
  exp->Destroy();
  EXPECT_EQ(g_export_path, dir.str() + "/chair/model.tst");
  EXPECT_EQ(kvtest::read_file(dir.file("chair/model.tst")), "x");
}

TEST_F(Framework, UiHooksReplaceTheHeadlessPaths) {
  static std::string opened_filter;
  KvUiHooks hooks{};
  hooks.size = sizeof hooks;
  hooks.open_file = [](const char* filter, const char*, char* out, size_t size) {
    opened_filter = filter;
    std::snprintf(out, size, "%s", "/picked/file.tst");
    return 1;
  };
  kvpf::SetUiHooks(&hooks);
  MeshImporter* imp = static_cast<MeshImporter*>(import_desc.Create());
  MScene* s = imp->ImportInteractive();
  imp->Destroy();
  kvpf::SetUiHooks(nullptr);
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->get_name(), "/picked/file.tst");
  EXPECT_EQ(opened_filter, "Test (*.tst)|*.tst||");
  delete s;
  EXPECT_EQ(kvpf::UiHooks(), nullptr);
}

// What an export run reports of its outputs: nothing for a good one, the
// write failure of a faulted one or of a full disk.
TEST(ExportRunOutputs, FullDiskWriterFaultAndSuccess) {
  kvtest::TempDir dir;
  auto run_log = [&](const char* log_name, const std::function<void(kvpf::ExportRun&)>& write) {
    TestExportOption o;
    o.cmd_mode = 1;
    o.verbose_mode = 1;
    my_free(o.logfilename);
    o.logfilename = my_strdup(log_name);
    o.Set_Pathname(dir.str().c_str());
    o.Set_Filename("model");
    kvpf::ClearReports();
    {
      kvpf::ExportRun run(&o, nullptr, "Test Export 1.0");
      write(run);
      run.Finish();
    }
    return kvtest::read_file(dir.file(log_name));
  };
  std::string text = run_log("good.log", [&](kvpf::ExportRun& run) {
    MOutputFile* good = run.Open(dir.file("good.tst"));
    ASSERT_NE(good, nullptr);
    good->Write("data\n", 5);
  });
  EXPECT_EQ(text.find("Cannot write file"), std::string::npos);
  EXPECT_EQ(kvtest::read_file(dir.file("good.tst")), "data\n");
  // The writer's own verdict stands even when the stream saw no error.
  text = run_log("faulted.log", [&](kvpf::ExportRun& run) {
    MOutputFile* faulted = run.Open(dir.file("faulted.tst"));
    ASSERT_NE(faulted, nullptr);
    faulted->NoteError(EIO);
  });
  EXPECT_NE(text.find("Cannot write file " + dir.file("faulted.tst") + " \n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("faulted.tst")));
  if (access("/dev/full", W_OK) == 0) {
    text = run_log("full.log", [&](kvpf::ExportRun& run) {
      MOutputFile* full = run.Open("/dev/full");
      ASSERT_NE(full, nullptr);
      std::vector<char> bytes(1 << 16, 'x');
      full->Write(bytes.data(), bytes.size());
    });
    EXPECT_NE(text.find("Cannot write file /dev/full \n"), std::string::npos);
    EXPECT_EQ(kvpf::LastError().rfind("Cannot write file /dev/full: No space left on device", 0), 0u) << kvpf::LastError();
  }
}
