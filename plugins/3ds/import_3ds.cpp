// 3D Studio import: .3ds, .prj and .mli through the chunk layer.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "chunk3ds.h"
#include "cmdline.h"
#include "korvanelib.h"
#include "plugin_framework.h"
#include "profile.h"

namespace {

const char kTitle[] = "3DS Import Plugin 1.0";
const char kHelp[] =
    "** 3DS Import Plugin 1.0 **\n\tImports *.3ds, *.prj *.mli of 3DStudio V2/V3/V4\n"
    "\t-import_global_setting=FLAG; // import scale, shadowsettings and ambient\n"
    "\t-import_back_ground=FLAG; // import solid, gradient and bitmap\n"
    "\t-import_atmosphere=FLAG; // import fog\n"
    "\t-import_meshes=FLAG; // import vertices, faces, normals, uv and surfaces\n"
    "\t-import_materials=FLAG; //\n\t-import_cameras=FLAG; //\n"
    "\t-activate_camera_number=IVAL; // activates camera with number IVAL\n"
    "\t-import_lights=FLAG; //\n\t-image_search_path=String; // e.g. d:\\map\\;c:\\map\\;\n\n";
char kKey[] = "import_3ds";
char kLog[] = "import3ds.log";
char kSpecific[] = "Specific Settings";
char kDefault[] = "DEFAULT";

class Import3dsOption : public Import_FileOption {
 public:
  int global_setting = 1, back_ground = 1, atmosphere = 1, meshes = 1, materials = 1, cameras = 1;
  int activate_camera = 0, lights = 1;
  char image_search_path[4097] = "";

  Import3dsOption() : Import_FileOption(kKey, kLog) {
    Set_Filter(kFilter);
    Profile store(kKey);
    for (auto& f : Fields()) {
      unsigned long v = static_cast<unsigned long>(*f.value);
      if (store.GetInt(kSpecific, f.key, *f.value, &v)) *f.value = static_cast<int>(v);
    }
  }
  Import3dsOption(int argc, char** argv) : Import_FileOption(argc, argv, kLog) {
    Set_Filter(kFilter);
    for (auto& f : Fields()) {
      int v = *f.value;
      if (m_get_cmdl_int(argc, argv, f.key, *f.value, &v)) *f.value = v;
    }
    const char* prefix = "-image_search_path=";
    for (int i = 1; i < argc; ++i)
      if (argv[i] && std::strncmp(argv[i], prefix, std::strlen(prefix)) == 0) {
        std::snprintf(image_search_path, sizeof image_search_path, "%s", argv[i] + std::strlen(prefix));
      }
  }

