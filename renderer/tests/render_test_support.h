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
