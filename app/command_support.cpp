#include "command_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "conversion.h"
#include "korvanelib.h"
#include "plugin_host.h"

namespace kvcli {
namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool KindFits(PluginClassDesc* d, ClassKind kind) {
  if (!d) return false;
  int super = d->SuperClassID();
  switch (kind) {
    case ClassKind::Import: return super == MESH_IMPORT_CLASS_ID;
    case ClassKind::Export: return super == MESH_EXPORT_CLASS_ID;
    case ClassKind::Any: return super == MESH_IMPORT_CLASS_ID || super == MESH_EXPORT_CLASS_ID;
  }
  return false;
}

const char* KindWord(ClassKind kind) {
  switch (kind) {
    case ClassKind::Import: return "import class";
    case ClassKind::Export: return "export class";
    case ClassKind::Any: return "class";
  }
  return "class";
}

std::string NameOf(PluginClassDesc* d) {
  const char* n = d->ClassName();
  return n ? n : "";
}

// "0x1A1954B9" as a ClassID; false when text is not such a number.
bool ParseClassId(const std::string& text, uint32_t& id) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') || text.size() > 10) return false;
  uint32_t v = 0;
  for (size_t i = 2; i < text.size(); ++i) {
    char c = text[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  id = v;
  return true;
}

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Unicode code point of a Windows-1252 byte.
std::string JsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::string FileExtension(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  size_t start = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < start) return "";
  return path.substr(dot);
}

int ResolveClass(PluginRegistry& registry, const std::string& text, ClassKind kind, std::string& err) {
  int n = registry.ClassCount();
  int other_kind = -1;
  for (int i = 0; i < n; ++i) {
    PluginClassDesc* d = registry.GetClass(i);
    if (!d || NameOf(d) != text) continue;
    if (KindFits(d, kind)) return i;
    if (other_kind < 0) other_kind = i;
  }
  // A whole ClassName means that class: never another one that merely
  // contains it in other letter case.
  if (other_kind >= 0) {
    err = Quote(text) + " is no " + KindWord(kind);
    return -1;
  }
  uint32_t id = 0;
  if (ParseClassId(text, id)) {
    for (int i = 0; i < n; ++i) {
      PluginClassDesc* d = registry.GetClass(i);
      if (KindFits(d, kind) && d->ClassID() == id) return i;
    }
    err = std::string("no ") + KindWord(kind) + " has the ClassID " + text;
    return -1;
  }
  std::string needle = Lower(text);
  std::vector<int> hits;
  for (int i = 0; i < n; ++i) {
    PluginClassDesc* d = registry.GetClass(i);
    if (KindFits(d, kind) && Lower(NameOf(d)).find(needle) != std::string::npos) hits.push_back(i);
  }
  if (hits.size() == 1) return hits[0];
  if (hits.empty()) {
    err = std::string("no ") + KindWord(kind) + " fits " + Quote(text) + " (see korvane-cli classes)";
    return -1;
  }
  err = Quote(text) + " fits more than one " + KindWord(kind) + ":";
  for (size_t k = 0; k < hits.size(); ++k) {
    err += (k ? ", " : " ") + Quote(NameOf(registry.GetClass(hits[k])));
  }
  err += "; give the whole ClassName or the ClassID";
  return -1;
}

bool ClassNameHolds(PluginClassDesc* d, const std::string& ext) {
  if (!d || ext.size() < 2) return false;
  std::string pattern = '*' + Lower(ext);
  std::string name = Lower(NameOf(d));
  for (size_t at = name.find(pattern); at != std::string::npos; at = name.find(pattern, at + 1)) {
    size_t end = at + pattern.size();
    // "*.m" must not match a class of "*.md2".
    if (end >= name.size() || !IsNameChar(name[end])) return true;
  }
  return false;
}

int ExportClassForPath(PluginRegistry& registry, const std::string& path, std::string& err) {
  std::string ext = FileExtension(path);
  if (ext.size() < 2) {
    err = "no export class fits " + Quote(path) + ": it has no extension; name one with --to CLASS";
    return -1;
  }
  for (int i = 0; i < registry.ClassCount(); ++i) {
    PluginClassDesc* d = registry.GetClass(i);
    if (KindFits(d, ClassKind::Export) && ClassNameHolds(d, ext)) return i;
  }
  err = "no export class fits " + Quote(path) + ": no ClassName holds " + Quote("*" + ext) +
        "; name one with --to CLASS";
  return -1;
}

int CheckReadable(const std::string& path, std::string& why) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    why = std::strerror(errno);
    return 0;
  }
  if (S_ISDIR(st.st_mode)) {
    why = "it is a directory";
    return 0;
  }
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) {
    why = std::strerror(errno);
    return 0;
  }
  close(fd);
  return 1;
}

std::string WriteProblem(const std::string& path) {
  std::string dir = DirectoryOf(path);
  struct stat st;
  if (stat(dir.c_str(), &st) != 0) return "folder " + Quote(dir) + ": " + std::strerror(errno);
  if (!S_ISDIR(st.st_mode)) return Quote(dir) + " is not a folder";
  if (access(dir.c_str(), W_OK | X_OK) != 0) return "folder " + Quote(dir) + ": " + std::strerror(errno);
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Quote(path) + " is a directory";
    if (access(path.c_str(), W_OK) != 0) return Quote(path) + ": " + std::strerror(errno);
  }
  return "the file could not be created";
}

