// Vertex welding of importers in near-linear time. Gives exactly what
// MVertexArray::Add_Tol gives (the first vertex closer than the tolerance,
// else a new one), which scans the whole array for every vertex and would
// take hours on a large file.
#pragma once
#include <cstdint>
#include <vector>

#include "mesh_arrays.h"

class MGridWeld {
 public:
  // verts is the array vertices are added to; tol > 0, or 0 for exact
  // welding: only points of equal coordinates (0 and -0 alike) are one.
  // The vertices it added must keep their coordinates while it is used: a
  // cell is told from the coordinates of its first vertex.
  MGridWeld(MVertexArray* verts, double tol);
  // Index of the first vertex closer than tol to v (with tol 0: equal to
  // v), or of v appended.
  int Add(const MVector3& v);

 private:
  // 16 bytes, so that the table of a large mesh stays small: the cell's
  // hash, then the first and last vertex of its chain.
  struct Slot {
    uint64_t hash;
    int32_t head;  // -1: empty slot
    int32_t tail;
  };
  bool Cell(const MVector3& v, int64_t* c) const;
  bool InCell(int vertex, const int64_t* c) const;
  int64_t Find(const int64_t* c) const;  // slot index or -1
  void Insert(const int64_t* c, int index);
  void Grow();

  MVertexArray* verts_;
  double tol_;
  double cell_;
  std::vector<Slot> slots_;
  size_t used_ = 0;
  std::vector<int32_t> next_;  // chain per vertex, in index order
};

