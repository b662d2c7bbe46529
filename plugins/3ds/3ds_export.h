// The 3D Studio exporter's own declarations: the option records, the mesh
// walk both writers share, the chunk builders and the writers.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "3ds_chunk.h"
#include "korvanelib.h"

class LogFile;
class MMesh_P;

namespace k3ds {

// ---- option records of the three export classes: the binary .3ds/.prj
// writers (with the map conversion settings) and the ASCII .asc writer ----

// The constants that tell the .3ds and .prj classes apart.
struct BinaryKind {
  const char* key;     // settings section and store name
  const char* log;     // log file name
  const char* ext;
  const char* filter;
  FileKind file_kind;  // kMeshFile or kProjectFile
};
extern const BinaryKind kMeshFileKind;
extern const BinaryKind kProjectFileKind;

struct ExportFlags {
  int global_setting = 1, back_ground = 1, atmosphere = 1, meshes = 1, materials = 1, cameras = 1,
      lights = 1, fast_smoothing = 1;
};

class Export3dsOption : public Export_FileOption {
 public:
  ExportFlags flags;
  MIHandler image_handler;
  const BinaryKind& kind;

  explicit Export3dsOption(const BinaryKind& k);                    // settings-store mode
  Export3dsOption(const BinaryKind& k, int argc, char** argv);     // command-line mode
  ~Export3dsOption() override;

  // The common options, then the flags and the map conversion settings.
  void Print_Options(FILE* fp) override;
};

class ExportAscOption : public Export_FileOption {
 public:
  ExportFlags flags;  // materials unused

  ExportAscOption();
  ExportAscOption(int argc, char** argv);
  ~ExportAscOption() override;

  // The common options, then the flags.
  void Print_Options(FILE* fp) override;
};

// ---- the object walk both writers share: the scene's export walk with
// texture coordinates made one per vertex, smoothing groups computed, and
// meshes beyond the format's 16-bit counts split into pieces that fit ----

constexpr int kMaxCount = 65535;  // vertices or faces of one 3D Studio mesh

struct TriMesh {
  std::string name;       // the source object's name; pieces add "_<n>"
  int piece = -1;         // -1 when the mesh was not split
  std::vector<MVector3> verts;  // already transformed by the local matrix
  std::vector<float> uv;        // u, v per vertex when mapped, else empty
  std::vector<uint32_t> tris;   // three vertex indices per face
  std::vector<int> mat;         // material index per face
  std::vector<uint32_t> smooth; // group mask per face; empty without normals
  int normal_count = 0;         // normal vertices of the source (for the log)
  std::vector<std::string> materials;  // the mesh's material name list
  bool box_map = false;
  MMatrix matrix;         // object frame (axes in rows 0..2, origin in row 3)
  int hidden = 0, matte = 0, cast_shadows = 1, receive_shadows = 1;

  int VertexCount() const { return static_cast<int>(verts.size()); }
  int FaceCount() const { return static_cast<int>(mat.size()); }
};

struct WalkOptions {
  bool fast_smoothing = true;
  bool dump_meshes = true;  // MMesh_P::Dump of the meshes with texture coordinates
};

// Calls write(mesh, k) for every writable object k of the scene, once per
// piece of a split mesh.
void ForEachMesh(MScene* scene, LogFile& log, MessageCallBack1* cb, const WalkOptions& opt,
                 const std::function<void(TriMesh&, int)>& write);

// Splits a mesh into pieces of at most kMaxCount vertices and faces, faces
// kept in order; each piece holds only the vertices its faces use.
std::vector<TriMesh> SplitMesh(const TriMesh& m);

// Names handed out so far, each at most max_len characters: the wanted name
// itself, else cut and followed by "_<n>" with the first n not yet taken.
class UniqueNames {
 public:
  explicit UniqueNames(size_t max_len) : max_len_(max_len) {}
  std::string Get(const std::string& wanted);

