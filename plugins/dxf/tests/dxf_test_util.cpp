#include "dxf_test_util.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace kvdxftest {

int ImportClass() { return kvtest::FindClass("Autocad  (*.dxf)", MESH_IMPORT_CLASS_ID); }
int ExportClass() { return kvtest::FindClass("Autocad ASCII (*.dxf)", MESH_EXPORT_CLASS_ID); }

MScene* Import(const std::string& path, const std::vector<std::string>& options) {
  kvtest::UseCommandLine(options);
  return kvtest::ImportWith(ImportClass(), path);
}

MScene* ImportText(const kvtest::TempDir& dir, const std::string& text, const std::vector<std::string>& options,
                   const std::string& name) {
  kvtest::write_file(dir.file(name), text);
  return Import(dir.file(name), options);
}

int Export(MScene* scene, const std::string& path, const std::vector<std::string>& options, std::string* written) {
  kvtest::UseCommandLine(options);
  return kvtest::ExportWith(ExportClass(), scene, path, written);
}

std::string G(int code, const std::string& value) { return std::to_string(code) + "\n" + value + "\n"; }

std::string G(int code, double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", value);
  return G(code, std::string(buf));
}

std::string Entities(const std::string& entities) {
  return G(0, "SECTION") + G(2, "ENTITIES") + entities + G(0, "ENDSEC") + G(0, "EOF");
}

std::string WithBlocks(const std::string& blocks, const std::string& entities) {
  return G(0, "SECTION") + G(2, "BLOCKS") + blocks + G(0, "ENDSEC") + Entities(entities);
}

std::string Face3d(double p[4][3], int color, const char* layer) {
  std::string s = G(0, "3DFACE") + G(8, layer) + G(62, std::to_string(color));
  for (int k = 0; k < 4; ++k)
    for (int a = 0; a < 3; ++a) s += G(10 + k + 10 * a, p[k][a]);
  return s;
}

BinaryDxf::BinaryDxf(bool wide) : wide_(wide) {
  const char head[] = "AutoCAD Binary DXF\r\n\x1a";
  bytes_.assign(head, head + sizeof head);  // the NUL ends the sentinel
}

BinaryDxf& BinaryDxf::Code(int code) {
  if (wide_) {
    bytes_.push_back(static_cast<uint8_t>(code & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(code >> 8));
  } else if (code >= 255) {
    bytes_.push_back(255);
    bytes_.push_back(static_cast<uint8_t>(code & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(code >> 8));
  } else {
    bytes_.push_back(static_cast<uint8_t>(code));
  }
  return *this;
}

BinaryDxf& BinaryDxf::Str(int code, const char* s) {
  Code(code);
  bytes_.insert(bytes_.end(), s, s + std::strlen(s) + 1);
  return *this;
}

BinaryDxf& BinaryDxf::Real(int code, double v) {
  Code(code);
  uint8_t b[8];
  std::memcpy(b, &v, 8);
  bytes_.insert(bytes_.end(), b, b + 8);
  return *this;
}

BinaryDxf& BinaryDxf::Short(int code, int16_t v) {
  Code(code);
  bytes_.push_back(static_cast<uint8_t>(v & 0xFF));
  bytes_.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  return *this;
}

BinaryDxf& BinaryDxf::Int32(int code, int32_t v) {
  Code(code);
  for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
  return *this;
}

BinaryDxf& BinaryDxf::Chunk(int code, const std::string& data) {
  Code(code);
  bytes_.push_back(static_cast<uint8_t>(data.size()));
  return Raw(data);
}

BinaryDxf& BinaryDxf::Raw(const std::string& data) {
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  return *this;
}

BinaryDxf& BinaryDxf::Face(double x) {
  Str(0, "3DFACE").Str(8, "0").Short(62, 3);
  const double p[4][3] = {{x, 0, 0}, {x + 1, 0, 0}, {x + 1, 1, 0}, {x + 1, 1, 0}};
  for (int k = 0; k < 4; ++k)
    for (int a = 0; a < 3; ++a) Real(10 + k + 10 * a, p[k][a]);
  return *this;
}

void Summary::Add(const MVector3& p) {
  const double c[3] = {p.x, p.y, p.z};
  for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], c[k]), hi[k] = std::max(hi[k], c[k]);
}

bool Summary::Near(const Summary& o, double tol) const {
  if (triangles != o.triangles) return false;
  for (int k = 0; k < 3; ++k) {
    const double scale = 1.0 + std::max(std::fabs(lo[k]), std::fabs(hi[k]));
    if (std::fabs(lo[k] - o.lo[k]) > tol * scale || std::fabs(hi[k] - o.hi[k]) > tol * scale) return false;
  }
  return true;
}

std::string Summary::Text() const {
  std::ostringstream s;
  s << faces << " faces, " << triangles << " triangles, bounds (" << lo[0] << " " << lo[1] << " " << lo[2] << ") ("
    << hi[0] << " " << hi[1] << " " << hi[2] << ")";
  return s.str();
}

