// Face normals and smoothed vertex normals.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "mesh.h"
#include "mesh_algo_internal.h"
#include "mesh_hash.h"

namespace {
constexpr double kRadToDeg = 57.29577951308232;
}

MVector3 MMesh_P::Calculate_Normal(int face) {
  if (!f_a || face < 0 || face >= f_a->count) return MVector3(1, 0, 0);
  const MIPolygon& f = f_a->data[face];
  if (f.count < 3) return MVector3(1, 0, 0);
  const MVector3& p0 = kvmesh::vertex_at(v_a, f.data[0]);
  const MVector3& p1 = kvmesh::vertex_at(v_a, f.data[1]);
  const MVector3& p2 = kvmesh::vertex_at(v_a, f.data[2]);
  return vect_normalize(vect_cross(p1 - p0, p2 - p0));
}

void MMesh_P::NormalSmooth(MProgressCallback cb) {
  if (log_file) {
    fprintf(log_file, "Smoothing ...\n");
    fprintf(log_file, "All\n");
  }
  RemoveNormals();
  const int nv = Get_Vertex_Count();
  UseNormals(nv, 0);
  *nf_a = *f_a;
  const int nf = Get_Face_Count();
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    const MVector3 n = Calculate_Normal(i);
    const MIPolygon& f = f_a->data[i];
    for (int c = 0; c < f.count; ++c) {
      const int v = f.data[c];
      if (v < 0 || v >= nv) continue;
      nv_a->data[v] = vect_normalize(n + nv_a->data[v]);
    }
  }
  if (log_file) {
    fprintf(log_file, "NVertices : %d\n", Get_NVertex_Count());
    fprintf(log_file, "NFaces    : %d\n", Get_NFace_Count());
  }
}

namespace {

// Whether two unit normals with dot product d are strictly less than
// `angle` degrees apart. acos is costly at a million faces, so a dot product
// clearly on one side of cos(angle) decides at once; only values within
// 1e-9 of it (far above the rounding of either side) take the exact test.
inline bool below_angle(double d, double angle, double cos_angle) {
  if (cos_angle <= 1.0) {
    if (d > cos_angle + 1e-9) return true;
    if (d < cos_angle - 1e-9) return false;
  }
  return std::acos(d <= -1.0 ? -1.0 : (d >= 1.0 ? 1.0 : d)) * kRadToDeg < angle;
}

// The normal of face f's corner at vertex v: the mean of the normals of the
// faces of f's material around v that lie within angle of f's own normal n.
MVector3 smoothed_corner(const MMesh_P& m, const kvmesh::VertexFaces& vf, const std::vector<MVector3>& fn,
                         const MIPolygon& f, int v, const MVector3& n, double angle, double cos_angle) {
  MVector3 sum;
  for (int k = vf.start[v]; k < vf.start[v + 1]; ++k) {
    const int g = vf.faces[k];
    if (f.mat_id != -1 && m.f_a->data[g].mat_id != f.mat_id) continue;
    if (below_angle(vect_dot(fn[g], n), angle, cos_angle)) sum += fn[g];
  }
  return vect_normalize(sum);
}

// Smooths with a per-face angle: angle_of(face) gives the smoothing angle in
// degrees, or NaN for a face that keeps its own flat normal.
template <class AngleOf>
void smooth_by_angle(MMesh_P& m, MProgressCallback cb, AngleOf angle_of) {
  // The old normal faces' index buffers serve the new faces (a face array
  // reuses the buffers of slots past its count): a million faces would
  // otherwise free a million buffers only to allocate as many again.
  MFaceArray* old_faces = m.normals_used ? m.nf_a : nullptr;
  if (old_faces) m.nf_a = nullptr;
  m.RemoveNormals();
  const int nv = m.Get_Vertex_Count();
  const int nf = m.Get_Face_Count();
  m.UseNormals();
  if (old_faces) {
    delete m.nf_a;
    old_faces->count = 0;
    m.nf_a = old_faces;
  }
  m.nv_a->Reserve(nv > 0 ? nv : 1);
  m.nf_a->Reserve(nf > 0 ? nf : 1);
  // Every corner's normal first, in face order; the corners around a
  // vertex mostly share one, kept once.
  std::vector<MVector3> values;
  std::vector<unsigned int> value_bucket;
  values.reserve(static_cast<size_t>(nv > 0 ? nv : 1));
  value_bucket.reserve(static_cast<size_t>(nv > 0 ? nv : 1));
  size_t corners_in_all = 0;
  for (int i = 0; i < nf; ++i) corners_in_all += static_cast<size_t>(std::max(m.f_a->data[i].count, 0));
  std::vector<int> value_of;  // per corner
  value_of.reserve(corners_in_all);
  auto same = [](const MVector3& a, const MVector3& b) {
    // Bit for bit (so the bucket is the same), and no NaN.
    return a.x == b.x && a.y == b.y && a.z == b.z && std::memcmp(&a, &b, sizeof a) == 0;
  };
  MHash_V hash(m.nv_a, 3 * nv);  // for its buckets
  hash.Set_Tolerance(1e-4);
  {
    // What only the corner normals need goes before the lookups are made.
    kvmesh::VertexFaces vf;
    vf.build(m.f_a, nv, -1);
    std::vector<MVector3> fn(nf);
    for (int i = 0; i < nf; ++i) fn[i] = m.Calculate_Normal(i);
    std::vector<int> last(static_cast<size_t>(nv > 0 ? nv : 0), -1);  // per vertex: its last value
    for (int i = 0; i < nf; ++i) {
      kvmesh::progress(cb, i, nf);
      const MIPolygon& f = m.f_a->data[i];
      const MVector3& n = fn[i];
      const double angle = angle_of(f);
      const double cos_angle = angle > 0 && angle <= 180 ? std::cos(angle / kRadToDeg) : 2.0;
      const bool flat_zero = n.Length() < 1e-6;
      for (int c = 0; c < f.count; ++c) {
        MVector3 cn;
        const int v = f.data[c];
        if (flat_zero) {
          cn = MVector3(0, 0, 0);
        } else if (std::isnan(angle) || v < 0 || v >= nv) {
          cn = n;
        } else {
          cn = smoothed_corner(m, vf, fn, f, v, n, angle, cos_angle);
        }
        const bool mine = v >= 0 && v < nv;
        if (mine && last[v] >= 0 && same(values[last[v]], cn)) {
          value_of.push_back(last[v]);
          continue;
        }
        values.push_back(cn);
        value_bucket.push_back(hash.Hash(cn));
        value_of.push_back(static_cast<int>(values.size()) - 1);
        if (mine) last[v] = static_cast<int>(values.size()) - 1;
      }
    }
  }
  // Each corner looked up in the hash of normals, and added when new.
  const int corners = static_cast<int>(value_of.size());
  std::vector<int> found;
  {
    std::vector<unsigned int> bucket(static_cast<size_t>(corners));
    for (int q = 0; q < corners; ++q) bucket[q] = value_bucket[value_of[q]];
    found = kvmesh::resolve_lookups(bucket, hash.size, hash.tolerance,
                                    [&](int q) -> const MVector3& { return values[value_of[q]]; });
  }
  // found[q] becomes the corner's normal index in place: it names q itself
  // or an earlier corner, whose index is already there.
  MIPolygon nface;
  int q = 0;
  for (int i = 0; i < nf; ++i) {
    const MIPolygon& f = m.f_a->data[i];
    nface.count = 0;
    nface.Set_MatId(f.mat_id);
    for (int c = 0; c < f.count; ++c, ++q) {
      const int first = found[q];
      found[q] = first == q ? m.nv_a->Add(values[value_of[q]]) : found[first];
      nface.Add(found[q]);
    }
    m.nf_a->Add(nface);
  }
  if (m.log_file) {
    fprintf(m.log_file, "NVertices : %d\n", m.Get_NVertex_Count());
    fprintf(m.log_file, "NFaces    : %d\n", m.Get_NFace_Count());
  }
}

}  // namespace

