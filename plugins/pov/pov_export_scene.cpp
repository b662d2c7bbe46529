// The atmosphere (global settings, background, fog), the cameras and the
// lights of a POV-Ray scene.
#include <algorithm>
#include <cmath>

#include "plugin_framework.h"
#include "pov_export_parts.h"

namespace kpov {
namespace {

MVector3 Rgb(const MColor& c) { return MVector3(c.r, c.g, c.b); }

void Vec(MTextWriter& out, const char* fmt, const MVector3& v) { out.Printf(fmt, v.x, v.y, v.z); }

// A direction that POV-Ray can use: the target moved off the position.
MVector3 Target(const MVector3& position, const MVector3& target) {
  return (target - position).Length() > 0 ? target : position + MVector3(0, 1, 0);
}

void WriteGlobalSettings(Run& r, MTextWriter& out) {
  const MSceneOptions& so = r.scene->options;
  const double gamma = so.gamma > 0 && std::isfinite(so.gamma) ? so.gamma : 1.0;
  if (!r.opt->switches.global_setting) {
    // POV-Ray 3.7 wants a gamma in every scene.
    if (!r.MegaPov()) out.Printf("global_settings { assumed_gamma %lf }\n\n", gamma);
    return;
  }
  out.Line("global_settings");
  out.Line("{");
  Vec(out, "\tambient_light  color rgb <%lf, %lf, %lf>\n", Rgb(so.ambient_color) * so.ambient_intensity);
  out.Printf("\tassumed_gamma %lf\n", gamma);
  out.Line("}");
  out.EndLine();
}

void WriteFog(Run& r, MTextWriter& out) {
  const MFog& fog = r.scene->fog;
  if (!fog.enabled) return;
  if (!(fog.far_plane > 0)) {
    r.run.log().write("Fog left out: its far distance is not positive\n");
    return;
  }
  out.Line("fog");
  out.Line("{");
  out.Printf("\tfog_type\t%d\n", 1);
  Vec(out, "\tcolor\t\trgb <%lf, %lf, %lf>\n", Rgb(fog.color));
  out.Printf("\tdistance\t%lf\n", fog.far_plane * 0.5);
  out.Line("}");
  out.EndLine();
}

// The three turns that face the backdrop box to the camera, in degrees.
void BackdropRotations(const MCamera& cam, MVector3 turns[3]) {
  const MVector3 D = Target(cam.position, cam.target) - cam.position;
  const double dd = vect_dot(D, D);
  const MVector3 z(0, 0, 1);
  const MVector3 S = vect_axis_rotate(cam.sky, vect_normalize(D), -cam.roll_angle);
  const MVector3 w = vect_normalize(z - D * (vect_dot(D, z) / dd));
  const MVector3 t = S - D * (vect_dot(S, D) / dd);
  double a = 0;
  if (t.Length() > 0) {
    a = std::acos(std::clamp(vect_dot(w, t) / t.Length(), -1.0, 1.0));
    const MVector3 n = vect_normalize(vect_cross(t, w)) - vect_normalize(D);
    if (std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z) < 1e-10) a = -a;
  }
  turns[0] = MVector3(0, 0, a * kRadToDeg);
  turns[1] = MVector3(-std::acos(std::clamp(D.z / std::sqrt(dd), -1.0, 1.0)) * kRadToDeg, 0, 0);
  turns[2] = MVector3(0, 0, -std::atan2(D.x, D.y) * kRadToDeg);
}

void WriteBackdropPigment(Run& r, MTextWriter& out) {
  const MBackGround& bg = r.scene->background;
  if (bg.type == BCKG_GRADIENT) {
    out.Printf("\t\t\tgradient y  color_map { [%lf rgb<%lf,%lf,%lf>] [%lf rgb<%lf,%lf,%lf>] [%lf rgb<%lf,%lf,%lf>]}\n",
               bg.top_pos, bg.top_color.r, bg.top_color.g, bg.top_color.b, bg.mid_pos, bg.mid_color.r, bg.mid_color.g,
               bg.mid_color.b, bg.bottom_pos, bg.bottom_color.r, bg.bottom_color.g, bg.bottom_color.b);
    return;
  }
  const MSrf_Texture& tex = bg.texture;
  if (tex.kind == _2DBITMAP && tex.bitmap.file_name[0]) {
    MapRef map = PovMap(r, tex.bitmap.file_name);
    OpenMapGuard(r, out, map);
    out.Line("\t\t\timage_map");
    out.Line("\t\t\t{");
    out.Printf("\t\t\t\t %s ", map.keyword.c_str());
    out.Quoted(map.name, MTextWriter::kQuoteNoOctal);
    out.EndLine();
    out.Printf("\t\t\t\t interpolate %d\n", 2);
    out.Line("\t\t\t}");
    CloseMapGuard(r, out, "\t\t\tcolor\t\trgb <0.000000, 0.000000, 0.000000>");
    return;
  }
  Vec(out, "\t\t\tcolor\t\trgb <%lf, %lf, %lf>\n", MVector3(0, 0, 0));
}

// A thin box in front of the active camera, filling its view.
void WriteBackdrop(Run& r, MTextWriter& out) {
  const int k = ActiveCamera(r.scene);
  if (k < 0) {
    r.run.log().write("Background left out: there is no camera to place it before\n");
    return;
  }
  const MCamera& cam = *static_cast<MCamera*>(r.scene->cameras->GetAt(k));
  out.Line("box");
  out.Line("{");
  Vec(out, "\t<%lf, %lf, %lf>,\n", MVector3(-0.5, -0.5, 0));
  Vec(out, "\t<%lf, %lf, %lf>\n", MVector3(0.5, 0.5, 0.001));
  out.Printf("\ttexture\n\t{\n\t\tpigment\n\t\t{\n");
  WriteBackdropPigment(r, out);
  out.Printf("\t\t}\n\t\tfinish { ambient 1.5 diffuse 1.5 reflection 0 phong 0 specular 0.0 }\n");
  out.Printf("\t\ttranslate <-0.5, -0.5, 0.0>\n\t\trotate <180,0,0>\n\t}\n");
  MVector3 size = cam.right + cam.up;
  for (int c = 0; c < 3; ++c)
    if (std::fabs(size[c]) < 1e-6) size[c] = 1;
  Vec(out, "\tscale <%lf, %lf, %lf>\n", size * 10000.0);
  MVector3 turns[3];
  BackdropRotations(cam, turns);
  for (const MVector3& t : turns) Vec(out, "\trotate <%lf, %lf, %lf>\n", t);
  const double fov = std::clamp(cam.fov, 1e-3, 179.0);
  const double dist = 1.3333333333333333 / std::tan(fov * kDegToRad * 0.5) * 0.5;
  Vec(out, "\ttranslate <%lf, %lf, %lf>\n",
      cam.position + vect_normalize(Target(cam.position, cam.target) - cam.position) * (10000.0 * dist));
  out.Line("\tno_shadow hollow");
  out.Line("}");
  out.EndLine();
}

void WriteBackground(Run& r, MTextWriter& out) {
  const MBackGround& bg = r.scene->background;
  if (bg.type == BCKG_SOLID) {
    Vec(out, "background { color rgb <%lf, %lf, %lf>}\n", Rgb(bg.solid_color));
    out.EndLine();
  } else if (bg.type == BCKG_GRADIENT || bg.type == BCKG_TEXTURE) {
    WriteBackdrop(r, out);
  }
}

}  // namespace

