// Wavefront OBJ export: one model file with running index bases across the
// objects, a material library, then the map files.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "deferred_text.h"
#include "format_run.h"
#include "korvanelib.h"
#include "obj_options.h"
#include "plugin_framework.h"

namespace {

const char kTitle[] = "WaveFront Export Plugin 1.0";
// The build stamp of the log header is fixed: logs are compared across builds.
const char kBuildStamp[] = "Oct 22 2000 09:26:05";
const char kHelp[] =
    "** WaveFront Export Plugin 1.0 **\n\nExports *.obj (Alias Wavefront) with a material library (*.mtl)\n"
    "supports map conversion\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n"
    "\tSubDir: adds import filename as sub dir to full export file name\n\n"
    "Specific Settings:\n\n\tthe map conversion options (see below)\n\n";
const char kNotice[] = "Wavefront object file written by Korvane";
constexpr int kProgressStep = 4096;
// Normals and texture points from which a second thread formats them: it
// costs about what formatting a few hundred of them does.
constexpr long kSecondThreadFrom = 8192;

// Text for a comment or statement line: control characters would break the
// line apart.
std::string LineText(const char* s) {
  std::string out = s ? s : "";
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 32) c = '_';
  return out;
}

std::string Unified(const char* s) {
  const char* u = m_unifymeshname(s ? s : "", 1);
  return u ? u : "";
}

void Header(MTextWriter& out) {
  out.Put("#\t");
  out.Line(kNotice);
  time_t now = std::time(nullptr);
  char when[64] = "";
  if (const char* t = std::ctime(&now)) std::snprintf(when, sizeof when, "%s", t);
  size_t n = std::strlen(when);
  while (n > 0 && (when[n - 1] == '\n' || when[n - 1] == '\r')) when[--n] = 0;
  out.Put("#\tCreated by WaveFront Export Plugin 1.0 at ");
  out.Line(when);
  out.Put("#\t");
  out.Line("Alias Wavefront");
}

bool IsIdentity(const MMatrix& M) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (M.m[r][c] != (r == c ? 1.0 : 0.0)) return false;
  return true;
}

// A layer of polygons can be written with the positions when it has one
// polygon per face, of the same corner count, and every index is in range.
bool LayerFits(MMesh_P* m, MFaceArray* layer, int vertex_count) {
  if (!layer || layer->count < m->Get_Face_Count()) return false;
  for (int i = 0; i < m->Get_Face_Count(); ++i) {
    const MIPolygon& f = layer->data[i];
    if (f.count != m->f_a->data[i].count) return false;
    for (int c = 0; c < f.count; ++c)
      if (f.data[c] < 0 || f.data[c] >= vertex_count) return false;
  }
  return true;
}

struct Bases {
  long v = 1, n = 1, t = 1;
};

// The "vn" and "vt" lines of the layers that are written; without cb no
// progress is told (a second thread writes them).
void WriteNormalsAndUVs(MTextWriter& out, MMesh_P* m, const MMatrix& M, bool identity, bool normals, bool uvs,
                        MessageCallBack1* cb) {
  if (normals) {
    const int nn = m->Get_NVertex_Count();
    out.Put("# Normals ");
    out.Int(nn);
    out.EndLine();
    for (int i = 0; i < nn; ++i) {
      if (cb && i % kProgressStep == 0) cb->progress1(i, nn);
      MVector3 n = identity ? m->nv_a->data[i] : M.NTransform(m->nv_a->data[i]);
      double l = n.Length();
      // Unit normals stay as stored: dividing by a length of 1 - 1e-16
      // would change the text of a round trip.
      if (l > 0 && std::isfinite(l) && (!identity || std::fabs(l - 1.0) > 1e-12))
        n = MVector3(n.x / l, n.y / l, n.z / l);
      out.Put("vn ", 3);
      out.Vector(n);
      out.EndLine();
    }
    out.EndLine();
  }
  if (uvs) {
    const int nt = m->Get_UVVertex_Count();
    out.Put("# UV ");
    out.Int(nt);
    out.EndLine();
    for (int i = 0; i < nt; ++i) {
      if (cb && i % kProgressStep == 0) cb->progress1(i, nt);
      out.Put("vt ", 3);
      out.Vector(m->uv_a->data[i]);
      out.EndLine();
    }
    out.EndLine();
  }
}