  struct Field {
    const char* key;
    int* value;
  };
  std::vector<Field> Fields() {
    return {{"import_global_setting", &global_setting}, {"import_back_ground", &back_ground},
            {"import_atmosphere", &atmosphere},         {"import_meshes", &meshes},
            {"import_materials", &materials},           {"import_cameras", &cameras},
            {"activate_camera_number", &activate_camera}, {"import_lights", &lights}};
  }
  void PrintSpecific(FILE* fp) {
    if (!fp) return;
    for (auto& f : Fields()) std::fprintf(fp, "\t %s: %d\n", f.key, *f.value);
  }
  static constexpr const char* kFilter =
      "3D Studio Binary File     (*.3ds;*.prj;*.mli)|*.3ds;*.prj;*.mli|All Files                 (*.*)|*.*||";
};

// Writes pending chunk-layer errors; true when there were any.
bool Failed(k3ds::ErrorList& err, LogFile& log, const char* fn, const char* obj = nullptr) {
  if (!err.Pending()) return false;
  if (obj)
    log.write("Error after function \"%s\" (\"%s\"):\n", fn, obj);
  else
    log.write("Error after function \"%s\":\n", fn);
  for (int i = 0; i < err.Count(); ++i) log.write("%s\n", k3ds::ErrorMessage(err.Code(i)));
  err.Clear();
  return true;
}

std::string ChunkName(const k3ds::Chunk& c, k3ds::ErrorList& err, size_t max = 255) {
  k3ds::Reader r(c.data, &err);
  return r.String(max);
}

MVector3 FaceNormal(const std::vector<MVector3>& v, const int32_t* f) {
  return vect_normalize(vect_cross(v[f[1]] - v[f[0]], v[f[2]] - v[f[0]]));
}

// Corner normals from smoothing groups: faces sharing a vertex and a group
// (transitively through the vertex's faces) are averaged.
void SmoothNormals(MMesh_P* m, const std::vector<int32_t>& tri, const std::vector<uint32_t>& groups) {
  const int nv = m->Get_Vertex_Count();
  const int nf = static_cast<int>(tri.size() / 3);
  std::vector<MVector3> verts(m->v_a->data, m->v_a->data + nv);
  std::vector<MVector3> fn(static_cast<size_t>(nf));
  for (int f = 0; f < nf; ++f) fn[f] = FaceNormal(verts, &tri[3 * f]);
  std::vector<int> start(static_cast<size_t>(nv) + 1, 0), list(tri.size());
  for (int32_t v : tri) ++start[v + 1];
  for (int v = 0; v < nv; ++v) start[v + 1] += start[v];
  std::vector<int> fill(start.begin(), start.end() - 1);
  for (size_t i = 0; i < tri.size(); ++i) list[fill[tri[i]]++] = static_cast<int>(i / 3);

  m->UseNormals();
  MHash_V hash(m->nv_a, 3 * nf > 0 ? 3 * nf : 1);
  hash.Set_Tolerance(1e-6);
  for (int f = 0; f < nf; ++f) {
    int32_t idx[3];
    for (int c = 0; c < 3; ++c) {
      MVector3 n;
      const uint32_t s = f < static_cast<int>(groups.size()) ? groups[f] : 0;
      if (s == 0) {
        n = fn[f];
      } else {
        const int v = tri[3 * f + c];
        uint32_t mask = s;
        for (int k = start[v]; k < start[v + 1]; ++k) {
          const int g = list[k];
          const uint32_t sg = g < static_cast<int>(groups.size()) ? groups[g] : 0;
          if (mask & sg) mask |= sg;
        }
        MVector3 sum(0, 0, 0);
        for (int k = start[v]; k < start[v + 1]; ++k) {
          const int g = list[k];
          const uint32_t sg = g < static_cast<int>(groups.size()) ? groups[g] : 0;
          if ((mask & sg) && !(fn[g] == sum)) sum = sum + fn[g];
        }
        n = vect_dot(sum, sum) > 0 ? vect_normalize(sum) : MVector3(0, 0, 0);
      }
      int found = hash.Get_Vertex_Index(n);
      if (found < 0) {
        found = m->nv_a->Add(n);
        hash.Add_Vertex_Index(n, found);
      }
      idx[c] = found;
    }
    m->nf_a->Add(idx, 3, m->f_a->data[f].mat_id);
  }
}

void ImportMesh(MScene* scene, const k3ds::Chunk& obj, const k3ds::Chunk& tri_chunk, const std::string& name,
                k3ds::ErrorList& err, LogFile& log) {
  std::vector<float> pos;
  uint32_t nv = 0;
  if (const k3ds::Chunk* c = tri_chunk.Find(0x4110)) {
    k3ds::Reader r(c->data, &err);
    nv = r.FitCount(r.Word(), 12);
    pos.resize(3 * static_cast<size_t>(nv));
    for (float& x : pos) x = r.Float();
  }
  std::vector<int32_t> tri;
  std::vector<int> matid;
  std::vector<uint32_t> groups;
  std::vector<std::string> mats{kDefault};
  bool bad_index = false;
  std::vector<int> face_map;  // file face -> kept face, -1 dropped
  const k3ds::Chunk* faces = tri_chunk.Find(0x4120);
  if (faces) {
    k3ds::Reader r(faces->data, &err);
    uint32_t n = r.FitCount(r.Word(), 8);
    tri.reserve(3 * static_cast<size_t>(n));
    face_map.assign(n, -1);
    for (uint32_t i = 0; i < n; ++i) {
      uint16_t a = r.Word(), b = r.Word(), c = r.Word();
      r.Word();
      if (a >= nv || b >= nv || c >= nv) {
        // A corner past the vertex list cannot be drawn: the face is dropped.
        bad_index = true;
        continue;
      }
      face_map[i] = static_cast<int>(tri.size() / 3);
      tri.insert(tri.end(), {a, b, c});
    }
    matid.assign(tri.size() / 3, 0);
    if (const k3ds::Chunk* box = faces->Find(0x4190)) {
      k3ds::Reader br(box->data, &err);
      mats.clear();
      for (int i = 0; i < 6 && br.Left(); ++i) mats.push_back(br.String(16));
    } else {
      for (const k3ds::Chunk& g : faces->kids) {
        if (g.id != 0x4130) continue;
        k3ds::Reader gr(g.data, &err);
        mats.push_back(gr.String(1023));
        const int id = static_cast<int>(mats.size()) - 1;
        uint32_t cnt = gr.FitCount(gr.Word(), 2);
        for (uint32_t k = 0; k < cnt; ++k) {
          uint16_t f = gr.Word();
          if (f < face_map.size() && face_map[f] >= 0) matid[face_map[f]] = id;
        }
      }
    }
    if (const k3ds::Chunk* s = faces->Find(0x4150)) {
      k3ds::Reader sr(s->data, &err);
      groups.assign(tri.size() / 3, 0);
      size_t count = sr.Left() / 4;
      for (size_t i = 0; i < count && i < face_map.size(); ++i) {
        uint32_t g = sr.Dword();
        if (face_map[i] >= 0) groups[face_map[i]] = g;
      }
    }
  }
  if (bad_index) log.write("Faces with vertex indices past %u dropped\n", nv);
  const int nf = static_cast<int>(tri.size() / 3);

  MMesh_P* m = new MMesh_P(name.c_str());
  log.write("Working on: %s\n", name.c_str());
  if (faces && faces->Find(0x4190)) m->mapping_type = static_cast<MMapping_Types>(4);
  for (const std::string& s : mats) m->surface_refs->Append(my_strdup(s.c_str()));
  log.write("Vertices: %d\n", static_cast<int>(nv));
  for (uint32_t i = 0; i < nv; ++i) m->v_a->Add(MVector3(pos[3 * i], pos[3 * i + 1], pos[3 * i + 2]));
  log.write("Faces: %d\n", nf);
  log.write("MatId's: %d\n", static_cast<int>(mats.size()) - 1);
  for (int f = 0; f < nf; ++f) m->f_a->Add(&tri[3 * static_cast<size_t>(f)], 3, matid[f]);
  if (faces && faces->Find(0x4150)) {
    SmoothNormals(m, tri, groups);
    log.write("Normals: %d\n", nf);
  }
  if (const k3ds::Chunk* uv = tri_chunk.Find(0x4140)) {
    k3ds::Reader r(uv->data, &err);
    uint32_t n = r.FitCount(r.Word(), 8);
    log.write("UVVertices: %d\n", static_cast<int>(n));
    m->UseUV(static_cast<int>(nv), nf);
    auto clean = [](float x) { return (std::fabs(x) < 1e-6f || std::fabs(x) > 1e6f) ? 0.0 : double(x); };
    for (uint32_t i = 0; i < nv; ++i) {
      // Vertices beyond the stored texture vertices get (0, 0).
      float u = i < n ? r.Float() : 0.0f, v = i < n ? r.Float() : 0.0f;
      m->Set_UVVertex_Array(static_cast<int>(i), MVector3(clean(u), clean(v), 0));
    }
    for (int f = 0; f < nf; ++f) m->Set_UVFace_Array(f, m->f_a->data[f]);
  }
  m->hidden = obj.Find(0x4010) ? 1 : 0;
  m->cast_shadows = obj.Find(0x4012) ? 0 : 1;
  m->receive_shadows = obj.Find(0x4017) ? 0 : 1;
  if (const k3ds::Chunk* mx = tri_chunk.Find(0x4160)) {
    // Vertices are already in world space; the matrix only records the
    // object's frame. It is kept where no exporter moves vertices by it.
    k3ds::Reader r(mx->data, &err);
    MMatrix& w = m->transformation.world;
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 3; ++col) w[row][col] = r.Float();
      w[row][3] = row == 3 ? 1.0 : 0.0;
    }
  }
  scene->objects->Append(m);
}

