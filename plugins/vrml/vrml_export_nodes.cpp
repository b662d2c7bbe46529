// The camera, the lights and the materials of a VRML world.
#include <algorithm>
#include <cmath>

#include "plugin_framework.h"
#include "vrml_export_parts.h"
#include "vrml_format.h"

namespace kvrml {
namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kHalfPi = 1.5707963267948966;

double Clamp01(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; }

MVector3 Clamp01(const MVector3& c) { return MVector3(Clamp01(c.x), Clamp01(c.y), Clamp01(c.z)); }

MVector3 Rgb(const MColor& c) { return MVector3(c.r, c.g, c.b); }

// The viewer's field of view spans the shorter side of the window (the
// height of a 4:3 one); the camera's is over the width of its right vector.
double HeightAngle(const MCamera& c) {
  const double right = c.right.Length(), up = c.up.Length();
  const double aspect = (right > 0 && up > 0 && std::isfinite(right / up)) ? right / up : kDefaultAspect;
  double v = 2.0 * std::atan(std::tan(c.fov * kDegToRad * 0.5) / std::max(aspect, 1.0));
  if (!(v > 1e-6)) v = 1e-6;
  return std::min(v, 3.141592653589793 - 1e-6);
}

// Angles of a spot light (its hotspot and falloff are cone widths in
// degrees) as half angles in radians within a quarter turn.
double HalfAngle(double width_deg) {
  double a = width_deg * 0.5 * kDegToRad;
  return std::isfinite(a) ? std::clamp(a, 0.0, kHalfPi) : kHalfPi;
}

void Color(MTextWriter& out, const char* line, const MVector3& c) { out.Printf(line, c.x, c.y, c.z); }

}  // namespace

void WriteCamera(Run& r) {
  MCamera* cam = m_active_camera(r.scene);
  if (!cam) return;
  kvpf::ReportItem(r.cb, cam->get_name(), 0, 1);
  const std::string name = r.NodeName(kCameraPrefix, cam->get_name());
  // The camera's frame: it looks along -Z with +Y up, so x = d × u', y = u',
  // z = -d, turned onto the world as one axis and angle.
  MVector3 axis(0, 0, 1);
  double angle = 0;
  const MVector3 view = cam->target - cam->position;
  if (view.Length() > 0) {
    const MVector3 d = vect_normalize(view);
    const MVector3 up = vect_across(vect_axis_rotate(cam->up, d, -cam->roll_angle), d);
    m_basis_axis_angle(vect_cross(d, up), up, -d, axis, angle);
  }
  const MVector3& p = cam->position;
  const double fov = HeightAngle(*cam);
  if (r.v2) {
    r.out.Put("DEF ");
    r.out.Put(name);
    r.out.Line(" Viewpoint {");
    r.out.Printf("\t\tposition %lf %lf %lf\n", p.x, p.y, p.z);
    r.out.Printf("\t\torientation %lf %lf %lf %lf\n", axis.x, axis.y, axis.z, angle);
    r.out.Printf("\t\tfieldOfView %lf\n", fov);
    r.out.Line("}");
    r.out.EndLine();
    return;
  }
  r.out.Put("#\tCamera: ");
  r.out.Text(cam->get_name());
  r.out.EndLine();
  r.out.Line("\tPerspectiveCamera");
  r.out.Line("\t{");
  r.out.Printf("\t\tposition %lf %lf %lf\n", p.x, p.y, p.z);
  r.out.Printf("\t\torientation %lf %lf %lf %lf\n", axis.x, axis.y, axis.z, angle);
  r.out.Printf("\t\tfocalDistance %lf\n", cam->lens);
  r.out.Printf("\t\theightAngle %lf\n", fov);
  r.out.Line("\t}");
  r.out.EndLine();
}

void WriteGlobalAmbient(Run& r) {
  r.out.Line("# Light: global ambient");
  if (!r.v2) return;
  // Ambient light only: with an intensity it would also shine from the origin.
  const MSceneOptions& so = r.scene->options;
  r.out.Put("DEF ");
  r.out.Put(kGlobalAmbient);
  r.out.Line(" PointLight {");
  r.out.Line("\t\ton TRUE");
  r.out.Printf("\t\tintensity %lf\n", 0.0);
  Color(r.out, "\t\tcolor %lf %lf %lf\n", Clamp01(Rgb(so.ambient_color)));
  r.out.Printf("\t\tambientIntensity %lf\n", Clamp01(so.ambient_intensity));
  r.out.Line("}");
  r.out.EndLine();
}

