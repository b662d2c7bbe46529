// PLY import, ASCII and binary of either byte order: the vertex element
// (positions, normals, texture coordinates) and the face element (index
// lists of any size) become one mesh; other elements are read past.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "plugin_framework.h"
#include "ply_format.h"
#include "ply_options.h"

namespace {

const char kTitle[] = "PLY Import Plugin 1.0";
const char kHelp[] =
    "PLY Import Plugin 1.0\n\nImports *.ply, polygon files in ASCII or binary\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\n";

std::vector<std::string> Words(const char* s) {
  std::vector<std::string> out;
  while (*s) {
    while (*s == ' ' || *s == '\t') ++s;
    const char* b = s;
    while (*s && *s != ' ' && *s != '\t') ++s;
    if (s > b) out.emplace_back(b, s);
  }
  return out;
}

// The header; false with the reason in *why.
bool ReadHeader(MLineReader& reader, ply::Header* h, std::string* why) {
  size_t len = 0;
  char* line = reader.Next(&len);
  if (!line || std::strcmp(line, "ply") != 0) return *why = "it does not start with \"ply\"", false;
  bool have_format = false;
  while ((line = reader.Next(&len))) {
    std::vector<std::string> w = Words(line);
    if (w.empty() || w[0] == "comment" || w[0] == "obj_info") continue;
    if (w[0] == "end_header") {
      if (!have_format) return *why = "its header has no format line", false;
      h->data_offset = static_cast<size_t>(reader.Position());
      return true;
    }
    if (w[0] == "format" && w.size() >= 2) {
      if (w[1] == "ascii") h->format = ply::Format::kAscii;
      else if (w[1] == "binary_little_endian") h->format = ply::Format::kBinaryLittle;
      else if (w[1] == "binary_big_endian") h->format = ply::Format::kBinaryBig;
      else return *why = "its format \"" + w[1] + "\" is unknown", false;
      have_format = true;
    } else if (w[0] == "element" && w.size() == 3) {
      char* end = nullptr;
      errno = 0;
      unsigned long long n = std::strtoull(w[2].c_str(), &end, 10);
      if (*end || errno || w[2][0] == '-') return *why = "element " + w[1] + " has no count", false;
      h->elements.push_back(ply::Element{w[1], n, {}});
    } else if (w[0] == "property" && !h->elements.empty()) {
      ply::Property p;
      bool ok = false;
      if (w.size() == 5 && w[1] == "list") {
        p.list = true;
        p.name = w[4];
        ok = ply::ParseType(w[2].c_str(), &p.count_type) && ply::ParseType(w[3].c_str(), &p.type) &&
             p.count_type != ply::Type::kFloat32 && p.count_type != ply::Type::kFloat64;
      } else if (w.size() == 3) {
        p.name = w[2];
        ok = ply::ParseType(w[1].c_str(), &p.type);
      }
      if (!ok) return *why = std::string("its header line \"") + line + "\" is no property", false;
      h->elements.back().properties.push_back(p);
    } else {
      return *why = std::string("its header line \"") + line + "\" is unknown", false;
    }
  }
  return *why = "its header has no end_header line", false;
}

// Binary data: every read bounded.
class BinarySource {
 public:
  explicit BinarySource(MBinReader in) : in_(in) {}
  bool NextRecord() { return in_.Ok(); }
  double Read(ply::Type t) {
    switch (t) {
      case ply::Type::kInt8: return in_.I8();
      case ply::Type::kUInt8: return in_.U8();
      case ply::Type::kInt16: return in_.I16();
      case ply::Type::kUInt16: return in_.U16();
      case ply::Type::kInt32: return in_.I32();
      case ply::Type::kUInt32: return in_.U32();
      case ply::Type::kFloat32: return in_.F32();
      case ply::Type::kFloat64: return in_.F64();
    }
    return 0;
  }
  // n items of type t are still there.
  bool Holds(double n, ply::Type t) const { return n <= static_cast<double>(in_.Left() / ply::TypeSize(t)); }
  bool Ok() const { return in_.Ok(); }
  size_t Left() const { return in_.Left(); }
  std::string Where() const { return "byte " + std::to_string(in_.Pos()); }

 private:
  MBinReader in_;
};

// ASCII data: one record per line.
class AsciiSource {
 public:
  explicit AsciiSource(MLineReader& reader) : reader_(reader) {}
  bool NextRecord() {
    size_t len = 0;
    char* line;
    do {
      line = reader_.Next(&len);
      if (!line) return ok_ = false;
    } while (len == 0);
    if (values_.size() < len / 2 + 1) values_.resize(len / 2 + 1);
    count_ = static_cast<size_t>(m_scan_numbers(line, len, values_.data(), static_cast<int>(values_.size())));
    at_ = 0;
    return true;
  }
  double Read(ply::Type) {
    if (at_ < count_) return values_[at_++];
    ok_ = false;
    return 0;
  }
  bool Holds(double n, ply::Type) const { return n <= static_cast<double>(count_ - at_); }
  bool Ok() const { return ok_; }
  std::string Where() const { return "line " + std::to_string(reader_.LineNumber()); }

