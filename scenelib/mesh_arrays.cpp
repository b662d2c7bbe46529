#include "mesh_arrays.h"

#include <cstring>
#include <new>

namespace {

// Up to this many bytes of old entries are copied into a new zeroed buffer
// instead of being kept by realloc.
constexpr size_t kCopyAtMost = 4096;

// Grows buf to at least `need` entries: capacity doubles, or becomes `need`
// itself when the caller knows the count (a reserve: with huge pages, unused
// capacity costs memory even though it is never written). The new part is
// zeroed. Plain records only (every element type here is trivially copyable).
template <typename T>
void grow(T*& buf, int32_t& capacity, int32_t need, int32_t default_cap, bool exact = false) {
  if (need <= capacity && buf) return;
  int64_t cap = capacity > 0 ? capacity : default_cap;
  if (exact) cap = need;
  while (cap < need) cap *= 2;
  if (cap > INT32_MAX) cap = INT32_MAX;
  const size_t bytes = static_cast<size_t>(cap) * sizeof(T);
  const size_t old = buf ? static_cast<size_t>(capacity) * sizeof(T) : 0;
  T* p;
  if (old <= kCopyAtMost) {
    // A first or small buffer (a default one before a reserve, say) is
    // replaced by zeroed memory: calloc knows when the pages are fresh and
    // skips clearing them, so a large reserve touches nothing until filled.
    p = static_cast<T*>(my_calloc(1, bytes));
    if (!p) throw std::bad_alloc();
    if (old) std::memcpy(static_cast<void*>(p), buf, old);
    my_free(buf);
  } else {
    p = static_cast<T*>(my_realloc(buf, bytes));
    if (!p) throw std::bad_alloc();
    std::memset(reinterpret_cast<char*>(p) + old, 0, bytes - old);
  }
  buf = p;
  capacity = static_cast<int32_t>(cap);
}

template <typename T>
void shrink(T*& buf, int32_t& capacity, int32_t count) {
  if (!buf || count <= 0 || capacity <= count) return;
  void* p = my_realloc(buf, sizeof(T) * static_cast<size_t>(count));
  if (!p) return;  // the larger buffer is still valid
  buf = static_cast<T*>(p);
  capacity = count;
}

template <typename T>
void init(T*& buf, int32_t& capacity, int32_t& count, int n, int32_t default_cap) {
  buf = nullptr;
  capacity = 0;
  if (n >= 1) {
    grow(buf, capacity, n, n);
    count = n;
  } else {
    grow(buf, capacity, default_cap, default_cap);
    count = 0;
  }
}

template <typename T>
void copy_from(T*& buf, int32_t& capacity, int32_t& count, const T* src, int32_t src_cap, int32_t src_count) {
  buf = nullptr;
  capacity = 0;
  grow(buf, capacity, src_cap > 0 ? src_cap : 1, src_cap > 0 ? src_cap : 1);
  if (src_count > 0) std::memcpy(static_cast<void*>(buf), src, static_cast<size_t>(src_count) * sizeof(T));
  count = src_count;
}

}  // namespace

// ---- MVertexArray

MVertexArray::MVertexArray(int n) { init(data, capacity, count, n, 32); }
MVertexArray::MVertexArray(const MVertexArray& o) { copy_from(data, capacity, count, o.data, o.capacity, o.count); }
MVertexArray& MVertexArray::operator=(const MVertexArray& o) {
  if (this == &o) return *this;
  my_free(data);
  copy_from(data, capacity, count, o.data, o.capacity, o.count);
  return *this;
}
MVertexArray::~MVertexArray() { my_free(data); }

int MVertexArray::Add(const MVector3& v) {
  if (count + 1 > capacity) grow(data, capacity, count + 1, 32);
  data[count] = v;
  return count++;
}

int MVertexArray::Add_Tol(const MVector3& v, double tol) {
  if (tol != -1.0) {
    for (int i = 0; i < count; ++i)
      if ((data[i] - v).Length() < tol) return i;
  }
  return Add(v);
}

void MVertexArray::Del_Last() {
  if (count > 0) --count;
}

void MVertexArray::Reserve(int n) { grow(data, capacity, n, 32, true); }

void MVertexArray::ShrinkToFit() { shrink(data, capacity, count); }

// ---- MVPolygon

MVPolygon::MVPolygon(int n) { init(data, capacity, count, n, 4); }
MVPolygon::MVPolygon(const MVPolygon& o) { copy_from(data, capacity, count, o.data, o.capacity, o.count); }
MVPolygon& MVPolygon::operator=(const MVPolygon& o) {
  if (this == &o) return *this;
  my_free(data);
  copy_from(data, capacity, count, o.data, o.capacity, o.count);
  return *this;
}
MVPolygon::~MVPolygon() { my_free(data); }

