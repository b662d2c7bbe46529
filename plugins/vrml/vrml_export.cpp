// VRML export: a VRML 1.0 or 2.0 world with the active camera, the lights,
// the materials and the meshes (one shape per material), then the map files.

#include "format_run.h"
#include "plugin_framework.h"
#include "vrml_export_parts.h"
#include "vrml_format.h"

namespace kvrml {

Run::Run(MScene* s, VrmlExportOption* o, MTextWriter& w, LogFile& l, MessageCallBack1* c)
    : scene(s), opt(o), out(w), log(l), cb(c), v2(o->use_vrml20 != 0) {
  names.Reserve(kGlobalAmbient);
  const int n = scene->surfaces ? scene->surfaces->count : 0;
  for (int i = 0; i < n; ++i) {
    SurfaceNode sn;
    sn.surface = static_cast<MSurface*>(scene->surfaces->GetAt(i));
    if (!sn.surface) continue;
    sn.node = NodeName(kMaterialPrefix, sn.surface->get_name());
    surface_by_name.emplace(sn.surface->get_name(), static_cast<int>(surfaces.size()));
    surfaces.push_back(sn);
  }
}

int Run::FindSurface(const char* name) const {
  auto it = surface_by_name.find(name ? name : "");
  return it == surface_by_name.end() ? -1 : it->second;
}

std::string Run::NodeName(const char* prefix, const char* name) {
  const char* u = m_unifymeshname(name ? name : "", 3);
  return names.Get(std::string(prefix) + (u ? u : ""));
}

namespace {

void WriteHeader(Run& r, const std::string& path) {
  MTextWriter& out = r.out;
  out.Line(r.v2 ? kHeader20 : kHeader10);
  out.Line("#");
  out.Put("#\t");
  out.Line(kNotice);
  out.Printf("#\tCreated by VRML Export Plugin 1.0 at %s", (kvpf::TimeText() + "\n").c_str());
  out.Line("#");
  out.Put("# VRML file: ");
  out.Text(path);
  out.Line(":");
  out.Line("#");
  const MVector3& bl = r.scene->GetBoundLeft();
  const MVector3& br = r.scene->GetBoundRight();
  out.Printf("# WorldBoundMin = <%lf, %lf, %lf>;\n", bl.x, bl.y, bl.z);
  out.Printf("# WorldBoundMax = <%lf, %lf, %lf>;\n", br.x, br.y, br.z);
  out.Line("# ");
}

void WriteWorldStart10(Run& r) {
  const char* from = r.opt->Get_ImportFilename();
  r.out.Line("Separator");
  r.out.Line("{");
  r.out.Line("\tInfo");
  r.out.Line("\t{");
  r.out.Put("\t\tstring\t");
  r.out.Quoted(std::string("Created from ") + (from ? from : ""), MTextWriter::kQuoteNoOctal);
  r.out.EndLine();
  r.out.Line("\t}");
}

void WriteSettings(Run& r) {
  if (r.v2) {
    r.out.Line("WorldInfo { info \"Gravity: off\" }");
    r.out.Line("NavigationInfo { headlight FALSE }");
    return;
  }
  r.out.Printf(
      "\tShapeHints\n\t{\n\t\tvertexOrdering COUNTERCLOCKWISE\n\t\tshapeType SOLID\n\t\tfaceType CONVEX\n\t}\n\n");
}

int ExportVrml(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  VrmlExportOption* o = static_cast<VrmlExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle, kStamp);
  auto step = [&](Step s) { kvpf::ReportStep(cb, s, kSteps, kStepText[s]); };
  if (MOutputFile* f = run.Open()) {
    MTextWriter out(*f, o->ld_mode);
    Run r(scene, o, out, run.log(), cb);
    WriteHeader(r, run.path());
    if (!r.v2) WriteWorldStart10(r);
    if (o->switches.global_setting) {
      step(kSettings);
      WriteSettings(r);
    }
    if (o->switches.back_ground) step(kBackground);
    if (o->switches.atmosphere) step(kAtmosphere);
    if (o->switches.cameras) {
      step(kCameras);
      WriteCamera(r);
    }
    if (o->switches.global_setting) WriteGlobalAmbient(r);
    if (o->switches.lights) {
      step(kLights);
      WriteLights(r);
    }
    if (o->switches.materials) {
      step(kMaterials);
      // 2.0 defines each appearance in the first shape that uses it.
      if (!r.v2) WriteMaterials10(r);
    }
    if (o->switches.meshes) {
      step(kMeshes);
      WriteMeshes(r);
    }
    if (!r.v2) out.Line("}");
  }
  step(kMaps);
  run.ProcessMaps(o->image_handler, scene->maps);
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new VrmlExportOption(argc, argv);
  return new VrmlExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  kvpf::FlagOption flags[VrmlExportOption::kFlagCount];
  static_cast<VrmlExportOption*>(base)->Flags(flags);
  return kvpf::FlagFields(flags, 1030, out, max);
}

// VRML worlds are Y up and right-handed.
kvpf::ExportClassDesc vrml_export_desc(kvpf::ExportClassInfo{
    kClassName, kClassId, kvpf::PluginTexts{kShortName, VrmlExportOption::Get_HelpString()},
    NewOptions, ExportVrml, OptionFields}, kAxesYUp);

PluginClassDesc* const kClasses[] = {&vrml_export_desc};

}  // namespace
}  // namespace kvrml

KV_PLUGIN_LIBRARY(kvrml::kLibName, kvrml::kClasses)