void WriteLights(Run& r) {
  const int n = r.scene->lights ? r.scene->lights->count : 0;
  for (int i = 0; i < n; ++i) {
    MLight* l = static_cast<MLight*>(r.scene->lights->GetAt(i));
    if (!l) continue;
    kvpf::ReportItem(r.cb, l->get_name(), i, n);
    if (l->type != POINTLIGHT && l->type != SPOTLIGHT) {
      r.log.write("Light %s: only point and spot lights are written\n", l->get_name() ? l->get_name() : "");
      continue;
    }
    const bool spot = l->type == SPOTLIGHT;
    const std::string name = r.NodeName(kLightPrefix, l->get_name());
    MVector3 dir = vect_normalize(l->target - l->position);
    if (dir.Length() == 0) dir = MVector3(0, 0, -1);
    const MVector3& p = l->position;
    MTextWriter& out = r.out;
    if (r.v2) {
      out.Printf("DEF %s %s {\n", name.c_str(), spot ? "SpotLight" : "PointLight");
    } else {
      out.Put("#\tLight: ");
      out.Text(l->get_name());
      out.EndLine();
      out.Line(spot ? "\tSpotLight" : "\tPointLight");
      out.Line("\t{");
    }
    out.Line(l->active ? "\t\ton TRUE" : "\t\ton FALSE");
    Color(out, "\t\tcolor %lf %lf %lf\n", Clamp01(Rgb(l->color)));
    out.Printf("\t\tintensity %lf\n", Clamp01(l->intensity));
    out.Printf("\t\tlocation %lf %lf %lf\n", p.x, p.y, p.z);
    if (r.v2) out.Printf("\t\tradius %lf\n", kLightRadius);
    if (spot) {
      out.Printf("\t\tdirection %lf %lf %lf\n", dir.x, dir.y, dir.z);
      const double cutoff = HalfAngle(l->falloff);
      if (r.v2) {
        out.Printf("\t\tbeamWidth %lf\n", std::min(HalfAngle(l->hotspot), cutoff));
        out.Printf("\t\tcutOffAngle %lf\n", cutoff);
        out.Printf("\t\tradius %lf\n", kSpotRadius);
      } else {
        // 0: even light over the cone; towards 1 the narrower the hotspot.
        const double drop = l->falloff > 0 ? Clamp01(1.0 - l->hotspot / l->falloff) : 0.0;
        out.Printf("\t\tdropOffRate %lf\n", drop);
        out.Printf("\t\tcutOffAngle %lf\n", cutoff);
      }
    }
    out.Line(r.v2 ? "}" : "\t}");
    out.EndLine();
  }
}

const MSrf_TextureLayer* DiffuseMap(MSurface* s) {
  if (!s || s->layers.Get_Count() == 0) return nullptr;
  const MSrf_TextureLayer* l = s->layers.Get(0);
  if (!l || !l->diffuse_color.enabled || l->texture.kind != _2DBITMAP) return nullptr;
  return l;
}

std::string MapUrl(Run& r, const MSrf_TextureLayer* layer) {
  const char* file = layer->texture.bitmap.file_name;
  MIHandler& ih = r.opt->image_handler;
  // Copied maps land beside the world: the file name alone.
  const char* nn = ih.GetNewMapName(file, ih.enable_copy ? 0 : 1, "");
  std::string url = nn ? nn : file;
  r.log.write("old map file %s to new map file %s\n", file, url.c_str());
  std::replace(url.begin(), url.end(), '\\', '/');
  return url;
}

