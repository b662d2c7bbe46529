// Triangulation. Small polygons go through the plain ear clipper, whose ear
// order exporters and stored files have always seen. That clipper is cubic
// in the corner count, so polygons above kSmallPolygon corners (DXF outlines,
// OBJ caps of tens of thousands of corners) use an ear clipper that keeps the
// polygon as a linked ring projected to its best plane, tests only reflex
// corners as blockers and finds them through a z-order index of the corners:
// about n log n for ordinary outlines. When it runs out of ears it drops
// duplicate and collinear corners, then cuts off local self-intersections,
// and finally abandons what is left, as the small clipper does.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "mesh.h"
#include "mesh_algo_internal.h"

namespace kvmesh {
namespace {

constexpr int kSmallPolygon = 64;
constexpr double kPi = 3.141592653589793;

// ---- The plain ear clipper ---------------------------------------------------

// Angle-sum inside test of p against the closed corner list.
bool inside(const MVector3& p, const MVector3* const* poly, int n) {
  MVector3 sum;
  for (int e = 0; e < n; ++e) {
    MVector3 a = p - *poly[e];
    MVector3 b = p - *poly[(e + 1) % n];
    MVector3 nrm = vect_normalize(vect_cross(a, b));
    double la = a.Length(), lb = b.Length();
    double ang;
    if (la * lb == 0.0) {
      ang = 0.0;
    } else {
      double c = vect_dot(a, b) / (la * lb);
      ang = c <= -1.0 ? kPi : (c >= 1.0 ? 0.0 : std::acos(c));
    }
    sum += nrm * ang;
  }
  return sum.Length() >= kPi;
}

void ear_clip_small(const MVector3* pts, std::vector<int> corners, std::vector<int>& tris) {
  std::vector<const MVector3*> poly;
  for (;;) {
    const int n = static_cast<int>(corners.size());
    if (n < 3) return;
    if (n == 3) {
      const MVector3 &p0 = pts[corners[0]], &p1 = pts[corners[1]], &p2 = pts[corners[2]];
      if (vect_cross(p0 - p2, p1 - p2).Length() >= 1e-15) tris.insert(tris.end(), corners.begin(), corners.end());
      return;
    }
    poly.resize(n);
    for (int i = 0; i < n; ++i) poly[i] = &pts[corners[i]];
    int ear = -1;
    for (int i = 0; i < n && ear < 0; ++i) {
      const int j = (i + 1) % n, k = (i + 2) % n;
      const MVector3 &pi = *poly[i], &pj = *poly[j], &pk = *poly[k];
      if (vect_cross(pi - pk, pj - pk).Length() < 1e-15) continue;
      const MVector3 centroid = (pi + pj + pk) * 0.3333333333333333;
      if (!inside(centroid, poly.data(), n)) continue;
      const MVector3* tri[3] = {&pi, &pj, &pk};
      bool blocked = false;
      for (int o = 0; o < n && !blocked; ++o)
        if (o != i && o != j && o != k && inside(*poly[o], tri, 3)) blocked = true;
      if (!blocked) ear = i;
    }
    if (ear < 0) return;  // no ear: the remaining corners are abandoned
    const int j = (ear + 1) % n, k = (ear + 2) % n;
    tris.push_back(corners[ear]);
    tris.push_back(corners[j]);
    tris.push_back(corners[k]);
    corners.erase(corners.begin() + j);
  }
}

// ---- The hashed ear clipper for large polygons -----------------------------------

struct Node {
  int i;        // corner position in the face
  double x, y;  // projected position
  unsigned z = 0;
  Node* prev = nullptr;
  Node* next = nullptr;
  Node* prevZ = nullptr;
  Node* nextZ = nullptr;
};

inline double cross2(const Node* a, const Node* b, const Node* c) {
  return (b->x - a->x) * (c->y - a->y) - (b->y - a->y) * (c->x - a->x);
}
inline bool same_point(const Node* a, const Node* b) { return a->x == b->x && a->y == b->y; }
inline bool in_triangle(const Node* a, const Node* b, const Node* c, const Node* p) {
  return cross2(a, b, p) >= 0 && cross2(b, c, p) >= 0 && cross2(c, a, p) >= 0;
}
inline int sign(double v) { return (v > 0) - (v < 0); }
inline bool on_segment(const Node* p, const Node* q, const Node* r) {
  return q->x <= std::max(p->x, r->x) && q->x >= std::min(p->x, r->x) && q->y <= std::max(p->y, r->y) &&
         q->y >= std::min(p->y, r->y);
}
bool intersects(const Node* p1, const Node* q1, const Node* p2, const Node* q2) {
  const int o1 = sign(cross2(p1, q1, p2)), o2 = sign(cross2(p1, q1, q2));
  const int o3 = sign(cross2(p2, q2, p1)), o4 = sign(cross2(p2, q2, q1));
  if (o1 != o2 && o3 != o4) return true;
  if (o1 == 0 && on_segment(p1, p2, q1)) return true;
  if (o2 == 0 && on_segment(p1, q2, q1)) return true;
  if (o3 == 0 && on_segment(p2, p1, q2)) return true;
  if (o4 == 0 && on_segment(p2, q1, q2)) return true;
  return false;
}
bool locally_inside(const Node* a, const Node* b) {
  return cross2(a->prev, a, a->next) > 0 ? cross2(a, b, a->next) <= 0 && cross2(a, a->prev, b) <= 0
                                          : cross2(a, b, a->prev) > 0 || cross2(a, a->next, b) > 0;
}
void remove_node(Node* p) {
  p->next->prev = p->prev;
  p->prev->next = p->next;
  if (p->prevZ) p->prevZ->nextZ = p->nextZ;
  if (p->nextZ) p->nextZ->prevZ = p->prevZ;
}

class LargeClipper {
 public:
  LargeClipper(std::vector<Node>& nodes, bool flip, std::vector<int>& tris) : nodes_(nodes), flip_(flip), tris_(tris) {}

