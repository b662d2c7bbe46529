// 3D Studio mesh (.3ds) and project (.prj) writer: the scene becomes a chunk
// database, which is then written in one piece.
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "3ds_export.h"
#include "format_run.h"
#include "plugin_framework.h"

namespace k3ds {
namespace {

const char kTitle[] = "3DS Export Plugin 1.0";
const long kSteps = 8;

void Step(MessageCallBack1* cb, long step, const char* text) { kvpf::ReportStep(cb, step, kSteps, text); }

// A written mesh as the keyframer sees it: its name and its frame.
struct ObjectNode {
  std::string name;
  MMatrix frame;
};

// A track of one key at frame 0: flags, two unused longs, the key count,
// then the key's frame and its (empty) spline flags.
Writer TrackKey(Chunk& node, uint16_t id) {
  Writer w(&node.Add(id).data);
  w.Word(0);
  w.Dword(0);
  w.Dword(0);
  w.Dword(1);
  w.Dword(0);
  w.Word(0);
  return w;
}

// The node of a mesh: readers place the mesh's vertices by the node's
// position, rotation and scale after taking them out of the mesh's frame,
// so the keys give the frame itself (no pivot).
void PutObjectNode(Chunk& kf, const ObjectNode& n, int id) {
  Chunk& node = kf.Add(kObjectNodeTag);
  Writer(&node.Add(kNodeId).data).Short(static_cast<int16_t>(id));
  {
    Writer w(&node.Add(kNodeHdr).data);
    w.String(n.name.c_str(), 10);
    w.Word(0);
    w.Word(0);
    w.Short(-1);  // no parent: every mesh is written in world space
  }
  {
    Writer w(&node.Add(kPivot).data);
    w.Float(0), w.Float(0), w.Float(0);
  }
  MVector3 axis[3], scale;
  for (int r = 0; r < 3; ++r) axis[r] = MVector3(n.frame[r][0], n.frame[r][1], n.frame[r][2]);
  double len[3];
  for (int r = 0; r < 3; ++r) {
    len[r] = axis[r].Length();
    axis[r] = len[r] > 0 ? axis[r] / len[r] : MVector3(r == 0, r == 1, r == 2);
  }
  if (vect_dot(vect_cross(axis[0], axis[1]), axis[2]) < 0) {
    axis[0] = axis[0] * -1.0;  // a mirrored frame: the mirror goes into the scale
    len[0] = -len[0];
  }
  scale = MVector3(len[0], len[1], len[2]);
  // Column-vector rotation Q = the rows of the frame as columns.
  const double trace = axis[0].x + axis[1].y + axis[2].z;
  double angle = std::acos(std::fmax(-1.0, std::fmin(1.0, (trace - 1) / 2)));
  MVector3 about(axis[1].z - axis[2].y, axis[2].x - axis[0].z, axis[0].y - axis[1].x);
  if (about.Length() > 1e-9) {
    about = about / about.Length();
  } else if (angle > 1.0) {
    // Half a turn: the axis is the column of Q + I that is not zero.
    int k = 0;
    const double d[3] = {axis[0].x, axis[1].y, axis[2].z};
    for (int i = 1; i < 3; ++i)
      if (d[i] > d[k]) k = i;
    MVector3 c(axis[k].x, axis[k].y, axis[k].z);
    if (k == 0) c.x += 1;
    if (k == 1) c.y += 1;
    if (k == 2) c.z += 1;
    about = vect_normalize(c);
  } else {
    angle = 0;
    about = MVector3(0, 0, 1);
  }
  Writer pos = TrackKey(node, kPosTrackTag);
  PutVector(pos, MVector3(n.frame[3][0], n.frame[3][1], n.frame[3][2]));
  Writer rot = TrackKey(node, kRotTrackTag);
  rot.Float(static_cast<float>(-angle));  // the format turns the other way about its axes
  PutVector(rot, about);
  Writer scl = TrackKey(node, kSclTrackTag);
  PutVector(scl, scale);
}

// A camera or light as the keyframer sees it: readers that build a node
// tree want a node of each, by name (and one of each target).
struct PointNode {
  uint16_t tag;
  std::string name;
  MVector3 position;
};

void PutPointNode(Chunk& kf, const PointNode& n, int id) {
  Chunk& node = kf.Add(n.tag);
  Writer(&node.Add(kNodeId).data).Short(static_cast<int16_t>(id));
  {
    Writer w(&node.Add(kNodeHdr).data);
    w.String(n.name.c_str(), 10);
    w.Word(0);
    w.Word(0);
    w.Short(-1);
  }
  Writer pos = TrackKey(node, kPosTrackTag);
  PutVector(pos, n.position);
}

// Version stamps of a fresh database for 3D Studio release 3, and a node
// per written mesh so that readers keep the objects' names.
Chunk NewRoot(FileKind kind, Chunk editor, const std::vector<ObjectNode>& nodes,
              const std::vector<PointNode>& points) {
  Chunk root;
  root.id = RootOfKind(kind);
  if (kind == kMeshFile) Writer(&root.Add(kM3dVersion).data).Long(3);
  root.kids.push_back(std::move(editor));
  Chunk& kf = root.Add(kKfData);
  {
    Writer w(&kf.Add(kKfHdr).data);
    w.Short(5);
    w.String("", 512);
    w.Long(30);
  }
  if (!nodes.empty() || !points.empty()) {
    Writer seg(&kf.Add(kKfSeg).data);
    seg.Long(0);
    seg.Long(30);
    Writer(&kf.Add(kKfCurTime).data).Long(0);
  }
  int id = 0;
  for (const PointNode& n : points) PutPointNode(kf, n, id++);
  for (const ObjectNode& n : nodes) PutObjectNode(kf, n, id++);
  return root;
}

// Written names of the scene's surfaces: cut to 16 characters and kept
// apart, since an entry of the same name would replace the earlier one.
std::map<std::string, std::string> MaterialNames(MScene* scene) {
  std::map<std::string, std::string> out;
  UniqueNames unique(16);
  const int n = scene->surfaces ? scene->surfaces->count : 0;
  for (int i = 0; i < n; ++i) {
    MSurface* s = static_cast<MSurface*>(scene->surfaces->GetAt(i));
    if (s && !out.count(s->name)) out[s->name] = unique.Get(s->name);
  }
  return out;
}

class BinaryWriter {
 public:
  BinaryWriter(MScene* scene, Export3dsOption* o, MessageCallBack1* cb, LogFile& log)
      : scene_(scene), o_(o), cb_(cb), log_(log), ctx_{o->image_handler, log, scene->maps}, materials_(MaterialNames(scene)) {
    editor_.id = kMData;
    Writer(&editor_.Add(kMeshVersion).data).Long(3);
  }

