// Lightflow export: a Python script that builds the scene with the
// renderer's module (ambient light, lights, one material per surface, the
// meshes by material), sets up a camera with an image saver and renders.
#include <cmath>
#include <string>

#include "lightflow_export.h"
#include "plugin_framework.h"

namespace ltw {
namespace {

const char kHelp[] =
    "** Lightflow Export Plugin 1.0 **\n\tExports *.py, Lightflow\n\tMap conversion supported\n"
    "\t-export_global_setting=FLAG; // export scale, shadowsettings and ambient\n"
    "\t-export_back_ground=FLAG; // export solid, gradient and bitmap\n\t-export_atmosphere=FLAG; // export fog\n"
    "\t-export_meshes=FLAG; // export vertices, faces, normals, uv and surfaces\n\t-export_materials=FLAG; //\n"
    "\t-export_cameras=FLAG; //\n\t-export_lights=FLAG; //\n\n";

void Header(LtwRun& r) {
  PyText& py = r.py;
  py.Put("#\t");
  py.Line(kNotice);
  py.Put("#\tCreated by Lightflow Export Plugin 1.0 at ");
  py.Line(kvpf::TimeText().c_str());
  py.Put("#\t");
  py.Put(kStructure);
  py.Line(":");
  py.Line("#");
  py.Line("#! /usr/bin/env python");
  py.Line("");
  py.Line("from math import *");
  py.Put("from ");
  py.Put(kModule);
  py.Line(" import *");
  py.Line("");
  py.Line("s = scene()");
  const MVector3& bl = r.scene->GetBoundLeft();
  const MVector3& br = r.scene->GetBoundRight();
  py.Printf("# WorldBoundMin = <%lf, %lf, %lf>;\n", bl.x, bl.y, bl.z);
  py.Printf("# WorldBoundMax = <%lf, %lf, %lf>;\n", br.x, br.y, br.z);
  py.Line("# ");
  py.Line("# ");
}

void Ambient(LtwRun& r) {
  const MSceneOptions& o = r.scene->options;
  const double k = o.ambient_intensity;
  r.py.Put("s.lightOn( s.newLight( \"ambient\", [ \"color\", ");
  r.py.Vector3(MVector3(o.ambient_color.r * k, o.ambient_color.g * k, o.ambient_color.b * k), 3);
  r.py.Line(" ] ) )");
}

void Lights(LtwRun& r) {
  MList* lights = r.scene->lights;
  const int n = lights ? lights->count : 0;
  for (int i = 0; i < n; ++i) {
    MLight* l = static_cast<MLight*>(lights->GetAt(i));
    if (!l || (l->type != POINTLIGHT && l->type != SPOTLIGHT)) continue;
    const char* name = l->get_name() ? l->get_name() : "";
    kvpf::ReportItem(r.cb, name, i, n);
    r.run.log().write("Working on: %s\n", name);
    PyText& py = r.py;
    py.Comment("# Light: ", name);
    const bool spot = l->type == SPOTLIGHT;
    py.Put(spot ? "s.lightOn( s.newLight( \"conic\", [ \"position\", " : "s.lightOn( s.newLight( \"point\", [ \"position\", ");
    py.Vector3(l->position, 3, true);
    if (spot) {
      py.Put(", \"direction\", ");
      py.Vector3(vect_normalize(l->target - l->position), 3, true);
      py.Put(", \"angle\", ");
      py.Num(l->hotspot / 2 * kRadPerDeg, 3);
      py.Put(", ");
      py.Num(l->falloff / 2 * kRadPerDeg, 3);
    }
    const double k = l->intensity;
    py.Put(", \"color\", ");
    py.Vector3(MVector3(l->color.r * k, l->color.g * k, l->color.b * k), 3);
    py.Put(", \"decay\", ");
    py.Num(0, 3);
    py.Line(" ] ) )");
  }
}

void Materials(LtwRun& r) {
  MList* surfaces = r.scene->surfaces;
  const int n = surfaces ? surfaces->count : 0;
  for (int i = 0; i < n; ++i) {
    MSurface* s = static_cast<MSurface*>(surfaces->GetAt(i));
    if (!s) continue;
    kvpf::ReportItem(r.cb, s->get_name(), i, n);
    r.py.Comment("#Material ", s->get_name());
    const std::string var = r.names.Make(kMaterialPrefix, s->get_name());
    // The first surface of a name is the one meshes find.
    if (WriteMaterial(r, s, var)) r.materials.emplace(s->get_name(), var);
  }
}

void Camera(LtwRun& r) {
  MCamera* cam = m_active_camera(r.scene);
  if (!cam) return;
  const char* name = cam->get_name() ? cam->get_name() : "";
  kvpf::ReportItem(r.cb, name, 0, 1);
  r.run.log().write("Working on: %s\n", name);
  PyText& py = r.py;
  py.Put("saver = s.newImager( \"tga-saver\", [ \"file\", ");
  py.Str((r.run.base() + kImageExt).c_str());
  py.Line(" ] )");
  py.Line("s.imagerBegin( saver )");
  py.Put("camera = s.newCamera( \"pinhole\", [\"eye\", ");
  py.Vector3(cam->position, 3, true);
  py.Put(", \"aim\", ");
  py.Vector3(cam->target, 3, true);
  py.Put(", \"up\", ");
  py.Vector3(cam->up, 3, true);
  py.Put(", \"fov\", ");
  py.Num((cam->fov - kFovOffset) * kRadPerDeg, 3);
  py.Put(", \"aspect\", ");
  py.Num(kAspect, 3);
  py.Line(" ] )");
  py.Line("s.imagerEnd()");
  r.py.Printf("s.render( camera, %d, %d )\n", kWidth, kHeight);
}

int ExportLightflow(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  LightflowExportOption* o = static_cast<LightflowExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle);
  if (MOutputFile* f = run.Open()) {
    PyText py(*f, o->ld_mode);
    LtwRun r{scene, o, run, cb, py, {}, {}, {}};
    Header(r);
    if (o->switches.global_setting) kvpf::ReportStep(cb, 0, 8, "Settings ...");
    if (o->switches.back_ground) kvpf::ReportStep(cb, 1, 8, "Background ...");
    if (o->switches.atmosphere) kvpf::ReportStep(cb, 2, 8, "Atmosphere ...");
    if (o->switches.global_setting) {
      kvpf::ReportStep(cb, 4, 8, "Lights ...");
      Ambient(r);
    }
    if (o->switches.lights) {
      kvpf::ReportStep(cb, 4, 8, "Lights ...");
      Lights(r);
    }
    if (o->switches.materials) {
      kvpf::ReportStep(cb, 5, 8, "Materials ...");
      Materials(r);
    }
    if (o->switches.meshes) {
      kvpf::ReportStep(cb, 6, 8, "Meshes ...");
      WriteMeshes(r);
    }
    if (o->switches.cameras) {
      kvpf::ReportStep(cb, 7, 8, "Cameras ...");
      Camera(r);
    }
  }
  kvpf::ReportStep(cb, 7, 8, "Maps ...");
  run.ProcessMaps(o->image_handler, scene->maps);
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new LightflowExportOption(argc, argv);
  return new LightflowExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  kvpf::FlagOption flags[LightflowExportOption::kFlagCount];
  static_cast<LightflowExportOption*>(base)->Flags(flags);
  return kvpf::FlagFields(flags, 1030, out, max);
}

kvpf::ExportClassDesc ltw_export_desc(kvpf::ExportClassInfo{kClassName, kClassId, kvpf::PluginTexts{"LTW", kHelp},
                                                            NewOptions, ExportLightflow, OptionFields});

PluginClassDesc* const kClasses[] = {&ltw_export_desc};

}  // namespace
}  // namespace ltw

KV_PLUGIN_LIBRARY(ltw::kLibName, ltw::kClasses)