 private:
  size_t max_len_;
  std::unordered_set<std::string> used_;
  // The last n tried per wanted name: names are never given back, so the
  // search for the next one starts there (many objects may share a name).
  std::unordered_map<std::string, int> last_n_;
};

// ---- smoothing group masks of a triangle list, recovered from the explicit
// normals of its mesh: faces that meet at a vertex with the same (or the
// exactly opposite) corner normal share a group ----



// faces: indices of the mesh's faces that are written (its 3-corner faces, and
// quads that are split in two after), in output order. Returns one mask per
// entry of faces. progress gets
// (first face of the pass, face count) at every pass; may be null.
std::vector<uint32_t> SmoothingGroups(MMesh_P& mesh, const std::vector<int>& faces,
                                      void (*progress)(long, long));

// ---- small builders for the chunks the binary writer puts into its
// database. A reference returned by Chunk::Add dies with the next Add on the
// same parent, so every builder fills its chunk completely before returning ----

inline void PutFloat(Chunk& parent, uint16_t id, double v) { Writer(&parent.Add(id).data).Float(static_cast<float>(v)); }

inline void PutShortOf(Chunk& parent, uint16_t id, long v) {
  if (v > 32767) v = 32767;
  if (v < -32768) v = -32768;
  Writer(&parent.Add(id).data).Short(static_cast<int16_t>(v));
}

inline void PutVector(Writer& w, const MVector3& v) {
  w.Float(static_cast<float>(v.x));
  w.Float(static_cast<float>(v.y));
  w.Float(static_cast<float>(v.z));
}

// Float colour 0x0010 (or 0x0013).
inline void PutFloatColor(Chunk& parent, const MColor& c, uint16_t id = 0x0010) {
  Writer w(&parent.Add(id).data);
  w.Float(static_cast<float>(c.r));
  w.Float(static_cast<float>(c.g));
  w.Float(static_cast<float>(c.b));
}

inline uint8_t ColorByte(double v) {
  if (!(v > 0)) return 0;  // NaN too
  if (v >= 1) return 255;
  return static_cast<uint8_t>(std::lround(v * 255.0));
}

inline void PutByteColor(Writer& w, const MColor& c) {
  w.Byte(ColorByte(c.r));
  w.Byte(ColorByte(c.g));
  w.Byte(ColorByte(c.b));
}

// 0..1 value as an integer percentage, truncated.
inline long Percent(double v) {
  double p = std::trunc(v * 100.0);
  if (!std::isfinite(p)) return 0;
  return static_cast<long>(std::fmax(-32768.0, std::fmin(32767.0, p)));
}

// Container `id` holding a 0x0030 percentage.
inline void PutPercent(Chunk& parent, uint16_t id, double v) { PutShortOf(parent.Add(id), 0x0030, Percent(v)); }

inline MColor Scaled(const MColor& c, double k) { return MColor(c.r * k, c.g * k, c.b * k, c.a); }

// ---- pieces of the binary writer: each puts one kind of scene data into
// the editor section of the database being built ----

// The longest map file name a map, background or projector chunk holds.
constexpr size_t kMapNameLen = 12;

struct MaterialContext {
  MIHandler& image_handler;
  LogFile& log;
  MMapList* maps;  // the scene's, with the short names given to maps that are copied
  // The map's name in the written file (converted or copied name), logged.
  std::string NewMapName(const char* file) const;
};

void PutMeshSet(Chunk& editor, const MSceneOptions& o);
void PutBackground(Chunk& editor, const MBackGround& b, const MaterialContext& ctx);
void PutAtmosphere(Chunk& editor, const MFog& f);
void PutCamera(Chunk& editor, MCamera& c, const std::string& name);
// False for kinds the format has no light for.
bool PutLight(Chunk& editor, MLight& l, const std::string& name, const MaterialContext& ctx);
// materials: the written (cut and unique) name of each of the mesh's
// material names.
void PutMesh(Chunk& editor, const TriMesh& m, const std::string& name, const std::vector<std::string>& materials);
void PutMaterial(Chunk& editor, MSurface& s, const std::string& name, const MaterialContext& ctx);

// ---- the writers behind the three export classes ----

// The build stamp of the log header is fixed: logs are compared across builds.
inline constexpr char kBuildStamp[] = "Oct 22 2000 09:26:05";

int ExportBinary(MScene* scene, Export3dsOption* o, MessageCallBack1* cb);
int ExportAsc(MScene* scene, ExportAscOption* o, MessageCallBack1* cb);

}  // namespace k3ds
