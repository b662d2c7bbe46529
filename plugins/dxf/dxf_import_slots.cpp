// The meshes entities go into (by layer, colour or entity), their colour
// surfaces, and the faces added to them.
#include <cstdio>

#include "dxf_import_parts.h"

namespace dxf {
namespace {

const char kDefaultObject[] = "def_object";

std::string ColorName(const char* prefix, int color) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s_%d", prefix, color);
  return buf;
}

}  // namespace

int Importer::EntityColor(const Entity& e) const {
  const int c = e.Int(kCodeColor);
  if (c == kColorByLayer) {
    auto it = layer_colors_.find(FoldName(e.Layer()));
    return it != layer_colors_.end() ? it->second : kDefaultColor;
  }
  // Outside the palette (switched-off layers, by-object colours, garbage).
  return c >= 0 && c < kPaletteSize ? c : kDefaultColor;
}

void Importer::Announce(const std::string& name) {
  if (name == announced_) return;
  announced_ = name;
  if (cb_ && cb_->msg1) cb_->msg1("Working on: %s", name.c_str());
  log_.write("Working on: %s\n", name.c_str());
}

int Importer::NewSlot(const std::string& name, bool in_block) {
  auto slot = std::make_unique<Slot>();
  slot->mesh = new MMesh_P(name.empty() ? kDefaultObject : name.c_str());
  slot->ref_of_color.assign(kPaletteSize, -1);
  slot->model = !in_block;
  slots_.push_back(std::move(slot));
  const int index = static_cast<int>(slots_.size()) - 1;
  if (!in_block) model_order_.push_back(index);
  return index;
}

int Importer::ModelSlot(const std::string& name) {
  const std::string& key = name.empty() ? std::string(kDefaultObject) : name;
  auto it = model_slots_.find(key);
  int index;
  if (it != model_slots_.end()) {
    index = it->second;
  } else {
    index = NewSlot(key, false);
    model_slots_.emplace(key, index);
  }
  Announce(key);
  return index;
}

int Importer::ChooseSlot(const std::string& layer, int color, const std::string& handle) {
  std::string rest;
  switch (mode_) {
    case 1: rest = ColorName("COLOR", color); break;
    case 2: rest = layer + "_" + handle; break;
    default: rest = layer; break;
  }
  if (!in_blocks_) return ModelSlot(rest);
  const int block = CurrentBlock();
  // Keyed by the block's number: block and layer names may hold '@' too.
  std::string key = std::to_string(block);
  key += '\n';
  key += rest;
  auto it = block_slots_.find(key);
  int index;
  if (it != block_slots_.end()) {
    index = it->second;
  } else {
    index = NewSlot(current_block_name_ + "@" + rest, true);
    block_slots_.emplace(std::move(key), index);
    blocks_[block].slots.push_back(index);
  }
  Announce(slots_[index]->mesh->get_name());
  return index;
}

int Importer::SurfaceRef(int slot, int color) {
  Slot& s = *slots_[slot];
  if (color < 0 || color >= kPaletteSize) color = kDefaultColor;
  int& ref = s.ref_of_color[color];
  if (ref >= 0) return ref;
  const std::string name = ColorName("color", color);
  s.mesh->surface_refs->Append(my_strdup(name.c_str()));
  ref = s.mesh->surface_refs->count - 1;
  s.colors.push_back(color);
  // Block definitions make no surfaces of their own: only what is inserted
  // into the model does.
  if (s.model && !surface_made_[color]) {
    surface_made_[color] = true;
    MSurface* surface = new MSurface(name.c_str());
    const Rgb rgb = PaletteColor(color);
    surface->color.Init(rgb.r / 255.0, rgb.g / 255.0, rgb.b / 255.0);
    scene_->surfaces->Append(surface);
  }
  return ref;
}

int Importer::AddVertex(int slot, const MVector3& v) {
  Slot& s = *slots_[slot];
  if (weld_tol_ > 0) {
    if (!s.weld) s.weld = std::make_unique<MGridWeld>(s.mesh->v_a, weld_tol_);
    return s.weld->Add(v);
  }
  return s.mesh->v_a->Add(v);
}

void Importer::AddFace(int slot, const MVector3* pts, int n, int color) {
  const int mat = SurfaceRef(slot, color);
  int32_t idx[8];
  for (int pass = 0; pass < (backside_ ? 2 : 1); ++pass) {
    // The back face gets corners of its own, in reversed order.
    for (int i = 0; i < n; ++i) idx[i] = AddVertex(slot, pts[pass ? n - 1 - i : i]);
    slots_[slot]->mesh->f_a->Add(idx, n, mat);
  }
  if (slots_[slot]->model) model_faces_ += backside_ ? 2 : 1;
}

void Importer::AddIndexedFace(int slot, const int* idx, int n, int mat) {
  MFaceArray* faces = slots_[slot]->mesh->f_a;
  faces->Add(idx, n, mat);
  if (backside_) {
    int32_t back[4];
    for (int i = 0; i < n; ++i) back[i] = idx[n - 1 - i];
    faces->Add(back, n, mat);
  }
  if (slots_[slot]->model) model_faces_ += backside_ ? 2 : 1;
}

void Importer::LogEntity(const char* title) const {
  if (!log_.Get_FILE()) return;
  log_.write("%s (%s):\n", title, e_.Handle().c_str());
  log_.write("\tName: %s\n", e_.Layer().c_str());
  log_.write("\tColor: %d\n", e_.Int(kCodeColor));
}

void Importer::LogPoint(const char* label, const MVector3& p) const {
  if (log_.Get_FILE()) log_.write("\t%s: %s\n", label, p.Print());
}

}  // namespace dxf
