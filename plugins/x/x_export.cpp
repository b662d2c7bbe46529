// DirectX export: every mesh and solid as a top-level Mesh in world space,
// with its normals, texture coordinates and materials, in text, binary or
// compressed form.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "plugin_framework.h"
#include "x_options.h"
#include "xfile.h"
#include "xfile_writer.h"

namespace {

const char kTitle[] = "Direct X Export Plugin 1.0";
const char kHelp[] =
    "Direct X Export Plugin 1.0\n\nExports *.x, DirectX files in text or binary form\n\nCommon Settings:\n\n"
    "\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\tSubDir: adds import filename "
    "as sub dir to full export file name\n\nSpecific Settings:\n\n\tBinary: binary file instead of text\n"
    "\tTemplates: writes the template declarations into the file\n\tCompressed: compressed file (-d3x_compressed=1)\n"
    "\tImage Handler: map file conversion\n\n";

bool IsIdentity(const MMatrix& M) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (M.m[r][c] != (r == c ? 1.0 : 0.0)) return false;
  return true;
}

// A deep copy, so that the optimisation's welding never changes the
// scene's own mesh.
MMesh_P* CopyMesh(MMesh_P* src) {
  MMesh_P* c = new MMesh_P(src->get_name());
  *c->v_a = *src->v_a;
  *c->f_a = *src->f_a;
  if (src->NormalsUsed()) {
    c->UseNormals();
    *c->nv_a = *src->nv_a;
    *c->nf_a = *src->nf_a;
  }
  if (src->UVUsed()) {
    c->UseUV();
    *c->uv_a = *src->uv_a;
    *c->uvf_a = *src->uvf_a;
  }
  src->CopyAttributes(*c);
  return c;
}

bool FaceFits(const MIPolygon& f, int corners, int vertices) {
  if (f.count != corners || corners < 3) return false;
  for (int c = 0; c < f.count; ++c)
    if (f.data[c] < 0 || f.data[c] >= vertices) return false;
  return true;
}

// Texture faces that repeat the position faces over as many coordinates as
// positions: the mesh already has one index for both.
bool SharesOneIndex(MMesh_P* m) {
  if (m->Get_UVVertex_Count() != m->Get_Vertex_Count() || m->Get_UVFace_Count() != m->Get_Face_Count()) return false;
  for (int i = 0; i < m->Get_Face_Count(); ++i) {
    const MIPolygon& f = m->Get_IFace(i);
    const MIPolygon& t = m->Get_IUVFace(i);
    if (f.count != t.count || std::memcmp(f.data, t.data, sizeof(int32_t) * static_cast<size_t>(f.count)) != 0)
      return false;
  }
  return true;
}

// One face as written: a whole face, or one of the two triangles a quad
// splits into (kQuadHalves, as the triangulation splits it).
struct WrittenFace {
  int face;
  int8_t half;  // -1: the whole face
};

class MeshWriter {
 public:
  MeshWriter(kvx::XWriter& w, MScene* scene, XExportOption* o, kvpf::ExportRun& run)
      : w_(w), scene_(scene), o_(o), run_(run) {}
  void Write(const MExportMesh& em);

 private:
  void Vectors(MMesh_P* m, bool normals, const MMatrix& M, bool identity);
  void Faces(const MFaceArray* fa, const std::vector<WrittenFace>& faces);
  void MaterialList(MMesh_P* m, const std::vector<WrittenFace>& faces);
  void Material(MSurface* s);
  const std::string& MaterialName(MSurface* s);

  kvx::XWriter& w_;
  MScene* scene_;
  XExportOption* o_;
  kvpf::ExportRun& run_;
  std::unordered_map<const MSurface*, std::string> material_names_;
  std::unordered_set<std::string> used_names_;
};

