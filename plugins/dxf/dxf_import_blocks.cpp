// BLOCK ... ENDBLK definitions and INSERT references. Block geometry is
// kept apart; INSERTs (arrays and blocks inside blocks included) are
// copied into the model once the whole file is read, under a face budget,
// and a block that inserts itself is refused.
#include <cstdio>

#include "dxf_import_parts.h"

namespace dxf {
namespace {

constexpr long long kSaturated = 1000000000000000LL;

long long Times(long long a, long long b) {
  if (a <= 0 || b <= 0) return 0;
  return a > kSaturated / b ? kSaturated : a * b;
}

long long Plus(long long a, long long b) { return a + b > kSaturated ? kSaturated : a + b; }

// Drops the vertices no face uses, so that a copy costs what its faces
// need.
void Compact(MMesh_P* m) {
  const int nv = m->Get_Vertex_Count();
  std::vector<int> map(static_cast<size_t>(nv), -1);
  MVertexArray* used = new MVertexArray();
  for (int f = 0; f < m->Get_Face_Count(); ++f) {
    MIPolygon& face = m->Get_IFace(f);
    for (int k = 0; k < face.count; ++k) {
      int& to = map[face.data[k]];
      if (to < 0) to = used->Add(m->Get_Vertex(face.data[k]));
      face.data[k] = to;
    }
  }
  delete m->v_a;
  m->v_a = used;
}

}  // namespace

MMatrix Importer::InsertRef::Cell(const MVector3& base, int c, int r) const {
  // The block's base point lands on the insertion point.
  MMatrix m(1);
  m.Translate(MVector3(-base.x, -base.y, -base.z));
  m.Scale(scale);
  m.Translate(MVector3(c * column_spacing, 0, 0));
  m.Translate(MVector3(0, r * row_spacing, 0));
  m.RotateDeg(MVector3(0, 0, rotation));
  m.Translate(point);
  m *= Ocs(extrusion).Matrix();
  return m;
}

int Importer::FindBlock(const std::string& key) const {
  auto it = block_index_.find(key);
  return it == block_index_.end() ? -1 : it->second;
}

int Importer::CurrentBlock() {
  if (current_block_ >= 0) return current_block_;
  const std::string key = FoldName(current_block_name_);
  current_block_ = FindBlock(key);
  if (current_block_ < 0) {
    blocks_.push_back(Block{current_block_name_, current_base_, {}, {}, -1});
    current_block_ = static_cast<int>(blocks_.size()) - 1;
    block_index_.emplace(key, current_block_);
  }
  return current_block_;
}

void Importer::StartBlock() {
  LogEntity("Block");
  current_block_name_ = e_.Name();
  current_base_ = e_.Point(kCodeX);
  current_block_ = -1;
  // A second definition of a name adds to the first.
  CurrentBlock();
  if (log_.Get_FILE()) log_.write("\tBlock: %s base %s\n", current_block_name_.c_str(), current_base_.Print());
}

void Importer::EndBlock() {
  LogEntity("EndBlock");
  current_block_ = -1;
  current_block_name_ = "default_block";
  current_base_ = MVector3();
}

void Importer::Insert() {
  LogEntity("Insert");
  InsertRef ins;
  ins.name = e_.Name();
  ins.key = FoldName(ins.name);
  ins.point = e_.Point(kCodeX);
  ins.scale = MVector3(e_.Real(kCodeScaleX), e_.Real(kCodeScaleY), e_.Real(kCodeScaleZ));
  ins.rotation = e_.Real(kCodeAngle);
  ins.columns = e_.Int(kCodeFlags) > 0 ? e_.Int(kCodeFlags) : 1;
  ins.rows = e_.Int(kCodeCount1) > 0 ? e_.Int(kCodeCount1) : 1;
  ins.column_spacing = e_.Real(kCodeColumnSpacing);
  ins.row_spacing = e_.Real(kCodeRowSpacing);
  ins.extrusion = e_.extrusion;
  if (log_.Get_FILE())
    log_.write("\tBlock: %s at %s, %d x %d\n", ins.name.c_str(), ins.point.Print(), ins.columns, ins.rows);
  if (in_blocks_) {
    // Copied with the block that holds it.
    blocks_[CurrentBlock()].inserts.push_back(std::move(ins));
    return;
  }
  const size_t before = slots_.size();
  if (block_names_) {
    ins.target = ModelSlot(ins.name);
  } else {
    ins.target = ChooseSlot(e_.Layer(), EntityColor(e_), e_.Handle());
    if (slots_.size() != before) log_.write("\tNew Object created \"%s\"\n", slots_[ins.target]->mesh->get_name());
  }
  inserts_.push_back(std::move(ins));
}

void Importer::MarkCycles() {
  // Depth first over "block inserts block", without recursion: an INSERT
  // that leads back to a block still being walked closes a cycle and is
  // refused; every block then knows the faces one copy of it makes.
  const int count = static_cast<int>(blocks_.size());
  std::vector<char> state(static_cast<size_t>(count), 0);  // 0 new, 1 walking, 2 done
  std::vector<std::pair<int, size_t>> stack;
  for (int root = 0; root < count; ++root) {
    if (state[root]) continue;
    stack.push_back({root, 0});
    state[root] = 1;
    while (!stack.empty()) {
      auto& [b, next] = stack.back();
      Block& blk = blocks_[b];
      if (next < blk.inserts.size()) {
        InsertRef& ins = blk.inserts[next++];
        const int child = FindBlock(ins.key);
        if (child < 0) continue;
        if (state[child] == 1) {
          ins.refused = true;
          log_.write("\tBlock \"%s\" inserts \"%s\", which holds it: refused\n", blk.name.c_str(), ins.name.c_str());
          run_.Warn("%s: block \"%s\" inserts itself; that insert is left out", run_.path().c_str(), ins.name.c_str());
        } else if (state[child] == 0) {
          state[child] = 1;
          stack.push_back({child, 0});
        }
        continue;
      }
      long long faces = 0;
      for (int s : blk.slots) faces = Plus(faces, slots_[s]->mesh->Get_Face_Count());
      for (const InsertRef& ins : blk.inserts) {
        const int child = FindBlock(ins.key);
        if (ins.refused || child < 0) continue;
        faces = Plus(faces, Times(Times(ins.columns, ins.rows), blocks_[child].faces));
      }
      blk.faces = faces;
      state[b] = 2;
      stack.pop_back();
    }
  }
}

void Importer::CopyBlock(int block, const MMatrix& m, int target, int depth) {
  const Block& blk = blocks_[block];
  Slot& to = *slots_[target];
  std::vector<int> index;
  for (int s : blk.slots) {
    Slot& from = *slots_[s];
    MMesh_P* src = from.mesh;
    if (src->Get_Face_Count() == 0) continue;
    // Every copied face keeps the surface it had in the block.
    std::vector<int> mats(from.colors.size());
    for (size_t k = 0; k < from.colors.size(); ++k) mats[k] = SurfaceRef(target, from.colors[k]);
    index.resize(static_cast<size_t>(src->Get_Vertex_Count()));
    for (int v = 0; v < src->Get_Vertex_Count(); ++v) index[v] = AddVertex(target, m.Transform(src->Get_Vertex(v)));
    int32_t corners[16];
    for (int f = 0; f < src->Get_Face_Count(); ++f) {
      const MIPolygon& face = src->Get_IFace(f);
      const int n = face.count < 16 ? face.count : 16;
      for (int k = 0; k < n; ++k) corners[k] = index[face.data[k]];
      const int mat = face.mat_id >= 0 && face.mat_id < static_cast<int>(mats.size()) ? mats[face.mat_id] : -1;
      to.mesh->f_a->Add(corners, n, mat);
    }
    model_faces_ += src->Get_Face_Count();
  }
  for (const InsertRef& ins : blk.inserts) {
    const int child = FindBlock(ins.key);
    // An empty block makes nothing however large its array.
    if (ins.refused || child < 0 || blocks_[child].faces <= 0) continue;
    if (depth + 1 > kMaxNesting) {
      log_.write("\tBlock \"%s\" nested deeper than %d blocks: left out\n", ins.name.c_str(), kMaxNesting);
      continue;
    }
    for (int r = 0; r < ins.rows; ++r)
      for (int c = 0; c < ins.columns; ++c) {
        MMatrix cell = ins.Cell(blocks_[child].base, c, r);
        cell *= m;
        CopyBlock(child, cell, target, depth + 1);
      }
  }
}

void Importer::ExpandInserts() {
  if (inserts_.empty()) return;
  for (auto& s : slots_)
    if (!s->model) Compact(s->mesh);
  MarkCycles();
  for (const InsertRef& ins : inserts_) {
    const int b = FindBlock(ins.key);
    if (b < 0) {
      log_.write("\tBlock \"%s\" not found\n", ins.name.c_str());
      continue;
    }
    const Block& blk = blocks_[b];
    for (int s : blk.slots)
      log_.write("\tFound Block \"%s\" Name \"%s\"\n", blk.name.c_str(), slots_[s]->mesh->get_name());
    const long long need = Times(Times(ins.columns, ins.rows), blk.faces);
    if (need == 0) continue;
    if (Plus(model_faces_, need) > kFaceBudget) {
      log_.write("\tInsert of \"%s\" left out: %lld faces would pass the limit of %lld faces\n", ins.name.c_str(),
                 need, kFaceBudget);
      if (!budget_warned_)
        run_.Warn("%s: insert of block \"%s\" left out: %lld faces would pass the limit of %lld faces",
                  run_.path().c_str(), ins.name.c_str(), need, kFaceBudget);
      budget_warned_ = true;
      continue;
    }
    const long long before = model_faces_;
    Announce(slots_[ins.target]->mesh->get_name());
    for (int r = 0; r < ins.rows; ++r)
      for (int c = 0; c < ins.columns; ++c) CopyBlock(b, ins.Cell(blk.base, c, r), ins.target, 0);
    log_.write("\t%lld Faces inserted \n", model_faces_ - before);
  }
}

}  // namespace dxf
