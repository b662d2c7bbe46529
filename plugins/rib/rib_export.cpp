// RenderMan export: one RIB file with the camera, lights, the objects with
// their surfaces, then the map files.
#include <cmath>
#include <string>

#include "plugin_framework.h"
#include "rib_export.h"

namespace rib {
namespace {

constexpr double kDegPerRad = 57.29577951308232;
constexpr double kRadPerDeg = 0.017453292519943295;

const char kHelp[] =
    "** RIB Export Plugin 1.0 **\n\tExports *.rib, RenderMan (BMRT, PRMan)\n\tMap conversion supported\n"
    "\t-export_global_setting=FLAG; // export the global ambient light\n"
    "\t-export_back_ground=FLAG; // export solid, gradient and bitmap\n\t-export_atmosphere=FLAG; // export fog\n"
    "\t-export_meshes=FLAG; // export vertices, faces, normals, uv and surfaces\n\t-export_materials=FLAG; //\n"
    "\t-export_cameras=FLAG; //\n\t-export_lights=FLAG; //\n"
    "\t-std_shader=FLAG; // 0: use 3dto3d shader, 1 use Std shader \n"
    "\t-bmrt_compatible=FLAG; // writes BMRT compatible files\n\n";

void Header(RibRun& r) {
  RibText& t = r.text;
  t.Put("#\t");
  t.Line(kNotice);
  t.Put("#\tCreated by RIB Export Plugin 1.0 at ");
  t.Line(kvpf::TimeText().c_str());
  t.Put("#\t");
  t.Put(kStructure);
  t.Line(":");
  t.Put("#\t");
  t.Line(r.o->bmrt_compatible ? kBmrt : kPrman);
  const MVector3& bl = r.scene->GetBoundLeft();
  const MVector3& br = r.scene->GetBoundRight();
  r.text.Printf("# WorldBoundMin = <%lf, %lf, %lf>;\n", bl.x, bl.y, bl.z);
  r.text.Printf("# WorldBoundMax = <%lf, %lf, %lf>;\n", br.x, br.y, br.z);
  t.Line("# ");
  t.Put("version ");
  t.Line(kVersion);
  r.text.Printf("Format %d %d %d\n", kWidth, kHeight, kPixelAspect);
  t.Line("# ");
  t.Put("Display ");
  t.Str((r.run.base() + "." + kImageExt).c_str());
  t.Put(" ");
  t.Str("file");
  t.Put(" ");
  t.Str("rgb");
  t.EndLine();
  t.Line("# ");
}

// PRMan reads its own texture files: one for every map of the scene.
void MakeTextures(RibRun& r) {
  MMapList* maps = r.scene->maps;
  for (int i = 0; maps && i < maps->Get_Count_Maps(); ++i) {
    MMap* map = maps->GetMap(i);
    if (!map || map->ref != -1) continue;
    const char* converted = r.o->image_handler.GetNewMapName(map->name, 0, "");
    std::string picture = converted ? converted : map->name;
    MPathParts parts = m_split_path(map->name);
    RibText& t = r.text;
    t.Put("MakeTexture ");
    t.Str(picture.c_str());
    t.Put(" ");
    t.Str((parts.fname + "." + kTextureExt).c_str());
    t.Put(" ");
    t.Str("clamp");
    t.Put(" ");
    t.Str("clamp");
    t.Put(" ");
    t.Str("box");
    t.Line(" 1.0 1.0");
  }
}

void Declare(RibText& t, const char* name, const char* type) {
  t.Put("Declare ");
  t.Str(name);
  t.Put(" ");
  t.Str(type);
  t.EndLine();
}

// The program's background imager; the standard shaders have none.
void Background(RibRun& r) {
  RibText& t = r.text;
  const MBackGround& bg = r.scene->background;
  const bool fog = r.scene->fog.enabled != 0;
  if (fog || bg.type == BCKG_SOLID) {
    Declare(t, "type", "float");
    Declare(t, "solidcolor", "color");
    t.Request("Imager", kBackgroundImager);
    t.Param("type", 0);
    t.Param("solidcolor", fog ? r.scene->fog.color : bg.solid_color);
  } else if (bg.type == BCKG_GRADIENT) {
    Declare(t, "type", "float");
    Declare(t, "g1color", "color");
    Declare(t, "g2color", "color");
    Declare(t, "g3color", "color");
    Declare(t, "percent", "float");
    t.Request("Imager", kBackgroundImager);
    t.Param("type", 1);
    t.Param("g1color", bg.top_color);
    t.Param("g2color", bg.mid_color);
    t.Param("g3color", bg.bottom_color);
    t.Param("percent", bg.mid_pos);
  } else if (bg.type == BCKG_TEXTURE && bg.texture.kind == _2DBITMAP && bg.texture.bitmap.file_name[0]) {
    Declare(t, "type", "float");
    Declare(t, "texturename", "string");
    t.Request("Imager", kBackgroundImager);
    t.Param("type", 2);
    t.Param("texturename", MapName(r, bg.texture.bitmap.file_name).c_str());
  }
}

void Atmosphere(RibRun& r) {
  const MFog& fog = r.scene->fog;
  if (!fog.enabled) return;
  r.text.Request("Atmosphere", r.shaders.fog);
  r.text.Param("distance", fog.far_plane * kFogDistanceFactor);
  r.text.Param("background", fog.color);
}

double AcosDeg(double c) { return std::acos(c < -1 ? -1 : (c > 1 ? 1 : c)) * kDegPerRad; }

void Rotate(RibText& t, double angle, int x, int y, int z) {
  t.Put("Rotate ");
  t.Num(angle, 2);
  t.Put(" ");
  t.Num(x, 2);
  t.Put(" ");
  t.Num(y, 2);
  t.Put(" ");
  t.Num(z, 2);
  t.EndLine();
}

// The camera transform: turn the view direction onto +z (yaw about y, then
// pitch about x), after moving the eye to the origin. Roll is not applied.
void Camera(RibRun& r) {
  MCamera* cam = m_active_camera(r.scene);
  if (!cam) return;
  const char* name = cam->get_name() ? cam->get_name() : "";
  kvpf::ReportItem(r.cb, name, 0, 1);
  r.run.log().write("Working on: %s\n", name);
  RibText& t = r.text;
  const MVector3 P = cam->position, T = cam->target;
  const MVector3 up = vect_axis_rotate(cam->up, vect_normalize(T - P), -cam->roll_angle);
  t.Put("# CameraOrientation");
  for (double v : {P.x, P.y, P.z, T.x, T.y, T.z, up.x, up.y, up.z}) {
    t.Put(" ");
    t.Num(v);
  }
  t.Line(" ");
  t.Put("Projection ");
  t.Str("perspective");
  t.Put(" ");
  t.Str("fov");
  t.Put(" [");
  t.Num(cam->fov * kFovFactor);
  t.Line("]");

  const MVector3 p = ToRib(P), d = ToRib(T) - p;
  const double h = std::sqrt(d.x * d.x + d.z * d.z), len = d.Length();
  const double yaw = h > 0 ? AcosDeg(d.z / h) : (d.y >= 0 ? 0.0 : 180.0);
  const double pitch = len > 0 ? AcosDeg(h / len) : 0.0;
  if (std::fabs(pitch) > kMinAngle) Rotate(t, d.y > 0 ? pitch : -pitch, 1, 0, 0);
  if (std::fabs(yaw) > kMinAngle) Rotate(t, d.x > 0 ? -yaw : yaw, 0, 1, 0);
  t.Put("Translate ");
  t.Num(-p.x, 2);
  t.Put(" ");
  t.Num(-p.y, 2);
  t.Put(" ");
  t.Num(-p.z, 2);
  t.EndLine();
}

void LightSource(RibRun& r, const char* shader, int handle, const char* shadows) {
  if (r.o->bmrt_compatible) {
    r.text.Put("Attribute ");
    r.text.Str("light");
    r.text.Put(" ");
    r.text.Str("shadows");
    r.text.Put(" ");
    r.text.Str(shadows);
    r.text.EndLine();
  }
  r.text.Put("LightSource ");
  r.text.Str(shader);
  r.text.Put(" ");
  r.text.Int(handle);
  r.text.EndLine();
}

void GlobalAmbient(RibRun& r) {
  r.text.Line("# Light: global ambient");
  LightSource(r, r.shaders.ambient, kAmbientHandle, "off");
  r.text.Param("lightcolor", r.scene->options.ambient_color);
  r.text.Param("intensity", r.scene->options.ambient_intensity * kAmbientIntensityFactor);
}

void Lights(RibRun& r) {
  MList* lights = r.scene->lights;
  const int n = lights ? lights->count : 0;
  for (int i = 0; i < n; ++i) {
    MLight* l = static_cast<MLight*>(lights->GetAt(i));
    if (!l || (l->type != POINTLIGHT && l->type != SPOTLIGHT)) continue;
    const char* name = l->get_name() ? l->get_name() : "";
    kvpf::ReportItem(r.cb, name, i, n);
    r.run.log().write("Working on: %s\n", name);
    r.text.Comment("# Light: ", name);
    const bool spot = l->type == SPOTLIGHT;
    LightSource(r, spot ? r.shaders.spot : r.shaders.point, kFirstLightHandle + i, "on");
    r.text.Param("lightcolor", l->color);
    r.text.Param("intensity", l->intensity);
    r.text.Param("from", ToRib(l->position));
    if (spot) {
      r.text.Param("to", ToRib(l->target));
      r.text.Param("coneangle", l->falloff / 2 * kRadPerDeg);
      r.text.Param("conedeltaangle", l->hotspot / 2 * kRadPerDeg);
      r.text.Param("beamdistribution", 1);
    }
  }
}

}  // namespace

std::string MapName(RibRun& r, const char* file) {
  const char* converted = r.o->image_handler.GetNewMapName(file, 0, r.o->bmrt_compatible ? "" : kTextureExt);
  std::string name = converted && *converted ? converted : kDefaultTexture;
  r.run.log().write("old map file %s to new map file %s\n", file, name.c_str());
  return name;
}

namespace {

int ExportRib(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  RibExportOption* o = static_cast<RibExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle, kStamp);
  if (MOutputFile* f = run.Open()) {
    RibText text(*f, o->ld_mode);
    RibRun r{scene, o, run, cb, text, o->std_shader ? kStandardShaders : kOwnShaders};
    Header(r);
    if (!o->bmrt_compatible) MakeTextures(r);
    if (o->switches.global_setting) kvpf::ReportStep(cb, 0, 8, "Settings ...");
    if (o->switches.back_ground) {
      kvpf::ReportStep(cb, 1, 8, "Background ...");
      if (!o->std_shader) Background(r);
    }
    if (o->switches.atmosphere) {
      kvpf::ReportStep(cb, 2, 8, "Atmosphere ...");
      Atmosphere(r);
    }
    if (o->switches.cameras) {
      kvpf::ReportStep(cb, 3, 8, "Cameras ...");
      Camera(r);
    }
    text.Line("WorldBegin");
    text.Request("Orientation", "rh");
    text.Line("Sides 2");
    text.Line("#");
    if (o->switches.global_setting) GlobalAmbient(r);
    if (o->switches.lights) {
      kvpf::ReportStep(cb, 4, 8, "Lights ...");
      Lights(r);
    }
    if (o->switches.meshes) {
      kvpf::ReportStep(cb, 5, 8, "Meshes ...");
      WriteObjects(r);
    }
    if (o->switches.materials) kvpf::ReportStep(cb, 6, 8, "Materials ...");
    text.Line("WorldEnd");
  }
  kvpf::ReportStep(cb, 7, 8, "Maps ...");
  run.ProcessMaps(o->image_handler, scene->maps);
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new RibExportOption(argc, argv);
  return new RibExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  kvpf::FlagOption flags[RibExportOption::kFlagCount];
  static_cast<RibExportOption*>(base)->Flags(flags);
  return kvpf::FlagFields(flags, 1030, out, max);
}

// The writer exchanges y and z into RenderMan's axes itself: it takes Z-up
// scenes.
kvpf::ExportClassDesc rib_export_desc(kvpf::ExportClassInfo{kClassName, kClassId, kvpf::PluginTexts{"RIB", kHelp},
                                                            NewOptions, ExportRib, OptionFields}, kAxesZUp);

PluginClassDesc* const kClasses[] = {&rib_export_desc};

}  // namespace
}  // namespace rib

KV_PLUGIN_LIBRARY(rib::kLibName, rib::kClasses)