void ImportCamera(MScene* scene, const k3ds::Chunk& obj, const k3ds::Chunk& c, const std::string& name,
                  k3ds::ErrorList& err) {
  k3ds::Reader r(c.data, &err);
  float p[3], t[3];
  r.Vector(p);
  r.Vector(t);
  float bank = r.Float(), lens = r.Float();
  MCamera* cam = new MCamera(name.c_str());
  cam->position = MVector3(p[0], p[1], p[2]);
  cam->target = MVector3(t[0], t[1], t[2]);
  cam->roll_angle = bank;
  if (const k3ds::Chunk* rng = c.Find(0x4720)) {
    k3ds::Reader rr(rng->data, &err);
    cam->near_plane = rr.Float();
    cam->far_plane = rr.Float();
  }
  if (lens > 0 && std::isfinite(lens)) {
    cam->fov = 2400.0 / lens;
    cam->film_size = 100.0 * std::tan(0.4014257279586958);
    cam->lens = (cam->film_size / 2) / std::tan(cam->fov * M_PI / 360.0);
  }
  scene->cameras->Append(cam);
}

bool ReadColor(const k3ds::Chunk* c, MColor* out, k3ds::ErrorList& err) {
  if (!c) return false;
  for (uint16_t id : {0x0013, 0x0010}) {
    if (const k3ds::Chunk* f = c->Find(id)) {
      k3ds::Reader r(f->data, &err);
      float v[3];
      r.Vector(v);
      out->Init_RGB(v[0], v[1], v[2]);
      return true;
    }
  }
  for (uint16_t id : {0x0011, 0x0012}) {
    if (const k3ds::Chunk* b = c->Find(id)) {
      k3ds::Reader r(b->data, &err);
      double rr = r.Byte() / 255.0, g = r.Byte() / 255.0, bb = r.Byte() / 255.0;
      out->Init_RGB(rr, g, bb);
      return true;
    }
  }
  return false;
}