 private:
  MLineReader& reader_;
  std::vector<double> values_;
  size_t count_ = 0, at_ = 0;
  bool ok_ = true;
};

// What a vertex property is for.
enum Slot { kSkip = -1, kX, kY, kZ, kNX, kNY, kNZ, kU, kV, kColour, kSlots };

Slot VertexSlot(const std::string& n) {
  static const char* const kNames[][4] = {{"x"}, {"y"}, {"z"}, {"nx"}, {"ny"}, {"nz"},
                                          {"u", "s", "texture_u", "texture_s"},
                                          {"v", "t", "texture_v", "texture_t"},
                                          {"red", "green", "blue", "alpha"}};
  for (int s = 0; s < kSlots; ++s)
    for (const char* name : kNames[s])
      if (name && n == name) return static_cast<Slot>(s);
  return kSkip;
}

struct Reading {
  kvpf::ImportRun& run;
  MMesh_P* mesh;
  int64_t vertex_count = 0;
  bool normals = false, uvs = false;
  long short_faces = 0;
};

template <class Source>
bool SkipList(Source& src, const ply::Property& p) {
  double n = src.Read(p.count_type);
  if (!(n >= 0) || !src.Holds(n, p.type)) return false;
  for (double i = 0; i < n; ++i) src.Read(p.type);
  return true;
}

template <class Source>
bool ReadVertices(Source& src, const ply::Element& e, Reading& r) {
  std::vector<Slot> slots;
  for (const ply::Property& p : e.properties) slots.push_back(p.list ? kSkip : VertexSlot(p.name));
  MMesh_P* m = r.mesh;
  for (uint64_t i = 0; i < e.count; ++i) {
    if (!src.NextRecord()) return false;
    double v[kSlots] = {};
    for (size_t k = 0; k < slots.size(); ++k) {
      const ply::Property& p = e.properties[k];
      if (p.list) {
        if (!SkipList(src, p)) return false;
        continue;
      }
      double x = src.Read(p.type);
      if (slots[k] != kSkip) v[slots[k]] = x;
    }
    if (!src.Ok()) return false;
    m->v_a->Add(MVector3(v[kX], v[kY], v[kZ]));
    if (r.normals) m->nv_a->Add(MVector3(v[kNX], v[kNY], v[kNZ]));
    if (r.uvs) m->uv_a->Add(MVector3(v[kU], v[kV], 0));
    if (r.run.cb() && (i & 0xFFFF) == 0) r.run.cb()->progress1(static_cast<long>(i), static_cast<long>(e.count));
  }
  return true;
}

template <class Source>
bool ReadFaces(Source& src, const ply::Element& e, Reading& r, std::string* why) {
  std::vector<int32_t> corners;
  MMesh_P* m = r.mesh;
  for (uint64_t i = 0; i < e.count; ++i) {
    if (!src.NextRecord()) return false;
    corners.clear();
    for (const ply::Property& p : e.properties) {
      const bool indices = p.list && (p.name == "vertex_indices" || p.name == "vertex_index");
      if (!p.list) {
        src.Read(p.type);
      } else if (!indices) {
        if (!SkipList(src, p)) return false;
      } else {
        double n = src.Read(p.count_type);
        if (!(n >= 0) || !src.Holds(n, p.type)) return false;
        for (double k = 0; k < n; ++k) {
          double x = src.Read(p.type);
          if (!(x >= 0 && x < static_cast<double>(r.vertex_count))) {
            // Any number may stand there, far beyond what an integer holds.
            char text[40];
            std::snprintf(text, sizeof text, "%.15g", x);
            *why = "face " + std::to_string(i) + " refers to vertex " + text + " of " + std::to_string(r.vertex_count);
            return false;
          }
          corners.push_back(static_cast<int32_t>(x));
        }
      }
    }
    if (!src.Ok()) return false;
    if (corners.size() < 3) {
      ++r.short_faces;
      continue;
    }
    const int n = static_cast<int>(corners.size());
    m->f_a->Add(corners.data(), n, 0);
    if (r.normals) m->nf_a->Add(corners.data(), n, 0);
    if (r.uvs) m->uvf_a->Add(corners.data(), n, 0);
  }
  return true;
}

template <class Source>
bool ReadBody(Source& src, const ply::Header& h, Reading& r, std::string* why) {
  for (const ply::Element& e : h.elements) {
    bool ok;
    if (e.name == "vertex") {
      ok = ReadVertices(src, e, r);
    } else if (e.name == "face") {
      ok = ReadFaces(src, e, r, why);
    } else {
      ok = true;
      for (uint64_t i = 0; ok && i < e.count; ++i) {
        ok = src.NextRecord();
        for (const ply::Property& p : e.properties) {
          if (!ok) break;
          if (p.list) ok = SkipList(src, p);
          else src.Read(p.type);
        }
        ok = ok && src.Ok();
      }
    }
    if (!ok) {
      if (why->empty()) *why = "element " + e.name + " ends early (at " + src.Where() + ")";
      return false;
    }
  }
  return true;
}

// The fewest bytes (binary) or lines (ASCII) a record of the element needs.
size_t MinRecordSize(const ply::Element& e, bool binary) {
  if (!binary) return 1;
  size_t n = 0;
  for (const ply::Property& p : e.properties) n += ply::TypeSize(p.list ? p.count_type : p.type);
  return n;
}

void ImportPly(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  kvpf::ImportRun run(static_cast<PlyImportOption*>(base), cb, kTitle);
  MFileView file;
  if (!run.OpenInput(&file)) return;
  if (!file.StartsWith("ply", 3)) return run.Fail("%s is not a PLY file", run.path().c_str());
  FILE* f = fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "r");
  if (!f) return run.Fail("%s: cannot be read: %s", run.path().c_str(), std::strerror(errno));
  std::unique_ptr<FILE, int (*)(FILE*)> closer(f, std::fclose);
  MLineReader reader(f, MLineReader::kKeepTabs, 1 << 16);
  ply::Header h;
  std::string why;
  if (!ReadHeader(reader, &h, &why)) return run.Fail("%s is not a PLY file: %s", run.path().c_str(), why.c_str());
  // A CR LF after end_header: the LF is not yet consumed.
  if (h.data_offset < file.size() && h.data_offset > 0 && file.data()[h.data_offset - 1] == '\r' &&
      file.data()[h.data_offset] == '\n')
    ++h.data_offset;
  const bool binary = h.format != ply::Format::kAscii;
  const size_t data_size = file.size() - (h.data_offset < file.size() ? h.data_offset : file.size());

