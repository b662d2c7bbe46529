#include "image_compare.h"

#include <magick/api.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

#include "korvanelib.h"

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

long Mask::Count() const { return static_cast<long>(std::count(on.begin(), on.end(), 1)); }

Mask AlphaMask(const Image& image, int threshold) {
  Mask m{image.width, image.height, std::vector<uint8_t>(static_cast<size_t>(image.width) * image.height, 0)};
  for (size_t i = 0; i < m.on.size(); ++i) m.on[i] = image.rgba[i * 4 + 3] >= threshold;
  return m;
}

Mask ColourMask(const Image& image, const uint8_t background[3], int tolerance) {
  Mask m{image.width, image.height, std::vector<uint8_t>(static_cast<size_t>(image.width) * image.height, 0)};
  for (size_t i = 0; i < m.on.size(); ++i) {
    const uint8_t* p = &image.rgba[i * 4];
    for (int c = 0; c < 3; ++c)
      if (std::abs(p[c] - background[c]) > tolerance) m.on[i] = 1;
  }
  return m;
}

double IoU(const Mask& a, const Mask& b) {
  if (a.width != b.width || a.height != b.height) return 0.0;
  long both = 0, either = 0;
  for (size_t i = 0; i < a.on.size(); ++i) {
    both += a.on[i] && b.on[i];
    either += a.on[i] || b.on[i];
  }
  return either == 0 ? 1.0 : static_cast<double>(both) / static_cast<double>(either);
}

ViewCamera SceneCamera(MScene* scene) {
  ViewCamera v;
  MCamera* cam = scene->GetActiveCamera();
  if (!cam) return v;
  v.position = cam->position;
  v.target = cam->target;
  MVector3 d = vect_normalize(cam->target - cam->position);
  v.up = vect_axis_rotate(cam->up, d, -cam->roll_angle);
  v.hfov_deg = cam->fov;
  return v;
}

std::vector<RefTriangle> SceneTriangles(MScene* scene) {
  std::vector<RefTriangle> out;
  MExportWalkOptions opt;
  opt.skip_hidden = true;
  opt.report_objects = false;
  ForEachExportMesh(scene, nullptr, opt, [&](const MExportMesh& m) {
    MMesh_P* mesh = m.mesh;
    const int refs = m.source->surface_refs ? m.source->surface_refs->count : 0;
    std::vector<int> material(static_cast<size_t>(refs), -1);
    for (int k = 0; k < refs; ++k)
      material[static_cast<size_t>(k)] = scene->GetIndexMaterialbyName(ref_name_or_empty(m.source->surface_refs, k));
    const int nv = mesh->Get_Vertex_Count();
    for (int i = 0; i < mesh->Get_Face_Count(); ++i) {
      const MIPolygon& f = mesh->Get_IFace(i);
      if (f.count < 3) continue;
      bool in_range = true;
      for (int c = 0; c < 3; ++c) in_range = in_range && f.data[c] >= 0 && f.data[c] < nv;
      if (!in_range) continue;
      const int id = f.mat_id;
      RefTriangle t{m.matrix.Transform(mesh->Get_Vertex(f.data[0])), m.matrix.Transform(mesh->Get_Vertex(f.data[1])),
                    m.matrix.Transform(mesh->Get_Vertex(f.data[2])),
                    id >= 0 && id < refs ? material[static_cast<size_t>(id)] : -1};
      out.push_back(t);
    }
  });
  return out;
}

Mask IdBuffer::Coverage() const {
  Mask m{width, height, std::vector<uint8_t>(id.size(), 0)};
  for (size_t i = 0; i < id.size(); ++i) m.on[i] = id[i] != -1;
  return m;
}