void ImportLight(MScene* scene, const k3ds::Chunk& c, const std::string& name, k3ds::ErrorList& err) {
  k3ds::Reader r(c.data, &err);
  float p[3];
  r.Vector(p);
  MLight* l = new MLight(name.c_str());
  const k3ds::Chunk* spot = c.Find(0x4610);
  l->type = spot ? 1 : 0;
  l->position = MVector3(p[0], p[1], p[2]);
  ReadColor(&c, &l->color, err);
  auto flt = [&](uint16_t id, double* out) {
    if (const k3ds::Chunk* k = c.Find(id)) {
      k3ds::Reader kr(k->data, &err);
      *out = kr.Float();
    }
  };
  flt(0x465B, &l->intensity);
  flt(0x4659, &l->inner);
  flt(0x465A, &l->outer);
  l->active = c.Find(0x4620) ? 0 : 1;
  l->attenuation = c.Find(0x4625) ? 1 : 0;
  if (spot) {
    k3ds::Reader sr(spot->data, &err);
    float t[3];
    sr.Vector(t);
    l->target = MVector3(t[0], t[1], t[2]);
    l->hotspot = sr.Float();
    l->falloff = sr.Float();
    if (const k3ds::Chunk* k = spot->Find(0x4656)) {
      k3ds::Reader kr(k->data, &err);
      l->roll = kr.Float();
    }
    if (const k3ds::Chunk* k = spot->Find(0x4657)) {
      k3ds::Reader kr(k->data, &err);
      l->aspect = kr.Float();
    }
    l->cone_style = spot->Find(0x4651) ? 1 : 0;
    l->shadow_cast = spot->Find(0x4630) ? 1 : 0;
    l->shadow_type = spot->Find(0x4627) ? 1 : 0;
  }
  scene->lights->Append(l);
}

void ImportMaterial(MScene* scene, const k3ds::Chunk& entry, k3ds::ErrorList& err) {
  const k3ds::Chunk* n = entry.Find(0xA000);
  std::string name = n ? ChunkName(*n, err, 1023) : std::string();
  MSurface* s = new MSurface(name.c_str());
  // Map files go to the map list so that they resolve through the search path.
  for (uint16_t id : {0xA200, 0xA33A, 0xA210, 0xA230, 0xA204, 0xA33C, 0xA33D, 0xA220}) {
    const k3ds::Chunk* map = entry.Find(id);
    const k3ds::Chunk* file = map ? map->Find(0xA300) : nullptr;
    if (!file) continue;
    std::string f = ChunkName(*file, err, 1023);
    if (!f.empty()) scene->maps->AddMap(f.c_str());
  }
  scene->surfaces->Append(s);
}