// The object's statements and its faces by material.
void WriteFaces(MTextWriter& out, MMesh_P* m, const char* nm, int nv, bool normals, bool uvs, const Bases& base,
                MessageCallBack1* cb) {
  out.Put("o ");
  out.Line(Unified(nm).c_str());
  out.EndLine();
  out.Line("s off");
  out.EndLine();
  const int nf = m->Get_Face_Count();
  out.Put("# Face indices ");
  out.Int(nf);
  out.EndLine();

  // Faces by material in one pass: a bucket per surface reference, in face
  // order inside each.
  const int refs = m->surface_refs ? m->surface_refs->count : 0;
  std::vector<int> start(static_cast<size_t>(refs) + 1, 0), order;
  for (int i = 0; i < nf; ++i) {
    int id = m->f_a->data[i].mat_id;
    if (id >= 0 && id < refs) ++start[static_cast<size_t>(id) + 1];
  }
  for (int k = 0; k < refs; ++k) start[static_cast<size_t>(k) + 1] += start[static_cast<size_t>(k)];
  order.resize(static_cast<size_t>(start[static_cast<size_t>(refs)]));
  {
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int i = 0; i < nf; ++i) {
      int id = m->f_a->data[i].mat_id;
      if (id >= 0 && id < refs) order[static_cast<size_t>(fill[static_cast<size_t>(id)]++)] = i;
    }
  }
  int written = 0;
  for (int k = 0; k < refs; ++k) {
    const size_t b = static_cast<size_t>(start[static_cast<size_t>(k)]);
    const size_t e = static_cast<size_t>(start[static_cast<size_t>(k) + 1]);
    if (b < e) {
      out.Put("usemtl ");
      out.Line(Unified(static_cast<const char*>(m->surface_refs->GetAt(k))).c_str());
      out.EndLine();
    }
    for (size_t j = b; j < e; ++j) {
      const int i = order[j];
      if (cb && written++ % kProgressStep == 0) cb->progress1(written, nf);
      const MIPolygon& f = m->f_a->data[i];
      // A corner past the mesh's own positions would name another
      // object's vertex in the file-wide numbering.
      bool in_range = true;
      for (int c = 0; c < f.count; ++c)
        if (f.data[c] < 0 || f.data[c] >= nv) in_range = false;
      if (!in_range) continue;
      out.Put("f ", 2);
      // "p/t/n ", "p/t ", "p//n " or "p ": a million corners, so no printf.
      for (int c = 0; c < f.count; ++c) {
        out.Int(f.data[c] + base.v);
        if (uvs || normals) out.Put('/');
        if (uvs) out.Int(m->uvf_a->data[i].data[c] + base.t);
        if (normals) {
          out.Put('/');
          out.Int(m->nf_a->data[i].data[c] + base.n);
        }
        out.Put(' ');
      }
      out.EndLine();
    }
    out.EndLine();
  }
}