void MeshWriter::Write(const MExportMesh& em) {
  MessageCallBack1* cb = run_.cb();
  MMesh_P* m = em.mesh;
  std::unique_ptr<MMesh_P> copy, optimised;
  const char* src_name = em.source->get_name() ? em.source->get_name() : "";
  bool uv = false;
  if (m->UVUsed() && SharesOneIndex(m)) {
    uv = true;
  } else if (m->UVUsed()) {
    MMesh_P* work = m;
    if (m == em.source) {
      copy.reset(CopyMesh(m));
      work = copy.get();
    }
    work->SetFile(run_.log().Get_FILE());
    optimised.reset(work->UV_OptimizeMesh(nullptr));
    work->UnSetFile();
    if (optimised && optimised->Get_UVVertex_Count() == optimised->Get_Vertex_Count()) {
      m = optimised.get();
      uv = true;
    } else {
      run_.Warn("%s: the texture coordinates of %s could not be given one index with the positions; it is written "
                "without them", run_.path().c_str(), src_name);
    }
  }
  const int nv = m->Get_Vertex_Count();
  // Quads the walk left to the writer go as two triangles each.
  std::vector<WrittenFace> faces;
  faces.reserve(static_cast<size_t>(m->Get_Face_Count()));
  int kept = 0;
  for (int i = 0; i < m->Get_Face_Count(); ++i) {
    const MIPolygon& f = m->Get_IFace(i);
    if (!FaceFits(f, f.count, nv)) continue;
    ++kept;
    if (f.count == 4 && em.split_quads) {
      faces.push_back({i, 0});
      faces.push_back({i, 1});
    } else {
      faces.push_back({i, -1});
    }
  }
  if (faces.empty()) {
    run_.log().write("%s has no faces: not written\n", src_name);
    return;
  }
  if (kept < m->Get_Face_Count())
    run_.log().write("%s: %d faces with fewer than three corners or a corner past the vertices left out\n", src_name,
                     m->Get_Face_Count() - kept);
  bool normals = m->NormalsUsed() && m->Get_NFace_Count() == m->Get_Face_Count();
  for (size_t k = 0; normals && k < faces.size(); ++k)
    normals = FaceFits(m->Get_INFace(faces[k].face), m->Get_IFace(faces[k].face).count, m->Get_NVertex_Count());

  if (cb) cb->msg3("Writing ...");
  const bool identity = IsIdentity(em.matrix);
  const char* unified = m_unifymeshname(src_name, 1);
  w_.Begin("Mesh", unified ? unified : "");
  Vectors(m, false, em.matrix, identity);
  Faces(m->f_a, faces);
  if (normals) {
    w_.Begin("MeshNormals", "");
    Vectors(m, true, em.matrix, identity);
    Faces(m->nf_a, faces);
    w_.End();
  }
  if (uv) {
    w_.Begin("MeshTextureCoords", "");
    const int n = m->Get_UVVertex_Count();
    w_.Int(static_cast<uint32_t>(n));
    w_.Line();
    w_.ListOf(2 * static_cast<uint32_t>(n));
    for (int i = 0; i < n; ++i) {
      const MVector3& t = m->Get_UVVertex(i);
      w_.Float(t.x);
      w_.Float(1.0 - t.y);
      w_.Sep(i + 1 < n ? ',' : ';');
      w_.Line();
    }
    w_.End();
  }
  MaterialList(m, faces);
  w_.End();
}

void MeshWriter::Vectors(MMesh_P* m, bool normals, const MMatrix& M, bool identity) {
  const MVertexArray* a = normals ? m->nv_a : m->v_a;
  const int n = a->count;
  w_.Int(static_cast<uint32_t>(n));
  w_.Line();
  w_.ListOf(3 * static_cast<uint32_t>(n));
  for (int i = 0; i < n; ++i) {
    MVector3 v = a->data[i];
    if (normals) {
      if (!identity) v = M.NTransform(v);
      const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
      v = len > 0 ? MVector3(v.x / len, v.y / len, v.z / len) : MVector3(0, 0, 0);
    } else if (!identity) {
      v = M.Transform(v);
    }
    w_.Float(v.x);
    w_.Float(v.y);
    w_.Float(v.z);
    w_.Sep(i + 1 < n ? ',' : ';');
    w_.Line();
  }
}

