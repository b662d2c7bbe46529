// LightWave export: one scene file (LWSC) with the first camera, the lights
// and one object file per mesh, written in world coordinates.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "lwo_export_parts.h"
#include "lwo_options.h"
#include "plugin_framework.h"

namespace {

const char kTitle[] = "LightWave Export Plugin 1.0";
const long kSteps = 8;

std::string Folder(const char* dir) {
  std::string d(dir ? dir : "");
  std::replace(d.begin(), d.end(), '\\', '/');
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}

// Names go on one line of the scene file.
std::string LineSafe(const char* s) {
  std::string out(s ? s : "");
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 32) c = '_';
  return out;
}

class SceneWriter {
 public:
  SceneWriter(MScene* scene, LwoExportOption* o, MessageCallBack1* cb, kvpf::ExportRun& run, MTextWriter& out)
      : scene_(scene), o_(o), cb_(cb), run_(run), out_(out), v1_(o->lwo_version == 1) {}
  void Write();

 private:
  void Header();
  void KeyLine(const MVector3& p);
  void Channels(const MVector3& p, int n);
  void OldMotion(const char* keyword, const MVector3& p);
  int TargetNull(const char* owner, const MVector3& target);
  void Camera(MCamera* c);
  void Light(MLight* l);
  void Objects();
  std::string UniqueFileName(const char* name);
  bool Directory(const std::string& dir);

  MScene* scene_;
  LwoExportOption* o_;
  MessageCallBack1* cb_;
  kvpf::ExportRun& run_;
  MTextWriter& out_;
  bool v1_;
  int object_number_ = 0;
  std::unordered_set<std::string> file_names_;  // lower case
};

void SceneWriter::Header() {
  out_.Printf("%s\n", "LWSC");
  out_.Printf("%s\n", v1_ ? "3" : "1");
  out_.Printf("\n");
  out_.Printf("%s\n", "FirstFrame 1");
  out_.Printf("%s\n", "LastFrame 30");
  out_.Printf("%s\n", "FrameStep 1");
  out_.Printf("%s\n", "FramesPerSecond 30.000000");
  out_.Printf("\n");
}

// The nine values of a LightWave 5 key: position (x, z, y), no rotation,
// unit scale.
void SceneWriter::KeyLine(const MVector3& p) {
  out_.Printf("   %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f\n", p.x, p.z, p.y, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0);
}

void SceneWriter::OldMotion(const char* keyword, const MVector3& p) {
  out_.Printf("%s\n", keyword);
  out_.Printf("%s\n", "  9");
  out_.Printf("%s\n", "  1");
  KeyLine(p);
  out_.Printf("%s\n", "  0 0 0 0 0");
  out_.Printf("%s\n", "EndBehavior 1");
}

// LightWave 6 channels: position (x, z, y), rotation 0 and, for nine, scale 1.
void SceneWriter::Channels(const MVector3& p, int n) {
  const double v[9] = {p.x, p.z, p.y, 0, 0, 0, 1, 1, 1};
  for (int c = 0; c < n; ++c) {
    out_.Printf("%s %d\n", "Channel", c);
    out_.Printf("%s\n", "{ Envelope");
    out_.Printf("  %s\n", "1");
    out_.Printf("  %s %.6f %.6f %s\n", "Key", v[c], 0.0, "0 0 0 0 0 0 0");
    out_.Printf("  %s\n", "Behaviors 1 1");
    out_.Printf("%s\n", "}");
  }
}

// The null object a camera or spotlight aims at; its object number.
int SceneWriter::TargetNull(const char* owner, const MVector3& target) {
  ++object_number_;
  out_.Printf("%s %s_%s\n", "AddNullObject", LineSafe(owner).c_str(), "target");
  if (v1_) {
    out_.Printf("%s\n", "ShowObject 6 3");
    out_.Printf("%s\n", "ObjectMotion");
    out_.Printf("%s\n", "NumChannels 9");
    Channels(target, 9);
    out_.Printf("%s\n", "ShadowOptions 7");
    out_.Printf("\n");
  } else {
    out_.Printf("%s\n", "ShowObject 8 7");
    OldMotion("ObjectMotion (unnamed)", target);
    out_.Printf("\n");
  }
  return object_number_;
}

