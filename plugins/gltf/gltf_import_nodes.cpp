// glTF import of the node tree of the default scene: every node's world
// matrix (its matrix or translation, rotation and scale, times its
// parent's) stands on the objects it places — a mesh, a camera, a punctual
// light. A mesh placed by several nodes is read once and referenced after.
#include <algorithm>
#include <cmath>

#include "gltf_format.h"
#include "gltf_import_parts.h"

namespace kvgltf {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Length(const MVector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// glTF's T * R * S with R from the unit quaternion (x, y, z, w).
MMatrix FromTrs(const double t[3], const double q[4], const double s[3]) {
  double x = q[0], y = q[1], z = q[2], w = q[3];
  const double len = std::sqrt(x * x + y * y + z * z + w * w);
  if (len > 1e-12) x /= len, y /= len, z /= len, w /= len;
  else x = y = z = 0, w = 1;
  const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                          {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                          {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
  double m[16] = {};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) m[j * 4 + i] = r[i][j] * s[j];
    m[12 + i] = t[i];
  }
  m[15] = 1;
  return FromGltfMatrix(m);
}

struct Placed {
  int64_t node;
  MMatrix world;
};

class NodeReader {
 public:
  explicit NodeReader(ImportContext& c) : c_(c), meshes_(c.Count("meshes"), nullptr), empty_(c.Count("meshes"), 0) {}

  bool Run() {
    std::vector<int64_t> roots;
    if (!Roots(&roots)) return false;
    const size_t n = c_.Count("nodes");
    std::vector<char> seen(n, 0);
    std::vector<Placed> stack;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.push_back(Placed{*it, MMatrix(1)});
    while (!stack.empty()) {
      Placed p = stack.back();
      stack.pop_back();
      const size_t i = static_cast<size_t>(p.node);
      if (seen[i]) return c_.Fault(Where("nodes", i), "is reached twice: the nodes form no tree");
      seen[i] = 1;
      std::vector<int64_t> children;
      MMatrix world(1);
      if (!Node(p, &world, &children)) return false;
      for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(Placed{*it, world});
    }
    // Without a scene every node belongs to the tree: one left over hangs
    // in a cycle.
    if (c_.Count("scenes") == 0)
      for (size_t i = 0; i < n; ++i)
        if (!seen[i]) return c_.Fault(Where("nodes", i), "is reached from no root: the nodes form no tree");
    return true;
  }

 private:
  // The nodes of the default scene; all nodes no other node holds when the
  // file names no scene.
  bool Roots(std::vector<int64_t>* roots) {
    const size_t n = c_.Count("nodes");
    const size_t scenes = c_.Count("scenes");
    Fields top(&c_.doc, "", c_.faults);
    int64_t scene = top.Index("scene", scenes);
    if (c_.faults.Any()) return false;
    if (scene < 0 && scenes) scene = 0;
    if (scene >= 0) {
      const std::string where = Where("scenes", static_cast<size_t>(scene));
      Fields s(At(c_.Top("scenes"), static_cast<size_t>(scene)), where, c_.faults);
      const Json* list = s.Array("nodes");
      for (size_t k = 0; k < ArraySize(list) && !c_.faults.Any(); ++k) roots->push_back(NodeIndex(At(list, k), where));
      return !c_.faults.Any();
    }
    std::vector<char> child(n, 0);
    for (size_t i = 0; i < n; ++i) {
      Fields node(At(c_.Top("nodes"), i), Where("nodes", i), c_.faults);
      const Json* list = node.Array("children");
      for (size_t k = 0; k < ArraySize(list) && !c_.faults.Any(); ++k) {
        const int64_t ch = NodeIndex(At(list, k), Where("nodes", i));
        if (ch >= 0) child[static_cast<size_t>(ch)] = 1;
      }
      if (c_.faults.Any()) return false;
    }
    for (size_t i = 0; i < n; ++i)
      if (!child[i]) roots->push_back(static_cast<int64_t>(i));
    return true;
  }

  int64_t NodeIndex(const Json* v, const std::string& where) {
    const size_t n = c_.Count("nodes");
    if (!v || !v->is_number_integer() || v->get<int64_t>() < 0 || static_cast<uint64_t>(v->get<int64_t>()) >= n) {
      c_.Fault(where, "names a node that is not there");
      return -1;
    }
    return v->get<int64_t>();
  }

  bool Node(const Placed& p, MMatrix* world, std::vector<int64_t>* children) {
    const size_t i = static_cast<size_t>(p.node);
    const std::string where = Where("nodes", i);
    Fields node(At(c_.Top("nodes"), i), where, c_.faults);
    double m[16], t[3] = {0, 0, 0}, r[4] = {0, 0, 0, 1}, s[3] = {1, 1, 1};
    const bool has_matrix = node.Numbers("matrix", m, 16);
    node.Numbers("translation", t, 3);
    node.Numbers("rotation", r, 4);
    node.Numbers("scale", s, 3);
    const int64_t mesh = node.Index("mesh", c_.Count("meshes"));
    const int64_t camera = node.Index("camera", c_.Count("cameras"));
    std::string name = node.String("name");
    const Json* list = node.Array("children");
    Fields ext(node.Object("extensions"), where + ".extensions", c_.faults);
    Fields lights(ext.Object(gltf::kLightsExtension), where + ".extensions." + gltf::kLightsExtension, c_.faults);
    const int64_t light = lights.Index("light", LightCount());
    if (c_.faults.Any()) return false;
    for (size_t k = 0; k < ArraySize(list); ++k) children->push_back(NodeIndex(At(list, k), where));
    if (c_.faults.Any()) return false;

    *world = has_matrix ? FromGltfMatrix(m) : FromTrs(t, r, s);
    *world *= p.world;
    name = m_utf8_to_cp1252(name.c_str(), name.size());
    if (name.empty()) name = "node" + std::to_string(i);
    if (mesh >= 0 && !PlaceMesh(mesh, name, *world)) return false;
    if (camera >= 0 && !PlaceCamera(camera, name, *world)) return false;
    if (light >= 0 && !PlaceLight(light, name, *world)) return false;
    return true;
  }

  bool PlaceMesh(int64_t mesh, const std::string& name, const MMatrix& world) {
    MMesh_P*& first = meshes_[static_cast<size_t>(mesh)];
    if (empty_[static_cast<size_t>(mesh)]) return true;
    MObj3d* obj;
    if (!first) {
      MMesh_P* made = ReadMesh(c_, mesh, c_.UniqueName(name));
      if (!made) return false;
      if (made->Get_Face_Count() == 0) {
        c_.run.log().write("%s: mesh %lld has no triangles; left out\n", name.c_str(), static_cast<long long>(mesh));
        empty_[static_cast<size_t>(mesh)] = 1;
        delete made;
        return true;
      }
      made->CalculateBoundingBox();
      obj = first = made;
    } else {
      auto* ref = new MRefObj(first->Get_RefCounter(), first->get_name());
      first->Inc_RefCounter();
      ref->set_name(c_.UniqueName(name).c_str());
      ref->bound_left = first->bound_left;
      ref->bound_right = first->bound_right;
      obj = ref;
    }
    obj->transformation.Set_LocalMatrix(world);
    c_.scene->objects->Append(obj);
    return true;
  }

  // The position, viewing direction (-Z) and up (+Y) of a node.
  static void Frame(const MMatrix& world, MVector3* pos, MVector3* dir, MVector3* up) {
    *pos = world.Transform(MVector3(0, 0, 0));
    *dir = world.NTransform(MVector3(0, 0, -1));
    *up = world.NTransform(MVector3(0, 1, 0));
    const double dl = Length(*dir), ul = Length(*up);
    *dir = dl > 1e-12 ? MVector3(dir->x / dl, dir->y / dl, dir->z / dl) : MVector3(0, 0, -1);
    *up = ul > 1e-12 ? MVector3(up->x / ul, up->y / ul, up->z / ul) : MVector3(0, 1, 0);
  }

  // The target: as far ahead as the eye is from the origin (the scene's
  // likely centre), at least one unit.
  static MVector3 Ahead(const MVector3& pos, const MVector3& dir) {
    double d = Length(pos);
    if (!(d > 1.0) || !std::isfinite(d)) d = 1.0;
    return MVector3(pos.x + dir.x * d, pos.y + dir.y * d, pos.z + dir.z * d);
  }

  bool PlaceCamera(int64_t camera, const std::string& name, const MMatrix& world) {
    const std::string where = Where("cameras", static_cast<size_t>(camera));
    Fields cam(At(c_.Top("cameras"), static_cast<size_t>(camera)), where, c_.faults);
    const std::string type = cam.String("type");
    Fields persp(cam.Object("perspective"), where + ".perspective", c_.faults);
    const double yfov = persp.Number("yfov", 0.8);
    double aspect = persp.Number("aspectRatio", 4.0 / 3.0);
    const double znear = persp.Number("znear", 0.0);
    const double zfar = persp.Number("zfar", 0.0);
    if (c_.faults.Any()) return false;
    if (type != "perspective")
      c_.run.log().write("%s: a camera of type '%s' is read as a perspective one\n", where.c_str(), type.c_str());
    if (!(aspect > 1e-6) || aspect > 1e6) aspect = 4.0 / 3.0;
    auto* mc = new MCamera(name.c_str());
    MVector3 pos, dir, up;
    Frame(world, &pos, &dir, &up);
    mc->position = pos;
    mc->target = Ahead(pos, dir);
    mc->sky = mc->up = up;
    mc->right = MVector3(aspect, 0, 0);
    // The scene's field of view is the horizontal one.
    const double half = std::clamp(yfov, 1e-4, kPi - 1e-4) / 2;
    mc->fov = 2.0 * std::atan(std::tan(half) * aspect) * 180.0 / kPi;
    mc->near_plane = znear > 0 ? znear : 0;
    if (zfar > znear) mc->far_plane = zfar;
    c_.scene->cameras->Append(mc);
    return true;
  }

  size_t LightCount() {
    const Json* ext = c_.Top("extensions");
    if (!ext || !ext->is_object()) return 0;
    auto it = ext->find(gltf::kLightsExtension);
    if (it == ext->end() || !it->is_object()) return 0;
    auto lights = it->find("lights");
    return lights == it->end() ? 0 : ArraySize(&*lights);
  }

  bool PlaceLight(int64_t light, const std::string& name, const MMatrix& world) {
    const Json* list = &c_.Top("extensions")->at(gltf::kLightsExtension).at("lights");
    const std::string where = std::string("extensions.") + gltf::kLightsExtension + "." +
                              Where("lights", static_cast<size_t>(light));
    Fields l(At(list, static_cast<size_t>(light)), where, c_.faults);
    const std::string type = l.String("type");
    double color[3] = {1, 1, 1};
    l.Numbers("color", color, 3);
    const double intensity = l.Number("intensity", 1.0);
    Fields spot(l.Object("spot"), where + ".spot", c_.faults);
    const double inner = spot.Number("innerConeAngle", 0.0);
    const double outer = spot.Number("outerConeAngle", kPi / 4);
    if (c_.faults.Any()) return false;
    auto* ml = new MLight(name.c_str());
    MVector3 pos, dir, up;
    Frame(world, &pos, &dir, &up);
    ml->position = pos;
    ml->target = Ahead(pos, dir);
    ml->color = MColor(std::clamp(color[0], 0.0, 1.0), std::clamp(color[1], 0.0, 1.0), std::clamp(color[2], 0.0, 1.0));
    ml->intensity = intensity > 0 ? intensity : 0;
    if (type == gltf::kLightSpot) {
      ml->type = SPOTLIGHT;
      // The scene's hotspot and falloff are whole cone angles in degrees.
      ml->falloff = std::clamp(outer, 0.0, kPi / 2) * 360.0 / kPi;
      ml->hotspot = std::clamp(inner, 0.0, std::clamp(outer, 0.0, kPi / 2)) * 360.0 / kPi;
    } else if (type == gltf::kLightDirectional) {
      ml->type = DIRECTIONALLIGHT;
    } else {
      if (type != gltf::kLightPoint)
        c_.run.log().write("%s: a light of type '%s' is read as a point light\n", where.c_str(), type.c_str());
      ml->type = POINTLIGHT;
    }
    c_.scene->lights->Append(ml);
    return true;
  }

  ImportContext& c_;
  std::vector<MMesh_P*> meshes_;  // the object first made of each mesh
  std::vector<char> empty_;        // meshes that hold no triangle
};

}  // namespace

MMatrix FromGltfMatrix(const double* m) {
  // Column-major, column vectors: the scene's row-vector matrix is its
  // transpose, which is the list read row by row.
  MMatrix r(1);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.m[i][j] = m[i * 4 + j];
  return r;
}

bool ReadNodes(ImportContext& c) { return NodeReader(c).Run(); }

}  // namespace kvgltf
