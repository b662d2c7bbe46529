// The Moray model of a POV-Ray export: the objects as vertices and edges
// (.udo text) and the scene graph of lights, objects and cameras (.mdl
// binary, little-endian), both naming the POV-Ray declarations.
#include <algorithm>
#include <cmath>
#include <limits>

#include "plugin_framework.h"
#include "pov_export_parts.h"

namespace kpov {
namespace {

std::string FileName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Solids meshed coarsely for Moray, their segment counts restored after.
class CoarseSolids {
 public:
  explicit CoarseSolids(MScene* scene) {
    const int n = scene->objects ? scene->objects->count : 0;
    for (int i = 0; i < n; ++i) {
      MObj3d* o = static_cast<MObj3d*>(scene->objects->GetAt(i));
      if (!o || o->get_type() != TSOLID) continue;
      MSolid* s = static_cast<MSolid*>(o);
      if (s->get_type() == SOLID_SPHERE) {
        MSphere* sp = static_cast<MSphere*>(s);
        saved_.push_back({s, sp->Get_Segment()});
        sp->Set_Segment(kMoraySegments);
      } else if (s->get_type() == SOLID_CYLINDER) {
        MCylinder* c = static_cast<MCylinder*>(s);
        saved_.push_back({s, c->Get_Segment_R()});
        c->Set_Segment_R(kMoraySegments);
      }
    }
  }
  ~CoarseSolids() {
    for (const auto& [s, n] : saved_) {
      if (s->get_type() == SOLID_SPHERE)
        static_cast<MSphere*>(s)->Set_Segment(n);
      else
        static_cast<MCylinder*>(s)->Set_Segment_R(n);
    }
  }
  CoarseSolids(const CoarseSolids&) = delete;
  CoarseSolids& operator=(const CoarseSolids&) = delete;

 private:
  std::vector<std::pair<MSolid*, int>> saved_;
};

void WriteUdo(Run& r) {
  MTextWriter& out = *r.udo;
  const std::string base = r.run.base();
  out.Put("Name '");
  out.Text(base);
  out.Line("_group'");
  out.Put("IncludeFile '");
  out.Text(FileName(r.run.Companion(kPartIncSuffix)));
  out.Line("'");
  out.Line(";");
  out.Put(";\t");
  out.Line(kNotice);
  out.Printf(";\tCreated by POV Export Plugin 1.1 at %s", (kvpf::TimeText() + "\n").c_str());
  out.Put(";\t");
  out.Text(r.opt->Get_ImportFilename() ? r.opt->Get_ImportFilename() : "");
  out.EndLine();
  out.Line(";");
  out.Line(";");
  CoarseSolids coarse(r.scene);
  MExportWalkOptions opt;
  opt.triangulate = false;
  opt.skip_hidden = true;
  opt.report_objects = false;
  ForEachExportMesh(r.scene, r.cb, opt, [&](const MExportMesh& em) {
    MMesh_P* m = em.mesh;
    const std::string& id = r.object_ids[static_cast<size_t>(em.index)];
    const int nv = m->Get_Vertex_Count();
    out.Printf("[%s:Vertices]\n%d\n", id.c_str(), nv);
    for (int i = 0; i < nv; ++i) {
      out.Vector(em.matrix.Transform(m->v_a->data[i]));
      out.EndLine();
    }
    out.EndLine();
    std::vector<int> edges;
    for (int i = 0; i < m->Get_Face_Count(); ++i) {
      const MIPolygon& f = m->f_a->data[i];
      if (f.count >= 2 && f.data[0] >= 0 && f.data[0] < nv && f.data[1] >= 0 && f.data[1] < nv) edges.push_back(i);
    }
    out.Printf("[%s:Edges]\n%d\n", id.c_str(), static_cast<int>(edges.size()));
    for (int i : edges) {
      out.Int(m->f_a->data[i].data[0]);
      out.Put(' ');
      out.Int(m->f_a->data[i].data[1]);
      out.EndLine();
    }
    out.EndLine();
    MList* refs = em.source->surface_refs;
    if (refs && refs->count > 0) {
      out.Printf("[%s:Texture]\n", id.c_str());
      for (int k = 0; k < refs->count; ++k)
        out.Printf("UsesTexture  %s ", r.TextureOf(ref_name_or_empty(refs, k)).c_str());
      out.Line(r.opt->switches.materials ? "defined" : "");
      out.EndLine();
    }
  });
  out.Line("[End]");
  out.EndLine();
}

// The binary model's pieces.
class Mdl {
 public:
  explicit Mdl(std::vector<uint8_t>* bytes) : w_(bytes) {}
  void U8(int v) { w_.U8(static_cast<uint8_t>(v)); }
  void I16(int v) { w_.I16(static_cast<int16_t>(v)); }
  void F64(double v) { w_.F64(v); }
  // One byte of length below 255, else 255 and a 16-bit length; longer
  // texts are cut to what 16 bits hold.
  void String(const std::string& s) {
    const size_t n = std::min<size_t>(s.size(), 65533);
    if (n < 255) {
      U8(static_cast<int>(n));
    } else {
      U8(255);
      w_.U16(static_cast<uint16_t>(n));
    }
    w_.Bytes(s.data(), n);
  }
  void NodeHeader(const std::string& name, const MVector3& scale, const MVector3& rotation, const MVector3& at) {
    I16(-1);
    String(name);
    for (double v : {scale.x, scale.y, scale.z}) w_.F32(static_cast<float>(v));
    for (double v : {rotation.x, rotation.y, rotation.z}) w_.F32(static_cast<float>(v));
    for (double v : {at.x, at.y, at.z}) F64(v);
    U8(0);
    U8(1);
    String("");
    U8(0);
    U8(0);
  }
  void Node(const std::string& name) { NodeHeader(name, MVector3(1, 1, 1), MVector3(0, 0, 0), MVector3(0, 0, 0)); }