  Chunk Build() {
    const ExportFlags& fl = o_->flags;
    if (fl.global_setting) {
      Step(cb_, 0, "Settings ...");
      PutMeshSet(editor_, scene_->options);
    }
    if (fl.back_ground) {
      Step(cb_, 1, "Background ...");
      PutBackground(editor_, scene_->background, ctx_);
    }
    if (fl.atmosphere) {
      Step(cb_, 2, "Atmosphere ...");
      PutAtmosphere(editor_, scene_->fog);
    }
    if (fl.cameras) {
      Step(cb_, 3, "Cameras ...");
      Cameras();
    }
    if (fl.lights) {
      Step(cb_, 4, "Lights ...");
      Lights();
    }
    if (fl.meshes) {
      Step(cb_, 5, "Meshes ...");
      Meshes();
    }
    if (fl.materials) {
      Step(cb_, 6, "Materials ...");
      Materials();
    }
    // Material entries go before the named objects: readers that resolve
    // a face group's material while reading it find them then.
    for (Chunk& c : materials_chunk_.kids) editor_.kids.push_back(std::move(c));
    for (Chunk& c : objects_chunk_.kids) editor_.kids.push_back(std::move(c));
    return NewRoot(o_->kind.file_kind, std::move(editor_), nodes_, points_);
  }

 private:
  void Cameras() {
    const int n = scene_->cameras ? scene_->cameras->count : 0;
    for (int i = 0; i < n; ++i) {
      MCamera* c = static_cast<MCamera*>(scene_->cameras->GetAt(i));
      if (!c) continue;
      const char* name = c->get_name() ? c->get_name() : "";
      kvpf::ReportItem(cb_, name, i, n);
      const std::string written = objects_.Get(name);
      PutCamera(objects_chunk_, *c, written);
      points_.push_back(PointNode{kCameraNodeTag, written, c->position});
      points_.push_back(PointNode{kTargetNodeTag, written, c->target});
      log_.write("Working on: %s\n", name);
    }
  }

