// Shared by the renderer's tests: our camera as f3d's view.
#pragma once
#include <cstdlib>
#include <string>
#include <vector>

#include "imageconv.h"
#include "korvanelib.h"
#include "picture_check.h"
#include "render.h"
#include "test_scenes.h"

namespace rendertest {

inline kvtest::ViewSpec ViewOf(const kvrender::ViewCamera& c, int width, int height) {
  kvtest::ViewSpec v;
  v.eye = kvtest::ToVec(c.eye);
  v.target = kvtest::ToVec(c.target);
  v.up = kvtest::ToVec(c.up);
  v.fov_y_deg = c.fov_y_deg;
  v.width = width;
  v.height = height;
  return v;
}

inline kvtest::RgbaPicture AsTestPicture(const kvrender::Picture& p) { return {p.width, p.height, p.rgba}; }

// The options of the comparisons: one sample a pixel, as f3d draws.
inline kvrender::RenderOptions CompareOptions(int width, int height) {
  kvrender::RenderOptions o;
  o.width = width;
  o.height = height;
  o.supersample = 1;
  return o;
}

// Our picture of a model file in its fitted view; false with why.
inline bool RenderModel(const std::string& path, const kvrender::RenderOptions& o, kvrender::Picture* pic,
                        kvrender::ViewCamera* cam, std::string* why) {
  MScene* scene = kvtest::ImportModel(path);
  if (!scene) {
    *why = "cannot import " + path;
    return false;
  }
  const bool ok = kvrender::RenderScene(scene, o, pic, why, cam);
  delete scene;
  return ok;
}

// With KORVANE_KEEP_PICTURES=DIR, both pictures of a comparison are kept
// there (<model>.ours.png, <model>.f3d.png) for a look at what differs.
inline void KeepPictures(const std::string& model, const kvrender::Picture& ours, const kvtest::RgbaPicture& theirs) {
  const char* dir = std::getenv("KORVANE_KEEP_PICTURES");
  if (!dir || !*dir) return;
  std::string base = model;
  for (char& c : base)
    if (c == '/') c = '_';
  base = std::string(dir) + "/" + base;
  kvrender::WritePng(ours, base + ".ours.png", nullptr);
  kvrender::Picture copy;
  copy.width = theirs.width;
  copy.height = theirs.height;
  copy.rgba = theirs.rgba;
  kvrender::WritePng(copy, base + ".f3d.png", nullptr);
}

// A 2 x 2 x 2 box mapped with dir/Map.png (written here: top half red,
// bottom half green, as the file stores it), named "MAP.PNG" in another
// letter case than on disk. Null when the map cannot be written.
inline MScene* MappedBoxScene(const std::string& dir) {
  const int w = 8, h = 8;
  std::vector<unsigned char> px(w * h * 4, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      unsigned char* p = &px[(y * w + x) * 4];
      p[0] = y < h / 2 ? 255 : 0;
      p[1] = y < h / 2 ? 0 : 255;
      p[2] = 0;
    }
  if (write_image_rgba(IMAGECONV_PNG, (dir + "/Map.png").c_str(), w, h, px.data()) != IMAGECONV_OK) return nullptr;
  MScene* scene = new MScene("mapped");
  MSurface* s = new MSurface("mapped");
  s->color.diffuse = MColor(0, 0, 0);  // what some files carry under a map
  MSrf_TextureLayer* layer = new MSrf_TextureLayer;
  layer->enabled = 1;
  layer->diffuse_color.enabled = 1;
  layer->texture.kind = _2DBITMAP;
  msrf_copy_name(layer->texture.bitmap.file_name, "MAP.PNG");
  s->layers.Add(layer);
  scene->surfaces->Append(s);
  scene->maps->AddSearchPath(dir.c_str());
  MMesh_P* box = kvtest::BoxMesh("box", MVector3(-1, -1, -1), MVector3(1, 1, 1));
  box->surface_refs->Append(my_strdup("mapped"));
  scene->objects->Append(box);
  scene->CalculateBoundingBox();
  return scene;
}

}  // namespace rendertest
