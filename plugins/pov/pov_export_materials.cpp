// The surfaces of a POV-Ray scene as layered textures: a colour pigment,
// a finish, a bump normal and one pigment layer per diffuse map.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "plugin_framework.h"
#include "pov_export_parts.h"

namespace kpov {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string ExtensionOf(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : name.substr(dot + 1);
}

std::string StemOf(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  const size_t dot = file.find_last_of('.');
  return dot == std::string::npos ? file : file.substr(0, dot);
}

}  // namespace

MapRef PovMap(Run& r, const char* map_name) {
  MIHandler& ih = r.opt->image_handler;
  // Copied maps land beside the scene: the file name alone.
  const char* nn = ih.GetNewMapName(map_name, ih.enable_copy ? 0 : 1, "");
  MapRef ref;
  ref.name = nn ? nn : map_name;
  std::replace(ref.name.begin(), ref.name.end(), '\\', '/');
  const std::string ext = Lower(ExtensionOf(ref.name));
  for (const ImageType& t : kImageTypes)
    if (ext == t.ext) ref.keyword = t.keyword;
  if (ref.keyword.empty()) {
    // A type POV-Ray cannot read (PCX, CEL, ...) goes beside the scene as PNG.
    ref.name = StemOf(ref.name) + "." + kConvertedExt;
    ref.keyword = kConvertedExt;
    const std::string target = r.run.dir() + ref.name;
    bool known = false;
    for (const auto& c : r.conversions) known = known || c.second == target;
    if (!known) r.conversions.emplace_back(map_name, target);
  }
  r.run.log().write("old map file %s to new map file %s\n", map_name, ref.name.c_str());
  return ref;
}

void OpenMapGuard(Run& r, MTextWriter& out, const MapRef& map) {
  if (r.MegaPov()) return;
  out.Put("#if (file_exists(");
  out.Quoted(map.name, MTextWriter::kQuoteNoOctal);
  out.Line("))");
}

void CloseMapGuard(Run& r, MTextWriter& out, const char* fallback) {
  if (r.MegaPov()) return;
  out.Line("#else");
  out.Line(fallback);
  out.Line("#end");
}