SceneInfo CollectInfo(ConversionDriver& driver) {
  SceneInfo info;
  SceneStatistics s = driver.Statistics();
  info.scenes = s.scenes;
  info.objects = s.objects;
  info.faces = s.faces;
  info.vertices = s.vertices;
  info.cameras = s.cameras;
  info.lights = s.lights;
  info.materials = s.materials;
  info.images = s.images;
  info.triangles = driver.TriangleCount();
  MVector3 lo, hi;
  if (driver.Bounds(lo, hi)) {
    info.bounds[0] = lo.x;
    info.bounds[1] = lo.y;
    info.bounds[2] = lo.z;
    info.bounds[3] = hi.x;
    info.bounds[4] = hi.y;
    info.bounds[5] = hi.z;
  }
  info.object_lines = driver.ObjectList();
  return info;
}

std::string InfoText(const SceneInfo& info) {
  std::string out;
  char buf[512];
  const std::pair<const char*, long> counts[] = {
      {"scenes", info.scenes},       {"objects", info.objects}, {"faces", info.faces},
      {"vertices", info.vertices},   {"cameras", info.cameras}, {"lights", info.lights},
      {"materials", info.materials}, {"images", info.images},   {"triangles", info.triangles}};
  for (const auto& c : counts) {
    std::snprintf(buf, sizeof buf, "%s: %ld\n", c.first, c.second);
    out += buf;
  }
  std::snprintf(buf, sizeof buf, "bounds: %g %g %g %g %g %g\n", info.bounds[0], info.bounds[1], info.bounds[2],
                info.bounds[3], info.bounds[4], info.bounds[5]);
  out += buf;
  for (const std::string& line : info.object_lines) {
    out += line;
    out += '\n';
  }
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return m_cp1252_to_utf8(out);
}

std::string InfoJson(const SceneInfo& info) {
  std::string out = "{";
  const std::pair<const char*, long> counts[] = {
      {"scenes", info.scenes},       {"objects", info.objects}, {"faces", info.faces},
      {"vertices", info.vertices},   {"cameras", info.cameras}, {"lights", info.lights},
      {"materials", info.materials}, {"images", info.images},   {"triangles", info.triangles}};
  for (const auto& c : counts) {
    out += JsonString(c.first);
    out += ": ";
    out += std::to_string(c.second);
    out += ", ";
  }
  out += "\"bounds\": [";
  for (int i = 0; i < 6; ++i) {
    if (i) out += ", ";
    out += JsonNumber(info.bounds[i]);
  }
  out += "], \"object_list\": [";
  for (size_t i = 0; i < info.object_lines.size(); ++i) {
    if (i) out += ", ";
    out += JsonString(info.object_lines[i]);
  }
  out += "]}\n";
  return out;
}

std::string LossTable(const std::vector<ExportLoss>& losses, bool accounted) {
  if (!accounted) return "the export class does not report what it could not keep\n";
  if (losses.empty()) return "nothing lost\n";
  // Long names widen the first column up to a point, then run over.
  size_t name_width = 6, label_width = 4;
  for (const ExportLoss& l : losses) {
    name_width = std::max(name_width, std::min<size_t>(l.object.size(), 40));
    label_width = std::max(label_width, std::strlen(KvLossLabel(l.kind)));
  }
  auto row = [&](const std::string& a, const char* b, const std::string& c) {
    std::string r = a;
    r.append(name_width > a.size() ? name_width - a.size() : 0, ' ');
    r += "  ";
    r += b;
    r.append(label_width - std::strlen(b), ' ');
    r += "  ";
    r.append(c.size() < 5 ? 5 - c.size() : 0, ' ');
    r += c;
    r += '\n';
    return r;
  };
  std::string out = row("object", "lost", "count");
  for (const ExportLoss& l : losses) out += row(l.object, KvLossLabel(l.kind), std::to_string(l.count));
  return out;
}

std::string ConvertJson(const std::vector<std::string>& written, const std::vector<ExportLoss>& losses,
                        bool accounted) {
  std::string out = "{\"written\": [";
  for (size_t i = 0; i < written.size(); ++i) {
    if (i) out += ", ";
    out += JsonString(written[i]);
  }
  out += "], \"losses\": ";
  if (!accounted) {
    out += "null}\n";
    return out;
  }
  out += "[";
  for (size_t i = 0; i < losses.size(); ++i) {
    const ExportLoss& l = losses[i];
    if (i) out += ", ";
    out += "{\"object\": " + JsonString(l.object) + ", \"lost\": " + JsonString(KvLossLabel(l.kind)) +
           ", \"count\": " + std::to_string(l.count) + "}";
  }
  out += "]}\n";
  return out;
}

std::string CommonHelp(bool import_help, bool export_help) {
  std::string out;
  if (import_help) out += Import_FileOption::Get_HelpString();
  if (export_help) {
    out += Export_FileOption::Get_HelpString();
    out += MIHandler::get_imgconvhelpstring();
  }
  return out;
}

}  // namespace kvcli
