// glTF export of what surrounds the meshes: surfaces as metallic-roughness
// materials, their colour maps as images, cameras and punctual lights.
//
// The surface mapping (read back the same way by the import):
//   baseColorFactor  = diffuse colour, alpha = surface opacity;
//   alphaMode        = BLEND when the opacity is below 1, else OPAQUE;
//   roughnessFactor  = 1 - shininess (the highlight size, 0..1);
//   metallicFactor   = 1 for metal shading, else 0;
//   emissiveFactor   = luminous colour times its intensity;
//   doubleSided      = two-sided surfaces;
//   baseColorTexture = the first bitmap layer that maps the diffuse colour.
#include <algorithm>
#include <cmath>
#include <cstring>

#include <strings.h>

#include "gltf_export.h"
#include "gltf_format.h"
#include "gltf_uri.h"

namespace kvgltf {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Unit(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; }

const char* DiffuseMap(MSurface* s) {
  for (int i = 0; i < s->layers.Get_Count(); ++i) {
    MSrf_TextureLayer* l = s->layers.Get(i);
    if (l && l->texture.kind == _2DBITMAP && l->diffuse_color.enabled && l->texture.bitmap.file_name[0])
      return l->texture.bitmap.file_name;
  }
  return nullptr;
}

const char* MimeOf(const std::string& file) {
  const size_t dot = file.rfind('.');
  const char* ext = dot == std::string::npos ? "" : file.c_str() + dot + 1;
  if (strcasecmp(ext, "png") == 0) return gltf::kMimePng;
  if (strcasecmp(ext, "jpg") == 0 || strcasecmp(ext, "jpeg") == 0) return gltf::kMimeJpeg;
  return nullptr;
}

// The map on disk through the scene's search path: its name as given, else
// its bare file name (names may carry a folder of another machine); empty
// when it is not there.
std::string FindMap(MScene* scene, const char* name) {
  const char* path = scene->maps ? scene->maps->search_path : "";
  const char* f = m_find_file(name, path);
  if (!f) {
    const char* slash = std::strrchr(name, '/');
    const char* back = std::strrchr(name, '\\');
    const char* base = std::max(slash ? slash + 1 : name, back ? back + 1 : name);
    if (base != name) f = m_find_file(base, path);
  }
  return f ? std::string(f) : std::string();
}

// The texture of a map, -1 when it cannot be one: glTF images are PNG or
// JPEG files (after the map conversion), and a file not found would leave
// the image empty.
int TextureOf(ExportContext& c, const char* map) {
  auto it = c.texture_of.find(map);
  if (it != c.texture_of.end()) return it->second;
  MIHandler& ih = c.o->image_handler;
  // With copying the map lands beside the model: the file name alone.
  const char* nn = ih.GetNewMapName(map, ih.enable_copy ? 0 : 1, "");
  const std::string written = nn ? nn : map;
  const char* mime = MimeOf(written);
  const std::string found = FindMap(c.scene, map);
  if (!mime || found.empty()) {
    c.run.log().write("map file %s %s\n", map, mime ? "not found" : "is no PNG or JPEG image");
    c.texture_of.emplace(map, -1);
    return -1;
  }
  c.run.log().write("old map file %s to new map file %s\n", map, written.c_str());
  Json image = Json::object();
  std::vector<uint8_t> bytes;
  // A map that is converted is named: its new bytes exist only once the
  // run has made them.
  MFileView view;
  if (c.o->embed && MimeOf(map) && view.Open(found.c_str())) bytes.assign(view.data(), view.data() + view.size());
  if (!bytes.empty() && c.o->binary) {
    image["bufferView"] = c.AddView(bytes.data(), bytes.size(), 0);
    image["mimeType"] = mime;
  } else if (!bytes.empty()) {
    image["uri"] = MakeDataUri(mime, bytes.data(), bytes.size());
  } else {
    image["uri"] = PercentEncode(NameText(written.c_str()));
  }
  c.images.push_back(std::move(image));
  c.textures.push_back({{"source", c.images.size() - 1}});
  const int index = static_cast<int>(c.textures.size() - 1);
  c.texture_of.emplace(map, index);
  return index;
}

// The rotation of an orthonormal, right-handed basis as a unit quaternion
// (x, y, z, w); the basis vectors are the matrix columns.
void Quaternion(const MVector3& x, const MVector3& y, const MVector3& z, double q[4]) {
  const double m00 = x.x, m10 = x.y, m20 = x.z, m01 = y.x, m11 = y.y, m21 = y.z, m02 = z.x, m12 = z.y, m22 = z.z;
  const double trace = m00 + m11 + m22;
  if (trace > 0) {
    const double s = 0.5 / std::sqrt(trace + 1.0);
    q[3] = 0.25 / s, q[0] = (m21 - m12) * s, q[1] = (m02 - m20) * s, q[2] = (m10 - m01) * s;
  } else if (m00 > m11 && m00 > m22) {
    const double s = 2.0 * std::sqrt(1.0 + m00 - m11 - m22);
    q[3] = (m21 - m12) / s, q[0] = 0.25 * s, q[1] = (m01 + m10) / s, q[2] = (m02 + m20) / s;
  } else if (m11 > m22) {
    const double s = 2.0 * std::sqrt(1.0 + m11 - m00 - m22);
    q[3] = (m02 - m20) / s, q[0] = (m01 + m10) / s, q[1] = 0.25 * s, q[2] = (m12 + m21) / s;
  } else {
    const double s = 2.0 * std::sqrt(1.0 + m22 - m00 - m11);
    q[3] = (m10 - m01) / s, q[0] = (m02 + m20) / s, q[1] = (m12 + m21) / s, q[2] = 0.25 * s;
  }
  const double len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  for (int i = 0; i < 4; ++i) q[i] /= len;
}

double Length(const MVector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
MVector3 Scaled(const MVector3& v, double s) { return MVector3(v.x * s, v.y * s, v.z * s); }

// A node at position that looks along target - position (glTF cameras and
// lights look down their -Z, up their +Y), up as near to sky as can be.
Json LookingNode(const std::string& name, const MVector3& position, const MVector3& target, const MVector3& sky) {
  Json node = {{"name", name}};
  if (Finite3(position)) node["translation"] = {position.x, position.y, position.z};
  MVector3 dir = target - position;
  if (!Finite3(dir) || Length(dir) < 1e-12) return node;
  dir = Scaled(dir, 1.0 / Length(dir));
  MVector3 right = vect_cross(dir, sky);
  if (!Finite3(right) || Length(right) < 1e-9) right = vect_cross(dir, std::fabs(dir.z) < 0.9 ? MVector3(0, 0, 1) : MVector3(1, 0, 0));
  right = Scaled(right, 1.0 / Length(right));
  const MVector3 up = vect_cross(right, dir);
  double q[4];
  Quaternion(right, up, Scaled(dir, -1.0), q);
  node["rotation"] = {q[0], q[1], q[2], q[3]};
  return node;
}

}  // namespace

bool Finite3(const MVector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

std::string NameText(const char* name) { return m_cp1252_to_utf8(name ? name : "", name ? std::strlen(name) : 0); }

int ExportContext::AddView(const void* data, size_t n, int target) {
  bin.PadTo(gltf::kChunkAlign);
  Json view = {{"buffer", 0}, {"byteOffset", bin.size()}, {"byteLength", n}};
  if (target) view["target"] = target;
  bin.Append(data, n);
  views.push_back(std::move(view));
  return static_cast<int>(views.size() - 1);
}

int ExportContext::AddAccessor(int view, int component_type, size_t count, const char* type) {
  accessors.push_back({{"bufferView", view}, {"componentType", component_type}, {"count", count}, {"type", type}});
  return static_cast<int>(accessors.size() - 1);
}

bool ToGltfMatrix(const MMatrix& m, double out[16]) {
  // Row vectors: rows 0-2 are the turned and scaled axes, row 3 the move.
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      if (!std::isfinite(m.m[i][j])) return false;
      out[i * 4 + j] = m.m[i][j];
    }
  if (m.m[0][3] != 0 || m.m[1][3] != 0 || m.m[2][3] != 0 || m.m[3][3] != 1) return false;
  // Shear-free: the axes stand at right angles to each other.
  MVector3 axes[3];
  for (int i = 0; i < 3; ++i) {
    axes[i] = MVector3(m.m[i][0], m.m[i][1], m.m[i][2]);
    if (Length(axes[i]) < 1e-12) return false;
  }
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j) {
      const double d = axes[i].x * axes[j].x + axes[i].y * axes[j].y + axes[i].z * axes[j].z;
      if (std::fabs(d) > 1e-6 * Length(axes[i]) * Length(axes[j])) return false;
    }
  return true;
}