  void Lights() {
    const int n = scene_->lights ? scene_->lights->count : 0;
    for (int i = 0; i < n; ++i) {
      MLight* l = static_cast<MLight*>(scene_->lights->GetAt(i));
      if (!l) continue;
      const char* name = l->get_name() ? l->get_name() : "";
      kvpf::ReportItem(cb_, name, i, n);
      if (l->type != POINTLIGHT && l->type != SPOTLIGHT) continue;
      const std::string written = objects_.Get(name);
      PutLight(objects_chunk_, *l, written, ctx_);
      if (l->type == SPOTLIGHT) {
        points_.push_back(PointNode{kSpotlightNodeTag, written, l->position});
        points_.push_back(PointNode{kLTargetNodeTag, written, l->target});
      } else {
        points_.push_back(PointNode{kLightNodeTag, written, l->position});
      }
      log_.write("Working on: %s\n", name);
    }
  }

  void Meshes() {
    WalkOptions walk;
    walk.fast_smoothing = o_->flags.fast_smoothing != 0;
    ForEachMesh(scene_, log_, cb_, walk, [&](TriMesh& m, int k) {
      log_.write("Working on: %s\n", m.name.c_str());
      // Pieces of a split mesh are "Obj_<k>_<piece>" when their own name
      // does not fit.
      std::string wanted = m.name;
      if (wanted.size() > 10) {
        wanted = "Obj_";
        wanted += std::to_string(k);
        if (m.piece >= 0) wanted += '_' + std::to_string(m.piece);
      }
      std::vector<std::string> mats;
      mats.reserve(m.materials.size());
      for (const std::string& s : m.materials) {
        auto it = materials_.find(s);
        mats.push_back(it != materials_.end() ? it->second : s.substr(0, 16));
      }
      log_.write("Vertices: %d\n", m.VertexCount());
      log_.write("Faces: %d\n", m.FaceCount());
      log_.write("MatID's: %d\n", static_cast<int>(m.materials.size()));
      if (!m.smooth.empty()) log_.write("Normals: %d\n", m.normal_count);
      if (!m.uv.empty()) log_.write("UVVertices: %d\n", m.VertexCount());
      for (const std::string& s : mats) log_.write("  %s\n", s.c_str());
      const std::string name = objects_.Get(wanted);
      PutMesh(objects_chunk_, m, name, mats);
      if (nodes_.size() < 0x7FFF) nodes_.push_back(ObjectNode{name, m.matrix});
    });
  }

  void Materials() {
    const int n = scene_->surfaces ? scene_->surfaces->count : 0;
    std::unordered_set<std::string> done;
    for (int i = 0; i < n; ++i) {
      MSurface* s = static_cast<MSurface*>(scene_->surfaces->GetAt(i));
      if (!s) continue;
      kvpf::ReportItem(cb_, s->name, i, n);
      log_.write("Working on: %s\n", s->name);
      const std::string& name = materials_[s->name];
      // A second surface of the same name would only repeat the entry.
      if (!done.insert(name).second) continue;
      PutMaterial(materials_chunk_, *s, name, ctx_);
    }
  }

  MScene* scene_;
  Export3dsOption* o_;
  MessageCallBack1* cb_;
  LogFile& log_;
  MaterialContext ctx_;
  std::map<std::string, std::string> materials_;
  UniqueNames objects_{10};  // names of the named objects so far
  Chunk editor_;
  Chunk materials_chunk_, objects_chunk_;  // collected, then moved into editor_
  std::vector<ObjectNode> nodes_;
  std::vector<PointNode> points_;
};

}  // namespace

int ExportBinary(MScene* scene, Export3dsOption* o, MessageCallBack1* cb) {
  kvpf::ExportRun run(o, cb, kTitle, kBuildStamp);
  MOutputFile* f = run.Open();
  if (!f) return 0;
  // Maps to be copied get names the chunks hold before the materials name them.
  run.FitMapNames(o->image_handler, scene->maps, kMapNameLen);
  {
    BinaryWriter writer(scene, o, cb, run.log());
    Chunk root = writer.Build();
    WriteChunks(root, f);
  }
  Step(cb, 7, "Maps ...");
  run.ProcessMaps(o->image_handler, scene->maps);
  return run.Finish();
}

}  // namespace k3ds