void MeshWriter::Faces(const MFaceArray* fa, const std::vector<WrittenFace>& faces) {
  // Every corner of every face: n-gons are faces of the format.
  uint32_t values = 1;
  for (const WrittenFace& w : faces) values += 1 + (w.half < 0 ? static_cast<uint32_t>(fa->data[w.face].count) : 3);
  w_.ListOf(values);
  w_.Int(static_cast<uint32_t>(faces.size()));
  w_.Line();
  for (size_t k = 0; k < faces.size(); ++k) {
    const MIPolygon& f = fa->data[faces[k].face];
    if (faces[k].half < 0) {
      w_.Int(static_cast<uint32_t>(f.count));
      for (int c = 0; c < f.count; ++c) w_.Int(static_cast<uint32_t>(f.data[c]), c + 1 < f.count ? ',' : ';');
    } else {
      const int* corners = kQuadHalves[faces[k].half];
      w_.Int(3);
      for (int c = 0; c < 3; ++c) w_.Int(static_cast<uint32_t>(f.data[corners[c]]), c < 2 ? ',' : ';');
    }
    w_.Sep(k + 1 < faces.size() ? ',' : ';');
    w_.Line();
  }
}

void MeshWriter::MaterialList(MMesh_P* m, const std::vector<WrittenFace>& faces) {
  // The surface references the written faces use, in reference order; a
  // face of no valid reference takes the first. Unused references are left
  // out, so that the "DEFAULT" reference every import adds does not pile up
  // pass after pass.
  const int refs = m->surface_refs ? m->surface_refs->count : 0;
  std::vector<int> slot(static_cast<size_t>(refs > 0 ? refs : 1), -1);
  auto ref_of = [&](int face) {
    const int id = m->Get_Face_MatId(face);
    return id >= 0 && id < refs ? id : 0;
  };
  for (const WrittenFace& f : faces) slot[static_cast<size_t>(ref_of(f.face))] = 0;
  MSurface* first = scene_->surfaces ? static_cast<MSurface*>(scene_->surfaces->GetAt(0)) : nullptr;
  std::vector<MSurface*> materials;
  for (size_t i = 0; i < slot.size(); ++i) {
    if (slot[i] < 0) continue;
    slot[i] = static_cast<int>(materials.size());
    MSurface* s = i < static_cast<size_t>(refs) ? scene_->GetMaterialbyName(ref_name_or_empty(m->surface_refs, static_cast<int>(i))) : nullptr;
    materials.push_back(s ? s : first);
  }
  w_.Begin("MeshMaterialList", "");
  w_.ListOf(2 + static_cast<uint32_t>(faces.size()));
  w_.Int(static_cast<uint32_t>(materials.size()));
  w_.Int(static_cast<uint32_t>(faces.size()));
  w_.Line();
  for (size_t k = 0; k < faces.size(); ++k) {
    w_.Int(static_cast<uint32_t>(slot[static_cast<size_t>(ref_of(faces[k].face))]), k + 1 < faces.size() ? ',' : ';');
    w_.Line();
  }
  for (MSurface* s : materials) Material(s);
  w_.End();
}

const std::string& MeshWriter::MaterialName(MSurface* s) {
  auto it = material_names_.find(s);
  if (it != material_names_.end()) return it->second;
  const char* u = m_unifymeshname(s ? s->get_name() : "DEFAULT", 1);
  std::string base = u && *u ? u : "unnamed";
  // Two surfaces whose names clean up alike keep apart.
  std::string name = base;
  for (int k = 1; used_names_.count(name); ++k) name = base + "_" + std::to_string(k);
  used_names_.insert(name);
  return material_names_.emplace(s, name).first->second;
}

void MeshWriter::Material(MSurface* s) {
  w_.Begin("Material", MaterialName(s));
  MSurface fallback("DEFAULT");
  const MSurface& m = s ? *s : fallback;
  const MSrf_Color& c = m.color;
  MSrf_TextureLayer* layer = s ? s->layers.Get(0) : nullptr;
  const bool mapped = layer && layer->diffuse_color.enabled;
  MColor diffuse(c.diffuse.r * c.diffuse_intensity, c.diffuse.g * c.diffuse_intensity,
                 c.diffuse.b * c.diffuse_intensity);
  if (mapped) diffuse = m_color_under_map(diffuse);  // readers modulate the map by it
  w_.Float(diffuse.r);
  w_.Float(diffuse.g);
  w_.Float(diffuse.b);
  w_.Float(m.opref.surface_opacity);
  w_.Sep(';');
  w_.Line();
  w_.Float(m.spec.phong_size * 100.0);
  w_.Line();
  w_.Float(c.specular.r * c.specular_intensity);
  w_.Float(c.specular.g * c.specular_intensity);
  w_.Float(c.specular.b * c.specular_intensity);
  w_.Sep(';');
  w_.Line();
  for (int i = 0; i < 3; ++i) w_.Float(c.luminous_intensity);
  w_.Sep(';');
  w_.Line();
  if (mapped) {
    const char* map = o_->image_handler.GetNewMapName(layer->texture.bitmap.file_name, 0, "");
    w_.Begin("TextureFilename", "");
    w_.String(map ? map : layer->texture.bitmap.file_name);
    w_.End();
  }
  w_.End();
}