int MVPolygon::Add(const MVector3& v) {
  if (count + 1 > capacity) grow(data, capacity, count + 1, 4);
  data[count] = v;
  return count++;
}

MVPolygon* MVPolygon::Generate_Circle(double start, double end, double step, int plane, double r) {
  MVPolygon* p = new MVPolygon();
  auto point = [&](double a) {
    switch (plane) {
      case 1: return MVector3(r * std::sin(a), 0, r * std::cos(a));
      case 2: return MVector3(0, r * std::cos(a), r * std::sin(a));
      default: return MVector3(r * std::cos(a), r * std::sin(a), 0);
    }
  };
  // A step that cannot advance would never end: only the end point then.
  if (step > 0.0 && std::isfinite(step) && std::isfinite(start) && std::isfinite(end)) {
    for (double a = start; a < end; a += step) {
      p->Add(point(a));
      if (p->count > 10000000) break;
    }
  }
  p->Add(point(end));
  return p;
}

// ---- MIPolygon

namespace {

// Gives a face whose indices sit in its array's blocks a buffer of its own,
// with room for at least `need` indices.
void leave_pool(MIPolygon& p, int32_t need) {
  const int32_t* old = p.data;
  p.data = nullptr;
  p.capacity = 0;
  p.in_pool = false;
  grow(p.data, p.capacity, need > p.count ? need : p.count, 4);
  if (p.count > 0) std::memcpy(p.data, old, static_cast<size_t>(p.count) * sizeof(int32_t));
}

}  // namespace

MIPolygon::MIPolygon(int n) { init(data, capacity, count, n, 4); }
MIPolygon::MIPolygon(const MIPolygon& o) : mat_id(o.mat_id) {
  copy_from(data, capacity, count, o.data, o.capacity, o.count);
}
MIPolygon& MIPolygon::operator=(const MIPolygon& o) {
  if (this == &o) return *this;
  mat_id = o.mat_id;
  if (in_pool && o.count <= capacity) {  // the face keeps its place in the block
    if (o.count > 0) std::memcpy(data, o.data, static_cast<size_t>(o.count) * sizeof(int32_t));
    count = o.count;
    return *this;
  }
  if (!in_pool) my_free(data);
  in_pool = false;
  copy_from(data, capacity, count, o.data, o.capacity, o.count);
  return *this;
}
MIPolygon::~MIPolygon() {
  if (!in_pool) my_free(data);
}

int MIPolygon::Add(int v) {
  if (count + 1 > capacity) {
    if (in_pool)
      leave_pool(*this, count + 1);
    else
      grow(data, capacity, count + 1, 4);
  }
  data[count] = v;
  return count++;
}

void MIPolygon::Flip() {
  for (int i = 0, j = count - 1; i < j; ++i, --j) {
    int t = data[i];
    data[i] = data[j];
    data[j] = t;
  }
}

// ---- MFaceArray: polygons by value; small index buffers in blocks.

namespace {

// Blocks stay below malloc's default mmap threshold (128 KB), so that they
// come from the heap's top one after another instead of a mapping each.
constexpr int32_t kFirstBlock = 64;                 // indices
constexpr int32_t kLargestBlock = (1 << 15) - 64;   // indices (just below 128 KB)
constexpr int32_t kPooledAtMost = 64;               // larger faces own their buffer

}  // namespace

struct MFaceArray::IndexBlock {
  IndexBlock* next;
};

int32_t* MFaceArray::TakeIndices(int n) {
  if (n <= 0 || n > kPooledAtMost) return nullptr;
  if (n > pool_left_) {
    // The rest of the current block stays unused.
    const int32_t size = next_block_ > 0 ? next_block_ : kFirstBlock;
    next_block_ = size < kLargestBlock / 2 ? size * 2 : kLargestBlock;
    auto* b = static_cast<IndexBlock*>(my_malloc(sizeof(IndexBlock) + static_cast<size_t>(size) * sizeof(int32_t)));
    if (!b) throw std::bad_alloc();
    b->next = blocks_;
    blocks_ = b;
    pool_next_ = reinterpret_cast<int32_t*>(b + 1);
    pool_left_ = size;
  }
  int32_t* p = pool_next_;
  pool_next_ += n;
  pool_left_ -= n;
  return p;
}