void MMesh_P::NormalSmooth(MProgressCallback cb, double angle) {
  if (angle == 0.0) return;
  if (angle == -1.0) {
    NormalSmooth(cb);
    return;
  }
  if (log_file) {
    fprintf(log_file, "Smoothing ...\n");
    fprintf(log_file, "Angle: %.3lf\n", angle);
  }
  smooth_by_angle(*this, cb, [angle](const MIPolygon&) { return angle; });
}

// The list has no length of its own: it holds one angle per surface
// reference of the mesh, and at least the one for material 0.
void MMesh_P::NormalSmooth(MProgressCallback cb, double* angles) {
  int n = surface_refs ? surface_refs->count : 0;
  NormalSmooth(cb, angles, n > 0 ? n : 1);
}

// Faces whose material id has no entry in the list (below 0 or from count
// on) keep their own flat face normal instead of reading past the list.
void MMesh_P::NormalSmooth(MProgressCallback cb, const double* angles, int count) {
  if (log_file) {
    fprintf(log_file, "Smoothing ...\n");
    fprintf(log_file, "AngleList\n");
  }
  if (!angles) count = 0;
  smooth_by_angle(*this, cb, [angles, count](const MIPolygon& f) {
    return f.mat_id >= 0 && f.mat_id < count ? angles[f.mat_id] : std::nan("");
  });
}

std::vector<MVector3> m_corner_normals(MMesh_P* mesh, double angle) {
  std::vector<MVector3> out;
  if (!mesh || !mesh->f_a) return out;
  const int nv = mesh->Get_Vertex_Count();
  const int nf = mesh->Get_Face_Count();
  kvmesh::VertexFaces vf;
  vf.build(mesh->f_a, nv, -1);
  std::vector<MVector3> fn(nf);
  size_t corners = 0;
  for (int i = 0; i < nf; ++i) {
    fn[i] = mesh->Calculate_Normal(i);
    corners += static_cast<size_t>(mesh->f_a->data[i].count);
  }
  out.reserve(corners);
  const bool smooth = angle > 0;
  const double cos_angle = smooth && angle <= 180 ? std::cos(angle / kRadToDeg) : 2.0;
  for (int i = 0; i < nf; ++i) {
    const MIPolygon& f = mesh->f_a->data[i];
    const MVector3& n = fn[i];
    const bool flat = !smooth || n.Length() < 1e-6;
    for (int c = 0; c < f.count; ++c) {
      const int v = f.data[c];
      out.push_back(flat || v < 0 || v >= nv ? n : smoothed_corner(*mesh, vf, fn, f, v, n, angle, cos_angle));
    }
  }
  return out;
}