  void run() {
    const int n = static_cast<int>(nodes_.size());
    for (int k = 0; k < n; ++k) {
      nodes_[k].next = &nodes_[(k + 1) % n];
      nodes_[k].prev = &nodes_[(k + n - 1) % n];
    }
    Node* ear = filter(&nodes_[0], nullptr);
    build_index(ear);
    Node* stop = ear;
    int pass = 0;
    while (ear->prev != ear->next) {
      Node* prev = ear->prev;
      Node* next = ear->next;
      if (hashed_ ? is_ear_hashed(ear) : is_ear(ear)) {
        emit(prev, ear, next);
        remove_node(ear);
        // Corners left straight by the cut can never be ears; dropping them
        // at once keeps the clipper from walking long collinear chains (the
        // base of a comb) over and over.
        prev = drop_straight(prev);
        next = drop_straight(next);
        if (!prev || !next) return;
        ear = next->next;
        stop = next->next;
        continue;
      }
      ear = next;
      if (ear == stop) {
        if (pass == 0) {
          ear = filter(ear, nullptr);
        } else if (pass == 1) {
          ear = cure_local_intersections(filter(ear, nullptr));
        } else {
          return;  // no ear left: the remaining corners are abandoned
        }
        ++pass;
        stop = ear;
      }
    }
  }

 private:
  void emit(const Node* a, const Node* b, const Node* c) {
    if (flip_) std::swap(a, c);
    tris_.push_back(a->i);
    tris_.push_back(b->i);
    tris_.push_back(c->i);
  }

  // Removes p while it is a duplicate of its successor or straight between
  // its neighbours; returns the corner left in its place, null when the ring
  // is down to two corners.
  Node* drop_straight(Node* p) {
    while (p->next != p->prev) {
      if (!(same_point(p, p->next) || cross2(p->prev, p, p->next) == 0)) return p;
      Node* q = p->prev;
      remove_node(p);
      p = q;
    }
    return nullptr;
  }

  // Drops duplicate and collinear corners; returns a corner still in the ring.
  Node* filter(Node* start, Node* end) {
    if (!end) end = start;
    Node* p = start;
    bool again;
    do {
      again = false;
      if (same_point(p, p->next) || cross2(p->prev, p, p->next) == 0) {
        remove_node(p);
        p = end = p->prev;
        if (p == p->next) break;
        again = true;
      } else {
        p = p->next;
      }
    } while (again || p != end);
    return end;
  }