void MFaceArray::FreeBlocks() {
  while (blocks_) {
    IndexBlock* next = blocks_->next;
    my_free(blocks_);
    blocks_ = next;
  }
  pool_next_ = nullptr;
  pool_left_ = 0;
  next_block_ = 0;
}

MFaceArray::MFaceArray(int n) { init(data, capacity, count, n, 8); }

MFaceArray::MFaceArray(const MFaceArray& o) {
  data = nullptr;
  capacity = 0;
  grow(data, capacity, o.capacity > 0 ? o.capacity : 1, o.capacity > 0 ? o.capacity : 1);
  for (int i = 0; i < o.count; ++i) Add(o.data[i].data, o.data[i].count, o.data[i].mat_id);
}

MFaceArray& MFaceArray::operator=(const MFaceArray& o) {
  if (this == &o) return *this;
  this->~MFaceArray();
  new (this) MFaceArray(o);
  return *this;
}

MFaceArray::~MFaceArray() {
  if (data)
    for (int i = 0; i < capacity; ++i)
      if (!data[i].in_pool) my_free(data[i].data);
  my_free(data);
  FreeBlocks();
  data = nullptr;
  capacity = count = 0;
}

int MFaceArray::Add(const MIPolygon& p) { return Add(p.data, p.count, p.mat_id); }

int MFaceArray::Add(const int32_t* indices, int n, int mat_id) {
  if (n < 0) n = 0;
  if (count + 1 > capacity) grow(data, capacity, count + 1, 8);
  MIPolygon& slot = data[count];
  // Slots past the count are normally empty; reuse a buffer if one is left.
  if (slot.capacity < n || !slot.data) {
    if (!slot.in_pool) my_free(slot.data);
    slot.data = TakeIndices(n);
    slot.in_pool = slot.data != nullptr;
    slot.capacity = slot.in_pool ? n : 0;
    if (!slot.in_pool) {
      int cap = n > 0 ? n : 4;
      grow(slot.data, slot.capacity, cap, cap);
    }
  }
  if (n > 0) std::memcpy(slot.data, indices, static_cast<size_t>(n) * sizeof(int32_t));
  slot.count = n;
  slot.mat_id = mat_id;
  return count++;
}

void MFaceArray::Reserve(int n) { grow(data, capacity, n, 8, true); }

void MFaceArray::ShrinkToFit() {
  if (!data || count <= 0 || capacity <= count) return;
  // A buffer left in a slot past the count would be lost with the slot.
  for (int i = count; i < capacity; ++i)
    if (!data[i].in_pool && data[i].data) {
      my_free(data[i].data);
      data[i].data = nullptr;
      data[i].capacity = 0;
    }
  shrink(data, capacity, count);
}

// ---- MTriFaceArray

MTriFaceArray::MTriFaceArray(int n) { init(data, capacity, count, n, 8); }
MTriFaceArray::MTriFaceArray(const MTriFaceArray& o) { copy_from(data, capacity, count, o.data, o.capacity, o.count); }
MTriFaceArray& MTriFaceArray::operator=(const MTriFaceArray& o) {
  if (this == &o) return *this;
  my_free(data);
  copy_from(data, capacity, count, o.data, o.capacity, o.count);
  return *this;
}
MTriFaceArray::~MTriFaceArray() { my_free(data); }

int MTriFaceArray::Add(const TriFace& t) {
  if (count + 1 > capacity) grow(data, capacity, count + 1, 8);
  data[count] = t;
  return count++;
}

// ---- MEdgeArray

MEdgeArray::MEdgeArray(int n) { init(data, capacity, count, n, 4); }
MEdgeArray::MEdgeArray(const MEdgeArray& o) : mat_id(o.mat_id) {
  copy_from(data, capacity, count, o.data, o.capacity, o.count);
}
MEdgeArray& MEdgeArray::operator=(const MEdgeArray& o) {
  if (this == &o) return *this;
  my_free(data);
  copy_from(data, capacity, count, o.data, o.capacity, o.count);
  mat_id = o.mat_id;
  return *this;
}
MEdgeArray::~MEdgeArray() { my_free(data); }

int MEdgeArray::Add(int a, int b) { return Add(MEdge{a, b, 0, 0}); }

int MEdgeArray::Add(const MEdge& e) {
  if (count + 1 > capacity) grow(data, capacity, count + 1, 4);
  data[count] = e;
  return count++;
}

void MEdgeArray::Flip() {
  for (int i = 0, j = count - 1; i < j; ++i, --j) {
    MEdge t = data[i];
    data[i] = data[j];
    data[j] = t;
  }
}
