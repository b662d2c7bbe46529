// 3D Studio ASCII scene description (.asc): ambient light, background, fog,
// cameras, lights and triangle meshes as lines of text.
#include <cstdio>
#include <string>
#include <vector>

#include "3ds_export.h"
#include "format_run.h"
#include "plugin_framework.h"

namespace k3ds {
namespace {

const char kTitle[] = "ASC Export Plugin 1.0";
const long kSteps = 6;

class AscWriter {
 public:
  AscWriter(MTextWriter& out, MScene* scene, MessageCallBack1* cb, LogFile& log)
      : out_(out), scene_(scene), cb_(cb), log_(log) {}

  // printf, each "\n" the exporter's line delimiter.
  template <typename... A>
  void Line(const char* fmt, A... args) {
    out_.Printf(fmt, args...);
  }
  void Text(const char* s) { out_.Printf("%s", s); }

  void Step(long step, const char* text) { kvpf::ReportStep(cb_, step, kSteps, text); }

  void Color(const char* prefix, const MColor& c) {
    Line("%sRed=%lf Green=%lf Blue=%lf\n", prefix, c.r, c.g, c.b);
  }

  void Ambient() {
    const MSceneOptions& o = scene_->options;
    const double k = o.ambient_intensity;
    Line("Ambient light color: Red=%lf Green=%lf Blue=%lf\n", o.ambient_color.r * k, o.ambient_color.g * k,
         o.ambient_color.b * k);
    Text("\n");
  }

  void Background() {
    const MBackGround& b = scene_->background;
    if (b.type == BCKG_SOLID) {
      Color("Solid background color: ", b.solid_color);
    } else if (b.type == BCKG_GRADIENT) {
      Color("Gradient top color: ", b.top_color);
      Line("Gradient middle color @ %lf: Red=%lf Green=%lf Blue=%lf\n", 1.0 - b.mid_pos, b.mid_color.r,
           b.mid_color.g, b.mid_color.b);
      Color("Gradient bottom color: ", b.bottom_color);
    } else if (b.type == BCKG_TEXTURE && b.texture.enabled && b.texture.kind == _2DBITMAP) {
      Line("Background image: \"%s\"\n", b.texture.bitmap.file_name);
    } else {
      return;
    }
    Text("\n");
  }

  void Fog() {
    const MFog& f = scene_->fog;
    if (!f.enabled) return;
    Line("Fog settings: Near %lf Level %lf Far %lf Level: %lf\n", f.near_plane, f.near_density * 100.0, f.far_plane,
         f.far_density * 100.0);
    Color("Fog color: ", f.color);
    if (f.fog_background) Text("Background fogged\n");
    Text("\n");
  }

  void Cameras() {
    const int n = scene_->cameras ? scene_->cameras->count : 0;
    for (int i = 0; i < n; ++i) {
      MCamera* c = static_cast<MCamera*>(scene_->cameras->GetAt(i));
      if (!c) continue;
      const char* name = c->get_name() ? c->get_name() : "";
      Item(name, i, n);
      log_.write("Working on: %s\n", name);
      Line("Named object: \"%s\"\n", name);
      Line("Camera (%lfmm)\n", c->lens);
      Line("Position: X:%lf Y:%lf Z:%lf\n", c->position.x, c->position.y, c->position.z);
      Line("Target: X:%lf Y:%lf Z:%lf\n", c->target.x, c->target.y, c->target.z);
      Line("Bank angle: %lf degrees\n", c->roll_angle);
      Line("Near %lf Far %lf\n", c->near_plane, c->far_plane);
      Text("\n");
    }
  }

  void Lights() {
    const int n = scene_->lights ? scene_->lights->count : 0;
    for (int i = 0; i < n; ++i) {
      MLight* l = static_cast<MLight*>(scene_->lights->GetAt(i));
      if (!l) continue;
      const char* name = l->get_name() ? l->get_name() : "";
      Item(name, i, n);
      if (!l->active || (l->type != POINTLIGHT && l->type != SPOTLIGHT)) continue;
      log_.write("Working on: %s\n", name);
      Line("Named object: \"%s\"\n", name);
      Text("Direct light\n");
      Line("Position: X:%lf Y:%lf Z:%lf\n", l->position.x, l->position.y, l->position.z);
      if (l->type == SPOTLIGHT) {
        Line("Spotlight to: X:%lf Y:%lf Z:%lf\n", l->target.x, l->target.y, l->target.z);
        Line("Hotspot size: %lf degrees\n", l->hotspot);
        Line("Falloff size: %lf degrees\n", l->falloff);
        if (!l->shadow_local) Text("Global Shadow\n");
      }
      Color("Light color: ", Scaled(l->color, l->intensity));
      Text("\n");
    }
  }