  Node* cure_local_intersections(Node* start) {
    Node* p = start;
    do {
      Node* a = p->prev;
      Node* b = p->next->next;
      if (!same_point(a, b) && intersects(a, p, p->next, b) && locally_inside(a, b) && locally_inside(b, a)) {
        emit(a, p, b);
        remove_node(p);
        remove_node(p->next);
        p = start = b;
      }
      p = p->next;
    } while (p != start && p->next != p);
    return filter(p, nullptr);
  }

  bool is_ear(const Node* ear) const {
    const Node *a = ear->prev, *b = ear, *c = ear->next;
    if (!(cross2(a, b, c) > 0)) return false;
    for (const Node* p = c->next; p != a; p = p->next)
      if (in_triangle(a, b, c, p) && !(cross2(p->prev, p, p->next) > 0)) return false;
    return true;
  }

  unsigned z_order(double x, double y) const {
    auto cell = [this](double v, double lo) {
      double c = (v - lo) * inv_size_;
      return static_cast<unsigned>(std::clamp(c, 0.0, 32767.0));
    };
    unsigned ix = cell(x, min_x_), iy = cell(y, min_y_);
    ix = (ix | (ix << 8)) & 0x00FF00FF;
    ix = (ix | (ix << 4)) & 0x0F0F0F0F;
    ix = (ix | (ix << 2)) & 0x33333333;
    ix = (ix | (ix << 1)) & 0x55555555;
    iy = (iy | (iy << 8)) & 0x00FF00FF;
    iy = (iy | (iy << 4)) & 0x0F0F0F0F;
    iy = (iy | (iy << 2)) & 0x33333333;
    iy = (iy | (iy << 1)) & 0x55555555;
    return ix | (iy << 1);
  }

  void build_index(Node* start) {
    std::vector<Node*> ring;
    Node* p = start;
    do {
      ring.push_back(p);
      p = p->next;
    } while (p != start);
    if (ring.size() < 3) return;
    min_x_ = max_x_ = ring[0]->x;
    min_y_ = max_y_ = ring[0]->y;
    for (const Node* q : ring) {
      min_x_ = std::min(min_x_, q->x), max_x_ = std::max(max_x_, q->x);
      min_y_ = std::min(min_y_, q->y), max_y_ = std::max(max_y_, q->y);
    }
    const double extent = std::max(max_x_ - min_x_, max_y_ - min_y_);
    if (!(extent > 0) || !std::isfinite(extent)) return;
    inv_size_ = 32767.0 / extent;
    for (Node* q : ring) q->z = z_order(q->x, q->y);
    std::sort(ring.begin(), ring.end(), [](const Node* a, const Node* b) { return a->z < b->z; });
    for (size_t k = 0; k < ring.size(); ++k) {
      ring[k]->prevZ = k ? ring[k - 1] : nullptr;
      ring[k]->nextZ = k + 1 < ring.size() ? ring[k + 1] : nullptr;
    }
    hashed_ = true;
  }

  bool blocks(const Node* p, const Node* a, const Node* b, const Node* c) const {
    return p != a && p != c && p != b && in_triangle(a, b, c, p) && !(cross2(p->prev, p, p->next) > 0);
  }

  bool is_ear_hashed(const Node* ear) const {
    const Node *a = ear->prev, *b = ear, *c = ear->next;
    if (!(cross2(a, b, c) > 0)) return false;
    const double tx0 = std::min({a->x, b->x, c->x}), ty0 = std::min({a->y, b->y, c->y});
    const double tx1 = std::max({a->x, b->x, c->x}), ty1 = std::max({a->y, b->y, c->y});
    const unsigned min_z = z_order(tx0, ty0), max_z = z_order(tx1, ty1);
    const Node* p = ear->prevZ;
    const Node* n = ear->nextZ;
    while (p && p->z >= min_z && n && n->z <= max_z) {
      if (blocks(p, a, b, c) || blocks(n, a, b, c)) return false;
      p = p->prevZ;
      n = n->nextZ;
    }
    for (; p && p->z >= min_z; p = p->prevZ)
      if (blocks(p, a, b, c)) return false;
    for (; n && n->z <= max_z; n = n->nextZ)
      if (blocks(n, a, b, c)) return false;
    return true;
  }