void SceneWriter::Camera(MCamera* c) {
  const char* name = c->get_name() ? c->get_name() : "";
  kvpf::ReportItem(cb_, name, 0, 1);
  run_.log().write("Working on: %s\n", name);
  const int target = TargetNull(name, c->target);
  if (v1_) {
    out_.Printf("%s\n", "AddCamera");
    out_.Printf("%s %s\n", "CameraName", LineSafe(name).c_str());
    out_.Printf("%s\n", "ShowCamera 1 2");
    out_.Printf("%s\n", "CameraMotion");
    out_.Printf("%s\n", "NumChannels 6");
    Channels(c->position, 6);
  } else {
    out_.Printf("%s\n", "ShowCamera 1 7");
    OldMotion("CameraMotion (unnamed)", c->position);
  }
  out_.Printf("%s %.3f\n", "ZoomFactor", 4.0);
  out_.Printf("%s %d\n", "TargetObject", target);
  out_.Printf("\n");
}

void SceneWriter::Light(MLight* l) {
  const bool spot = l->type == SPOTLIGHT;
  if (!spot && l->type != POINTLIGHT) return;  // other kinds have no LightWave form here
  const char* name = l->get_name() ? l->get_name() : "";
  run_.log().write("Working on: %s\n", name);
  const int target = spot ? TargetNull(name, l->target) : 0;
  out_.Printf("%s\n", "AddLight");
  out_.Printf("%s %s\n", "LightName", LineSafe(name).c_str());
  out_.Printf("%s\n", "ShowLight 1 7");
  if (v1_) {
    out_.Printf("%s\n", "LightMotion");
    out_.Printf("%s\n", "NumChannels 9");
    Channels(l->position, 9);
    out_.Printf("%s %.3f %.3f %.3f\n", "LightColor", l->color.r, l->color.g, l->color.b);
  } else {
    OldMotion("LightMotion (unnamed)", l->position);
    out_.Printf("%s\n", "LockedChannels 4");
    auto byte = [](double v) { return v > 0 ? (v < 1 ? static_cast<int>(v * 255.0) : 255) : 0; };
    out_.Printf("%s %d %d %d\n", "LightColor", byte(l->color.r), byte(l->color.g), byte(l->color.b));
  }
  out_.Printf("%s %.3f\n", "LgtIntensity", l->intensity);
  out_.Printf("%s %d\n", "LightType", spot ? 2 : 1);
  if (spot) out_.Printf("%s %.3f\n", "ConeAngle", l->falloff / 2.0);
  out_.Printf("%s %d\n", "ShadowType", 1);
  if (spot) out_.Printf("%s %d\n", "TargetObject", target);
  out_.Printf("\n");
}

// Object file names are unique within the scene whatever the names of the
// objects (and of the objects references stand for).
std::string SceneWriter::UniqueFileName(const char* name) {
  const char* u = m_unifymeshname(name ? name : "", 1);
  std::string base = u && *u ? u : "object";
  std::string candidate = base;
  for (int k = 1;; ++k) {
    std::string key = candidate;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (file_names_.insert(key).second) return candidate + ".lwo";
    candidate = base + "_" + std::to_string(k);
  }
}

bool SceneWriter::Directory(const std::string& dir) {
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec) || m_CreateDirectory(dir.c_str())) return true;
  run_.Fail("cannot create the folder %s", dir.c_str());
  return false;
}

