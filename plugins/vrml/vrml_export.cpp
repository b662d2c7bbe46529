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
  out.Printf("#\tCreated by VRML Export Plugin 1.0 at %s", kvpf::CtimeNow().c_str());
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
  r.out.Quoted(std::string("Created from ") + (from ? from : ""));
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
    if (o->export_global_setting) {
      step(kSettings);
      WriteSettings(r);
    }
    if (o->export_back_ground) step(kBackground);
    if (o->export_atmosphere) step(kAtmosphere);
    if (o->export_cameras) {
      step(kCameras);
      WriteCamera(r);
    }
    if (o->export_global_setting) WriteGlobalAmbient(r);
    if (o->export_lights) {
      step(kLights);
      WriteLights(r);
    }
    if (o->export_materials) {
      step(kMaterials);
      // 2.0 defines each appearance in the first shape that uses it.
      if (!r.v2) WriteMaterials10(r);
    }
    if (o->export_meshes) {
      step(kMeshes);
      WriteMeshes(r);
    }
    if (!r.v2) out.Line("}");
  }
  const int written = run.Finish();
  step(kMaps);
  if (scene->maps) o->image_handler.ProcessMapFiles(run.log().Get_FILE(), cb, scene->maps, run.path().c_str());
  return written;
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  VrmlExportOption* o = static_cast<VrmlExportOption*>(base);
  return o->OptionFields({{1037, "VRML 2.0", KV_FIELD_FLAG, &o->use_vrml20, sizeof(int)}}, out, max);
}

kvpf::ExportClassDesc vrml_export_desc(kvpf::ExportClassInfo{
    kClassName, kClassId, kvpf::PluginTexts{kShortName, VrmlExportOption::Get_HelpString()},
    kvpf::NewExportOptions<VrmlExportOption>, ExportVrml, OptionFields});

PluginClassDesc* const kClasses[] = {&vrml_export_desc};

}  // namespace
}  // namespace kvrml

KV_PLUGIN_LIBRARY(kvrml::kLibName, kvrml::kClasses)
