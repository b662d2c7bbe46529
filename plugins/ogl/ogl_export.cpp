// OpenGL source export: a C source file of initialised arrays (bounds,
// background, lights, materials, texture maps, every object's vertices,
// normals, texture coordinates and faces, the objects table) and its header
// of record types, sizes and declarations; then the map files.
#include <string>
#include <vector>

#include "ogl_export.h"
#include "plugin_framework.h"

namespace ogl {
namespace {

const char kHelp[] =
    "** OpenGL Export Plugin 1.0 **\n\tExports *.c, OpenGL\n\tMap conversion supported\n"
    "\t-write_scene_name=FLAG; // uses scene.cpp and scene.h as filenames\n\n";

void CommentHeader(CText& t) {
  t.Line("/*");
  t.Put("\t");
  t.Line(kNotice);
  t.Put("\tCreated by OpenGL Export Plugin 1.0 at ");
  t.Line(kvpf::TimeText().c_str());
  t.Put("\t");
  t.Line(kStructure);
  t.Line("*/");
  t.Line("");
}

void Bounds(OglRun& r) {
  r.src.Put("#include ");
  r.src.String((r.run.base() + "." + kHeaderExt).c_str());
  r.src.Line("");
  r.src.Line("");
  const MVector3& bl = r.scene->GetBoundLeft();
  const MVector3& br = r.scene->GetBoundRight();
  r.src.Put("float WorldBoundMin[3] = {");
  r.src.Floats(bl);
  r.src.Line("};");
  r.src.Put("float WorldBoundMax[3] = {");
  r.src.Floats(br);
  r.src.Line("};");
  r.src.Line("");
  r.hdr.Line("extern float WorldBoundMin[3];");
  r.hdr.Line("extern float WorldBoundMax[3];");
  r.hdr.Line("");
  r.hdr.Put("#define SCENE_NAME ");
  r.hdr.String(r.o->Get_RelImportFilename());
  r.hdr.Line("");
}

void Background(OglRun& r) {
  r.src.Line("/* BackGround */");
  r.hdr.Line("/* BackGround Definitions */");
  const MBackGround& bg = r.scene->background;
  MColor c(0, 0, 0);
  if (bg.type == BCKG_SOLID) c = bg.solid_color;
  else if (bg.type == BCKG_GRADIENT) c = bg.top_color;
  else if (bg.type != BCKG_NO && bg.type != BCKG_TEXTURE) return;
  r.src.Put("float background[3] = { ");
  r.src.Floats(c);
  r.src.Line("};");
  r.hdr.Line("extern float background[3];");
}

}  // namespace

bool BeginTable(OglRun& r, const char* type, const char* name, const char* size_name, const char* comment, int count) {
  r.hdr.Printf("#define %s (%d)\n", size_name, count);
  if (count == 0) {
    r.hdr.Printf("extern %s %s[1];\n", type, name);
    r.src.Printf("%s\n%s %s[1] = \n{\n\t 0\n};\n", comment, type, name);
    return false;
  }
  r.hdr.Printf("extern %s %s[%s];\n", type, name, size_name);
  r.src.Printf("%s\n%s %s[%s] = \n{\n", comment, type, name, size_name);
  return true;
}

namespace {

bool Drawn(const MLight* l) { return l && (l->type == POINTLIGHT || l->type == SPOTLIGHT); }

void Lights(OglRun& r) {
  r.hdr.Line("/* Light Definitions */");
  r.hdr.Put(kLightDef);
  MList* lights = r.scene->lights;
  const int n = lights ? lights->count : 0;
  // Only point and spot lights have an entry, so only they are counted.
  int count = 0;
  for (int i = 0; i < n; ++i) count += Drawn(static_cast<MLight*>(lights->GetAt(i)));
  if (!BeginTable(r, "Light_Def", "lights", "MAX_LIGHTS", "/* Lights */", count)) return;
  int written = 0;
  for (int i = 0; i < n; ++i) {
    MLight* l = static_cast<MLight*>(lights->GetAt(i));
    if (!Drawn(l)) continue;
    const char* name = l->get_name() ? l->get_name() : "";
    kvpf::ReportItem(r.cb, name, i, n);
    r.run.log().write("Working on: %s\n", name);
    const bool spot = l->type == SPOTLIGHT;
    r.src.Put(spot ? "/* SpotLight: " : "/* PointLight: ");
    r.src.CommentText(name);
    r.src.Line("*/");
    const MColor& c = l->color;
    r.src.Put("\t{{");
    r.src.Floats(c.r * l->intensity, c.g * l->intensity, c.b * l->intensity);
    r.src.Put("},{");
    r.src.Floats(l->position);
    r.src.Put(spot ? "},1,{" : "},0,{");
    r.src.Floats(spot ? vect_normalize(l->target - l->position) : MVector3(0, 0, 0));
    r.src.Put("},");
    r.src.Float(spot ? l->hotspot : 0);
    r.src.Put(",");
    r.src.Float(spot ? l->falloff : 0);
    r.src.Put("}");
    r.src.Line(++written < count ? "," : "");
  }
  r.src.Line("};");
}

// The map a material is drawn with, or none.
bool TextureMap(OglRun& r, MSurface* s, std::string* name) {
  MSrf_TextureLayer* l = s->layers.Get(0);
  if (!l || !l->diffuse_color.enabled || l->texture.kind != _2DBITMAP) return false;
  const char* n = r.o->image_handler.GetNewMapName(l->texture.bitmap.file_name, 0, "");
  if (!n || !*n) return false;
  *name = n;
  return true;
}

void Materials(OglRun& r, std::vector<std::string>* maps) {
  r.hdr.Line("/* Material Definitions */");
  r.hdr.Put(kMaterialDef);
  MList* surfaces = r.scene->surfaces;
  const int n = surfaces ? surfaces->count : 0;
  if (!BeginTable(r, "Material_Def", "materials", "MAX_MATERIALS", "/* Materials */", n)) return;
  for (int i = 0; i < n; ++i) {
    MSurface* s = static_cast<MSurface*>(surfaces->GetAt(i));
    const char* name = s ? s->get_name() : "";
    kvpf::ReportItem(r.cb, name, i, n);
    r.src.Put("/* Material: ");
    r.src.CommentText(name);
    r.src.Line("*/");
    MColor ambient(0, 0, 0), diffuse(0, 0, 0), specular(0, 0, 0);
    double alpha = 1;
    int texture = -1;
    std::string map;
    if (s && TextureMap(r, s, &map)) {
      maps->push_back(map);
      texture = static_cast<int>(maps->size()) - 1;
      ambient = MColor(kTexturedAmbient, kTexturedAmbient, kTexturedAmbient);
      diffuse = MColor(kTexturedDiffuse, kTexturedDiffuse, kTexturedDiffuse);
      specular = MColor(kTexturedSpecular, kTexturedSpecular, kTexturedSpecular);
    } else if (s) {
      const MSrf_Color& c = s->color;
      auto times = [](const MColor& col, double k) { return MColor(col.r * k, col.g * k, col.b * k); };
      diffuse = times(c.diffuse, c.diffuse_intensity);
      ambient = c.lock_ambient ? diffuse : times(c.ambient, c.ambient_intensity);
      specular = c.lock_specular ? diffuse : times(c.specular, c.specular_intensity);
    }
    if (s) alpha = s->opref.surface_opacity;
    r.src.Put("\t{{");
    r.src.Floats(ambient);
    r.src.Put("},{");
    r.src.Floats(diffuse);
    r.src.Put("},{");
    r.src.Floats(specular);
    r.src.Put("},{");
    r.src.Floats(0, 0, 0);
    r.src.Put("},");
    r.src.Float(alpha);
    r.src.Put(",");
    r.src.Int(texture);
    r.src.Put("}");
    r.src.Line(i + 1 < n ? "," : "");
  }
  r.src.Line("};");
}

void TextureMaps(OglRun& r, const std::vector<std::string>& maps) {
  r.hdr.Line("/* Texture Map Definitions */");
  r.hdr.Put(kMapDef);
  if (!BeginTable(r, "Map_Def", "texture_maps", "MAX_TEXTUREMAPS", "/* Texture Maps*/", static_cast<int>(maps.size())))
    return;
  for (size_t i = 0; i < maps.size(); ++i) {
    r.src.Put("\t{");
    r.src.String(maps[i].c_str());
    r.src.Put(",0}");
    r.src.Line(i + 1 < maps.size() ? "," : "");
  }
  r.src.Line("};");
}

int ExportOgl(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  OglExportOption* o = static_cast<OglExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle, kStamp);
  if (o->write_scene_name) run.Rename(kSceneName);
  MOutputFile* src_file = run.Open();
  MOutputFile* hdr_file = src_file ? run.Open(run.Companion(".h")) : nullptr;
  if (hdr_file) {
    CText src(*src_file, o->ld_mode), hdr(*hdr_file, o->ld_mode);
    OglRun r{scene, o, run, cb, src, hdr};
    CommentHeader(src);
    CommentHeader(hdr);
    Bounds(r);
    kvpf::ReportStep(cb, 0, 8, "Settings ...");
    kvpf::ReportStep(cb, 1, 8, "Background ...");
    Background(r);
    kvpf::ReportStep(cb, 2, 8, "Atmosphere ...");
    kvpf::ReportStep(cb, 4, 8, "Lights ...");
    Lights(r);
    kvpf::ReportStep(cb, 5, 8, "Materials ...");
    std::vector<std::string> maps;
    Materials(r, &maps);
    TextureMaps(r, maps);
    kvpf::ReportStep(cb, 6, 8, "Meshes ...");
    WriteObjects(r);
    kvpf::ReportStep(cb, 7, 8, "Cameras ...");
  }
  kvpf::ReportStep(cb, 7, 8, "Maps ...");
  run.ProcessMaps(o->image_handler, scene->maps);
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new OglExportOption(argc, argv);
  return new OglExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  const kvpf::FlagOption flag = static_cast<OglExportOption*>(base)->Flag();
  return kvpf::FlagFields(&flag, 1, 1030, out, max);
}

kvpf::ExportClassDesc ogl_export_desc(kvpf::ExportClassInfo{kClassName, kClassId, kvpf::PluginTexts{"OGL", kHelp},
                                                            NewOptions, ExportOgl, OptionFields});

PluginClassDesc* const kClasses[] = {&ogl_export_desc};

}  // namespace
}  // namespace ogl

KV_PLUGIN_LIBRARY(ogl::kLibName, ogl::kClasses)