namespace {

// A texture layer's picture: its map and where it lies on the surface.
void Placement(MTextWriter& out, const MSrf_2DTexture& bm, const MSrf_2DTexture* mask) {
  auto inv = [](double s) { return std::fabs(s) > 1e-12 && std::isfinite(s) ? 1.0 / s : 1.0; };
  double su = inv(bm.uv_scale.x), sv = inv(bm.uv_scale.y);
  if (mask) su *= inv(mask->uv_scale.x), sv *= inv(mask->uv_scale.y);
  out.Printf("\tscale <%lf, %lf, %lf>\n", su, sv, 1.0);
  out.Printf("\trotate <%lf, %lf, %lf>\n", 0.0, 0.0, bm.uv_rotation);
  out.Printf("\ttranslate <%lf, %lf, %lf>\n", bm.uv_offset.x, bm.uv_offset.y, 0.0);
}

void ImageLine(Run& r, MTextWriter& out, const MapRef& map) {
  out.Printf("\t\t %s ", map.keyword.c_str());
  out.Quoted(map.name, MTextWriter::kQuoteNoOctal);
  out.EndLine();
}

enum class MapUse { kImage, kBump };

// The map block of a texture (bitmap or procedural) inside a pigment or a
// normal; a missing bitmap leaves the layer clear (or flat).
void MapBlock(Run& r, MTextWriter& out, const MSrf_Texture& tex, MapUse use, double bump_size,
              const MSrf_2DTexture* mask) {
  out.Put("\t// ");
  out.Text(tex.name);
  out.EndLine();
  if (tex.kind != _2DBITMAP) {
    out.Line("\tmarble");
    // A colour map belongs to pigments; a normal takes the pattern alone.
    if (use == MapUse::kImage) {
      out.Printf("\tcolor_map\n\t{\n\t\t[%lf color rgbf <%lf, %lf, %lf, %lf>]\n", 0.0, 0.0, 0.0, 0.0, 0.0);
      out.Printf("\t\t[%lf color rgbf <%lf, %lf, %lf, %lf>]\n\t}\n", 1.0, 1.0, 1.0, 1.0, 0.0);
    } else {
      out.Printf("\tbump_size %lf\n", bump_size);
    }
    return;
  }
  const MSrf_2DTexture& bm = tex.bitmap;
  MapRef map = PovMap(r, bm.file_name);
  OpenMapGuard(r, out, map);
  out.Line(use == MapUse::kBump ? "\tbump_map" : "\timage_map");
  out.Line("\t{");
  ImageLine(r, out, map);
  out.Printf("\t\t interpolate %d\n", 2);
  if (!bm.tile_u && !bm.tile_v) out.Line("\t\t once");
  out.Line("\t}");
  if (use == MapUse::kBump) out.Printf("\tbump_size %lf\n", bump_size);
  Placement(out, bm, mask);
  CloseMapGuard(r, out, use == MapUse::kBump ? "\tbumps 0" : "\tcolor rgbt <1, 1, 1, 1>");
}

// MegaPov: the mask's picture chooses between the full filter and `what`.
void ImagePatternBlock(Run& r, MTextWriter& out, const MSrf_Texture& mask, bool normal, double v,
                       const std::string& what) {
  out.Put("\t// ");
  out.Text(mask.name);
  out.EndLine();
  MapRef map = PovMap(r, mask.bitmap.file_name);
  out.Line("\timage_pattern");
  out.Line("\t{");
  ImageLine(r, out, map);
  out.Printf("\t\t interpolate %d\n", 2);
  if (!mask.bitmap.tile_u && !mask.bitmap.tile_v) out.Line("\t\t once");
  out.Line("\t}");
  out.Line(normal ? "\tnormal_map" : "\tpigment_map");
  out.Line("\t{");
  const char* filter = normal ? kFullFilterNormal : kFullFilterPigment;
  if (v > 0.5) out.Printf("\t\t[%lf %s]\n", 1 - v, filter);
  out.Printf("\t\t[%lf %s]\n", v, what.c_str());
  if (!(v > 0.5)) out.Printf("\t\t[%lf %s]\n", 1 - v, filter);
  out.Line("\t}");
  Placement(out, mask.bitmap, nullptr);
}

// The average of the full filter (weight `filter_w`) and `what` (1 - it).
void AverageBlock(MTextWriter& out, bool normal, double what_w, double filter_w, const std::string& what,
                  bool filter_first) {
  out.Line(normal ? "normal" : "pigment");
  out.Line("{");
  out.Line("\taverage");
  out.Line(normal ? "\tnormal_map" : "\tpigment_map");
  out.Line("\t{");
  const char* filter = normal ? kFullFilterNormal : kFullFilterPigment;
  if (filter_first) out.Printf("\t\t[%lf %s]\n", filter_w, filter);
  out.Printf("\t\t[%lf %s]\n", what_w, what.c_str());
  if (!filter_first) out.Printf("\t\t[%lf %s]\n", filter_w, filter);
  out.Line("\t}");
  out.Line("}");
  out.EndLine();
}

void Declare(MTextWriter& out, const char* kind, const std::string& name) {
  out.Printf("#declare %s_%s = \n", kind, name.c_str());
}

double FirstReflection(const MSurface& s, bool* any) {
  const MSrf_EnvMapping& e = s.env;
  *any = true;
  if (e.planar.enabled) return e.planar.strength;
  if (e.sphere.enabled) return e.sphere.value;
  if (e.cubic.enabled) return e.cubic.strength;
  *any = false;
  return 0;
}

void Finish(MTextWriter& out, const MSurface& s) {
  const double p = s.spec.phong_size;
  out.Line("finish");
  out.Line("{");
  out.Printf("\tambient %lf\n", s.color.ambient_intensity);
  out.Printf("\tdiffuse %lf\n", s.color.diffuse_intensity);
  out.Printf("\tphong %lf\n", std::pow(s.color.specular_intensity, 3));
  out.Printf("\tphong_size %lf\n", p != 0 ? std::exp(8 * p * p * p) : 0.0);
  // POV-Ray wants a roughness above 0 and at most 1.
  out.Printf("\troughness %lf\n", std::clamp(0.05 / std::pow(10.0, 2 * p), 1e-6, 1.0));
  out.Printf("\tspecular %lf\n", s.color.specular_intensity * 0.1);
  if (s.attributes.shading_type == SHADE_METAL) out.Printf("\tbrilliance %lf\n", 8.0);
  bool any = false;
  const double refl = FirstReflection(s, &any);
  if (any) out.Printf("\treflection %lf\n", refl * refl);
  out.Line("}");
  out.EndLine();
}

// A layer's map as an identifier of its own: two surfaces may share a map
// and still declare different pigments.
std::string LayerName(Run& r, const MSrf_Texture& tex) {
  return r.TextureName(tex.kind == _2DBITMAP ? tex.bitmap.file_name : tex.name);
}

void WriteSurface(Run& r, MSurface& s, const std::string& x) {
  MTextWriter& out = *r.materials;
  r.run.log().write("Working on: %s\n", s.get_name());
  out.Put("// ");
  out.Text(s.get_name());
  out.EndLine();
  // The bump and (MegaPov) opacity layers: the last of each wins.
  const MSrf_TextureLayer* bump = nullptr;
  const MSrf_TextureLayer* opacity = nullptr;
  for (int i = 0; i < s.layers.Get_Count(); ++i) {
    const MSrf_TextureLayer* l = s.layers.Get(i);
    if (!l) continue;
    if (l->bump_intensity.enabled) bump = l;
    if (r.MegaPov() && l->opacity_intensity.enabled) opacity = l;
  }
  const MColor& d = s.color.diffuse;
  Declare(out, "cpig", x);
  out.Printf("pigment\n{\n\tcolor rgbt <%lf, %lf, %lf, %lf>\n}\n\n", d.r, d.g, d.b, 1 - s.opref.surface_opacity);

  std::string pigment = "cpig_" + x;
  if (opacity) {
    const std::string o = LayerName(r, opacity->texture);
    Declare(out, "opig", o);
    out.Line("pigment");
    out.Line("{");
    ImagePatternBlock(r, out, opacity->texture, false, opacity->opacity_intensity.value, "cpig_" + x);
    out.Line("}");
    Declare(out, "apig", o);
    AverageBlock(out, false, 1.0, 0.0, "opig_" + o, true);
    pigment = "opig_" + o;
  }
  std::string normal;
  if (bump) {
    const std::string b = LayerName(r, bump->texture);
    const double v = bump->bump_intensity.value;
    const bool masked = r.MegaPov() && bump->mask_manipulator.enabled;
    Declare(out, "cbmp", b);
    out.Line("normal");
    out.Line("{");
    MapBlock(r, out, bump->texture, MapUse::kBump, v * 10, masked ? &bump->mask.bitmap : nullptr);
    out.Line("}");
    out.EndLine();
    std::string what = "cbmp_" + b;
    if (masked) {
      Declare(out, "mbmp", b);
      out.Line("normal");
      out.Line("{");
      ImagePatternBlock(r, out, bump->mask, true, bump->mask_manipulator.value, what);
      out.Line("}");
      out.EndLine();
      what = "mbmp_" + b;
    }
    Declare(out, "abmp", b);
    // An unmasked bump takes the weights the other way round.
    if (masked)
      AverageBlock(out, true, v, 1 - v, what, v >= 0.5);
    else
      AverageBlock(out, true, 1 - v, v, what, v >= 0.5);
    normal = "abmp_" + b;
  }
  Declare(out, "fin", x);
  Finish(out, s);

  std::vector<std::string> layers;
  for (int i = 0; i < s.layers.Get_Count(); ++i) {
    const MSrf_TextureLayer* l = s.layers.Get(i);
    if (!l || !l->diffuse_color.enabled) continue;
    const std::string name = LayerName(r, l->texture);
    const bool masked = r.MegaPov() && l->mask_manipulator.enabled;
    Declare(out, "cpig", name);
    out.Line("pigment");
    out.Line("{");
    MapBlock(r, out, l->texture, MapUse::kImage, 0, masked ? &l->mask.bitmap : nullptr);
    out.Line("}");
    out.EndLine();
    std::string what = "cpig_" + name;
    if (masked) {
      Declare(out, "mpig", name);
      out.Line("pigment");
      out.Line("{");
      ImagePatternBlock(r, out, l->mask, false, l->mask_manipulator.value, what);
      out.Line("}");
      out.EndLine();
      what = "mpig_" + name;
    }
    const double v = l->diffuse_color.value;
    Declare(out, "apig", name);
    AverageBlock(out, false, v, 1 - v, what, v > 0.5);
    layers.push_back(name);
  }

  out.Printf("#declare %s = texture // ", x.c_str());
  out.Text(s.get_name());
  out.EndLine();
  out.Line("{");
  out.Printf("\tpigment { %s } \n", pigment.c_str());
  if (!normal.empty()) out.Printf("\tnormal  { %s } \n", normal.c_str());
  out.Printf("\tfinish  { fin_%s } \n", x.c_str());
  out.Line("}");
  for (const std::string& l : layers) {
    out.Line("texture");
    out.Line("{");
    out.Printf("\tpigment { apig_%s } \n", l.c_str());
    if (!normal.empty()) out.Printf("\tnormal  { %s } \n", normal.c_str());
    out.Printf("\tfinish { fin_%s } \n", x.c_str());
    out.Line("}");
  }
  out.EndLine();
  out.EndLine();
}

}  // namespace