  Reading r{run, new MMesh_P(m_split_path(run.path().c_str()).fname.c_str())};
  std::unique_ptr<MMesh_P> mesh(r.mesh);
  bool colours = false;
  uint64_t faces = 0;
  for (const ply::Element& e : h.elements) {
    // A count the data cannot hold is a lying header, found before anything
    // is allocated for it.
    const size_t min = MinRecordSize(e, binary);
    if (min > 0 && e.count > data_size / min)
      return run.Fail("%s: its header counts %llu %s records, the data holds at most %zu", run.path().c_str(),
                      static_cast<unsigned long long>(e.count), e.name.c_str(), data_size / min);
    if (e.name == "vertex") {
      r.vertex_count = static_cast<int64_t>(e.count);
      for (const ply::Property& p : e.properties) {
        Slot s = VertexSlot(p.name);
        r.normals |= s == kNX;
        r.uvs |= s == kU;
        colours |= s == kColour;
      }
    } else if (e.name == "face") {
      faces = e.count;
    }
  }
  if (r.vertex_count > INT32_MAX / 2 || faces > static_cast<uint64_t>(INT32_MAX / 2))
    return run.Fail("%s: too many vertices or faces", run.path().c_str());
  if (r.normals) r.mesh->UseNormals();
  if (r.uvs) r.mesh->UseUV();
  r.mesh->v_a->Reserve(static_cast<int>(r.vertex_count));
  r.mesh->f_a->Reserve(static_cast<int>(faces));
  r.mesh->surface_refs->Append(my_strdup(ply::kDefaultSurface));

  bool ok;
  if (binary) {
    MBinReader in = file.Reader(h.format == ply::Format::kBinaryBig ? MByteOrder::kBig : MByteOrder::kLittle);
    in.Skip(h.data_offset);
    BinarySource src(in);
    ok = ReadBody(src, h, r, &why);
  } else {
    AsciiSource src(reader);
    ok = ReadBody(src, h, r, &why);
  }
  if (!ok) return run.Fail("%s: %s", run.path().c_str(), why.c_str());
  if (r.mesh->Get_Face_Count() == 0) return run.Fail("%s holds no faces", run.path().c_str());
  if (r.short_faces)
    run.Warn("%s: %ld faces of fewer than three corners were left out", run.path().c_str(), r.short_faces);
  if (colours) run.Warn("%s: the vertex colours are not kept", run.path().c_str());
  run.log().write("%s: %d vertices, %d faces\n", r.mesh->get_name(), r.mesh->Get_Vertex_Count(),
                  r.mesh->Get_Face_Count());
  scene->surfaces->Append(new MSurface(ply::kDefaultSurface));
  scene->objects->Append(mesh.release());
  run.Finish(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new PlyImportOption(argc, argv);
  return new PlyImportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  return kvpf::OptionKeyFields(static_cast<PlyImportOption*>(base)->Keys(), out, max);
}

kvpf::ImportClassDesc ply_import_desc(kvpf::ImportClassInfo{
    "PLY (*.ply)", 0x3D51C7A9u, kvpf::PluginTexts{"PLY", kHelp}, NewOptions, ImportPly, OptionFields});

PluginClassDesc* const kClasses[] = {&ply_import_desc};

}  // namespace

KV_PLUGIN_LIBRARY("PLY Import Lib", kClasses)