int MaterialOf(ExportContext& c, const char* surface_name) {
  auto it = c.material_of.find(surface_name);
  if (it != c.material_of.end()) return it->second;
  MSurface* s = c.scene->GetMaterialbyName(surface_name);
  if (!s) return -1;
  const MSrf_Color& col = s->color;
  const double alpha = Unit(s->opref.surface_opacity);
  Json pbr = {{"baseColorFactor", {Unit(col.diffuse.r), Unit(col.diffuse.g), Unit(col.diffuse.b), alpha}},
              {"metallicFactor", s->attributes.shading_type == SHADE_METAL ? 1.0 : 0.0},
              {"roughnessFactor", 1.0 - Unit(s->spec.phong_size)}};
  if (const char* map = DiffuseMap(s)) {
    const int texture = TextureOf(c, map);
    if (texture >= 0) pbr["baseColorTexture"] = {{"index", texture}};
    else c.run.Lose(s->name, KV_LOSS_MAPS_DROPPED);
  }
  Json mat = {{"name", NameText(s->name)}, {"pbrMetallicRoughness", std::move(pbr)}};
  if (alpha < 1.0) mat["alphaMode"] = "BLEND";
  const double li = Unit(col.luminous_intensity);
  if (li > 0) mat["emissiveFactor"] = {Unit(col.luminous.r) * li, Unit(col.luminous.g) * li, Unit(col.luminous.b) * li};
  if (s->attributes.use_twosided) mat["doubleSided"] = true;
  c.materials.push_back(std::move(mat));
  const int index = static_cast<int>(c.materials.size() - 1);
  c.material_of.emplace(surface_name, index);
  return index;
}

