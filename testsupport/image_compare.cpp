#include "image_compare.h"

#include <magick/api.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "korvanelib.h"
#include "test_scenes.h"

namespace kvtest {
namespace {

std::once_flag g_magick_once;

void EnsureMagick() {
  std::call_once(g_magick_once, [] { InitializeMagick(nullptr); });
}

std::string Reason(const ExceptionInfo& ex, const char* fallback) {
  std::string r = ex.reason ? ex.reason : fallback;
  if (ex.description) r += std::string(" (") + ex.description + ")";
  return r;
}

}  // namespace

bool ReadImage(const std::string& path, Image* out, std::string* error) {
  EnsureMagick();
  ExceptionInfo ex;
  GetExceptionInfo(&ex);
  ImageInfo* info = CloneImageInfo(nullptr);
  std::snprintf(info->filename, MaxTextExtent, "%s", path.c_str());
  ::Image* img = ::ReadImage(info, &ex);
  bool ok = img != nullptr;
  if (ok) {
    out->width = static_cast<int>(img->columns);
    out->height = static_cast<int>(img->rows);
    out->rgba.assign(static_cast<size_t>(out->width) * out->height * 4, 0);
    // "A" is alpha (255 opaque); a picture without one reads as opaque.
    ok = DispatchImage(img, 0, 0, img->columns, img->rows, "RGBA", CharPixel, out->rgba.data(), &ex) == MagickPass;
    DestroyImage(img);
  }
  if (!ok && error) *error = Reason(ex, "cannot read") + ": " + path;
  DestroyImageInfo(info);
  DestroyExceptionInfo(&ex);
  return ok;
}

bool WriteImage(const std::string& path, const Image& image) {
  EnsureMagick();
  ExceptionInfo ex;
  GetExceptionInfo(&ex);
  ::Image* img = ConstituteImage(static_cast<unsigned long>(image.width), static_cast<unsigned long>(image.height),
                                 "RGBA", CharPixel, image.rgba.data(), &ex);
  bool ok = img != nullptr;
  if (ok) {
    ImageInfo* info = CloneImageInfo(nullptr);
    std::snprintf(img->filename, MaxTextExtent, "png:%s", path.c_str());
    ok = ::WriteImage(info, img) == MagickPass;
    DestroyImageInfo(info);
    DestroyImage(img);
  }
  DestroyExceptionInfo(&ex);
  return ok;
}

Mask AlphaMask(const Image& image, int threshold) {
  Mask m{image.width, image.height, std::vector<uint8_t>(static_cast<size_t>(image.width) * image.height, 0)};
  for (size_t i = 0; i < m.bits.size(); ++i) m.bits[i] = image.rgba[i * 4 + 3] >= threshold;
  return m;
}

ViewCamera ExportedView(MScene* scene) {
  ViewCamera v;
  MCamera* cam = m_active_camera(scene);
  if (!cam) return v;
  v.position = cam->position;
  v.target = cam->target;
  MVector3 d = vect_normalize(cam->target - cam->position);
  v.up = vect_axis_rotate(cam->up, d, -cam->roll_angle);
  v.hfov_deg = cam->fov;
  return v;
}

PinholeCamera Pinhole(const ViewCamera& view, int width, int height) {
  const double half = std::tan(view.hfov_deg * M_PI / 360.0) * height / width;
  return PinholeCamera::LookAt(ToVec(view.position), ToVec(view.target), ToVec(view.up),
                               std::atan(half) * 360.0 / M_PI, width, height);
}

LabelImage MaterialImage(const std::vector<Triangle>& tris, const ViewCamera& view, int width, int height,
                         bool cull_back) {
  // The rasteriser takes negative labels for empty pixels: a triangle of no
  // material goes in under a label no surface has.
  int none = 0;
  for (const Triangle& t : tris) none = std::max(none, t.label + 1);
  std::vector<Triangle> labelled = tris;
  for (Triangle& t : labelled)
    if (t.label < 0) t.label = none;
  LabelImage img = Rasterize(labelled, Pinhole(view, width, height), cull_back);
  for (int& l : img.label)
    if (l == none) l = kNoMaterial;
  return img;
}

Mask Coverage(const LabelImage& materials) {
  Mask m{materials.width, materials.height, std::vector<uint8_t>(materials.label.size(), 0)};
  for (size_t i = 0; i < materials.label.size(); ++i) m.bits[i] = materials.label[i] != -1;
  return m;
}

std::vector<int> ClassifyColours(const Image& image, const Mask& coverage, const std::vector<MVector3>& palette) {
  std::vector<int> out(static_cast<size_t>(image.width) * image.height, -1);
  // Hues of the palette: chromaticity (each channel over their sum).
  std::vector<MVector3> chroma;
  for (const MVector3& c : palette) {
    double s = c.x + c.y + c.z;
    chroma.push_back(s > 0 ? c / s : MVector3(1.0 / 3, 1.0 / 3, 1.0 / 3));
  }
  for (size_t i = 0; i < out.size(); ++i) {
    const uint8_t* p = &image.rgba[i * 4];
    if (p[3] < 128 || (coverage.bits.size() == out.size() && !coverage.bits[i])) continue;
    const double sum = static_cast<double>(p[0]) + p[1] + p[2];
    out[i] = -2;
    if (sum < 12) continue;  // too dark to tell
    const MVector3 c(p[0] / sum, p[1] / sum, p[2] / sum);
    double best = 0.12;  // farther than this from every hue: none
    for (size_t k = 0; k < chroma.size(); ++k) {
      const double d = (c - chroma[k]).Length();
      if (d < best) {
        best = d;
        out[i] = static_cast<int>(k);
      }
    }
  }
  return out;
}

double MaterialAgreement(const LabelImage& reference, const std::vector<int>& classified) {
  if (classified.size() != reference.label.size()) return 0.0;
  long both = 0, same = 0;
  for (size_t i = 0; i < classified.size(); ++i) {
    if (reference.label[i] == -1 || classified[i] == -1) continue;
    ++both;
    same += classified[i] == reference.label[i];
  }
  return both == 0 ? 0.0 : static_cast<double>(same) / static_cast<double>(both);
}

double WorstMaterialIoU(const LabelImage& reference, const std::vector<int>& classified) {
  if (classified.size() != reference.label.size()) return 0.0;
  std::vector<long> both, either;
  auto grow = [&](int k) {
    if (k >= static_cast<int>(both.size())) both.resize(static_cast<size_t>(k) + 1), either.resize(both.size());
  };
  for (size_t i = 0; i < classified.size(); ++i) {
    const int ref = reference.label[i], got = classified[i];
    if (ref >= 0) grow(ref), ++either[static_cast<size_t>(ref)];
    if (got >= 0 && got != ref) grow(got), ++either[static_cast<size_t>(got)];
    if (ref >= 0 && got == ref) ++both[static_cast<size_t>(ref)];
  }
  double worst = 1.0;
  for (size_t k = 0; k < both.size(); ++k) {
    bool shown = false;
    for (size_t i = 0; i < reference.label.size() && !shown; ++i) shown = reference.label[i] == static_cast<int>(k);
    if (shown) worst = std::min(worst, static_cast<double>(both[k]) / static_cast<double>(either[k]));
  }
  return worst;
}

Image MaskImage(const Mask& mask) {
  Image img{mask.width, mask.height, std::vector<uint8_t>(mask.bits.size() * 4, 255)};
  for (size_t i = 0; i < mask.bits.size(); ++i)
    for (int c = 0; c < 3; ++c) img.rgba[i * 4 + c] = mask.bits[i] ? 255 : 0;
  return img;
}

}  // namespace kvtest
