// RAW export: every mesh and solid of a scene as triangle lines.
#include <cstdio>
#include <cstring>

#include "korvanelib.h"
#include "plugin_framework.h"
#include "raw_options.h"
#include "raw_text.h"

namespace {

const char kTitle[] = "RAW Export Plugin 1.0";
const char kHelp[] =
    "Raw Export Plugin 1.0\n\nExports *.raw, generic ASCII file\n\nCommon Settings:\n\n\tVerbose: enable detailed "
    "logging\n\tLog File name: enter new log file name\n\tSubDir: adds import filename as sub dir to full export "
    "file name\n\nSpecific Settings:\n\n\tSmooth flag: enables smoothed raw output\n\n";

// Buffered output with the exporter's line delimiter: "\n" becomes CR LF
// (0, DOS), LF (1, UNIX), CR (2, MAC) or nothing (any other mode), as
// m_fprintf writes it. Lines are never cut, whatever their length.
class Output {
 public:
  Output(FILE* f, int ld_mode) : f_(f), ld_mode_(ld_mode) {}
  ~Output() { Flush(); }
  void Put(const char* s, size_t n) {
    if (n > sizeof buf_ - used_) Flush();
    if (n > sizeof buf_) {
      if (std::fwrite(s, 1, n, f_) != n) failed_ = true;
      return;
    }
    std::memcpy(buf_ + used_, s, n);
    used_ += n;
  }
  void Put(char c) {
    if (used_ == sizeof buf_) Flush();
    buf_[used_++] = c;
  }
  void EndLine() {
    switch (ld_mode_) {
      case 0: Put("\r\n", 2); break;
      case 1: Put('\n'); break;
      case 2: Put('\r'); break;
      default: break;
    }
  }
  // Up to 3 values "%f %f %f"; 'lead' puts a blank in front.
  void Vector(const MVector3& v, bool lead) {
    char tmp[3 * 360];
    size_t n = 0;
    if (lead) tmp[n++] = ' ';
    n += static_cast<size_t>(kvraw::FormatFixed6(v.x, tmp + n));
    tmp[n++] = ' ';
    n += static_cast<size_t>(kvraw::FormatFixed6(v.y, tmp + n));
    tmp[n++] = ' ';
    n += static_cast<size_t>(kvraw::FormatFixed6(v.z, tmp + n));
    Put(tmp, n);
  }
  void Flush() {
    if (used_ && std::fwrite(buf_, 1, used_, f_) != used_) failed_ = true;
    used_ = 0;
  }
  bool failed() const { return failed_; }

 private:
  FILE* f_;
  int ld_mode_;
  char buf_[1 << 16];
  size_t used_ = 0;
  bool failed_ = false;
};

inline bool IsDigitStart(const char* s) { return *s >= '0' && *s <= '9'; }

bool IsIdentity(const MMatrix& M) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (M.m[r][c] != (r == c ? 1.0 : 0.0)) return false;
  return true;
}

bool AllTriangles(MMesh_P* m) {
  int n = m->Get_Face_Count();
  for (int i = 0; i < n; ++i)
    if (m->Get_VertexperFace_Count(i) != 3) return false;
  if (m->NormalsUsed()) {
    if (m->Get_NFace_Count() != n) return false;
    for (int i = 0; i < n; ++i)
      if (m->Get_NVertexperFace_Count(i) != 3) return false;
  }
  return true;
}

void WriteMesh(Output& out, MMesh_P* m, const MMatrix& M, const char* name, int smoothed, LogFile& log,
               MessageCallBack1* cb) {
  const char* nm = name ? name : "";
  log.write("Working on: %s\n", nm);
  // The name line, cut to 1023 characters; a leading digit would read back
  // as a triangle, and a control character would break the line apart.
  char line[1025];
  size_t n = 0;
  if (IsDigitStart(nm)) line[n++] = '_';
  for (const char* p = nm; *p && n < 1023; ++p)
    line[n++] = static_cast<unsigned char>(*p) < 32 ? '_' : *p;
  out.Put(line, n);
  out.EndLine();
  if (cb) cb->msg1("Faces ...");
  int faces = m->Get_Face_Count();
  bool normals = smoothed && m->NormalsUsed() && m->Get_NFace_Count() >= faces;
  // Multiplying by the identity would turn -0 into 0 and change the text of
  // a round trip; an untransformed object is written as it is.
  bool identity = IsIdentity(M);
  MVector3 a, b, c;
  for (int i = 0; i < faces; ++i) {
    if (cb) cb->progress3(i, faces);
    if (m->Get_VertexperFace_Count(i) < 3) continue;
    m->Get_Tri(i, a, b, c);
    out.Vector(identity ? a : M.Transform(a), false);
    out.Vector(identity ? b : M.Transform(b), true);
    out.Vector(identity ? c : M.Transform(c), true);
    if (normals && m->Get_NVertexperFace_Count(i) >= 3) {
      m->Get_NTri(i, a, b, c);
      out.Vector(vect_normalize(identity ? a : M.NTransform(a)), true);
      out.Vector(vect_normalize(identity ? b : M.NTransform(b)), true);
      out.Vector(vect_normalize(identity ? c : M.NTransform(c)), true);
    }
    out.EndLine();
  }
}