void WriteMesh(MTextWriter& out, MMesh_P* m, const MMatrix& M, const char* name, Bases& base, MessageCallBack1* cb,
               LogFile& log) {
  const char* nm = name ? name : "";
  const bool identity = IsIdentity(M);
  const int nv = m->Get_Vertex_Count();
  if (cb) cb->msg1("Working on: %s", nm);
  log.write("Working on: %s\n", nm);
  out.Put("# Object ");
  out.Line(LineText(nm).c_str());
  out.Put("# Vertices ");
  out.Int(nv);
  out.EndLine();
  const bool normals = m->NormalsUsed() && LayerFits(m, m->nf_a, m->Get_NVertex_Count());
  const bool uvs = m->UVUsed() && LayerFits(m, m->uvf_a, m->Get_UVVertex_Count());
  // The normals and texture points follow the positions: for a large mesh
  // they are formatted on a second thread meanwhile.
  MDeferredText later;
  const long rest = (normals ? m->Get_NVertex_Count() : 0) + (uvs ? m->Get_UVVertex_Count() : 0);
  if (rest >= kSecondThreadFrom)
    later.Start(out.ld_mode(), [=](MTextWriter& w) { WriteNormalsAndUVs(w, m, M, identity, normals, uvs, nullptr); });
  for (int i = 0; i < nv; ++i) {
    if (cb && i % kProgressStep == 0) cb->progress1(i, nv);
    out.Put("v ", 2);
    out.Vector(identity ? m->v_a->data[i] : M.Transform(m->v_a->data[i]));
    out.EndLine();
  }
  out.EndLine();
  // Meanwhile this thread formats the faces, which come after them.
  MDeferredText faces;
  if (later.Started())
    faces.RunHere(out.ld_mode(), [&](MTextWriter& w) { WriteFaces(w, m, nm, nv, normals, uvs, base, cb); });
  if (!later.WriteTo(out)) WriteNormalsAndUVs(out, m, M, identity, normals, uvs, cb);
  if (!faces.WriteTo(out)) WriteFaces(out, m, nm, nv, normals, uvs, base, cb);
  base.v += nv;
  if (normals) base.n += m->Get_NVertex_Count();
  if (uvs) base.t += m->Get_UVVertex_Count();
}

struct Maps {
  const char* diffuse = nullptr;
  const char* ambient = nullptr;
  const char* specular = nullptr;
  const char* bump = nullptr;
  const char* opacity = nullptr;
};

Maps FindMaps(MSurface* s) {
  Maps m;
  for (int i = 0; i < s->layers.Get_Count(); ++i) {
    MSrf_TextureLayer* l = s->layers.Get(i);
    if (!l || l->texture.kind != _2DBITMAP) continue;
    const char* name = l->texture.bitmap.file_name;
    if (!m.diffuse && l->diffuse_color.enabled) m.diffuse = name;
    if (!m.ambient && l->ambient_color.enabled) m.ambient = name;
    if (!m.specular && l->specular_color.enabled) m.specular = name;
    if (!m.bump && l->bump_intensity.enabled) m.bump = name;
    if (!m.opacity && l->opacity_intensity.enabled) m.opacity = name;
  }
  return m;
}

// Rounded first: most phong sizes lie below 1.
long SpecularExponent(double phong_size) {
  const double ns = std::round(phong_size * kObjPhongToNs);
  if (!(ns > 0)) return 0;  // NaN too
  return static_cast<long>(std::fmin(ns, kObjMaxNs));
}

double Dissolve(double opacity) { return opacity >= 0 && opacity <= 1 ? opacity : opacity < 0 ? 0.0 : 1.0; }

void WriteSurface(MTextWriter& out, MSurface* s, MIHandler& ih, LogFile& log) {
  Maps maps = FindMaps(s);
  const MSrf_Color& c = s->color;
  const double di = c.diffuse_intensity, ai = c.ambient_intensity;
  MVector3 kd(c.diffuse.r * di, c.diffuse.g * di, c.diffuse.b * di);
  MVector3 ka = c.lock_ambient ? kd : MVector3(c.ambient.r * ai, c.ambient.g * ai, c.ambient.b * ai);
  MVector3 ks = c.lock_specular ? MVector3(c.diffuse.r, c.diffuse.g, c.diffuse.b)
                                : MVector3(c.specular.r, c.specular.g, c.specular.b);
  const MVector3 zero(0, 0, 0);
  out.Put("newmtl ");
  out.Line(Unified(s->name).c_str());
  out.Printf("\t%s %ld\n", "Ns", SpecularExponent(s->spec.phong_size));
  out.Printf("\t%s %g\n", "d", Dissolve(s->opref.surface_opacity));
  out.Line("\tillum 2");
  auto color = [&](const char* key, const MVector3& v) {
    out.Printf("\t%s %.3lf %.3lf %.3lf\n", key, v.x, v.y, v.z);
  };
  auto map = [&](const char* key, const char* name) {
    // With copying the map lands beside the model: the file name alone.
    const char* nn = ih.GetNewMapName(name, ih.enable_copy ? 0 : 1, "");
    std::string newname = nn ? nn : name;
    log.write("old map file %s to new map file %s\n", name, newname.c_str());
    out.Put('\t');
    out.Put(key);
    out.Put(' ');
    out.Line(LineText(newname.c_str()));
  };
  // A reader multiplies the map by Kd: white lets the map show as it is.
  color("Kd", maps.diffuse ? MVector3(1, 1, 1) : kd);
  color("Ks", (maps.diffuse || maps.specular) ? zero : ks);
  color("Ka", (maps.diffuse || maps.ambient) ? zero : ka);
  if (maps.diffuse) map("map_Kd", maps.diffuse);
  if (maps.specular) map("map_Ks", maps.specular);
  if (maps.ambient) map("map_Ka", maps.ambient);
  if (maps.opacity) map("map_d", maps.opacity);
  if (maps.bump) map("map_Bump", maps.bump);
  out.EndLine();
}