 private:
  MBinWriter w_;
};

// Records are counted in 16 bits.
constexpr int kMaxRecords = std::numeric_limits<int16_t>::max();

double Positive(double a) { return a < 0 ? a + 6.283185307179586 : a; }

void WriteLight(Mdl& mdl, const MLight& l, const std::string& name) {
  if (l.type == SPOTLIGHT) {
    const MVector3 d = l.target - l.position;
    const MVector3 u = vect_normalize(d);
    const double alpha = std::asin(std::clamp(-u.y, -1.0, 1.0));
    double q = u.x / std::cos(alpha);
    q = std::isfinite(q) ? std::clamp(q, -1.0, 1.0) : 0.0;
    const double beta = std::asin(q);
    const double len = d.Length();
    mdl.U8(19);
    mdl.NodeHeader(name, MVector3(len, len, len), MVector3(Positive(alpha) * kRadToDeg, Positive(beta) * kRadToDeg, 0),
                   l.position);
  } else {
    mdl.U8(10);
    mdl.NodeHeader(name, MVector3(1, 1, 1), MVector3(0, 0, 0), l.position);
  }
  mdl.F64(l.color.r);
  mdl.F64(l.color.g);
  mdl.F64(l.color.b);
  mdl.F64(0.0);
  mdl.F64(1.0);
  mdl.U8(0);
  mdl.U8(1);
  mdl.U8(0);
  if (l.type == SPOTLIGHT) {
    mdl.F64(l.falloff * 0.5);
    mdl.F64(l.hotspot * 0.5);
    mdl.F64(1.0);
    mdl.I16(1);
  }
}

void WriteMdl(Run& r, std::vector<uint8_t>* bytes) {
  Mdl mdl(bytes);
  MBinWriter(bytes).Bytes(kMdlMagic, 6);
  mdl.I16(0);
  mdl.I16(0);
  auto count = [&](MList* list, const char* what) {
    int n = list ? list->count : 0;
    if (n > kMaxRecords - 1) {
      r.run.log().write("Moray model: only the first %d %s are written\n", kMaxRecords - 1, what);
      n = kMaxRecords - 1;
    }
    return n;
  };
  const int lights = count(r.scene->lights, "lights");
  const int objects = count(r.scene->objects, "objects");
  const int cameras = count(r.scene->cameras, "cameras");
  mdl.I16(lights + 1);
  for (int i = 0; i < lights; ++i) {
    MLight* l = static_cast<MLight*>(r.scene->lights->GetAt(i));
    if (l) WriteLight(mdl, *l, r.light_ids[static_cast<size_t>(i)]);
  }
  mdl.U8(1);
  mdl.Node(r.run.base() + "_group");
  mdl.I16(objects);
  mdl.U8(0);
  const std::string udo = FileName(r.run.Companion(kUdoSuffix));
  for (int i = 0; i < objects; ++i) {
    mdl.U8(24);
    mdl.Node(r.object_ids[static_cast<size_t>(i)]);
    mdl.I16(1);
    mdl.String(udo);
    mdl.String(r.object_ids[static_cast<size_t>(i)]);
  }
  mdl.I16(cameras);
  for (int i = 0; i < cameras; ++i) {
    MCamera* c = static_cast<MCamera*>(r.scene->cameras->GetAt(i));
    mdl.U8(5);
    mdl.Node(r.camera_ids[static_cast<size_t>(i)]);
    for (double v : {c->position.x, c->position.y, c->position.z, c->target.x, c->target.y, c->target.z, c->fov})
      mdl.F64(v);
    mdl.String("");
    mdl.String("");
    mdl.U8(0);
    mdl.I16(7);
    for (double v : {1.0, 0.5, 0.02, 1.333}) mdl.F64(v);
  }
  mdl.I16(0);
}

}  // namespace

void WriteMoray(Run& r) {
  WriteUdo(r);
  MOutputFile* f = r.run.Open(r.run.Companion(kMdlSuffix));
  if (!f) return;
  std::vector<uint8_t> bytes;
  WriteMdl(r, &bytes);
  f->Write(bytes.data(), bytes.size());
}

}  // namespace kpov