namespace {

// A corner in camera space: x right, y up, z along the view.
struct CamPoint {
  double x, y, z;
};

CamPoint Lerp(const CamPoint& a, const CamPoint& b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

// The polygon's part in front of the near plane.
std::vector<CamPoint> ClipNear(const std::vector<CamPoint>& in, double near_z) {
  std::vector<CamPoint> out;
  for (size_t i = 0; i < in.size(); ++i) {
    const CamPoint& a = in[i];
    const CamPoint& b = in[(i + 1) % in.size()];
    const bool ain = a.z >= near_z, bin = b.z >= near_z;
    if (ain) out.push_back(a);
    if (ain != bin) out.push_back(Lerp(a, b, (near_z - a.z) / (b.z - a.z)));
  }
  return out;
}

}  // namespace

IdBuffer Rasterize(const std::vector<RefTriangle>& tris, const ViewCamera& cam, int width, int height, bool cull_back) {
  IdBuffer buf{width, height, std::vector<int>(static_cast<size_t>(width) * height, -1)};
  std::vector<double> depth(buf.id.size(), std::numeric_limits<double>::infinity());
  const MVector3 f = vect_normalize(cam.target - cam.position);
  const MVector3 r = vect_normalize(vect_cross(f, cam.up));
  const MVector3 u = vect_cross(r, f);
  const double focal = 0.5 * width / std::tan(cam.hfov_deg * M_PI / 360.0);
  const double near_z = 1e-6 * std::max(1.0, (cam.target - cam.position).Length());
  auto to_cam = [&](const MVector3& p) {
    MVector3 v = p - cam.position;
    return CamPoint{vect_dot(v, r), vect_dot(v, u), vect_dot(v, f)};
  };
  for (const RefTriangle& t : tris) {
    const MVector3 n = vect_cross(t.b - t.a, t.c - t.a);
    const double facing = vect_dot(n, cam.position - t.a);
    if (cull_back && facing <= 0) continue;
    std::vector<CamPoint> poly = ClipNear({to_cam(t.a), to_cam(t.b), to_cam(t.c)}, near_z);
    if (poly.size() < 3) continue;
    // Screen corners (y down) with 1/z for a perspective-correct depth.
    struct S {
      double x, y, iz;
    };
    std::vector<S> s;
    for (const CamPoint& p : poly)
      s.push_back({0.5 * width + p.x / p.z * focal, 0.5 * height - p.y / p.z * focal, 1.0 / p.z});
    for (size_t k = 1; k + 1 < s.size(); ++k) {
      const S &a = s[0], &b = s[k], &c = s[k + 1];
      const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
      if (area == 0) continue;
      const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
      const int x1 = std::min(width - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
      const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
      const int y1 = std::min(height - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
      for (int y = y0; y <= y1; ++y) {
        const double py = y + 0.5;
        for (int x = x0; x <= x1; ++x) {
          const double px = x + 0.5;
          double w0 = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
          double w1 = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
          double w2 = 1.0 - w0 - w1;
          if (w0 < 0 || w1 < 0 || w2 < 0) continue;
          const double iz = w0 * a.iz + w1 * b.iz + w2 * c.iz;
          const size_t at = static_cast<size_t>(y) * width + x;
          const double z = 1.0 / iz;
          if (z < depth[at]) {
            depth[at] = z;
            buf.id[at] = t.material;
            // A triangle of no material still covers the pixel.
            if (buf.id[at] == -1) buf.id[at] = -3;
          }
        }
      }
    }
  }
  return buf;
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
    if (p[3] < 128 || (coverage.on.size() == out.size() && !coverage.on[i])) continue;
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

double MaterialAgreement(const IdBuffer& reference, const std::vector<int>& classified) {
  if (classified.size() != reference.id.size()) return 0.0;
  long both = 0, same = 0;
  for (size_t i = 0; i < classified.size(); ++i) {
    if (reference.id[i] == -1 || classified[i] == -1) continue;
    ++both;
    same += classified[i] == reference.id[i];
  }
  return both == 0 ? 0.0 : static_cast<double>(same) / static_cast<double>(both);
}

double WorstMaterialIoU(const IdBuffer& reference, const std::vector<int>& classified) {
  if (classified.size() != reference.id.size()) return 0.0;
  std::vector<long> both, either;
  auto grow = [&](int k) {
    if (k >= static_cast<int>(both.size())) both.resize(static_cast<size_t>(k) + 1), either.resize(both.size());
  };
  for (size_t i = 0; i < classified.size(); ++i) {
    const int ref = reference.id[i], got = classified[i];
    if (ref >= 0) grow(ref), ++either[static_cast<size_t>(ref)];
    if (got >= 0 && got != ref) grow(got), ++either[static_cast<size_t>(got)];
    if (ref >= 0 && got == ref) ++both[static_cast<size_t>(ref)];
  }
  double worst = 1.0;
  for (size_t k = 0; k < both.size(); ++k) {
    bool shown = false;
    for (size_t i = 0; i < reference.id.size() && !shown; ++i) shown = reference.id[i] == static_cast<int>(k);
    if (shown) worst = std::min(worst, static_cast<double>(both[k]) / static_cast<double>(either[k]));
  }
  return worst;
}

Image MaskImage(const Mask& mask) {
  Image img{mask.width, mask.height, std::vector<uint8_t>(mask.on.size() * 4, 255)};
  for (size_t i = 0; i < mask.on.size(); ++i)
    for (int c = 0; c < 3; ++c) img.rgba[i * 4 + c] = mask.on[i] ? 255 : 0;
  return img;
}

}  // namespace kvtest