int ExportObj(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  ObjExportOption* o = static_cast<ObjExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle, kBuildStamp, kvpf::ExportRun::kWritingFirst);
  // The model and its library are written together or not at all.
  MOutputFile* f = run.Open();
  MOutputFile* lf = f ? run.Open(run.Companion(".mtl")) : nullptr;
  if (!lf) return 0;
  {
    MTextWriter out(*f, o->ld_mode);
    Header(out);
    const MVector3& bl = scene->GetBoundLeft();
    const MVector3& br = scene->GetBoundRight();
    out.Printf("# WorldBoundMin = <%lf, %lf, %lf>;\n", bl.x, bl.y, bl.z);
    out.Printf("# WorldBoundMax = <%lf, %lf, %lf>;\n", br.x, br.y, br.z);
    out.Line("# ");
    out.Put("mtllib ");
    out.Line(run.base() + ".mtl");
    out.EndLine();
    if (cb) cb->msg1("Objects");
    if (cb) cb->progress1(33, 100);
    Bases bases;
    MExportWalkOptions walk;
    walk.triangulate = false;  // OBJ keeps its polygons
    walk.skip_hidden = true;
    ForEachExportMesh(scene, cb, walk, [&](const MExportMesh& m) {
      WriteMesh(out, m.mesh, m.matrix, m.source->get_name(), bases, cb, run.log());
    });
  }
  {
    MTextWriter out(*lf, o->ld_mode);
    Header(out);
    if (cb) cb->msg1("Materials");
    if (cb) cb->progress1(66, 100);
    const int count = scene->surfaces ? scene->surfaces->count : 0;
    for (int i = 0; i < count; ++i) {
      MSurface* s = static_cast<MSurface*>(scene->surfaces->GetAt(i));
      if (!s) continue;
      if (cb) cb->msg2("%s", s->name);
      if (cb) cb->progress2(i, count);
      WriteSurface(out, s, o->image_handler, run.log());
    }
  }
  if (cb) cb->msg1("Map Files");
  if (cb) cb->progress1(100, 100);
  run.ProcessMaps(o->image_handler, scene->maps);
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new ObjExportOption(argc, argv);
  return new ObjExportOption();
}

int OptionFields(Base_FileOption* o, KvOptionField* out, int max) {
  if (max < 1) return 0;
  out[0] = kvpf::ImageHandlerField(&static_cast<ObjExportOption*>(o)->image_handler);
  return 1;
}

kvpf::ExportClassDesc obj_export_desc(kvpf::ExportClassInfo{
    "Alias Wavefront (*.obj)", 0x7D094E62u, kvpf::PluginTexts{"WAV", kHelp}, NewOptions, ExportObj, OptionFields}, kAxesYUp);

PluginClassDesc* const kClasses[] = {&obj_export_desc};

}  // namespace

KV_PLUGIN_LIBRARY("WAV Export Lib", kClasses)