void Import3ds(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  Import3dsOption* o = static_cast<Import3dsOption*>(base);
  char path[1024];
  std::snprintf(path, sizeof path, "%s", o->Get_Filename() ? o->Get_Filename() : "");
  LogFile log(path, o->verbose_mode == 1 ? o->logfilename : nullptr);
  log.write("%s %s %s %s\n", kTitle, __DATE__, __TIME__, "VC++50");
  log.write("Options:\n");
  if (log.Get_FILE()) {
    o->Print_Options(log.Get_FILE());
    o->PrintSpecific(log.Get_FILE());
    std::fflush(log.Get_FILE());
  }
  log.write("Parsing %s started ...      \n", path);

  k3ds::ErrorList err;
  k3ds::Database db;
  FILE* probe = std::fopen(path, "rb");
  if (!probe) {
    log.write("File %s not found. Abort!\n", path);
  } else {
    std::fclose(probe);
    bool valid = k3ds::ReadDatabaseFile(path, &db, &err);
    Failed(err, log, "CreateDatabase3ds");
    if (!valid) {
      log.write("Sorry, no valid 3DStudio file\n");
    } else {
      char dir[1024] = "";
      m_getpath(dir, path);
      scene->maps->AddSearchPath(dir);
      if (o->image_search_path[0]) scene->maps->AddSearchPath(o->image_search_path);
      const k3ds::Chunk* ed = db.kind == 3 ? &db.root : db.root.Find(k3ds::kEditor);
      if (ed) {
        int mesh_no = 0;
        // Cameras, then omni lights, then spotlights, then meshes, each in file order.
        for (int pass = 0; pass < 4; ++pass) {
          for (const k3ds::Chunk& obj : ed->kids) {
            if (obj.id != 0x4000) continue;
            std::string name = ChunkName(obj, err);
            if (Failed(err, log, "GetMeshNameList3ds")) continue;
            const k3ds::Chunk* cam = obj.Find(0x4700);
            const k3ds::Chunk* light = obj.Find(0x4600);
            const k3ds::Chunk* mesh = obj.Find(0x4100);
            if (pass == 0 && cam && o->cameras) {
              ImportCamera(scene, obj, *cam, name, err);
              Failed(err, log, "GetCameraByName3ds", name.c_str());
            } else if ((pass == 1 || pass == 2) && light && o->lights &&
                       (light->Find(0x4610) != nullptr) == (pass == 2)) {
              ImportLight(scene, *light, name, err);
              Failed(err, log, pass == 1 ? "GetOmnilightByName3ds" : "GetSpotlightByName3ds", name.c_str());
            } else if (pass == 3 && mesh) {
              if (o->meshes) {
                if (name.empty()) name = "Mesh_" + std::to_string(mesh_no);
                ImportMesh(scene, obj, *mesh, name, err, log);
                Failed(err, log, "GetMeshByName3ds", name.c_str());
              }
              ++mesh_no;
            }
          }
        }
        if (o->materials) {
          scene->surfaces->Append(new MSurface(kDefault));
          for (const k3ds::Chunk& e : ed->kids) {
            if (e.id != 0xAFFF) continue;
            ImportMaterial(scene, e, err);
            Failed(err, log, "GetMaterialByName3ds");
          }
        }
      }
    }
  }
  log.write("Parsing finished       \n");
  log.write("Postprocessing ...        \n");
  scene->CalculateBoundingBox();
  MMake_Default_Cam(scene);
  int cams = scene->cameras->count;
  int active = (o->activate_camera >= 0 && o->activate_camera < cams) ? o->activate_camera : 0;
  if (MCamera* cam = static_cast<MCamera*>(scene->cameras->GetAt(active))) cam->active = 1;
  scene->options.active_camera = active;
  MMake_Default_Light(scene);
  log.write("Done                            \n");
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new Import3dsOption(argc, argv);
  return new Import3dsOption();
}

kvpf::ImportClassDesc import_3ds_desc(kvpf::ImportClassInfo{"3D Studio (*.3ds, *.prj, *.mtl)", 0x57DB52C5u,
                                                            kvpf::PluginTexts{"3DS", kHelp}, NewOptions,
                                                            Import3ds, nullptr});

PluginClassDesc* const kClasses[] = {&import_3ds_desc};

}  // namespace

KV_PLUGIN_LIBRARY("3DS Import Lib", kClasses)
