// Wavefront OBJ import: one pass into file-wide lists and per-name meshes,
// then a second pass per mesh that copies only the entries its faces use.
// A large file's back part is parsed on a second thread meanwhile.
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "obj_lines.h"
#include "obj_options.h"
#include "plugin_framework.h"

namespace {

using kvobj::IsBlank;
using kvobj::Kind;

const char kTitle[] = "WaveFront Import Plugin 1.0";
// The build stamp of the log header is fixed: logs are compared across builds.
const char kBuildStamp[] = "Oct 22 2000 14:37:57";
const char kHelp[] =
    "** WaveFront Import Plugin 1.0 **\n\nImports *.obj (Alias Wavefront) with their material libraries (*.mtl)\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\n"
    "Specific Settings:\n\n"
    "\t-obj_mode=IVAL: create objects by 0=one mesh, 1=object (o), 2=group (g), 3=smoothinggroup (s),\n"
    "\t\t4=usemap (usemap), 5=usemtl (usemtl)\n"
    "\t-image_search_path=String: further folders for texture maps, separated by ';'\n"
    "\t-weld_tol=DVAL: vertex welding tolerance (-1 = disable)\n\n";
const char kDefObj[] = "def_obj";
const char kDefMat[] = "def_mat";
constexpr size_t kNameLen = 255;
constexpr long kProgressStep = 1 << 20;

// Smoothing groups named "off" are numbered across imports.
int g_off_counter = 0;

// A UTF-8 byte order mark before the first keyword would hide it.
inline char* SkipBom(char* line, long line_no) {
  if (line_no == 1 && std::memcmp(line, "\xEF\xBB\xBF", 3) == 0) return line + 3;
  return line;
}

inline const char* SkipBlanks(const char* s) {
  while (IsBlank(*s)) ++s;
  return s;
}

// Trailing blanks and tabs removed in place.
void TrimEnd(char* s, size_t* len) {
  size_t n = *len;
  while (n > 0 && IsBlank(s[n - 1])) --n;
  s[n] = 0;
  *len = n;
}

// A name statement's text: blanks around it removed and TABs dropped (as
// the library's line reading does), cut at 255 characters. Writers put two
// blanks after "usemtl" or one at the end: the name must still match the
// library's "newmtl".
std::string NameText(const char* rest) {
  rest = SkipBlanks(rest);
  std::string out;
  for (const char* p = rest; *p && out.size() < kNameLen; ++p)
    if (*p != '\t') out.push_back(*p);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string Unified(const std::string& s) {
  const char* u = m_unifymeshname(s.c_str(), 1);
  return u ? std::string(u, strnlen(u, kNameLen)) : std::string();
}

// A mesh name in the order it was first met; the mesh itself is made at
// its first face, so names without faces never reach the scene.
struct MeshInfo {
  std::string name;
  MMesh_P* mesh;
  std::unordered_map<std::string, int> refs;  // surface_refs index by name
  int cached_serial = -1;                     // material serial of cached_id
  int cached_id = 0;
  bool left = false;                          // another group came after it
};

// File value to a 0-based index of a list of size n: 1..n count from the
// front, -1..-n from the current end; anything else is -2 (invalid).
inline int Resolve(int32_t v, int n) {
  if (v > 0 && v <= n) return v - 1;
  if (v < 0 && -v <= n) return n + v;
  return -2;
}

// The back part starts where this share of the file ends. The reader
// applies every statement too, yet the time is flat from a half to two
// thirds: parsing the numbers is the larger work.
constexpr double kFrontShare = 0.5;

class Reader {
 public:
  Reader(MScene* scene, ObjImportOption* o, MessageCallBack1* cb, LogFile& log)
      : scene_(scene), o_(o), cb_(cb), log_(log) {}
  ~Reader() {
    for (MeshInfo& mi : meshes_) delete mi.mesh;
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // False when the text holds no OBJ statement at all.
  bool ReadObj(FILE* f, const std::string& path);
  void PostProcess();

 private:
  void SwitchMesh(const std::string& name);
  int Mesh(const std::string& name);
  void EnsureSurface(const std::string& name);
  // One line of the file, number line_no; a face continues over the next
  // lines of in.
  void Statement(char* line, size_t len, long line_no, MLineReader* in);
  void AddVector(Kind kind, const double* xyz, bool clamped, long line_no);
  void AddFace(const kvobj::Corner* corners, size_t n, long line_no);
  // The statements of a back part whose first line follows line_no.
  // Applies the back part piece by piece, freeing each once applied.
  void Replay(kvobj::BackPart& part, long line_no, long start, long total);
  void ReplayPiece(const kvobj::BackPart::Piece& piece, long line_no);
  void ReadRest(FILE* f, long start, long line_no, long total);
  // named: the file was named by an mtllib statement (else its absence is
  // no news).
  void ReadLibrary(const char* name, bool named = true);
  void ReadLibraries(const std::string& text);
  std::string LibraryPath(const char* given);
  void TextureLayer(MSurface* m, const char* rest, int channel);
  void Progress(long pos, long total);
  // last: no later mesh reads the list, which may then be handed over.
  // The points of the file a mesh's faces use, and its faces, per list.
  struct RemapCounts {
    int vertices = 0, faces = 0;
  };
  RemapCounts Remap(MMesh_P* m, MFaceArray* faces, MVertexArray& list, int kind, std::vector<int32_t>& table,
                    bool last);

  MScene* scene_;
  ObjImportOption* o_;
  MessageCallBack1* cb_;
  LogFile& log_;
  std::string dir_;  // the model's folder, for its libraries
  // The file-wide lists. Grown by realloc, which moves no large block, and
  // handed to the only mesh that uses them whole.
  MVertexArray v_, vn_, vt_;
  std::vector<MeshInfo> meshes_;
  std::unordered_map<std::string, int> mesh_index_;
  std::unordered_map<std::string, MSurface*> surfaces_;
  std::unordered_set<const MSurface*> dissolve_read_;  // materials whose d was read
  std::string mesh_name_ = kDefObj;
  std::string mat_name_ = kDefMat;
  int mat_serial_ = 0;
  int current_mesh_ = -1;
  bool library_read_ = false;
  long face_lines_ = 0;
  long next_progress_ = 0;
  // Statements of the format and lines that are something else.
  long statements_ = 0, other_ = 0;
  bool clamped_logged_ = false;
  std::vector<kvobj::Corner> corners_;
  std::vector<int32_t> cp_, ct_, cn_;
  std::string text_;
};

void Reader::Progress(long pos, long total) {
  if (!cb_ || pos < next_progress_) return;
  next_progress_ = pos + kProgressStep;
  cb_->progress1(pos, total);
}

int Reader::Mesh(const std::string& name) {
  auto it = mesh_index_.find(name);
  if (it != mesh_index_.end()) return it->second;
  int id = static_cast<int>(meshes_.size());
  mesh_index_.emplace(name, id);
  meshes_.push_back(MeshInfo{name, nullptr, {}, -1, 0, false});
  return id;
}

// Gives back what doubling left unused in the face lists of m.
void ShrinkFaces(MMesh_P* m) {
  for (MFaceArray* faces : {m->f_a, m->nf_a, m->uvf_a})
    if (faces) faces->ShrinkToFit();
}

void Reader::SwitchMesh(const std::string& name) {
  mesh_name_ = name;
  const int next = Mesh(name);
  if (current_mesh_ >= 0 && next != current_mesh_) {
    // The faces of a group that ends give back what their doubling left
    // unused, for the groups after it. Only the first time: a file that
    // goes back and forth between groups would copy them at every switch.
    MeshInfo& ended = meshes_[static_cast<size_t>(current_mesh_)];
    if (!ended.left && ended.mesh) ShrinkFaces(ended.mesh);
    ended.left = true;
  }
  current_mesh_ = next;
  if (cb_) cb_->msg1("Working on: %s", name.c_str());
  log_.write("Working on: %s\n", name.c_str());
}

void Reader::EnsureSurface(const std::string& name) {
  if (surfaces_.count(name)) return;
  MSurface* s = scene_->GetMaterialbyName(name.c_str());
  if (!s) {
    s = new MSurface(name.c_str());
    scene_->surfaces->Append(s);
  }
  surfaces_.emplace(name, s);
}

void Reader::AddFace(const kvobj::Corner* corners, size_t count, long line_no) {
  ++face_lines_;
  cp_.clear();
  ct_.clear();
  cn_.clear();
  bool bad = false;
  const int nv = v_.count, nt = vt_.count, nn = vn_.count;
  for (size_t i = 0; i < count; ++i) {
    const kvobj::Corner& k = corners[i];
    int p = Resolve(k.p, nv);
    int t = k.t == kvobj::kNoIndex ? -1 : Resolve(k.t, nt);
    int n = k.n == kvobj::kNoIndex ? -1 : Resolve(k.n, nn);
    if (p < 0 || t < -1 || n < -1) bad = true;
    cp_.push_back(p);
    ct_.push_back(t);
    cn_.push_back(n);
  }
  if (bad) {
    log_.write("Face in line %ld refers to a missing vertex: skipped\n", line_no);
    return;
  }
  if (cp_.size() < 3) return;
  if (current_mesh_ < 0) current_mesh_ = Mesh(mesh_name_);
  MeshInfo& mi = meshes_[static_cast<size_t>(current_mesh_)];
  if (!mi.mesh) {
    mi.mesh = new MMesh_P(mi.name.c_str());
    mi.mesh->UseNormals();
    mi.mesh->UseUV();
    mi.mesh->mapping_type = UV_MAP;
  }
  if (mi.cached_serial != mat_serial_) {
    auto it = mi.refs.find(mat_name_);
    if (it == mi.refs.end()) {
      int id = mi.mesh->surface_refs->count;
      mi.mesh->surface_refs->Append(my_strdup(mat_name_.c_str()));
      it = mi.refs.emplace(mat_name_, id).first;
    }
    EnsureSurface(mat_name_);
    mi.cached_serial = mat_serial_;
    mi.cached_id = it->second;
  }
  int n = static_cast<int>(cp_.size());
  mi.mesh->f_a->Add(cp_.data(), n, mi.cached_id);
  mi.mesh->nf_a->Add(cn_.data(), n, mi.cached_id);
  mi.mesh->uvf_a->Add(ct_.data(), n, mi.cached_id);
}

void Reader::TextureLayer(MSurface* m, const char* rest, int channel) {
  char text[kNameLen + 1];
  size_t n = strnlen(rest, kNameLen);
  std::memcpy(text, rest, n);
  text[n] = 0;
  double su = 1.0, sv = 1.0;
  const char* s = text;
  const char* e = text + n;
  const char* name = nullptr;
  auto skip_numbers = [&](int count, double* out) {
    for (int i = 0; i < count; ++i) {
      double v;
      const char* next = m_scan_double(s, e, &v);
      if (!next) break;
      if (out) out[i] = v;
      s = next;
    }
  };
  auto skip_word = [&] {
    s = SkipBlanks(s);
    while (*s && !IsBlank(*s)) ++s;
  };
  for (;;) {
    s = SkipBlanks(s);
    if (!*s) break;
    const char* w = s;
    while (*s && !IsBlank(*s)) ++s;
    std::string tok(w, static_cast<size_t>(s - w));
    if (tok == "-s") {
      double v[3] = {su, sv, 1.0};
      skip_numbers(3, v);
      su = v[0];
      sv = v[1];
    } else if (tok == "-o" || tok == "-t") {
      skip_numbers(3, nullptr);
    } else if (tok == "-bm" || tok == "-boost" || tok == "-texres") {
      skip_numbers(1, nullptr);
    } else if (tok == "-mm") {
      skip_numbers(2, nullptr);
    } else if (tok == "-blendu" || tok == "-blendv" || tok == "-cc" || tok == "-clamp" || tok == "-imfchan" ||
               tok == "-type") {
      // Options of other writers with one word: skipped so that the map name
      // does not start with them.
      skip_word();
    } else {
      name = w;
      break;
    }
  }
  std::string file = name ? name : "default.gif";
  while (!file.empty() && IsBlank(file.back())) file.pop_back();
  if (file.empty()) file = "default.gif";

  MSrf_TextureLayer* layer = new MSrf_TextureLayer;
  layer->enabled = 1;
  layer->texture.enabled = 1;
  layer->texture.kind = _2DBITMAP;
  msrf_copy_name(layer->texture.bitmap.file_name, file.c_str());
  layer->texture.bitmap.tile_u = 1;
  layer->texture.bitmap.tile_v = 1;
  layer->texture.bitmap.uv_scale = MVector3(su, sv, 1.0);
  layer->texture.bitmap.uv_offset = MVector3(0, 0, 0);
  switch (channel) {
    // MTL states no amount: the map shows in full.
    case 0: layer->diffuse_color.enabled = 1, layer->diffuse_color.value = 1.0; break;
    case 1: layer->specular_color.enabled = 1, layer->specular_color.value = 1.0; break;
    case 2: layer->ambient_color.enabled = 1, layer->ambient_color.value = 1.0; break;
    case 3: layer->bump_intensity.enabled = 1, layer->bump_intensity.value = 1.0; break;
    default: layer->opacity_intensity.enabled = 1, layer->opacity_intensity.value = 1.0; break;
  }
  scene_->maps->AddMap(layer->texture.bitmap.file_name);
  m->layers.Add(layer);
}

bool IsRegularFile(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// "mtllib a.mtl b.mtl" names two libraries, though a name may hold blanks
// as well: the whole text wins when it names a file.
void Reader::ReadLibraries(const std::string& text) {
  if (text.find(' ') == std::string::npos || IsRegularFile(LibraryPath(text.c_str()).c_str())) {
    ReadLibrary(text.c_str());
    return;
  }
  size_t b = 0;
  while (b < text.size()) {
    size_t e = text.find(' ', b);
    if (e == std::string::npos) e = text.size();
    if (e > b) ReadLibrary(text.substr(b, e - b).c_str());
    b = e + 1;
  }
}

std::string Reader::LibraryPath(const char* given) {
  // Names written on Windows use backslashes.
  std::string name(given, strnlen(given, kNameLen));
  std::replace(name.begin(), name.end(), '\\', '/');
  std::string path = !name.empty() && name[0] == '/' ? name : dir_ + name;
  if (!IsRegularFile(path.c_str())) {
    // Case-insensitive fallback for libraries named in another case.
    const char* found = name.empty() ? nullptr : m_find_file(name.c_str(), dir_.c_str());
    if (found && IsRegularFile(found)) path = found;
  }
  return path;
}

void Reader::ReadLibrary(const char* given, bool named) {
  std::string found = LibraryPath(given);
  const char* path = found.c_str();
  FILE* f = IsRegularFile(path) ? std::fopen(path, "rb") : nullptr;
  if (!f) {
    log_.write("File %s not found\n", path);
    if (named) kvpf::ReportWarning("material library %s not found", path);
    return;
  }
  if (cb_) cb_->msg1("Working on: %s %s", "Material Library", path);
  log_.write("Working on: %s %s\n", "Material Library", path);
  long total = m_filesize(f);
  MLineReader in(f, MLineReader::kKeepTabs, 1 << 16);
  MSurface* cur = nullptr;
  long saved_progress = next_progress_;
  next_progress_ = 0;
  size_t len;
  while (char* line = in.Next(&len)) {
    Progress(in.Position(), total);
    TrimEnd(line, &len);
    const char* s = SkipBlanks(SkipBom(line, in.LineNumber()));
    if (!*s) continue;
    const char* w = s;
    while (*s && !IsBlank(*s)) ++s;
    std::string key(w, static_cast<size_t>(s - w));
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const char* rest = SkipBlanks(s);
    if (key == "newmtl") {
      // The whole rest names the material, as usemtl refers to it.
      std::string nm = Unified(NameText(rest));
      if (nm.empty()) continue;
      log_.write("Working on: %s\n", nm.c_str());
      EnsureSurface(nm);
      cur = surfaces_[nm];
    } else if (key == "kd" || key == "ks" || key == "ka") {
      double v[3];
      bool clamped = false;
      if (kvobj::ScanNumbers(rest, v, 3, &clamped) != 3 || !cur) continue;
      if (key == "kd") {
        cur->color.diffuse.Init_RGB(v[0], v[1], v[2], 0);
        cur->color.diffuse_intensity = 1.0;
      } else if (key == "ks") {
        cur->color.specular.Init_RGB(v[0], v[1], v[2], 0);
        cur->color.specular_intensity = 1.0;
      } else {
        cur->color.ambient.Init_RGB(v[0], v[1], v[2], 0);
        cur->color.ambient_intensity = (v[0] == 0 && v[1] == 0 && v[2] == 0) ? 0.0 : 1.0;
      }
    } else if (key == "ns" || key == "d" || key == "tr") {
      if (!cur) continue;
      const char* num = rest;
      if (key == "d" && std::strncmp(num, "-halo", 5) == 0 && IsBlank(num[5])) num = SkipBlanks(num + 5);
      double v = 0;
      bool clamped = false;
      if (kvobj::ScanNumbers(num, &v, 1, &clamped) != 1) continue;
      if (key == "ns") {
        cur->spec.phong_size = std::clamp(v, 0.0, kObjMaxNs) / kObjPhongToNs;
      } else if (key == "d") {
        cur->opref.surface_opacity = std::clamp(v, 0.0, 1.0);
        dissolve_read_.insert(cur);
      } else if (!dissolve_read_.count(cur)) {
        // Tr is the inverse of d; where a material has both, d holds.
        cur->opref.surface_opacity = 1.0 - std::clamp(v, 0.0, 1.0);
      }
    } else if (key == "map_kd" || key == "map_ks" || key == "map_ka" || key == "map_bump" || key == "map_d") {
      if (!cur) continue;
      int channel = key == "map_kd" ? 0 : key == "map_ks" ? 1 : key == "map_ka" ? 2 : key == "map_bump" ? 3 : 4;
      TextureLayer(cur, rest, channel);
    }
  }
  std::fclose(f);
  next_progress_ = saved_progress;
}

void Reader::AddVector(Kind kind, const double* xyz, bool clamped, long line_no) {
  if (kind == Kind::kVertex) {
    v_.Add(MVector3(xyz[0], xyz[1], xyz[2]));
  } else if (kind == Kind::kNormal) {
    vn_.Add(MVector3(xyz[0], xyz[1], xyz[2]));
  } else if (kind == Kind::kTexture) {
    vt_.Add(MVector3(xyz[0], xyz[1], xyz[2]));
  }
  if (clamped && !clamped_logged_) {
    log_.write("Number out of range in line %ld read as 0\n", line_no);
    clamped_logged_ = true;
  }
}

void Reader::Statement(char* line, size_t len, long line_no, MLineReader* in) {
  char* s = SkipBom(line, line_no);
  while (IsBlank(*s)) ++s;
  if (!*s) return;
  char* w = s;
  while (*s && !IsBlank(*s)) ++s;
  size_t klen = static_cast<size_t>(s - w);
  char* rest = s;
  const Kind kind = kvobj::KindOf(w, klen);
  if (kind == Kind::kVertex || kind == Kind::kTexture || kind == Kind::kNormal) {
    ++statements_;
    double xyz[3];
    bool clamped = false;
    bool adds = kvobj::ParseVector(kind, rest, xyz, &clamped);
    AddVector(adds ? kind : Kind::kStatement, xyz, clamped, line_no);
    return;
  }
  if (kind == Kind::kFace && in) {
    ++statements_;
    corners_.clear();
    kvobj::ParseFace(rest, len - static_cast<size_t>(s - line), *in, &corners_);
    AddFace(corners_.data(), corners_.size(), line_no);
    return;
  }
  if (kind == Kind::kStatement) {
    // A comment, or a statement of what is not read (curves, lines).
    ++statements_;
    return;
  }
  auto is = [&](const char* k) { return std::strlen(k) == klen && std::memcmp(w, k, klen) == 0; };
  if (!(is("o") || is("g") || is("s") || is("usemap") || is("usemtl") || is("mtllib"))) {
    ++other_;
    return;
  }
  ++statements_;
  std::string text = NameText(rest);
  if (text.empty()) return;
  if (is("mtllib")) {
    ReadLibraries(text);
    library_read_ = true;
    return;
  }
  std::string nm = Unified(text);
  const int mode = o_->obj_mode;
  if (is("o")) {
    if (mode == 1) SwitchMesh(nm);
  } else if (is("g")) {
    if (mode == 2) SwitchMesh(nm);
  } else if (is("s")) {
    if (mode == 3) {
      if (nm == "off") nm = "sg" + std::to_string(g_off_counter++);
      SwitchMesh(nm);
    }
  } else if (is("usemap")) {
    if (mode == 4) SwitchMesh(nm);
  } else {
    if (mode == 5) SwitchMesh(nm);
    mat_name_ = nm;
    ++mat_serial_;
    EnsureSurface(nm);
  }
}

void Reader::Replay(kvobj::BackPart& part, long line_no, long start, long total) {
  size_t count = 0;
  for (const kvobj::BackPart::Piece& piece : part.pieces) count += piece.statements.size();
  const double step = count ? static_cast<double>(total - start) / static_cast<double>(count) : 0;
  size_t done = 0;
  for (kvobj::BackPart::Piece& piece : part.pieces) {
    Progress(start + static_cast<long>(step * static_cast<double>(done)), total);
    done += piece.statements.size();
    ReplayPiece(piece, line_no);
    piece = kvobj::BackPart::Piece();  // applied: its memory goes back
  }
}

void Reader::ReplayPiece(const kvobj::BackPart::Piece& piece, long line_no) {
  const double* numbers = piece.numbers.data();
  const kvobj::Corner* corners = piece.corners.data();
  size_t text_at = 0;
  for (const kvobj::BackPart::Statement& st : piece.statements) {
    const long line = line_no + st.line;
    switch (st.kind) {
      case Kind::kVertex:
      case Kind::kTexture:
      case Kind::kNormal:
        ++statements_;
        AddVector(st.kind, numbers, st.clamped, line);
        numbers += 3;
        break;
      case Kind::kFace:
        ++statements_;
        AddFace(corners, st.size, line);
        corners += st.size;
        break;
      case Kind::kStatement:
        ++statements_;
        AddVector(Kind::kStatement, nullptr, st.clamped, line);
        break;
      case Kind::kText:
        // Names and libraries: a writable, terminated copy of the line.
        text_.assign(piece.text, text_at, st.size);
        text_at += st.size;
        Statement(text_.data(), text_.size(), line, nullptr);
        break;
    }
  }
}

void Reader::ReadRest(FILE* f, long start, long line_no, long total) {
  if (std::fseek(f, start, SEEK_SET) != 0) return;
  MLineReader in(f, MLineReader::kKeepTabs, 1 << 22);
  size_t len;
  while (char* line = in.Next(&len)) {
    Progress(start + in.Position(), total);
    Statement(line, len, line_no + in.LineNumber(), &in);
  }
}

bool Reader::ReadObj(FILE* f, const std::string& path) {
  const MPathParts parts = m_split_path(path.c_str());
  dir_ = parts.dir;
  const long total = m_filesize(f);
  if (cb_) cb_->msg1("Working on: %s", kDefObj);
  log_.write("Working on: %s\n", kDefObj);
  long split = kvobj::SplitPoint(f, total, kFrontShare);
  kvobj::BackPart back;
  std::thread parser;
  if (split > 0) {
    try {
      parser = std::thread(kvobj::ParseBackPart, path, split, &back);
    } catch (const std::system_error&) {
      split = 0;
    }
  }
  long line_no = 0;
  {
    MLineReader in(f, MLineReader::kKeepTabs, 1 << 22);
    if (split > 0) in.SetLimit(split);
    size_t len;
    while (char* line = in.Next(&len)) {
      Progress(in.Position(), total);
      Statement(line, len, in.LineNumber(), &in);
    }
    line_no = in.LineNumber();
  }
  if (split > 0) {
    parser.join();
    if (back.ok) {
      Replay(back, line_no, split, total);
    } else {
      ReadRest(f, split, line_no, total);
    }
  }
  if (cb_) cb_->progress1(total, total);
  if (statements_ == 0 && other_ > 0) return false;
  // Without mtllib the library of the same base name is tried.
  if (!library_read_) ReadLibrary((parts.fname + ".mtl").c_str(), false);
  return true;
}

MVector3 FaceNormal(MMesh_P* m, const MIPolygon& f) {
  const MVector3& a = m->v_a->data[f.data[0]];
  const MVector3& b = m->v_a->data[f.data[1]];
  const MVector3& c = m->v_a->data[f.data[2]];
  MVector3 n = vect_cross(b - a, c - a);
  double l = n.Length();
  if (!(l > 0) || !std::isfinite(l)) return MVector3(0, 0, 0);
  return MVector3(n.x / l, n.y / l, n.z / l);
}

// kind 0: positions, 1: normals, 2: texture coordinates. The table holds -1
// for every file-wide entry between calls; only the entries this mesh
// touches are set and reset, so a file of many groups costs no more than
// one group of the same faces.
Reader::RemapCounts Reader::Remap(MMesh_P* m, MFaceArray* faces, MVertexArray& list, int kind,
                                  std::vector<int32_t>& table, bool last) {
  MVertexArray* out = kind == 0 ? m->v_a : kind == 1 ? m->nv_a : m->uv_a;
  const double tol = o_->weld_tol;
  const bool welding = tol > 0 && std::isfinite(tol);
  std::unique_ptr<MGridWeld> weld;
  if (welding) weld = std::make_unique<MGridWeld>(out, tol);
  auto add = [&](const MVector3& v) { return weld ? weld->Add(v) : out->Add(v); };
  std::vector<int32_t> touched;
  bool local = false;  // a corner took a computed normal or texture point
  int computed_uv = -1;
  long corners = 0;
  const int nf = faces->count;
  for (int i = 0; i < nf; ++i) {
    MIPolygon& f = faces->data[i];
    for (int c = 0; c < f.count; ++c) {
      int32_t& x = f.data[c];
      ++corners;
      if (x >= 0) {
        if (table[static_cast<size_t>(x)] < 0) {
          table[static_cast<size_t>(x)] = 0;
          touched.push_back(x);
        }
      } else if (kind == 1) {
        local = true;
        // Absent normal: the face normal, added at once; -(k + 2) marks an
        // index that is already local.
        x = -(add(FaceNormal(m, m->f_a->data[i])) + 2);
      } else {
        local = true;
        if (computed_uv < 0) computed_uv = weld ? weld->Add(MVector3(0, 0, 0)) : out->Add_Tol(MVector3(0, 0, 0), 0.001);
        x = -(computed_uv + 2);
      }
    }
  }
  const RemapCounts counts{static_cast<int>(touched.size()), nf};
  if (!weld && !local && out->count == 0 && touched.size() == static_cast<size_t>(list.count)) {
    // The mesh uses every point of the file (one group, the usual case):
    // its local indices are the file's, and its faces stay as they are.
    for (int32_t x : touched) table[static_cast<size_t>(x)] = -1;
    if (last) {
      std::swap(out->data, list.data);
      std::swap(out->capacity, list.capacity);
      std::swap(out->count, list.count);
      return counts;
    }
    out->Reserve(list.count);
    if (list.count > 0)
      std::memcpy(static_cast<void*>(out->data), list.data, sizeof(MVector3) * static_cast<size_t>(list.count));
    out->count = list.count;
    return counts;
  }
  std::sort(touched.begin(), touched.end());
  out->Reserve(out->count + static_cast<int>(touched.size()));
  for (int32_t x : touched) table[static_cast<size_t>(x)] = add(list.data[x]);
  for (int i = 0; i < nf; ++i) {
    MIPolygon& f = faces->data[i];
    for (int c = 0; c < f.count; ++c) {
      int32_t& x = f.data[c];
      x = x >= 0 ? table[static_cast<size_t>(x)] : -(x + 2);
    }
  }
  for (int32_t x : touched) table[static_cast<size_t>(x)] = -1;
  (void)corners;
  return counts;
}


// Frees a list of the file once every mesh has taken its points.
void FreeList(MVertexArray& list) {
  MVertexArray gone;
  std::swap(gone.data, list.data);
  std::swap(gone.capacity, list.capacity);
  std::swap(gone.count, list.count);
}

void Reader::PostProcess() {
  const int file_v = v_.count, file_vn = vn_.count, file_vt = vt_.count;
  std::vector<int32_t> table(static_cast<size_t>(std::max(file_v, std::max(file_vn, file_vt))), -1);
  std::vector<MMesh_P*> meshes;
  for (MeshInfo& mi : meshes_) {
    if (!mi.mesh) continue;
    scene_->objects->Append(mi.mesh);
    meshes.push_back(mi.mesh);
    mi.mesh = nullptr;
  }
  const int count = static_cast<int>(meshes.size());
  // One list at a time through every mesh, the file's list freed after it:
  // the file's lists and the meshes' own are never all held at once.
  std::vector<std::array<RemapCounts, 3>> counts(meshes.size());
  MVertexArray* lists[3] = {&v_, &vn_, &vt_};
  for (int kind = 0; kind < 3; ++kind) {
    for (int j = 0; j < count; ++j) {
      MMesh_P* m = meshes[static_cast<size_t>(j)];
      if (kind == 0) {
        if (cb_) cb_->msg1("Postproc: %s", m->get_name());
        if (cb_) cb_->progress1(j, count);
        ShrinkFaces(m);
      }
      MFaceArray* faces = kind == 0 ? m->f_a : kind == 1 ? m->nf_a : m->uvf_a;
      counts[static_cast<size_t>(j)][static_cast<size_t>(kind)] =
          Remap(m, faces, *lists[kind], kind, table, j + 1 == count);
      if (MVertexArray* out = kind == 0 ? m->v_a : kind == 1 ? m->nv_a : m->uv_a) out->ShrinkToFit();
    }
    FreeList(*lists[kind]);
  }
  static const char* const kLabels[3][2] = {
      {"vertices %d:\n", "faces    %d:\n"}, {"nvertices %d:\n", "nfaces    %d:\n"}, {"uvvertices %d:\n", "uvfaces    %d:\n"}};
  for (int j = 0; j < count; ++j) {
    MMesh_P* m = meshes[static_cast<size_t>(j)];
    log_.write("****************************\n");
    log_.write("Post processing %s:\n", m->get_name());
    for (int kind = 0; kind < 3; ++kind) {
      const RemapCounts& c = counts[static_cast<size_t>(j)][static_cast<size_t>(kind)];
      log_.write(kLabels[kind][0], c.vertices);
      log_.write(kLabels[kind][1], c.faces);
    }
    log_.write("****************************\n");
    log_.write("Name: %s\n", m->get_name());
    log_.write("Vertices: %d\n", m->Get_Vertex_Count());
    log_.write("Faces:    %d\n", m->Get_Face_Count());
    if (m->NormalsUsed()) {
      log_.write("NVertices: %d\n", m->Get_NVertex_Count());
      log_.write("NFaces:    %d\n", m->Get_NFace_Count());
    }
    if (m->UVUsed()) {
      log_.write("UVVertices: %d\n", m->Get_UVVertex_Count());
      log_.write("UVFaces:    %d\n", m->Get_UVFace_Count());
    }
  }
  log_.write("****************************\n");
  log_.write("File Statistics:\n");
  log_.write("Vertices:   %d\n", file_v);
  log_.write("NVertices:  %d\n", file_vn);
  log_.write("UVVertices: %d\n", file_vt);
  log_.write("Polygons:   %ld\n", face_lines_);
}

void ImportObj(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  ObjImportOption* o = static_cast<ObjImportOption*>(base);
  kvpf::ImportRun run(o, cb, kTitle, kBuildStamp);
  std::unique_ptr<FILE, int (*)(FILE*)> f(run.OpenInputStream(), std::fclose);
  if (!f) return;
  if (m_text_looks_binary(f.get())) return run.Fail("%s is not an OBJ file: it holds binary data", run.path().c_str());
  scene->maps->AddSearchPath(run.folder().c_str());
  scene->maps->AddSearchPath(o->image_search_path);

  clock_t start = std::clock();
  {
    Reader reader(scene, o, cb, run.log());
    if (!reader.ReadObj(f.get(), run.path()))
      return run.Fail("%s is not an OBJ file: it holds no OBJ statement", run.path().c_str());
    f.reset();
    reader.PostProcess();
  }
  run.log().write("%.3f seconds\n", static_cast<double>(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC * 0.001);
  run.Finish(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new ObjImportOption(argc, argv);
  return new ObjImportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  ObjImportOption* o = static_cast<ObjImportOption*>(base);
  const KvOptionField fields[] = {
      {1025, "Create Objects by:", KV_FIELD_INT, &o->obj_mode, sizeof o->obj_mode},
      {1026, "Weld Tolerance", KV_FIELD_DOUBLE, &o->weld_tol, sizeof o->weld_tol},
      {1027, "Image Search Path", KV_FIELD_STRING, o->image_search_path, sizeof o->image_search_path},
  };
  int n = 0;
  for (const KvOptionField& fl : fields)
    if (n < max) out[n++] = fl;
  return n;
}

kvpf::ImportClassDesc obj_import_desc(kvpf::ImportClassInfo{"Alias Wavefront (*.obj)", 0x1FF052E2u,
                                                            kvpf::PluginTexts{"WAV", kHelp}, NewOptions, ImportObj,
                                                            OptionFields}, kAxesYUp);

PluginClassDesc* const kClasses[] = {&obj_import_desc};

}  // namespace

KV_PLUGIN_LIBRARY("WAV Import Lib", kClasses)