namespace {

// The fields of a Material, each line prefixed with indent.
void WriteMaterialFields(Run& r, MSurface* s, bool textured, const char* indent) {
  MTextWriter& out = r.out;
  const MSrf_Color& c = s->color;
  const MVector3 zero(0, 0, 0);
  MVector3 diffuse = Clamp01(Rgb(c.diffuse) * c.diffuse_intensity);
  MVector3 ambient = c.lock_ambient ? diffuse : Clamp01(Rgb(c.ambient) * c.ambient_intensity);
  MVector3 specular = c.lock_specular ? diffuse : Clamp01(Rgb(c.specular) * c.specular_intensity);
  // Under a texture the map shows as it is: white, no ambient or highlight.
  if (textured) diffuse = MVector3(1, 1, 1), ambient = zero, specular = zero;
  out.Put(indent);
  out.Printf("\t\tdiffuseColor  %.3lf %.3lf %.3lf\n", diffuse.x, diffuse.y, diffuse.z);
  out.Put(indent);
  if (r.v2)
    out.Printf("\t\tambientIntensity  %.3lf\n", textured ? 0.0 : Clamp01(c.ambient_intensity));
  else
    out.Printf("\t\tambientColor  %.3lf %.3lf %.3lf\n", ambient.x, ambient.y, ambient.z);
  out.Put(indent);
  out.Printf("\t\tspecularColor %.3lf %.3lf %.3lf\n", specular.x, specular.y, specular.z);
  out.Put(indent);
  out.Printf("\t\tshininess     %.3lf\n", textured ? 0.0 : kShininess);
  out.Put(indent);
  out.Printf("\t\ttransparency  %.3lf\n", 0.0);
  out.Put(indent);
  out.Printf("\t\temissiveColor %.3lf %.3lf %.3lf\n", 0.0, 0.0, 0.0);
}

void WriteAppearanceBody(Run& r, MSurface* s, const char* indent) {
  MTextWriter& out = r.out;
  const MSrf_TextureLayer* map = DiffuseMap(s);
  auto line = [&](const char* text) {
    out.Put(indent);
    out.Line(text);
  };
  line("\t{");
  line("\t material Material ");
  line("\t {");
  WriteMaterialFields(r, s, map != nullptr, indent);
  line("\t }");
  if (map) {
    line("\t texture ImageTexture");
    line("\t {");
    line("\t\t repeatS TRUE");
    line("\t\t repeatT TRUE");
    out.Put(indent);
    out.Put("\t\t url ");
    out.Quoted(MapUrl(r, map), MTextWriter::kQuoteNoOctal);
    out.EndLine();
    line("\t }");
    line("\t textureTransform TextureTransform");
    line("\t {");
    // No "center": it is 0 0 by default, and VTK's reader (f3d) crashes on it.
    out.Put(indent);
    out.Printf("\t\t scale %lf %lf\n", 1.0, 1.0);
    out.Put(indent);
    out.Printf("\t\t rotation %lf\n", 0.0);
    out.Put(indent);
    out.Printf("\t\t translation %lf %lf\n", 0.0, 0.0);
    line("\t }");
  }
  line("\t}");
}

}  // namespace

void WriteMaterials10(Run& r) {
  const int n = static_cast<int>(r.surfaces.size());
  for (int i = 0; i < n; ++i) {
    SurfaceNode& sn = r.surfaces[static_cast<size_t>(i)];
    kvpf::ReportItem(r.cb, sn.surface->get_name(), i, n);
    r.log.write("Working on: %s\n", sn.surface->get_name());
    r.out.Printf("\tDEF %s Material \n", sn.node.c_str());
    r.out.Line("\t{");
    WriteMaterialFields(r, sn.surface, DiffuseMap(sn.surface) != nullptr, "");
    r.out.Line("\t}");
    r.out.EndLine();
    sn.defined = true;
  }
}

void WriteShapeMaterial(Run& r, int surface, const char* indent) {
  MTextWriter& out = r.out;
  SurfaceNode* sn = (surface >= 0 && r.opt->switches.materials) ? &r.surfaces[static_cast<size_t>(surface)] : nullptr;
  out.Put(indent);
  if (!r.v2) {
    if (sn) {
      out.Put("USE ");
      out.Line(sn->node);
    } else {
      out.Line("Material { }");
    }
    return;
  }
  if (!sn) {
    out.Line("appearance Appearance { material Material { } }");
  } else if (sn->defined) {
    out.Put("appearance USE ");
    out.Line(sn->node);
  } else {
    r.log.write("Working on: %s\n", sn->surface->get_name());
    out.Put("appearance DEF ");
    out.Put(sn->node);
    out.Line(" Appearance ");
    WriteAppearanceBody(r, sn->surface, indent);
    sn->defined = true;
  }
}

}  // namespace kvrml
