#include "mesh_hash.h"

#include <cmath>
#include <cstring>

hash_tt** init_hash_tab(unsigned int size) {
  if (size == 0) size = 1;
  return static_cast<hash_tt**>(my_calloc(size, sizeof(hash_tt*)));
}

int add_hash(hash_tt** table, int index, unsigned int bucket) {
  hash_tt* n = static_cast<hash_tt*>(my_malloc(sizeof(hash_tt)));
  if (!n) return 0;
  n->index = index;
  n->next = table[bucket];
  table[bucket] = n;
  return 1;
}

void delete_hash_tab(hash_tt** table, unsigned int size) {
  if (!table) return;
  for (unsigned int i = 0; i < size; ++i) {
    hash_tt* n = table[i];
    while (n) {
      hash_tt* next = n->next;
      my_free(n);
      n = next;
    }
    table[i] = nullptr;
  }
}

double m_round(double c, double tol) {
  if (!(tol > 0.0) || !std::isfinite(tol)) return c;
  return std::floor(c / tol) * tol;
}

unsigned int getStringHashVal(const char* bytes, int len, unsigned int size, unsigned int h) {
  for (int i = 0; i < len; ++i) h = h * 31u + static_cast<unsigned int>(static_cast<int>(static_cast<signed char>(bytes[i])));
  return size ? h % size : 0;
}

struct MHash_V::Block {
  static constexpr int kNodes = 4096;
  Block* next;
  hash_tt nodes[kNodes];
};

MHash_V::MHash_V(MVertexArray* v, int sz) : verts(v) {
  long long n = sz;
  if (sz == -1) n = 3LL * (v ? v->count : 0);
  if (n < 1) n = 1;
  if (n > 0x7fffffffLL) n = 0x7fffffffLL;
  size = static_cast<unsigned int>(n);
  table = init_hash_tab(size);
}

MHash_V::~MHash_V() {
  // Nodes live in the blocks, so the chains go with them.
  while (blocks_) {
    Block* next = blocks_->next;
    my_free(blocks_);
    blocks_ = next;
  }
  my_free(table);
}

hash_tt* MHash_V::new_node() {
  if (!blocks_ || block_used_ == Block::kNodes) {
    Block* b = static_cast<Block*>(my_new(sizeof(Block)));
    b->next = blocks_;
    blocks_ = b;
    block_used_ = 0;
  }
  return &blocks_->nodes[block_used_++];
}

unsigned int MHash_V::Mod(unsigned int h) const {
  // Lemire's remainder by multiplication: exact for every 32-bit h and size.
  if (magic_size_ != size) {
    magic_size_ = size;
    magic_ = size ? ~0ULL / size + 1 : 0;
  }
  if (!size) return 0;
  const unsigned long long low = magic_ * h;
  return static_cast<unsigned int>((static_cast<unsigned __int128>(low) * size) >> 64);
}

unsigned int MHash_V::Hash(const MVector3& v) const {
  // The value of getStringHashVal over the 8 bytes of each snapped
  // component, computed inline: welds call this for every corner.
  const bool snap = tolerance > 0.0 && std::isfinite(tolerance);
  const double c[3] = {snap ? std::floor(v.x / tolerance) * tolerance : v.x,
                       snap ? std::floor(v.y / tolerance) * tolerance : v.y,
                       snap ? std::floor(v.z / tolerance) * tolerance : v.z};
  unsigned int h = 0;
  for (double d : c) {
    unsigned char bytes[8];
    std::memcpy(bytes, &d, 8);
    for (unsigned char b : bytes) h = h * 31u + static_cast<unsigned int>(static_cast<int>(static_cast<signed char>(b)));
    h = Mod(h);
  }
  return h;
}

int MHash_V::Get_Vertex_Index(const MVector3& v) {
  if (!table || !verts) return -1;
  for (hash_tt* n = table[Hash(v)]; n; n = n->next) {
    if (n->index < 0 || n->index >= verts->count) continue;
    const MVector3& p = verts->data[n->index];
    double dx = p.x - v.x, dy = p.y - v.y, dz = p.z - v.z;
    if (std::sqrt(dx * dx + dy * dy + dz * dz) < tolerance) return n->index;
  }
  return -1;
}

void MHash_V::Add_Vertex_Index(const MVector3& v, int index) {
  if (!table) return;
  unsigned int b = Hash(v);
  hash_tt* n = new_node();
  n->index = index;
  n->next = table[b];
  table[b] = n;
}
