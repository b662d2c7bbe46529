// POV-Ray export: a master scene file that places the objects, the camera
// and the lights, the include files that declare them, optionally the Moray
// model files, then the map files.

#include "plugin_framework.h"
#include "pov_export_parts.h"

namespace kpov {

Run::Run(MScene* s, PovExportOption* o, kvpf::ExportRun& r, MessageCallBack1* c)
    : scene(s),
      opt(o),
      run(r),
      cb(c),
      dialect(o->pov_version == kPov3Mesh ? kPov3Mesh : (o->pov_version == kMegaPov ? kMegaPov : kPov37)) {
  // One name space for the whole file set.
  names.Reserve(kDefaultTexture);
  names.Reserve("V_WorldBoundMin");
  names.Reserve("V_WorldBoundMax");
  auto each = [](MList* list, auto fn) {
    const int n = list ? list->count : 0;
    for (int i = 0; i < n; ++i) fn(list->GetAt(i));
  };
  each(scene->objects,
       [&](void* p) { object_ids.push_back(Unique(p ? static_cast<MObj3d*>(p)->get_name() : "", kObjectNameMode)); });
  each(scene->cameras,
       [&](void* p) { camera_ids.push_back(Unique(p ? static_cast<MCamera*>(p)->get_name() : "", kObjectNameMode)); });
  each(scene->lights,
       [&](void* p) { light_ids.push_back(Unique(p ? static_cast<MLight*>(p)->get_name() : "", kObjectNameMode)); });
  each(scene->surfaces, [&](void* p) {
    MSurface* sf = static_cast<MSurface*>(p);
    surface_ids.push_back(Unique(sf ? sf->get_name() : "", kTextureNameMode));
    if (sf) surface_by_name.emplace(sf->get_name(), static_cast<int>(surface_ids.size()) - 1);
  });
}

std::string Run::Unique(const char* name, int mode) {
  const char* u = m_unifymeshname(name ? name : "", mode);
  return names.Get(u ? u : "");
}

const std::string& Run::TextureOf(const char* surface_name) const {
  static const std::string def = kDefaultTexture;
  if (!opt->switches.materials) return def;
  auto it = surface_by_name.find(surface_name ? surface_name : "");
  return it == surface_by_name.end() ? def : surface_ids[static_cast<size_t>(it->second)];
}

int ActiveCamera(MScene* scene) {
  MCamera* active = m_active_camera(scene);
  const int n = scene->cameras ? scene->cameras->count : 0;
  for (int i = 0; i < n; ++i)
    if (scene->cameras->GetAt(i) == active) return i;
  return -1;
}

void WriteHeader(Run& r, MTextWriter& out, const char* title) {
  out.Line("/*");
  out.Put('\t');
  out.Line(kNotice);
  out.Printf("\tCreated by POV Export Plugin 1.1 at %s", (kvpf::TimeText() + "\n").c_str());
  // ctime's text ends its line; the format gives one more.
  out.EndLine();
  out.Printf("\t%s:\n", title);
  out.Line("*/");
  out.Line(r.MegaPov() ? kVersionMegaPov : kVersion37);
}

namespace {

std::string FileName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Include(MTextWriter& out, const std::string& path) {
  out.Put("#include ");
  out.Quoted(FileName(path), MTextWriter::kQuoteNoOctal);
  out.EndLine();
}

// Opens a companion of the model file; null (and the run failed) when it
// cannot be opened.
std::unique_ptr<MTextWriter> OpenText(Run& r, const char* suffix, const char* title, bool* ok) {
  MOutputFile* f = r.run.Open(r.run.Companion(suffix));
  if (!f) {
    *ok = false;
    return nullptr;
  }
  auto w = std::make_unique<MTextWriter>(*f, r.opt->ld_mode);
  if (title) WriteHeader(r, *w, title);
  return w;
}

bool OpenFiles(Run& r) {
  PovExportOption* o = r.opt;
  bool ok = true;
  MOutputFile* master = r.run.Open();
  if (!master) return false;
  r.master = std::make_unique<MTextWriter>(*master, o->ld_mode);
  r.master_inc = OpenText(r, kMasterIncSuffix, kMasterIncTitle, &ok);
  if (o->use_udo) r.part_inc = OpenText(r, kPartIncSuffix, kPartIncTitle, &ok);
  r.atmosphere = OpenText(r, kAtmosphereSuffix, kAtmosphereTitle, &ok);
  if (o->switches.meshes) r.objects = OpenText(r, kObjectsSuffix, kObjectsTitle, &ok);
  if (o->switches.cameras) r.cameras = OpenText(r, kCamerasSuffix, kCamerasTitle, &ok);
  if (o->switches.lights) r.lights = OpenText(r, kLightsSuffix, kLightsTitle, &ok);
  if (o->switches.materials) r.materials = OpenText(r, kMaterialsSuffix, kMaterialsTitle, &ok);
  if (o->use_udo) r.udo = OpenText(r, kUdoSuffix, nullptr, &ok);
  return ok;
}

void WriteMasterStart(Run& r) {
  MTextWriter& out = *r.master;
  WriteHeader(r, out, kMasterTitle);
  const MVector3& bl = r.scene->GetBoundLeft();
  const MVector3& br = r.scene->GetBoundRight();
  out.Printf("#declare V_WorldBoundMin = <%lf, %lf, %lf>;\n", bl.x, bl.y, bl.z);
  out.Printf("#declare V_WorldBoundMax = <%lf, %lf, %lf>;\n", br.x, br.y, br.z);
  out.EndLine();
  Include(out, r.run.Companion(kMasterIncSuffix));
  out.EndLine();
}

// The 3.7 dialects always set a gamma (POV-Ray complains without one), so
// the atmosphere file is then always included.
bool AtmosphereIncluded(const Run& r) {
  const PovExportOption* o = r.opt;
  return o->switches.global_setting || o->switches.back_ground || o->switches.atmosphere || !r.MegaPov();
}

void WriteIncludes(Run& r) {
  PovExportOption* o = r.opt;
  MTextWriter& g = *r.master_inc;
  if (o->switches.materials) Include(g, r.run.Companion(kMaterialsSuffix));
  if (o->switches.meshes) Include(g, r.run.Companion(kObjectsSuffix));
  if (o->switches.cameras) Include(g, r.run.Companion(kCamerasSuffix));
  if (o->switches.lights) Include(g, r.run.Companion(kLightsSuffix));
  if (AtmosphereIncluded(r)) Include(g, r.run.Companion(kAtmosphereSuffix));
  if (r.part_inc) {
    if (o->switches.materials) Include(*r.part_inc, r.run.Companion(kMaterialsSuffix));
    if (o->switches.meshes) Include(*r.part_inc, r.run.Companion(kObjectsSuffix));
  }
}

int ExportPov(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  PovExportOption* o = static_cast<PovExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle, kStamp);
  auto step = [&](Step s, const char* text) { kvpf::ReportStep(cb, s, kSteps, text); };
  Run r(scene, o, run, cb);
  if (OpenFiles(r)) {
    step(kMaster, "Master file ...");
    WriteMasterStart(r);
    step(kMasterInc, "Master include file ...");
    WriteIncludes(r);
    if (r.part_inc) step(kPartInc, "Part include file ...");
    step(kAtmosphere, "Atmosphere ...");
    WriteAtmosphere(r);
    if (r.cameras) {
      step(kCameras, "Cameras ...");
      WriteCameras(r);
    }
    if (r.lights) {
      step(kLights, "Lights ...");
      WriteLights(r);
    }
    if (r.objects) {
      step(kObjects, "Objects ...");
      WriteObjects(r);
    }
    if (r.materials) {
      step(kMaterials, "Materials ...");
      WriteMaterials(r);
    }
    if (r.udo) {
      step(kMoray, "Moray files ...");
      WriteMoray(r);
    }
  }
  // Every writer flushes before the files are closed and committed.
  r.master.reset();
  r.master_inc.reset();
  r.part_inc.reset();
  r.atmosphere.reset();
  r.objects.reset();
  r.cameras.reset();
  r.lights.reset();
  r.materials.reset();
  r.udo.reset();
  step(kMaps, "Maps ...");
  run.ProcessMaps(o->image_handler, scene->maps);
  const int written = run.Finish();
  // From the maps as the map step left them, beside a model that stands.
  if (written) ConvertMaps(r);
  return written;
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new PovExportOption(argc, argv);
  return new PovExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  PovExportOption* o = static_cast<PovExportOption*>(base);
  kvpf::FlagOption flags[PovExportOption::kFlagCount];
  o->Flags(flags);
  int n = kvpf::FlagFields(flags, kvpf::SceneSwitches::kCount, 1030, out, max);
  if (n < max) out[n++] = {1037, "POV Version", KV_FIELD_INT, &o->pov_version, sizeof(int)};
  if (n < max) out[n++] = {1038, "Moray UDO/MDL", KV_FIELD_FLAG, &o->use_udo, sizeof(int)};
  return n;
}

kvpf::ExportClassDesc pov_export_desc(kvpf::ExportClassInfo{
    kClassName, kClassId, kvpf::PluginTexts{kShortName, PovExportOption::Get_HelpString()},
    NewOptions, ExportPov, OptionFields});

PluginClassDesc* const kClasses[] = {&pov_export_desc};

}  // namespace
}  // namespace kpov

KV_PLUGIN_LIBRARY(kpov::kLibName, kpov::kClasses)