int ExportRaw(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  RawExportOption* o = static_cast<RawExportOption*>(base);
  char path[1024], dir[1024];
  kvpf::BuildOutputPath(o, path, dir, 1);
  LogFile log(dir, o->verbose_mode == 1 ? o->logfilename : nullptr);
  log.write("%s %s %s %s\n", kTitle, __DATE__, __TIME__, "VC++50");
  log.write("Options:\n");
  if (log.Get_FILE()) {
    o->Print_Options(log.Get_FILE());
    std::fflush(log.Get_FILE());
  }
  log.write("\t raw_smoothed: %d\n", o->smoothed);
  log.write("\n");

  FILE* f = std::fopen(path, "wb");
  if (!f) {
    log.write("Cannot open file %s \n", path);
    return 0;
  }
  log.write("Writing %s started ...\n", path);
  if (cb) cb->msg1("Mesh");
  if (cb) cb->progress1(0, 1);

  bool ok = true;
  {
    Output out(f, o->ld_mode);
    int count = scene->objects ? scene->objects->count : 0;
    for (int i = 0; i < count; ++i) {
      MObj3d* obj = static_cast<MObj3d*>(scene->objects->GetAt(i));
      if (!obj) continue;
      if (cb) cb->msg2("%s", obj->get_name() ? obj->get_name() : "");
      if (cb) cb->progress2(i, count);
      MMatrix M = obj->transformation.local;
      if (obj->get_type() == OREF) {
        // An instance: the object it names, placed with the instance's matrix.
        MObj3d* target = scene->GetObjectbyName(static_cast<MRefObj*>(obj)->Get_RefName());
        if (!target || target->get_type() == OREF) continue;
        obj = target;
      }
      if (obj->get_type() == MESH2) {
        MMesh_P* mesh = static_cast<MMesh_P*>(obj);
        MMesh_P* tri = mesh;
        // A mesh of triangles only is its own triangulation: writing it
        // directly gives the same lines without a second copy in memory.
        if (!AllTriangles(mesh)) {
          MMesh_P* cached = static_cast<MMesh_P*>(scene->GetTriObjectbyName(mesh->get_name()));
          if (cached) {
            tri = cached;
          } else {
            if (cb) cb->msg3("Triangulating ...");
            MMesh_P* made = mesh->Triangulate(cb ? cb->progress3 : nullptr);
            if (cb) cb->msg3("");
            if (made && made->Get_Face_Count() > 0) {
              scene->tri_objects->Append(made);
              tri = made;
            } else {
              delete made;  // nothing to write from: the mesh itself is written
            }
          }
        }
        WriteMesh(out, tri, M, obj->get_name(), o->smoothed, log, cb);
      } else if (obj->get_type() == TSOLID) {
        MMesh_P* temp = static_cast<MSolid*>(obj)->Get_Mesh();
        if (temp) {
          WriteMesh(out, temp, M, obj->get_name(), o->smoothed, log, cb);
          delete temp;
        }
      }
    }
    out.Flush();
    ok = !out.failed();
  }
  if (!kvpf::CloseOutput(f, ok, log, path)) return 0;
  log.write("Writing %s finished       \n", path);
  return 1;
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new RawExportOption(argc, argv);
  return new RawExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  if (max < 1) return 0;
  RawExportOption* o = static_cast<RawExportOption*>(base);
  out[0] = KvOptionField{1030, "Smoothed Raw", KV_FIELD_FLAG, &o->smoothed, sizeof o->smoothed};
  return 1;
}

kvpf::ExportClassDesc raw_export_desc(kvpf::ExportClassInfo{
    "Raw (*.raw)", 0x38B21086u, kvpf::PluginTexts{"Raw", kHelp}, NewOptions, ExportRaw, OptionFields});

PluginClassDesc* const kClasses[] = {&raw_export_desc};

}  // namespace

KV_PLUGIN_LIBRARY("Raw Export Lib", kClasses)