  void Mesh(const TriMesh& m) {
    const char* name = m.name.c_str();
    log_.write("Working on: %s\n", name);
    Line("Named object: \"%s\"\n", name);
    Line("Tri-mesh, Vertices: %d  Faces: %d\n", m.VertexCount(), m.FaceCount());
    const bool mapped = !m.uv.empty();
    if (mapped) Text("Mapped\n");
    Text("Vertex list:\n");
    for (int i = 0; i < m.VertexCount(); ++i) {
      const MVector3& v = m.verts[static_cast<size_t>(i)];
      Line("Vertex %d:  X: %f Y: %f Z: %f", i, v.x, v.y, v.z);
      if (mapped)
        Line(" U: %f V: %f\n", static_cast<double>(m.uv[2 * static_cast<size_t>(i)]),
             static_cast<double>(m.uv[2 * static_cast<size_t>(i) + 1]));
      else
        Text("\n");
    }
    Text("Face list:\n");
    const int groups = static_cast<int>(m.materials.size());
    for (int f = 0; f < m.FaceCount(); ++f) {
      const size_t b = 3 * static_cast<size_t>(f);
      Line("Face %d: A:%d B:%d C:%d ", f, static_cast<int>(m.tris[b]), static_cast<int>(m.tris[b + 1]),
           static_cast<int>(m.tris[b + 2]));
      Line("AB:%d ", 1);
      Line("BC:%d ", 1);
      Line("CA:%d ", 1);
      Text("\n");
      const int id = m.mat[static_cast<size_t>(f)];
      // A material index past the name list gets an empty name.
      Line("Material: \"%s\"\n", id >= 0 && id < groups ? m.materials[static_cast<size_t>(id)].c_str() : "");
      if (!m.smooth.empty() && m.smooth[static_cast<size_t>(f)] == 1) Line("Smoothing: %ld\n", 1L);
    }
    Text("\n\n");
    log_.write("Vertices: %d\n", m.VertexCount());
    log_.write("Normals: %d\n", m.smooth.empty() ? 0 : m.normal_count);
    log_.write("Faces: %d\n", m.FaceCount());
    log_.write("MatID's: %d\n", groups);
    log_.write("UVVertices: %d\n", mapped ? m.VertexCount() : 0);
  }

  void Item(const char* name, long i, long n) { kvpf::ReportItem(cb_, name, i, n); }

 private:
  MTextWriter& out_;
  MScene* scene_;
  MessageCallBack1* cb_;
  LogFile& log_;
};

}  // namespace

int ExportAsc(MScene* scene, ExportAscOption* o, MessageCallBack1* cb) {
  kvpf::ExportRun run(o, cb, kTitle, kBuildStamp);
  MOutputFile* f = run.Open();
  if (!f) return 0;
  {
    MTextWriter out(*f, o->ld_mode);
    AscWriter w(out, scene, cb, run.log());
    const ExportFlags& fl = o->flags;
    if (fl.global_setting) {
      w.Step(0, "Settings ...");
      w.Ambient();
    }
    if (fl.back_ground) {
      w.Step(1, "Background ...");
      w.Background();
    }
    if (fl.atmosphere) {
      w.Step(2, "Atmosphere ...");
      w.Fog();
    }
    if (fl.cameras) {
      w.Step(3, "Cameras ...");
      w.Cameras();
    }
    if (fl.lights) {
      w.Step(4, "Lights ...");
      w.Lights();
    }
    if (fl.meshes) {
      w.Step(5, "Meshes ...");
      WalkOptions walk;
      walk.fast_smoothing = fl.fast_smoothing != 0;
      walk.dump_meshes = false;
      ForEachMesh(scene, run.log(), cb, walk, [&](TriMesh& m, int) { w.Mesh(m); });
    }
  }
  return run.Finish();
}

}  // namespace k3ds