Summary Summarize(MScene* scene) {
  Summary s;
  for (int i = 0; scene && i < scene->objects->count; ++i) {
    MMesh_P* m = kvtest::MeshAt(scene, i);
    if (!m) continue;
    for (int f = 0; f < m->Get_Face_Count(); ++f) {
      const MIPolygon& face = m->Get_IFace(f);
      ++s.faces;
      if (face.count < 3) continue;  // a line or a point is no face to bound
      s.triangles += face.count - 2;
      for (int k = 0; k < face.count; ++k) s.Add(m->Get_Vertex(face.data[k]));
    }
  }
  return s;
}

long Triangles(MScene* scene, bool drop_flat) {
  long n = 0;
  std::vector<MVector3> pts;
  std::vector<int> tris;
  for (int i = 0; scene && i < scene->objects->count; ++i) {
    MMesh_P* m = kvtest::MeshAt(scene, i);
    if (!m) continue;
    for (int f = 0; f < m->Get_Face_Count(); ++f) {
      const MIPolygon& face = m->Get_IFace(f);
      if (face.count < 3) continue;
      if (face.count <= 4) {
        int corners = face.count;
        if (drop_flat) {
          corners = 0;
          for (int k = 0; k < face.count; ++k)
            corners += !(m->Get_Vertex(face.data[k]) == m->Get_Vertex(face.data[(k + 1) % face.count]));
        }
        n += corners >= 3 ? corners - 2 : 0;
        continue;
      }
      pts.clear();
      for (int k = 0; k < face.count; ++k) pts.push_back(m->Get_Vertex(face.data[k]));
      tris.clear();
      m_triangulate_polygon(pts.data(), face.count, tris);
      n += static_cast<long>(tris.size() / 3);
    }
  }
  return n;
}

std::string Run(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

bool HaveEzdxf() {
  static const bool have = std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0;
  return have;
}

bool HaveAssimp() {
  static const bool have = std::system("command -v assimp >/dev/null 2>&1") == 0;
  return have;
}

std::string EzdxfScript(const std::string& args) {
  const std::string script = (kvtest::source_dir() / "plugins/dxf/tests/ezdxf_reference.py").string();
  return Run("/usr/bin/python3 '" + script + "' " + args + " 2>&1");
}

namespace {

// Reads "triangles N" and "bounds ..." lines; true when a count was there.
bool ParseCount(const std::string& text, Summary* out) {
  std::istringstream in(text);
  std::string word;
  bool counted = false;
  while (in >> word) {
    if (word == "triangles") {
      counted = static_cast<bool>(in >> out->triangles);
    } else if (word == "bounds") {
      for (double& v : out->lo) in >> v;
      for (double& v : out->hi) in >> v;
    }
  }
  return counted;
}

}  // namespace

bool EzdxfSummary(const std::string& path, Summary* out) { return ParseCount(EzdxfScript("count '" + path + "'"), out); }

std::string EzdxfAudit(const std::string& path, Summary* count) {
  const std::string out = EzdxfScript("check '" + path + "'");
  const std::string clean = "errors 0\nfixes 0\n";
  if (out.rfind(clean, 0) != 0) return out.empty() ? "ezdxf gave nothing" : out;
  if (count && !ParseCount(out.substr(clean.size()), count)) return out;
  return out.compare(clean.size(), 10, "triangles ") == 0 ? "" : out;
}

bool AssimpSummary(const std::string& path, Summary* out) {
  std::istringstream in(Run("assimp info '" + path + "' 2>/dev/null"));
  std::string line;
  bool any = false;
  while (std::getline(in, line)) {
    double a, b, c;
    if (std::sscanf(line.c_str(), "Minimum point (%lf %lf %lf)", &a, &b, &c) == 3) {
      out->lo[0] = a, out->lo[1] = b, out->lo[2] = c;
    } else if (std::sscanf(line.c_str(), "Maximum point (%lf %lf %lf)", &a, &b, &c) == 3) {
      out->hi[0] = a, out->hi[1] = b, out->hi[2] = c;
      any = true;
    } else if (line.find("| triangle]") != std::string::npos) {
      // "    1 (name): [266 / 0 / 528 | triangle]"
      const size_t open = line.find(": [");
      long v = 0, bones = 0, faces = 0;
      if (open != std::string::npos && std::sscanf(line.c_str() + open + 3, "%ld / %ld / %ld", &v, &bones, &faces) == 3)
        out->triangles += faces;
    }
  }
  return any;
}

bool SameBoundsUpToAxisTurn(const Summary& ours, const Summary& assimp, double tol) {
  auto near = [tol](double a, double b) { return std::fabs(a - b) <= tol * (1.0 + std::fabs(a)); };
  // Identity, or (x, z, -y): Z up turned to Y up.
  bool same = true, turned = true;
  for (int k = 0; k < 3; ++k) same &= near(ours.lo[k], assimp.lo[k]) && near(ours.hi[k], assimp.hi[k]);
  turned = near(ours.lo[0], assimp.lo[0]) && near(ours.hi[0], assimp.hi[0]) && near(ours.lo[2], assimp.lo[1]) &&
           near(ours.hi[2], assimp.hi[1]) && near(-ours.hi[1], assimp.lo[2]) && near(-ours.lo[1], assimp.hi[2]);
  return same || turned;
}

std::string Slurp(const std::string& path) { return kvtest::read_file(path); }

}  // namespace kvdxftest