void WriteAtmosphere(Run& r) {
  MTextWriter& out = *r.atmosphere;
  WriteGlobalSettings(r, out);
  if (r.opt->switches.back_ground) WriteBackground(r, out);
  if (r.opt->switches.atmosphere) WriteFog(r, out);
}

void WriteCameras(Run& r) {
  MTextWriter& out = *r.cameras;
  const int n = r.scene->cameras ? r.scene->cameras->count : 0;
  const int active = ActiveCamera(r.scene);
  for (int i = 0; i < n; ++i) {
    MCamera* cam = static_cast<MCamera*>(r.scene->cameras->GetAt(i));
    if (!cam) continue;
    const std::string& id = r.camera_ids[static_cast<size_t>(i)];
    kvpf::ReportItem(r.cb, cam->get_name(), i, n);
    r.master->Printf("%scamera{ %s }\n", i == active ? "" : "// ", id.c_str());
    const MVector3 target = Target(cam->position, cam->target);
    const MVector3 d = vect_normalize(target - cam->position);
    // A sky along the view would leave the picture's turn undefined.
    MVector3 sky = vect_axis_rotate(cam->sky, d, -cam->roll_angle);
    if (vect_cross(vect_normalize(sky), d).Length() < 1e-9) sky = vect_across(sky, d);
    MVector3 up = cam->up.Length() > 0 ? cam->up : MVector3(0, 0, 1);
    MVector3 right = cam->right.Length() > 0 ? cam->right : MVector3(1.3333333333333333, 0, 0);
    // POV-Ray takes the picture's handedness from up, its first direction
    // <0, 0, 1> and right: keep the scene's right-handed view.
    if (vect_dot(vect_cross(up, MVector3(0, 0, 1)), right) > 0)
      right = MVector3(0.0 - right.x, 0.0 - right.y, 0.0 - right.z);  // no -0 in the file
    out.Printf("#declare %s = camera // ", id.c_str());
    out.Text(cam->get_name());
    out.EndLine();
    out.Line("{");
    Vec(out, "\tlocation   <%lf, %lf, %lf>\n", cam->position);
    Vec(out, "\tsky        <%lf, %lf, %lf>\n", sky);
    Vec(out, "\tup         <%lf, %lf, %lf>\n", up);
    Vec(out, "\tright      <%lf, %lf, %lf>\n", right);
    Vec(out, "\tlook_at    <%lf, %lf, %lf>\n", target);
    out.Printf("\tangle      %lf\n", std::isfinite(cam->fov) ? std::clamp(cam->fov, 1e-3, 179.0) : 46.5354096201139);
    out.Line("}");
    out.EndLine();
  }
}

