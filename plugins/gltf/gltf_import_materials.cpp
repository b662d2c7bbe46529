// glTF import of materials and images: metallic-roughness materials as
// scene surfaces (the export's mapping read back), base colour textures as
// diffuse bitmap layers, images held inside the file written out as files.
//
//   diffuse          = baseColorFactor, opacity = its alpha unless OPAQUE;
//   shininess        = 1 - roughnessFactor;
//   metal shading    = metallicFactor of one half or more;
//   luminous colour  = emissiveFactor (its largest part the intensity);
//   two-sided        = doubleSided.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include <strings.h>

#include "gltf_format.h"
#include "gltf_import_parts.h"
#include "gltf_uri.h"

namespace kvgltf {
namespace {

constexpr char kDefaultSurface[] = "DEFAULT";

double Unit(double v) { return std::clamp(v, 0.0, 1.0); }

const char* ExtensionOf(const std::string& mime, const Bytes& b) {
  if (mime == gltf::kMimePng || (b.size >= 4 && std::memcmp(b.data, "\x89PNG", 4) == 0)) return "png";
  if (mime == gltf::kMimeJpeg || (b.size >= 3 && std::memcmp(b.data, "\xFF\xD8\xFF", 3) == 0)) return "jpg";
  return "bin";
}

// A name for a file made from an image: letters, digits, '-', '_' and '.'
// kept, the rest '_'; never a path.
std::string FileSafe(const std::string& s) {
  std::string out;
  for (char ch : s) {
    const unsigned char u = static_cast<unsigned char>(ch);
    out += (std::isalnum(u) || ch == '-' || ch == '_' || ch == '.') && u < 0x80 ? ch : '_';
  }
  while (!out.empty() && out[0] == '.') out.erase(0, 1);
  if (out.size() > 200) out.resize(200);
  return out;
}

// false with why.
bool WriteBytes(const std::string& path, const Bytes& b, std::string* why) {
  MOutputFile f;
  if (f.Open(path.c_str()) && f.Write(b.data, b.size) && f.Commit()) return true;
  *why = f.ErrorText();
  return false;
}

// The bytes an image holds inside the file: a buffer view or a data URI.
bool EmbeddedBytes(ImportContext& c, Fields& img, const std::string& uri, Bytes* out, std::string* mime) {
  const int64_t view = img.Index("bufferView", c.Count("bufferViews"));
  *mime = img.String("mimeType");
  if (c.faults.Any()) return false;
  if (view >= 0) {
    size_t stride;
    return ViewBytes(c, view, out, &stride);
  }
  DataUri d;
  if (!ParseDataUri(uri, &d)) return false;
  auto bytes = std::make_unique<std::vector<uint8_t>>();
  std::string why;
  if (!DataUriBytes(d, bytes.get(), &why)) return c.Fault(img.where(), why);
  if (mime->empty()) *mime = d.mime;
  *out = Bytes{bytes->data(), bytes->size()};
  c.decoded.push_back(std::move(bytes));
  return true;
}

// The map file of image i: a file the image names beside the model, or the
// file its embedded bytes are written to; "" when there is none (logged).
std::string ImageMap(ImportContext& c, size_t i) {
  const std::string where = Where("images", i);
  Fields img(At(c.Top("images"), i), where, c.faults);
  const std::string uri = img.String("uri");
  const std::string name = img.String("name");
  if (c.faults.Any()) return "";
  DataUri probe;
  if (!uri.empty() && !ParseDataUri(uri, &probe)) {
    std::string path, why;
    if (!ResolveUri(c, uri, &path, &why)) {
      c.run.Warn("%s: image %zu left out: %s", c.run.path().c_str(), i, why.c_str());
      return "";
    }
    // Named as the file gives it: the scene's search path holds the
    // model's folder, and the map handler copies it under that name.
    std::string rel;
    PercentDecode(uri, &rel);
    return IsAbsoluteUri(rel) ? path : rel;
  }
  Bytes bytes;
  std::string mime;
  if (!EmbeddedBytes(c, img, uri, &bytes, &mime)) return "";
  if (!c.o->write_images) {
    c.run.log().write("image %zu is held inside the file and not written out (-gltf_write_images=0)\n", i);
    return "";
  }
  const char* ext = ExtensionOf(mime, bytes);
  std::string stem = FileSafe(name);
  const size_t dot = stem.rfind('.');
  if (dot != std::string::npos && dot > 0) stem.resize(dot);
  if (stem.empty()) stem = FileSafe(c.base) + "_image" + std::to_string(i);
  std::string folder = c.o->image_path[0] ? std::string(c.o->image_path) : c.dir;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  // Two images of one name must not land in one file.
  std::string file = stem + "." + ext;
  for (int k = 2; !c.written_images.insert(folder + file).second; ++k) file = stem + "_" + std::to_string(k) + "." + ext;
  const std::string path = folder + file;
  std::error_code ec;
  if (std::filesystem::exists(path, ec) && !c.o->overwrite_images) {
    c.run.log().write("image %zu: %s exists already and is kept (-gltf_overwrite_images=1 replaces it)\n", i,
                      path.c_str());
  } else if (std::string why; !WriteBytes(path, bytes, &why)) {
    c.run.Warn("%s: image %zu cannot be written to %s: %s", c.run.path().c_str(), i, path.c_str(), why.c_str());
    return "";
  } else {
    c.run.log().write("image %zu written to %s\n", i, path.c_str());
  }
  return c.o->image_path[0] ? path : file;
}

MSrf_TextureLayer* DiffuseLayer(const std::string& surface, const std::string& file) {
  auto* layer = new MSrf_TextureLayer;
  layer->enabled = 1;
  msrf_copy_name(layer->texture.name, (surface + "_texture").c_str());
  layer->texture.enabled = 1;
  layer->texture.kind = _2DBITMAP;
  msrf_copy_name(layer->texture.bitmap.file_name, file.c_str());
  layer->texture.bitmap.tile_u = 1;
  layer->texture.bitmap.tile_v = 1;
  layer->diffuse_color.enabled = 1;
  layer->diffuse_color.value = 1.0;
  layer->diffuse_color.color_source = IMG_RGB;
  layer->diffuse_color.mix_source = MIX_NO;
  return layer;
}

bool ReadMaterial(ImportContext& c, size_t i) {
  const std::string where = Where("materials", i);
  Fields m(At(c.Top("materials"), i), where, c.faults);
  std::string name = m.String("name");
  Fields pbr(m.Object("pbrMetallicRoughness"), where + ".pbrMetallicRoughness", c.faults);
  double base[4] = {1, 1, 1, 1}, emissive[3] = {0, 0, 0};
  pbr.Numbers("baseColorFactor", base, 4);
  const double metallic = pbr.Number("metallicFactor", 1.0);
  const double roughness = pbr.Number("roughnessFactor", 1.0);
  Fields tex(pbr.Object("baseColorTexture"), where + ".baseColorTexture", c.faults);
  const int64_t texture = tex.Index("index", c.Count("textures"), pbr.Has("baseColorTexture"));
  const int64_t texcoord = tex.Int("texCoord", 0, 0, 255);
  m.Numbers("emissiveFactor", emissive, 3);
  const std::string alpha_mode = m.String("alphaMode", "OPAQUE");
  const bool two_sided = m.Flag("doubleSided", false);
  if (c.faults.Any()) return false;

  name = m_utf8_to_cp1252(name.c_str(), name.size());
  if (name.empty()) name = "material" + std::to_string(i);
  // Surfaces are known by name: a second material of a taken name gets a
  // suffix, as a name already in the scene does.
  std::string unique = name;
  for (int k = 2; c.scene->GetMaterialbyName(unique.c_str()); ++k) unique = name + "_" + std::to_string(k);
  auto* s = new MSurface(unique.c_str());
  MSrf_Color& col = s->color;
  col.diffuse = MColor(Unit(base[0]), Unit(base[1]), Unit(base[2]));
  col.ambient = col.diffuse;
  col.ambient_intensity = col.diffuse_intensity = 1.0;
  col.specular = MColor(1, 1, 1);
  s->spec.phong_size = 1.0 - Unit(roughness);
  col.specular_intensity = s->spec.phong_size;
  s->opref.surface_opacity = alpha_mode == "OPAQUE" ? 1.0 : Unit(base[3]);
  s->attributes.shading_type = metallic >= 0.5 ? SHADE_METAL : SHADE_PHONG;
  s->attributes.use_twosided = two_sided ? 1 : 0;
  const double li = std::max({Unit(emissive[0]), Unit(emissive[1]), Unit(emissive[2])});
  if (li > 0) {
    col.luminous = MColor(Unit(emissive[0]) / li, Unit(emissive[1]) / li, Unit(emissive[2]) / li);
    col.luminous_intensity = li;
  }
  if (texture >= 0) {
    Fields t(At(c.Top("textures"), static_cast<size_t>(texture)), Where("textures", static_cast<size_t>(texture)),
             c.faults);
    const int64_t source = t.Index("source", c.Count("images"));
    if (c.faults.Any()) {
      delete s;
      return false;
    }
    const std::string& file = source >= 0 ? c.image_maps[static_cast<size_t>(source)] : std::string();
    if (texcoord != 0)
      c.run.log().write("material %s: its texture uses texture coordinates %lld; only the first set is read\n",
                        unique.c_str(), static_cast<long long>(texcoord));
    if (!file.empty()) {
      s->layers.Add(DiffuseLayer(unique, file));
      c.scene->maps->AddMap(file.c_str());
    }
  }
  c.scene->surfaces->Append(s);
  c.surfaces.push_back(unique);
  return true;
}

}  // namespace

bool ReadMaterials(ImportContext& c) {
  const size_t images = c.Count("images");
  c.image_maps.reserve(images);
  for (size_t i = 0; i < images; ++i) {
    c.image_maps.push_back(ImageMap(c, i));
    if (c.faults.Any()) return false;
  }
  const size_t n = c.Count("materials");
  for (size_t i = 0; i < n; ++i)
    if (!ReadMaterial(c, i)) return false;
  return true;
}

const std::string& SurfaceOf(ImportContext& c, int64_t material) {
  if (material >= 0 && static_cast<size_t>(material) < c.surfaces.size()) return c.surfaces[static_cast<size_t>(material)];
  if (c.default_surface.empty()) {
    // glTF's default material: white, rough, not metal.
    std::string name = kDefaultSurface;
    for (int k = 2; c.scene->GetMaterialbyName(name.c_str()); ++k) name = std::string(kDefaultSurface) + "_" + std::to_string(k);
    auto* s = new MSurface(name.c_str());
    s->color.diffuse = s->color.ambient = MColor(1, 1, 1);
    s->color.ambient_intensity = s->color.diffuse_intensity = 1.0;
    s->spec.phong_size = 0;
    s->color.specular_intensity = 0;
    c.scene->surfaces->Append(s);
    c.default_surface = name;
  }
  return c.default_surface;
}

}  // namespace kvgltf
