#include "gridweld.h"

#include <cmath>
#include <cstring>

namespace {

// Cells twice the tolerance wide: two points closer than the tolerance then
// lie in the same or neighbouring cells even after rounding of the division.
// Cell numbers are clamped, which only merges far-out cells.
constexpr double kClamp = 1099511627776.0;  // 2^40

inline uint64_t Mix(int64_t x, int64_t y, int64_t z) {
  uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ull;
  h ^= static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
  h ^= static_cast<uint64_t>(z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
  return h ^ (h >> 29);
}

}  // namespace

MGridWeld::MGridWeld(MVertexArray* verts, double tol) : verts_(verts), tol_(tol), cell_(2.0 * tol) {
  slots_.assign(1024, Slot{0, -1, -1});
}

bool MGridWeld::Cell(const MVector3& v, int64_t* c) const {
  const double p[3] = {v.x, v.y, v.z};
  for (int i = 0; i < 3; ++i) {
    if (!std::isfinite(p[i])) return false;
    if (tol_ == 0) {
      // Exact welding: the cell is the coordinate itself (+ 0.0 makes -0 0).
      const double q = p[i] + 0.0;
      std::memcpy(&c[i], &q, sizeof q);
      continue;
    }
    double q = std::floor(p[i] / cell_);
    if (!(q > -kClamp)) q = -kClamp;  // also when the division overflowed
    if (!(q < kClamp)) q = kClamp;
    c[i] = static_cast<int64_t>(q);
  }
  return true;
}

bool MGridWeld::InCell(int vertex, const int64_t* c) const {
  int64_t own[3];
  return Cell(verts_->data[vertex], own) && own[0] == c[0] && own[1] == c[1] && own[2] == c[2];
}

int64_t MGridWeld::Find(const int64_t* c) const {
  const uint64_t h = Mix(c[0], c[1], c[2]);
  const size_t mask = slots_.size() - 1;
  for (size_t i = h & mask;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.head < 0) return -1;
    if (s.hash == h && InCell(s.head, c)) return static_cast<int64_t>(i);
  }
}

void MGridWeld::Grow() {
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.assign(old.size() * 2, Slot{0, -1, -1});
  size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.head < 0) continue;
    size_t i = s.hash & mask;
    while (slots_[i].head >= 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

void MGridWeld::Insert(const int64_t* c, int index) {
  if (next_.size() <= static_cast<size_t>(index)) next_.resize(static_cast<size_t>(index) + 1, -1);
  int64_t at = Find(c);
  if (at >= 0) {
    Slot& s = slots_[static_cast<size_t>(at)];
    next_[static_cast<size_t>(s.tail)] = index;
    s.tail = index;
    return;
  }
  if ((used_ + 1) * 2 > slots_.size()) Grow();
  const uint64_t h = Mix(c[0], c[1], c[2]);
  size_t mask = slots_.size() - 1;
  size_t i = h & mask;
  while (slots_[i].head >= 0) i = (i + 1) & mask;
  slots_[i] = Slot{h, index, index};
  ++used_;
}

int MGridWeld::Add(const MVector3& v) {
  int64_t c[3];
  if (!Cell(v, c)) {
    // A point with an infinite or NaN coordinate is never closer than the
    // tolerance to anything.
    return verts_->Add(v);
  }
  if (tol_ == 0) {
    int64_t at = Find(c);
    if (at >= 0) return slots_[static_cast<size_t>(at)].head;
    int index = verts_->Add(v);
    Insert(c, index);
    return index;
  }
  // Only the cells that [v - tol, v + tol] reaches on each axis: mostly two
  // of the three around v's own. Rounding is monotonic, so a point within
  // reach of v has its cell between the cells of the rounded bounds; reach
  // is a little more than tol for the rounding of the distance itself. The
  // three cells stay the limit where a bound is not finite.
  const double reach = tol_ * (1 + 1e-9);
  int64_t lo[3], hi[3];
  {
    const MVector3 below(v.x - reach, v.y - reach, v.z - reach), above(v.x + reach, v.y + reach, v.z + reach);
    int64_t b[3], a[3];
    const bool bounded = Cell(below, b) && Cell(above, a);
    for (int i = 0; i < 3; ++i) {
      lo[i] = bounded && b[i] > c[i] - 1 ? b[i] : c[i] - 1;
      hi[i] = bounded && a[i] < c[i] + 1 ? a[i] : c[i] + 1;
    }
  }
  int best = -1;
  for (int64_t x = lo[0]; x <= hi[0]; ++x)
    for (int64_t y = lo[1]; y <= hi[1]; ++y)
      for (int64_t z = lo[2]; z <= hi[2]; ++z) {
        const int64_t cell[3] = {x, y, z};
        int64_t at = Find(cell);
        if (at < 0) continue;
        // The chain is in index order: its first match is its smallest.
        for (int i = slots_[static_cast<size_t>(at)].head; i >= 0; i = next_[static_cast<size_t>(i)]) {
          if (best >= 0 && i > best) break;
          if ((verts_->data[i] - v).Length() < tol_) {
            best = i;
            break;
          }
        }
      }
  if (best >= 0) return best;
  int index = verts_->Add(v);
  Insert(c, index);
  return index;
}

