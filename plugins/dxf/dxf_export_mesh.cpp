// One mesh as DXF entities: polyface meshes (POLYLINE, VERTEX records,
// SEQEND), one per colour so that every polyface has one colour, or
// 3DFACE entities. Quads stay quads; larger polygons are triangulated.
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "dxf_export_parts.h"

namespace dxf {
namespace {

constexpr int kPolylineFlags = kPolyFace;
constexpr int kPolyfaceVertexFlags = kVertexFaceRecord | kVertexMesh;
constexpr long kProgressEvery = 4096;

bool IsIdentity(const MMatrix& m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (m.m[r][c] != (r == c ? 1.0 : 0.0)) return false;
  return true;
}

// The colour number of a surface: what an imported DXF named it, else the
// palette entry nearest to its diffuse colour; the default colour when
// there is no surface or it is the default one.
int SurfaceColor(MScene* scene, const char* name) {
  if (!name || !*name || std::strcmp(name, "DEFAULT") == 0) return kDefaultColor;
  if (std::strncmp(name, "color_", 6) == 0) {
    char* end = nullptr;
    long n = std::strtol(name + 6, &end, 10);
    if (end != name + 6 && *end == 0 && n >= 0 && n < kPaletteSize) return static_cast<int>(n);
  }
  MSurface* s = scene->GetMaterialbyName(name);
  if (!s) return kDefaultColor;
  const MColor& c = s->color.diffuse;
  return NearestColor(c.r, c.g, c.b);
}

void Progress(MessageCallBack1* cb, long i, long n) {
  if (cb && cb->progress3 && (i % kProgressEvery == 0 || i + 1 == n)) cb->progress3(i, n);
}

void Message(MessageCallBack1* cb, const char* text) {
  if (cb && cb->msg3) cb->msg3("%s", text);
}

// The faces to write, in mesh order, with their colours.
std::vector<ExportFace> CollectFaces(MScene* scene, MMesh_P* mesh, ExportCounts* counts) {
  std::vector<int> mat_color;
  const int refs = mesh->surface_refs ? mesh->surface_refs->count : 0;
  for (int i = 0; i < refs; ++i) mat_color.push_back(SurfaceColor(scene, ref_name_or_empty(mesh->surface_refs, i)));
  const int nv = mesh->Get_Vertex_Count();
  std::vector<ExportFace> faces;
  faces.reserve(static_cast<size_t>(mesh->Get_Face_Count()));
  std::vector<MVector3> pts;
  std::vector<int> tris;
  for (int f = 0; f < mesh->Get_Face_Count(); ++f) {
    const MIPolygon& face = mesh->Get_IFace(f);
    bool inside = face.count >= 3;
    for (int k = 0; k < face.count && inside; ++k) inside = face.data[k] >= 0 && face.data[k] < nv;
    if (!inside) {
      ++counts->faces_skipped;
      continue;
    }
    const int color = face.mat_id >= 0 && face.mat_id < refs ? mat_color[face.mat_id] : kDefaultColor;
    if (face.count <= 4) {
      ExportFace out{{face.data[0], face.data[1], face.data[2], face.count == 4 ? face.data[3] : face.data[2]},
                     face.count, color};
      faces.push_back(out);
      continue;
    }
    pts.resize(static_cast<size_t>(face.count));
    for (int k = 0; k < face.count; ++k) pts[k] = mesh->Get_Vertex(face.data[k]);
    tris.clear();
    m_triangulate_polygon(pts.data(), face.count, tris);
    if (tris.empty()) ++counts->faces_skipped;
    for (size_t t = 0; t + 2 < tris.size(); t += 3)
      faces.push_back(ExportFace{{face.data[tris[t]], face.data[tris[t + 1]], face.data[tris[t + 2]],
                                  face.data[tris[t + 2]]},
                                 3, color});
  }
  return faces;
}

void WriteFaces3d(GroupWriter& out, const std::vector<MVector3>& pos, const std::vector<ExportFace>& faces,
                  const std::vector<size_t>& which, const std::string& layer, MessageCallBack1* cb) {
  Message(cb, "faces");
  const long n = static_cast<long>(which.size());
  for (long i = 0; i < n; ++i) {
    Progress(cb, i, n);
    const ExportFace& f = faces[which[i]];
    out.Text(kCodeType, "3DFACE");
    out.Text(kCodeLayer, layer);
    out.Int(kCodeColor, f.color);
    // A triangle repeats its third corner.
    for (int k = 0; k < 4; ++k) out.Point(kCodeX + k, pos[f.v[k < f.corners ? k : 2]]);
  }
}

void WritePolyface(GroupWriter& out, const std::vector<MVector3>& pos, const std::vector<ExportFace>& faces,
                   const std::vector<size_t>& which, const std::vector<int>& used, std::vector<int>& number,
                   const std::string& layer, int color, MessageCallBack1* cb) {
  out.Text(kCodeType, "POLYLINE");
  out.Text(kCodeLayer, layer);
  out.Int(kCodeAttribsFollow, 1);
  out.Point(kCodeX, MVector3());
  out.Int(kCodeFlags, kPolylineFlags);
  out.Int(kCodeCount1, static_cast<long>(used.size()));
  out.Int(kCodeCount2, static_cast<long>(which.size()));
  out.Int(kCodeColor, color);
  Message(cb, "vertices");
  const long nv = static_cast<long>(used.size());
  for (long i = 0; i < nv; ++i) {
    Progress(cb, i, nv);
    out.Text(kCodeType, "VERTEX");
    out.Text(kCodeLayer, layer);
    out.Int(kCodeColor, color);
    out.Point(kCodeX, pos[used[i]]);
    out.Int(kCodeFlags, kPolyfaceVertexFlags);
  }
  Message(cb, "faces");
  const long nf = static_cast<long>(which.size());
  for (long i = 0; i < nf; ++i) {
    Progress(cb, i, nf);
    const ExportFace& f = faces[which[i]];
    out.Text(kCodeType, "VERTEX");
    out.Text(kCodeLayer, layer);
    out.Int(kCodeColor, color);
    out.Int(kCodeX, 0);
    out.Int(kCodeY, 0);
    out.Int(kCodeZ, 0);
    out.Int(kCodeFlags, kVertexFaceRecord);
    for (int k = 0; k < f.corners; ++k) out.Int(kCodeCount1 + k, number[f.v[k]] + 1);
  }
  out.Text(kCodeType, "SEQEND");
  out.Text(kCodeLayer, layer);
  out.Int(kCodeColor, color);
}

}  // namespace

void WriteMesh(GroupWriter& out, MScene* scene, MMesh_P* mesh, const MMatrix& matrix, const std::string& layer,
               bool polyface, LogFile& log, MessageCallBack1* cb, ExportCounts* counts) {
  log.write("Working on: %s\n", layer.c_str());
  const int nv = mesh->Get_Vertex_Count();
  // Multiplying by the identity would turn -0 into 0: an untransformed
  // object is written as it is.
  std::vector<MVector3> pos(static_cast<size_t>(nv));
  const bool identity = IsIdentity(matrix);
  for (int i = 0; i < nv; ++i) pos[i] = identity ? mesh->Get_Vertex(i) : matrix.Transform(mesh->Get_Vertex(i));
  const std::vector<ExportFace> faces = CollectFaces(scene, mesh, counts);
  log.write("Vertices: %d\n", nv);
  log.write("Faces: %d\n", static_cast<int>(faces.size()));

  // One group per colour, in the order the colours first appear.
  std::vector<int> colors;
  std::vector<std::vector<size_t>> groups;
  {
    std::unordered_map<int, size_t> group_of;
    for (size_t i = 0; i < faces.size(); ++i) {
      auto [it, fresh] = group_of.emplace(faces[i].color, groups.size());
      if (fresh) {
        colors.push_back(faces[i].color);
        groups.emplace_back();
      }
      groups[it->second].push_back(i);
    }
  }
  std::vector<int> number(static_cast<size_t>(nv), -1);
  std::vector<int> used;
  for (size_t g = 0; g < groups.size(); ++g) {
    const std::vector<size_t>& which = groups[g];
    counts->faces_written += static_cast<long>(which.size());
    if (polyface) {
      // The polyface's own vertices, numbered in the order its faces use
      // them.
      used.clear();
      for (size_t i : which)
        for (int k = 0; k < faces[i].corners; ++k) {
          int& n = number[faces[i].v[k]];
          if (n < 0) {
            n = static_cast<int>(used.size());
            used.push_back(faces[i].v[k]);
          }
        }
      // Indices and counts are signed 16-bit: past that the faces go out
      // one by one.
      const bool fits = used.size() <= static_cast<size_t>(kMaxPolyfaceIndex) &&
                        which.size() <= static_cast<size_t>(kMaxPolyfaceIndex);
      if (fits) {
        WritePolyface(out, pos, faces, which, used, number, layer, colors[g], cb);
      } else {
        log.write("Mesh %s too big for a polyface (%d vertices, %d faces): written as 3DFACE entities\n",
                  layer.c_str(), static_cast<int>(used.size()), static_cast<int>(which.size()));
        ++counts->meshes_as_3dface;
        WriteFaces3d(out, pos, faces, which, layer, cb);
      }
      for (int v : used) number[v] = -1;
    } else {
      WriteFaces3d(out, pos, faces, which, layer, cb);
    }
  }
}

}  // namespace dxf