void WriteMaterials(Run& r) {
  MTextWriter& out = *r.materials;
  out.EndLine();
  out.Printf("#declare %s = pigment // %s\n{\n\ttransmit 1.0\n}\n\n", kFullFilterPigment, kFullFilterPigment);
  out.Printf("#declare %s = normal // %s\n{\n\tbumps, 0.000000\n}\n\n", kFullFilterNormal, kFullFilterNormal);
  const int n = r.scene->surfaces ? r.scene->surfaces->count : 0;
  for (int i = 0; i < n; ++i) {
    MSurface* s = static_cast<MSurface*>(r.scene->surfaces->GetAt(i));
    if (!s) continue;
    kvpf::ReportItem(r.cb, s->get_name(), i, n);
    WriteSurface(r, *s, r.surface_ids[static_cast<size_t>(i)]);
  }
}

void ConvertMaps(Run& r) {
  for (const auto& [name, target] : r.conversions) {
    // The copy or conversion the map step made, else the map where the
    // model's search path finds it.
    std::string source;
    const int n = r.scene->maps ? r.scene->maps->Get_Count_Maps() : 0;
    for (int i = 0; i < n && source.empty(); ++i) {
      MMap* m = r.scene->maps->GetMap(i);
      if (m && name == m->name && m->new_name[0]) source = m->new_name;
    }
    if (source.empty() && r.scene->maps) {
      // Names may carry a folder of the machine the model came from.
      std::string bare = name.substr(name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
      for (const std::string& n : {name, bare})
        if (const char* f = source.empty() ? m_find_file(n.c_str(), r.scene->maps->search_path) : nullptr) source = f;
    }
    const int type = source.empty() ? -1 : get_image_type(ExtensionOf(source).c_str());
    if (type < 0 || convert_image(type, source.c_str(), IMAGECONV_PNG, target.c_str()) != 0) {
      r.run.log().write("Map %s could not be converted to %s for POV-Ray\n", name.c_str(), target.c_str());
      kvpf::ReportWarning("map %s could not be converted to a type POV-Ray reads", name.c_str());
      continue;
    }
    r.run.log().write("Sucessfull conversion %s to %s \n", source.c_str(), target.c_str());
  }
}

}  // namespace kpov