  std::vector<Node>& nodes_;
  bool flip_;
  std::vector<int>& tris_;
  bool hashed_ = false;
  double min_x_ = 0, min_y_ = 0, max_x_ = 0, max_y_ = 0, inv_size_ = 0;
};

void ear_clip_large(const MVector3* pts, const std::vector<int>& corners, std::vector<int>& tris) {
  // Newell normal of the finite corners picks the projection plane.
  std::vector<int> finite;
  finite.reserve(corners.size());
  for (int c : corners)
    if (std::isfinite(pts[c].x) && std::isfinite(pts[c].y) && std::isfinite(pts[c].z)) finite.push_back(c);
  const int n = static_cast<int>(finite.size());
  if (n < 3) return;
  MVector3 nrm;
  for (int k = 0; k < n; ++k) {
    const MVector3& p = pts[finite[k]];
    const MVector3& q = pts[finite[(k + 1) % n]];
    nrm.x += (p.y - q.y) * (p.z + q.z);
    nrm.y += (p.z - q.z) * (p.x + q.x);
    nrm.z += (p.x - q.x) * (p.y + q.y);
  }
  const double ax = std::fabs(nrm.x), ay = std::fabs(nrm.y), az = std::fabs(nrm.z);
  if (!(ax + ay + az > 0) || !std::isfinite(ax + ay + az)) return;  // no area: nothing to fill
  int u = 0, v = 1;  // drop the dominant axis
  if (ax >= ay && ax >= az) u = 1, v = 2;
  else if (ay >= az) u = 2, v = 0;
  std::vector<Node> nodes(n);
  double area = 0;
  for (int k = 0; k < n; ++k) {
    const MVector3& p = pts[finite[k]];
    nodes[k].i = finite[k];
    nodes[k].x = p[u];
    nodes[k].y = p[v];
  }
  for (int k = 0; k < n; ++k) {
    const Node &p = nodes[k], &q = nodes[(k + 1) % n];
    area += p.x * q.y - q.x * p.y;
  }
  // The clipper wants a counter-clockwise ring; triangles are turned back
  // to the face's own winding as they are emitted.
  const bool flip = area < 0;
  if (flip) std::reverse(nodes.begin(), nodes.end());
  LargeClipper(nodes, flip, tris).run();
}

}  // namespace

void triangulate_polygon(const MVector3* pts, int n, std::vector<int>& tris) {
  if (n < 3) return;
  // Corners equal to their successor (within 1e-6 per component) are dropped.
  std::vector<int> corners;
  corners.reserve(n);
  for (int i = 0; i < n; ++i)
    if (!(pts[i] == pts[(i + 1) % n])) corners.push_back(i);
  if (static_cast<int>(corners.size()) <= kSmallPolygon) {
    ear_clip_small(pts, std::move(corners), tris);
  } else {
    ear_clip_large(pts, corners, tris);
  }
}

}  // namespace kvmesh

void m_triangulate_polygon(const MVector3* pts, int n, std::vector<int>& tris) {
  if (pts) kvmesh::triangulate_polygon(pts, n, tris);
}

namespace {

// Corner positions of the triangles of face f: a triangle as it is, a quad
// split along the diagonal from corner 0, anything larger ear-clipped.
void face_triangles(MMesh_P& m, int f, std::vector<int>& tris, std::vector<MVector3>& pts) {
  const MIPolygon& face = m.f_a->data[f];
  const int n = face.count;
  if (n < 3) return;
  if (n == 3) {
    tris.insert(tris.end(), {0, 1, 2});
    return;
  }
  if (n == 4) {
    for (const auto& half : kQuadHalves) tris.insert(tris.end(), std::begin(half), std::end(half));
    return;
  }
  pts.resize(n);
  for (int c = 0; c < n; ++c) pts[c] = kvmesh::vertex_at(m.v_a, face.data[c]);
  kvmesh::triangulate_polygon(pts.data(), n, tris);
}

// For each corner, the position of the last corner holding the same vertex:
// how the other layers' indices of a triangle corner are looked up.
void last_positions(const MIPolygon& face, std::vector<int>& last) {
  const int n = face.count;
  last.resize(n);
  if (n <= 16) {
    for (int c = 0; c < n; ++c) {
      int p = c;
      for (int d = n - 1; d > c; --d)
        if (face.data[d] == face.data[c]) {
          p = d;
          break;
        }
      last[c] = p;
    }
    return;
  }
  std::unordered_map<int, int> pos;
  pos.reserve(n * 2);
  for (int c = 0; c < n; ++c) pos[face.data[c]] = c;
  for (int c = 0; c < n; ++c) last[c] = pos[face.data[c]];
}

int other_index(const MFaceArray* fa, int f, int pos) {
  if (!fa || f >= fa->count) return 0;
  const MIPolygon& o = fa->data[f];
  return pos < o.count ? o.data[pos] : 0;
}

}  // namespace