// The body: templates, the Header object and the meshes.
void WriteBody(kvx::XWriter& w, MScene* scene, XExportOption* o, kvpf::ExportRun& run) {
  if (o->templates) w.Templates();
  w.Begin("Header", "");
  w.Int(1);
  w.Line();
  w.Int(0);
  w.Line();
  w.Int(o->binary ? 0 : 1);
  w.Line();
  w.End();
  MeshWriter mw(w, scene, o, run);
  MExportWalkOptions walk;
  walk.writer_splits_quads = true;  // no triangulated copy of a quad mesh
  ForEachExportMesh(scene, run.cb(), walk, [&](const MExportMesh& m) { mw.Write(m); });
}

// The body to out: binary, or text through the kit's text writer.
bool WriteBodyTo(FILE* out, bool binary, MScene* scene, XExportOption* o, kvpf::ExportRun& run) {
  if (binary) {
    kvx::XWriter w(out);
    WriteBody(w, scene, o, run);
    return w.Finish();
  }
  MTextWriter text(out, o->ld_mode);
  text.EndLine();
  kvx::XWriter w(&text);
  WriteBody(w, scene, o, run);
  text.Flush();
  return !text.Failed();
}

int ExportX(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  XExportOption* o = static_cast<XExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle);
  MOutputFile* f = run.Open();
  if (!f) return 0;
  run.log().write("Writing %s started ...\n", run.path().c_str());
  const bool binary = o->binary != 0, zip = o->compressed != 0;
  const std::string header = kvx::XWriter::HeaderText(binary, zip);
  // The body streams to the file, block by block when compressed.
  if (!f->Write(header.data(), header.size())) {
    // noted in f: the run does not commit
  } else if (!zip) {
    if (!WriteBodyTo(f->Get_FILE(), binary, scene, o, run)) f->NoteError(errno ? errno : EIO);
  } else {
    kvx::XZipWriter z(f->Get_FILE());
    std::string error;
    const bool written = z.body() && WriteBodyTo(z.body(), binary, scene, o, run);
    if (!z.Close(&error) || !written)
      run.Fail("%s: %s", run.path().c_str(), error.empty() ? "cannot write the compressed body" : error.c_str());
  }
  run.log().write("Writing %s finished       \n", run.path().c_str());
  if (cb) cb->msg1("Map Files");
  if (cb) cb->progress1(100, 100);
  if (scene->maps) o->image_handler.ProcessMapFiles(run.log().Get_FILE(), cb, scene->maps, run.path().c_str());
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new XExportOption(argc, argv);
  return new XExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  XExportOption* o = static_cast<XExportOption*>(base);
  const KvOptionField fields[] = {
      {1052, "Binary", KV_FIELD_FLAG, &o->binary, sizeof o->binary},
      {1053, "Templates", KV_FIELD_FLAG, &o->templates, sizeof o->templates},
      {1054, "Compressed", KV_FIELD_FLAG, &o->compressed, sizeof o->compressed},
  };
  int n = 0;
  for (const KvOptionField& f : fields)
    if (n < max) out[n++] = f;
  return n;
}

kvpf::ExportClassDesc x_export_desc(kvpf::ExportClassInfo{
    "Direct X (*.x)", 0x7ECE5349u, kvpf::PluginTexts{"D3X", kHelp}, NewOptions, ExportX, OptionFields}, kAxesYUpLeftHanded);

PluginClassDesc* const kClasses[] = {&x_export_desc};

}  // namespace

KV_PLUGIN_LIBRARY("D3X Export Lib", kClasses)
