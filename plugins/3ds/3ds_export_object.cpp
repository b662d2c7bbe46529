// A prepared triangle mesh as a named object with its triangle mesh chunk.
#include "3ds_export.h"

namespace k3ds {

void PutMesh(Chunk& editor, const TriMesh& m, const std::string& name, const std::vector<std::string>& materials) {
  Chunk& obj = editor.Add(kNamedObject);
  Writer(&obj.data).String(name.c_str(), 10);
  Chunk& mesh = obj.Add(kNTriObject);
  const uint16_t nv = static_cast<uint16_t>(m.verts.size());
  const uint16_t nf = static_cast<uint16_t>(m.mat.size());
  if (nv) {
    Chunk& c = mesh.Add(kPointArray);
    c.data.reserve(2 + 12 * size_t{nv});
    Writer w(&c.data);
    w.Word(nv);
    for (const MVector3& v : m.verts) PutVector(w, v);
  }
  if (nv && !m.uv.empty()) {
    Chunk& c = mesh.Add(kTexVerts);
    c.data.reserve(2 + 8 * size_t{nv});
    Writer w(&c.data);
    w.Word(nv);
    for (float f : m.uv) w.Float(f);
  }
  {
    Writer w(&mesh.Add(kMeshMatrix).data);
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 3; ++c) w.Float(static_cast<float>(m.matrix[r][c]));
  }
  mesh.Add(kMeshColor).data.push_back(0);
  if (nf) {
    Chunk& faces = mesh.Add(kFaceArray);
    faces.data.reserve(2 + 8 * size_t{nf});
    {
      Writer w(&faces.data);
      w.Word(nf);
      for (size_t f = 0; f < nf; ++f) {
        for (int c = 0; c < 3; ++c) w.Word(static_cast<uint16_t>(m.tris[3 * f + c]));
        w.Word(7);  // all three edges visible
      }
    }
    // Faces by material in one pass, face order kept inside each group.
    const size_t groups = materials.size();
    std::vector<uint32_t> start(groups + 1, 0), order;
    for (int id : m.mat)
      if (id >= 0 && static_cast<size_t>(id) < groups) ++start[static_cast<size_t>(id) + 1];
    for (size_t g = 0; g < groups; ++g) start[g + 1] += start[g];
    order.resize(start[groups]);
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (size_t f = 0; f < nf; ++f) {
      int id = m.mat[f];
      if (id >= 0 && static_cast<size_t>(id) < groups) order[fill[static_cast<size_t>(id)]++] = static_cast<uint32_t>(f);
    }
    for (size_t g = 0; g < groups; ++g) {
      Chunk& c = faces.Add(kMshMatGroup);
      Writer w(&c.data);
      w.String(materials[g].c_str(), 16);
      w.Word(static_cast<uint16_t>(start[g + 1] - start[g]));
      for (uint32_t i = start[g]; i < start[g + 1]; ++i) w.Word(static_cast<uint16_t>(order[i]));
    }
    if (!m.smooth.empty()) {
      Chunk& c = faces.Add(kSmoothGroup);
      c.data.reserve(4 * m.smooth.size());
      Writer w(&c.data);
      for (uint32_t s : m.smooth) w.Dword(s);
    }
    if (m.box_map) {
      Writer w(&faces.Add(kMshBoxmap).data);
      for (size_t i = 0; i < 6; ++i) w.String(i < materials.size() ? materials[i].c_str() : "", 16);
    }
  }
  if (m.hidden) obj.Add(kObjHidden);
  if (m.matte) obj.Add(kObjMatte);
  if (!m.cast_shadows) obj.Add(kObjDoesntCast);
  if (!m.receive_shadows) obj.Add(kObjDontRcvShadow);
}

}  // namespace k3ds
