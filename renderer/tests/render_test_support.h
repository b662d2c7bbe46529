// Shared by the renderer's tests: our camera as f3d's view.
#pragma once
#include <cstdlib>
#include <string>

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

}  // namespace rendertest