void SceneWriter::Objects() {
  const std::string content = Folder(o_->content_dir);
  const char* sub = o_->subdir_mode && o_->Get_SubDir() ? o_->Get_SubDir() : nullptr;
  std::string object_dir = run_.dir();
  std::string scene_prefix;  // how the scene file names the object folder
  if (o_->use_homepath) {
    scene_prefix = "objects/";
    if (sub) scene_prefix += std::string(sub) + "/";
    object_dir = content + scene_prefix;
    if (!Directory(content + "objects/") || (sub && !Directory(object_dir))) return;
  }
  MExportWalkOptions walk;
  walk.triangulate = false;
  walk.cache = false;
  int walked = 0;
  ForEachExportMesh(scene_, cb_, walk, [&](const MExportMesh& m) {
    if (run_.Failed()) return;
    const int index = walked++;
    const std::string file = UniqueFileName(m.source->get_name());
    const std::string path = object_dir + file;
    run_.log().write("Working on: %s\n", m.source->get_name() ? m.source->get_name() : "");
    run_.log().write("-> Writing %s ...\n", path.c_str());
    lwoexp::ObjectFile in;
    in.scene = scene_;
    in.mesh = m.mesh;
    in.matrix = m.matrix;
    in.version = v1_ ? 1 : 0;
    in.walk_index = index;
    in.images = &o_->image_handler;
    in.log = &run_.log();
    std::vector<uint8_t> bytes;
    std::string error;
    if (!lwoexp::WriteObjectFile(in, &bytes, &error)) return run_.Fail("%s", error.c_str());
    MOutputFile* f = run_.Open(path);
    if (!f) return;
    f->Write(bytes.data(), bytes.size());
    ++object_number_;
    const std::string ref = scene_prefix + file;
    if (v1_) {
      out_.Printf("%s %d %s\n", "LoadObjectLayer", 1, ref.c_str());
      out_.Printf("%s\n", "ShowObject 6 3");
      out_.Printf("%s\n", "ObjectMotion");
      out_.Printf("%s\n", "NumChannels 9");
      Channels(MVector3(0, 0, 0), 9);
      out_.Printf("%s\n", "ShadowOptions 7");
      out_.Printf("\n");
    } else {
      out_.Printf("%s %s\n", "LoadObject", ref.c_str());
      out_.Printf("%s\n", "ShowObject 4 7");
      out_.Printf("%s\n", "ObjectMotion (unnamed)");
      out_.Printf("%s\n", "  9");
      out_.Printf("%s\n", "  1");
      out_.Printf("%s\n", "  0 0 0 0 0 0 1 1 1");
      out_.Printf("%s\n", "  0 0 0 0 0");
      out_.Printf("%s\n", "EndBehavior 1");
      out_.Printf("%s\n", "ShadowOptions 7");
    }
  });
}

void SceneWriter::Write() {
  Header();
  kvpf::ReportStep(cb_, 0, kSteps, "Settings ...");
  kvpf::ReportStep(cb_, 1, kSteps, "Background ...");
  kvpf::ReportStep(cb_, 3, kSteps, "Cameras ...");
  if (MCamera* c = static_cast<MCamera*>(scene_->cameras ? scene_->cameras->GetAt(0) : nullptr)) Camera(c);
  kvpf::ReportStep(cb_, 4, kSteps, "Lights ...");
  const int lights = scene_->lights ? scene_->lights->count : 0;
  for (int i = 0; i < lights; ++i) {
    MLight* l = static_cast<MLight*>(scene_->lights->GetAt(i));
    if (!l) continue;
    kvpf::ReportItem(cb_, l->get_name() ? l->get_name() : "", i, lights);
    Light(l);
  }
  kvpf::ReportStep(cb_, 5, kSteps, "Meshes ...");
  Objects();
}

// The maps go into the content folder's images (with the home path) or
// beside the scene.
void ProcessMaps(MScene* scene, LwoExportOption* o, MessageCallBack1* cb, kvpf::ExportRun& run) {
  if (cb) cb->msg1("Map Files");
  if (cb) cb->progress1(100, 100);
  std::string dest = run.dir();
  if (o->use_homepath) {
    dest = Folder(o->content_dir) + "images/";
    if (o->subdir_mode && o->Get_SubDir()) dest += std::string(o->Get_SubDir()) + "/";
    m_CreateDirectory((Folder(o->content_dir) + "images/").c_str());
    m_CreateDirectory(dest.c_str());
  }
  run.ProcessMaps(o->image_handler, scene->maps, dest + run.base() + ".lws");
}

int ExportLwo(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  LwoExportOption* o = static_cast<LwoExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle, KV_BUILD_STAMP, kvpf::ExportRun::kWritingFirst);
  MOutputFile* f = run.Open();
  if (!f) return 0;
  {
    MTextWriter out(*f, o->ld_mode);
    SceneWriter writer(scene, o, cb, run, out);
    writer.Write();
  }
  run.log().write("Writing %s finished       \n", run.path().c_str());
  if (o->lwo_version == 1 && !run.Failed()) ProcessMaps(scene, o, cb, run);
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new LwoExportOption(argc, argv);
  return new LwoExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  return static_cast<LwoExportOption*>(base)->Fields(out, max);
}

// The writer exchanges y and z into LightWave's Y-up left-handed axes
// itself: it takes Z-up scenes.
kvpf::ExportClassDesc lwo_export_desc(kvpf::ExportClassInfo{"LightWave (*.lws)", 0x5C244547u,
                                                            kvpf::PluginTexts{"LightWave", LwoExportOption::Help()},
                                                            NewOptions, ExportLwo, OptionFields}, kAxesZUp);

PluginClassDesc* const kClasses[] = {&lwo_export_desc};

}  // namespace

KV_PLUGIN_LIBRARY("LWO Export Lib", kClasses)
