// The growable arrays of the polygon mesh and the mesh algorithms. All share
// one growth rule: capacity doubles, the new half is zeroed; storage comes
// from the shared allocator. Indices are not checked.
#pragma once
#include <cstdint>

#include "allocator.h"
#include "geometry.h"

class MVertexArray {
 public:
  MVector3* data = nullptr;
  int32_t capacity = 0;
  int32_t count = 0;

  explicit MVertexArray(int n = 0);  // n >= 1: n zero entries; else empty, capacity 32
  MVertexArray(const MVertexArray& o);
  MVertexArray& operator=(const MVertexArray& o);
  ~MVertexArray();

  int Add(const MVector3& v);
  // tol == -1.0 appends; otherwise the first entry closer than tol, or a new one.
  int Add_Tol(const MVector3& v, double tol);
  void Del_Last();
  int Get_Count() const { return count; }
  MVector3& operator[](int i) { return data[i]; }
  MVector3 operator[](int i) const { return data[i]; }
  void Reserve(int n);  // grow the capacity to at least n without changing count
  // Gives back the capacity past the count (what doubling left unused).
  void ShrinkToFit();

  KV_SHARED_HEAP
};

// The corners of one polygon as positions.
class MVPolygon {
 public:
  MVector3* data = nullptr;
  int32_t capacity = 0;
  int32_t count = 0;

  explicit MVPolygon(int n = 0);  // default capacity 4
  MVPolygon(const MVPolygon& o);
  MVPolygon& operator=(const MVPolygon& o);
  ~MVPolygon();

  int Add(const MVector3& v);
  int Get_Count() const { return count; }
  MVector3& operator[](int i) { return data[i]; }
  MVector3 operator[](int i) const { return data[i]; }

  // Points of a circle from start to end (radians) in plane 0 (XY), 1 (XZ) or
  // 2 (YZ); the end point is always appended. Owned by the caller.
  static MVPolygon* Generate_Circle(double start, double end, double step, int plane, double r);

  KV_SHARED_HEAP
};

// One face: indices into its layer's vertex array and a material id. A face
// added to an MFaceArray keeps its indices in the array's blocks (in_pool):
// such a buffer is never freed on its own, and growing the face moves it to
// a buffer of its own.
class MIPolygon {
 public:
  int32_t* data = nullptr;
  int32_t capacity = 0;
  int32_t count = 0;
  int32_t mat_id = -1;
  bool in_pool = false;

  explicit MIPolygon(int n = 0);  // default capacity 4
  MIPolygon(const MIPolygon& o);
  MIPolygon& operator=(const MIPolygon& o);
  ~MIPolygon();

  int Add(int v);
  void Set(int i, int v) { data[i] = v; }
  int Get_Count() const { return count; }
  int& operator[](int i) { return data[i]; }
  int operator[](int i) const { return data[i]; }
  void Set_MatId(int id) { mat_id = id; }
  int Get_MatId() const { return mat_id; }
  void Flip();  // reverse the corner order in place

  KV_SHARED_HEAP
};

// Faces held by value. The index buffers of small faces come from blocks
// that the array owns, one allocation per block instead of one per face;
// faces may move between slots of their array, but not to another array.
class MFaceArray {
 public:
  MIPolygon* data = nullptr;
  int32_t capacity = 0;
  int32_t count = 0;

  explicit MFaceArray(int n = 0);  // default capacity 8
  MFaceArray(const MFaceArray& o);
  MFaceArray& operator=(const MFaceArray& o);
  ~MFaceArray();

  int Add(const MIPolygon& p);
  int Add(const int32_t* indices, int n, int mat_id);  // without a temporary polygon
  int Get_Count() const { return count; }
  MIPolygon& operator[](int i) { return data[i]; }
  const MIPolygon& operator[](int i) const { return data[i]; }
  MIPolygon* Get(int i) { return &data[i]; }
  void Reserve(int n);
  // Gives back the slots past the count (what doubling left unused).
  void ShrinkToFit();

  KV_SHARED_HEAP

 private:
  struct IndexBlock;
  IndexBlock* blocks_ = nullptr;
  int32_t* pool_next_ = nullptr;
  int32_t pool_left_ = 0;
  int32_t next_block_ = 0;  // size of the next block, in indices

  int32_t* TakeIndices(int n);  // nullptr: n is too large for a block
  void FreeBlocks();
};

struct TriFace {
  int32_t v[6];
};

class MTriFaceArray {
 public:
  TriFace* data = nullptr;
  int32_t capacity = 0;
  int32_t count = 0;

  explicit MTriFaceArray(int n = 0);  // default capacity 8
  MTriFaceArray(const MTriFaceArray& o);
  MTriFaceArray& operator=(const MTriFaceArray& o);
  ~MTriFaceArray();

  int Add(const TriFace& t);
  int Get_Count() const { return count; }
  TriFace& operator[](int i) { return data[i]; }
  TriFace operator[](int i) const { return data[i]; }
  TriFace* Get(int i) { return &data[i]; }

  KV_SHARED_HEAP
};

// Two vertex indices and two further integers (the adjacent faces in the
// edge list of the mesh algorithms).
struct MEdge {
  int32_t a, b, c, d;
};

class MEdgeArray {
 public:
  MEdge* data = nullptr;
  int32_t capacity = 0;
  int32_t count = 0;
  int32_t mat_id = -1;

  explicit MEdgeArray(int n = 0);  // default capacity 4
  MEdgeArray(const MEdgeArray& o);
  MEdgeArray& operator=(const MEdgeArray& o);
  ~MEdgeArray();

  int Add(int a, int b);  // stores (a, b, 0, 0)
  int Add(const MEdge& e);
  void Set(int i, int a, int b) { data[i] = MEdge{a, b, 0, 0}; }
  void Set(int i, const MEdge& e) { data[i] = e; }
  int Get_Count() const { return count; }
  MEdge& operator[](int i) { return data[i]; }
  MEdge operator[](int i) const { return data[i]; }
  void Set_MatId(int id) { mat_id = id; }
  int Get_MatId() const { return mat_id; }
  void Flip();  // reverse the order of the edges

  KV_SHARED_HEAP
};