void WriteCameras(ExportContext& c, std::vector<int>* roots) {
  const int n = c.scene->cameras ? c.scene->cameras->count : 0;
  for (int i = 0; i < n; ++i) {
    MCamera* cam = static_cast<MCamera*>(c.scene->cameras->GetAt(i));
    if (!cam) continue;
    // The field of view is the horizontal one; the length of right is the
    // aspect ratio.
    double aspect = Length(cam->right);
    if (!std::isfinite(aspect) || aspect < 1e-6) aspect = 4.0 / 3.0;
    double fov = std::isfinite(cam->fov) ? std::clamp(cam->fov, 0.1, 179.0) : 46.5;
    const double yfov = 2.0 * std::atan(std::tan(fov * kPi / 360.0) / aspect);
    double zfar = std::isfinite(cam->far_plane) ? cam->far_plane : 0;
    // glTF needs a near plane in front of the eye.
    double znear = std::isfinite(cam->near_plane) && cam->near_plane > 0 ? cam->near_plane
                   : zfar > 0                                              ? zfar * 1e-4
                                                                           : 0.01;
    Json persp = {{"aspectRatio", aspect}, {"yfov", yfov}, {"znear", znear}};
    if (zfar > znear) persp["zfar"] = zfar;
    c.cameras.push_back({{"name", NameText(cam->get_name())}, {"type", "perspective"}, {"perspective", persp}});
    Json node = LookingNode(NameText(cam->get_name()), cam->position, cam->target, cam->sky);
    node["camera"] = c.cameras.size() - 1;
    c.nodes.push_back(std::move(node));
    roots->push_back(static_cast<int>(c.nodes.size() - 1));
  }
}

void WriteLights(ExportContext& c, std::vector<int>* roots) {
  const int n = c.scene->lights ? c.scene->lights->count : 0;
  for (int i = 0; i < n; ++i) {
    MLight* l = static_cast<MLight*>(c.scene->lights->GetAt(i));
    if (!l) continue;
    Json light = {{"name", NameText(l->get_name())},
                  {"color", {Unit(l->color.r), Unit(l->color.g), Unit(l->color.b)}},
                  {"intensity", std::isfinite(l->intensity) ? std::max(0.0, l->intensity) : 1.0}};
    Json node;
    if (l->type == SPOTLIGHT) {
      // Hotspot and falloff are whole cone angles in degrees.
      double outer = std::isfinite(l->falloff) ? std::clamp(l->falloff * kPi / 360.0, 1e-4, kPi / 2) : kPi / 4;
      double inner = std::isfinite(l->hotspot) ? std::clamp(l->hotspot * kPi / 360.0, 0.0, outer * 0.999) : 0;
      light["type"] = gltf::kLightSpot;
      light["spot"] = {{"innerConeAngle", inner}, {"outerConeAngle", outer}};
      node = LookingNode(NameText(l->get_name()), l->position, l->target, MVector3(0, 0, 1));
    } else if (l->type == DIRECTIONALLIGHT) {
      light["type"] = gltf::kLightDirectional;
      node = LookingNode(NameText(l->get_name()), l->position, l->target, MVector3(0, 0, 1));
    } else {
      // Area lights shine as a point at their position.
      light["type"] = gltf::kLightPoint;
      node = {{"name", NameText(l->get_name())}};
      if (Finite3(l->position)) node["translation"] = {l->position.x, l->position.y, l->position.z};
    }
    c.lights.push_back(std::move(light));
    node["extensions"] = {{gltf::kLightsExtension, {{"light", c.lights.size() - 1}}}};
    c.nodes.push_back(std::move(node));
    roots->push_back(static_cast<int>(c.nodes.size() - 1));
  }
}

}  // namespace kvgltf