void WriteLights(Run& r) {
  MTextWriter& out = *r.lights;
  const int n = r.scene->lights ? r.scene->lights->count : 0;
  for (int i = 0; i < n; ++i) {
    MLight* l = static_cast<MLight*>(r.scene->lights->GetAt(i));
    if (!l) continue;
    const std::string& id = r.light_ids[static_cast<size_t>(i)];
    kvpf::ReportItem(r.cb, l->get_name(), i, n);
    r.master->Printf("%sobject{ %s }\n", l->active ? "" : "// ", id.c_str());
    out.Printf("#declare %s = light_source // ", id.c_str());
    out.Text(l->get_name());
    out.EndLine();
    out.Line("{");
    Vec(out, "\t<%lf, %lf, %lf>\n", l->position);
    Vec(out, "\tcolor rgb <%lf, %lf, %lf>\n", Rgb(l->color) * l->intensity);
    const MVector3 target = Target(l->position, l->target);
    if (l->type == SPOTLIGHT) {
      // Half cone angles within a quarter turn, the bright one inside.
      const double falloff = std::clamp(l->falloff * 0.5, 0.0, 90.0);
      out.Line("\tspotlight");
      Vec(out, "\tpoint_at <%lf, %lf, %lf>\n", target);
      out.Printf("\tradius %lf\n", std::clamp(l->hotspot * 0.5, 0.0, falloff));
      out.Printf("\tfalloff %lf\n", falloff);
      out.Printf("\ttightness %lf\n", 1.0);
    } else if (l->type == DIRECTIONALLIGHT) {
      out.Line("\tparallel");
      Vec(out, "\tpoint_at <%lf, %lf, %lf>\n", target);
    } else if (l->type != POINTLIGHT) {
      r.run.log().write("Light %s written as a point light\n", l->get_name() ? l->get_name() : "");
    }
    out.Line("}");
    out.EndLine();
  }
}

}  // namespace kpov