MFaceArray* MMesh_P::TriangulateFace(int face) {
  MFaceArray* out = new MFaceArray();
  if (!f_a || face < 0 || face >= f_a->count) return out;
  std::vector<int> tris;
  std::vector<MVector3> pts;
  face_triangles(*this, face, tris, pts);
  const MIPolygon& src = f_a->data[face];
  MIPolygon t(3);
  t.Set_MatId(src.mat_id);
  for (size_t k = 0; k + 2 < tris.size(); k += 3) {
    for (int c = 0; c < 3; ++c) t.Set(c, src.data[tris[k + c]]);
    out->Add(t);
  }
  return out;
}

long MMesh_P::Count_Triangles() {
  const int nf = Get_Face_Count();
  std::vector<int> tris;
  std::vector<MVector3> pts;
  long total = 0;
  for (int i = 0; i < nf; ++i) {
    const int n = f_a->data[i].count;
    if (n < 5) {
      total += n == 3 ? 1 : n == 4 ? 2 : 0;
      continue;
    }
    tris.clear();
    face_triangles(*this, i, tris, pts);
    total += static_cast<long>(tris.size() / 3);
  }
  return total;
}

MMesh_P* MMesh_P::Triangulate(MProgressCallback cb) {
  if (log_file) fprintf(log_file, "Triangulating ...\n");
  const int nf = Get_Face_Count();
  // Pass 1: the triangles of every face, kept as corner positions.
  std::vector<int> tris;
  std::vector<long> first(static_cast<size_t>(nf) + 1, 0);
  std::vector<MVector3> pts;
  tris.reserve(static_cast<size_t>(nf) * 3);
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    first[i] = static_cast<long>(tris.size());
    face_triangles(*this, i, tris, pts);
  }
  first[nf] = static_cast<long>(tris.size());
  const long total = static_cast<long>(tris.size() / 3);
  if (total == nf || total > 0x7fffffffL) return nullptr;

  MMesh_P* m = new MMesh_P(Get_Vertex_Count(), static_cast<int>(total), get_name());
  *m->v_a = *v_a;
  if (normals_used) {
    m->UseNormals(Get_NVertex_Count(), static_cast<int>(total));
    *m->nv_a = *nv_a;
  }
  if (uv_used) {
    m->UseUV(Get_UVVertex_Count(), static_cast<int>(total));
    *m->uv_a = *uv_a;
  }
  // Pass 2: the triangles in face order, the other layers mapped corner by corner.
  MIPolygon t(3), nt(3), ut(3);
  std::vector<int> last;
  long out = 0;
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    const MIPolygon& face = f_a->data[i];
    if (first[i + 1] == first[i]) continue;
    if (normals_used || uv_used) last_positions(face, last);
    t.Set_MatId(face.mat_id);
    for (long k = first[i]; k < first[i + 1]; k += 3, ++out) {
      for (int c = 0; c < 3; ++c) {
        const int pos = tris[k + c];
        t.Set(c, face.data[pos]);
        if (normals_used) nt.Set(c, other_index(nf_a, i, last[pos]));
        if (uv_used) ut.Set(c, other_index(uvf_a, i, last[pos]));
      }
      m->f_a->data[out] = t;
      if (normals_used) {
        nt.Set_MatId(i < nf_a->count ? nf_a->data[i].mat_id : face.mat_id);
        m->nf_a->data[out] = nt;
      }
      if (uv_used) {
        ut.Set_MatId(i < uvf_a->count ? uvf_a->data[i].mat_id : face.mat_id);
        m->uvf_a->data[out] = ut;
      }
    }
  }
  CopyAttributes(*m);
  return m;
}
