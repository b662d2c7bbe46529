// MHash_V: a spatial hash of vertex indices over a vertex array it does not
// own, used by welding and normal smoothing to find coincident points in
// near-linear time. Points are snapped to a grid of the tolerance; two points
// closer than the tolerance that snap into different cells are not found.
#pragma once
#include <cstdint>

#include "allocator.h"
#include "mesh_arrays.h"

// One chain node: a vertex index and the next node of its bucket.
struct hash_tt {
  int32_t index;
  hash_tt* next;
};

// A zeroed table of `size` chain heads (my_calloc); freed by its owner with my_free.
hash_tt** init_hash_tab(unsigned int size);
// Pushes a node for `index` at the head of `bucket`; returns 1 (0 when out of memory).
int add_hash(hash_tt** table, int index, unsigned int bucket);
// Frees every chain of the table (not the table itself).
void delete_hash_tab(hash_tt** table, unsigned int size);

// The component snapped down to the tolerance grid: floor(c / tol) * tol.
// A tolerance of 0 or below (or not finite) leaves the value as it is.
double m_round(double c, double tol);
// Running string hash: h = h * 31 + (signed byte) over len bytes, then h mod size.
unsigned int getStringHashVal(const char* bytes, int len, unsigned int size, unsigned int h = 0);

class MHash_V {
 public:
  hash_tt** table = nullptr;
  unsigned int size = 0;
  MVertexArray* verts = nullptr;
  double tolerance = 1e-5;

  // size == -1: three times the vertex count of verts. Never below one bucket.
  MHash_V(MVertexArray* verts, int size);
  ~MHash_V();
  MHash_V(const MHash_V&) = delete;
  MHash_V& operator=(const MHash_V&) = delete;

  void Set_Tolerance(double tol) { tolerance = tol; }
  double Get_Tolerance() const { return tolerance; }
  unsigned int Hash(const MVector3& v) const;
  // The stored index of the first entry closer than the tolerance, or -1.
  int Get_Vertex_Index(const MVector3& v);
  // Records index under the bucket of v; the caller appends v to verts itself.
  void Add_Vertex_Index(const MVector3& v, int index);

  KV_SHARED_HEAP

 private:
  // Nodes come from blocks of the shared heap rather than one allocation
  // each: a million-vertex weld would otherwise spend its time in malloc.
  struct Block;
  Block* blocks_ = nullptr;
  int block_used_ = 0;
  hash_tt* new_node();
  // Reciprocal for h % size without a division (kept for magic_size_).
  mutable unsigned long long magic_ = 0;
  mutable unsigned int magic_size_ = 0;
  unsigned int Mod(unsigned int h) const;
};
