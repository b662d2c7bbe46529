// The walk over the object tree: frames place what they hold, references
// are followed once per path, animations are passed over.
#include "x_import.h"

#include <cstring>

#include "xfile_format.h"

namespace kvx {

Kind KindOf(const std::string& type) {
  struct Entry {
    const char* name;
    Kind kind;
  };
  static const Entry kKinds[] = {
      {tpl::kHeader, Kind::kHeader},           {tpl::kFrame, Kind::kFrame},
      {tpl::kFrameTransformMatrix, Kind::kFrameMatrix}, {tpl::kMesh, Kind::kMesh},
      {tpl::kMeshNormals, Kind::kNormals},     {tpl::kMeshTextureCoords, Kind::kTexCoords},
      {tpl::kMeshMaterialList, Kind::kMaterialList}, {tpl::kMeshVertexColors, Kind::kVertexColors},
      {tpl::kMaterial, Kind::kMaterial},       {tpl::kTextureFilename, Kind::kTextureFile},
      {tpl::kAnimationSet, Kind::kAnimation},  {tpl::kAnimation, Kind::kAnimation},
  };
  for (const Entry& e : kKinds)
    if (SameType(type, e.name)) return e.kind;
  return Kind::kOther;
}

XSceneReader::XSceneReader(const XFile& x, MScene* scene, kvpf::ImportRun& run)
    : x_(x), scene_(scene), run_(run), log_(run.log()) {
  on_path_.assign(static_cast<size_t>(x.object_count()), 0);
  visited_.assign(static_cast<size_t>(x.object_count()), 0);
  steps_left_ = 64 * static_cast<size_t>(x.object_count()) + 100000;
  mesh_bytes_left_ = 16 * x.body_size() + (1u << 20);
}

int XSceneReader::ReadAll() {
  const int n = x_.object_count();
  // Objects inside an animation name the frames they animate: those
  // references place nothing. Parents come before their children.
  std::vector<char> in_animation(static_cast<size_t>(n), 0);
  std::vector<char> placed_by_ref(static_cast<size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    const XObject& o = x_.object(i);
    in_animation[i] = KindOf(o.type) == Kind::kAnimation || (o.parent >= 0 && in_animation[o.parent]);
  }
  for (int i = 0; i < n; ++i) {
    if (in_animation[i]) continue;
    for (const XChild& c : x_.object(i).children) {
      if (c.object >= 0) continue;
      const int t = x_.Resolve(c);
      if (t < 0 || x_.object(t).parent >= 0) continue;
      const Kind k = KindOf(x_.object(t).type);
      if (k == Kind::kMesh || k == Kind::kFrame) placed_by_ref[t] = 1;
    }
  }
  // A top-level mesh or frame that a frame refers to is placed there, not
  // a second time on its own; unless no walk reaches it.
  const MMatrix identity(1);
  for (int top : x_.top_level())
    if (!placed_by_ref[top]) Walk(top, Kind::kOther, identity, nullptr, nullptr, 0);
  for (int top : x_.top_level())
    if (placed_by_ref[top] && !visited_[top]) Walk(top, Kind::kOther, identity, nullptr, nullptr, 0);
  return meshes_;
}

void XSceneReader::Walk(int obj, Kind parent, const MMatrix& world, MeshState* ms, MSurface* surface, int depth) {
  if (depth >= kMaxDepth) {
    if (!warned_depth_) run_.Warn("%s: objects nested deeper than %d levels are left out", run_.path().c_str(), kMaxDepth);
    warned_depth_ = true;
    return;
  }
  const XObject& o = x_.object(obj);
  const bool mesh = KindOf(o.type) == Kind::kMesh;
  const size_t mesh_bytes = mesh ? o.data_end - o.data_begin : 0;
  if (steps_left_ == 0 || mesh_bytes > mesh_bytes_left_) {
    if (!warned_budget_)
      run_.Warn("%s: references place the same objects over and over; what goes beyond %zu times the file is left out",
                run_.path().c_str(), static_cast<size_t>(16));
    warned_budget_ = true;
    return;
  }
  --steps_left_;
  mesh_bytes_left_ -= mesh_bytes;
  if (on_path_[obj]) {
    if (!warned_cycle_)
      run_.Warn("%s: a reference to %s leads back into itself; it is not followed", run_.path().c_str(),
                Name(obj).c_str());
    warned_cycle_ = true;
    return;
  }
  on_path_[obj] = 1;
  visited_[obj] = 1;
  if (!o.name.empty()) log_.write("Level %02d: %s\n", depth + 1, o.name.c_str());
  const Kind kind = KindOf(o.type);
  switch (kind) {
    case Kind::kHeader: {
      XData d = x_.Data(obj);
      uint32_t major = 0, minor = 0;
      d.Int(&major);
      d.Int(&minor);
      log_.write("->Header\n");
      log_.write("\tFile Version: %u %u\n", major, minor);
      break;
    }
    case Kind::kFrame: {
      log_.write("->Frame\n");
      const MMatrix w = FrameWorld(obj, world);
      Children(obj, kind, w, nullptr, nullptr, depth);
      break;
    }
    case Kind::kFrameMatrix: log_.write("->FrameMatrix\n"); break;  // applied by its frame
    case Kind::kMesh: {
      MeshState mesh;
      if (ReadMesh(obj, world, &mesh)) {
        Children(obj, kind, world, &mesh, nullptr, depth);
        FinishMesh(&mesh);
      }
      break;
    }
    case Kind::kNormals:
      if (parent == Kind::kMesh && ms) ReadNormals(obj, ms);
      break;
    case Kind::kTexCoords:
      if (parent == Kind::kMesh && ms) ReadTexCoords(obj, ms);
      break;
    case Kind::kMaterialList:
      if (parent == Kind::kMesh && ms) ReadMaterialList(obj, world, ms, depth);
      break;
    case Kind::kMaterial:
      if (parent == Kind::kMaterialList && ms) {
        MSurface* s = ReadMaterial(obj, ms);
        Children(obj, kind, world, ms, s, depth);
      }
      break;
    case Kind::kTextureFile:
      if (parent == Kind::kMaterial && surface) ReadTextureFile(obj, surface);
      break;
    case Kind::kVertexColors: break;
    case Kind::kAnimation: log_.write("->Animation (passed over)\n"); break;
    case Kind::kOther: Children(obj, kind, world, nullptr, nullptr, depth); break;
  }
  on_path_[obj] = 0;
}

void XSceneReader::Children(int obj, Kind kind, const MMatrix& world, MeshState* ms, MSurface* surface, int depth) {
  const std::vector<XChild>& children = x_.object(obj).children;
  for (size_t i = 0; i < children.size(); ++i) {
    const XChild& c = children[i];
    const int t = x_.Resolve(c);
    if (t < 0) {
      log_.write("Reference to %s: no such object\n", c.ref_name.c_str());
      continue;
    }
    if (kind == Kind::kFrame && c.object >= 0 && KindOf(x_.object(t).type) == Kind::kFrameMatrix) {
      log_.write("->FrameMatrix\n");
      continue;
    }
    Walk(t, kind, world, ms, surface, depth + 1);
  }
}

MMatrix XSceneReader::FrameWorld(int frame, const MMatrix& parent) {
  // Row vectors: world = frame x parent. The frame's first matrix counts.
  for (const XChild& c : x_.object(frame).children) {
    if (c.object < 0 || KindOf(x_.object(c.object).type) != Kind::kFrameMatrix) continue;
    XData d = x_.Data(c.object);
    MMatrix m(1);
    for (int i = 0; i < 16; ++i) {
      double v;
      if (!d.Float(&v)) {
        run_.Warn("%s: the matrix of frame %s is cut short; the frame keeps its parent's place", run_.path().c_str(),
                  Name(frame).c_str());
        return parent;
      }
      m.m[i / 4][i % 4] = v;
    }
    m *= parent;
    return m;
  }
  return parent;
}

}  // namespace kvx
