// RAW import: one triangle per line, grouped into named objects.
#include <cmath>
#include <cstdio>
#include <memory>
#include <cstring>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "plugin_framework.h"
#include "raw_options.h"

namespace {

const char kTitle[] = "RAW Import Plugin 1.0";
const char kHelp[] =
    "RAW Import Plugin 1.0\n\nImports *.raw, a generic triangle format \nsupports both nonsmoothed/smoothed\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\n"
    "Specific Settings:\n\nweld_tol: Vertex welding tolerance (-1 = disable)\n\n";
char kDefault[] = "DEFAULT";

enum LineKind { kEmpty, kComment, kName, kTriangle };

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What a line is, after its leading blanks: only a digit, or '-' and a
// digit, starts a triangle.
inline LineKind Classify(const char* s) {
  if (!*s) return kEmpty;
  if (s[0] == '/' && s[1] == '/') return kComment;
  if (IsDigit(s[0]) || (s[0] == '-' && IsDigit(s[1]))) return kTriangle;
  return kName;
}

inline const char* SkipBlanks(const char* s) {
  while (*s == ' ') ++s;
  return s;
}

MMesh_P* NewMesh(const char* name) {
  MMesh_P* m = new MMesh_P(name);
  m->UseNormals();
  m->surface_refs->Append(my_strdup(kDefault));
  return m;
}

// The arrays grow by doubling; a finished object gives the unused half back,
// so that a large file does not hold up to twice the memory it needs.
void ShrinkMesh(MMesh_P* m) {
  m->v_a->ShrinkToFit();
  m->f_a->ShrinkToFit();
  m->nv_a->ShrinkToFit();
  m->nf_a->ShrinkToFit();
}

void LogCounts(LogFile& log, MMesh_P* m) {
  log.write("Vertices: %d\n", m->Get_Vertex_Count());
  log.write("Faces: %d\n", m->Get_Face_Count());
  log.write("Normal Vertices: %d\n", m->Get_NVertex_Count());
  log.write("Normal Faces: %d\n", m->Get_NFace_Count());
}

// Ends the current object: kept when it has faces, destroyed otherwise.
void FinishMesh(MScene* scene, MMesh_P*& m, LogFile& log, bool dump) {
  if (!m) return;
  if (m->Get_Face_Count() > 0) {
    ShrinkMesh(m);
    scene->objects->Append(m);
    LogCounts(log, m);
    if (dump && log.Get_FILE()) m->Dump(log.Get_FILE());
  } else {
    delete m;
  }
  m = nullptr;
}

void CopyName(char* out, size_t size, const char* name) {
  size_t n = strnlen(name, size - 1);
  std::memcpy(out, name, n);
  out[n] = 0;
}

void ImportRaw(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  RawImportOption* o = static_cast<RawImportOption*>(base);
  kvpf::ImportRun run(o, cb, kTitle);
  LogFile& log = run.log();
  scene->surfaces->Append(new MSurface(kDefault));

  FILE* f = run.OpenInputStream();
  if (!f) return;
  if (m_text_looks_binary(f)) {
    std::fclose(f);
    return run.Fail("%s is not a RAW file: it holds binary data", run.path().c_str());
  }
  long total = m_filesize(f);
  const double tol = o->weld_tol;

  char name[1024] = "NONAME";
  MMesh_P* mesh = NewMesh(name);
  // A positive tolerance welds; 0, -1 or any other value keeps every vertex.
  const bool welding = tol > 0 && std::isfinite(tol);
  std::unique_ptr<MGridWeld> weld, nweld;
  auto start_weld = [&] {
    if (!welding) return;
    weld = std::make_unique<MGridWeld>(mesh->v_a, tol);
    nweld = std::make_unique<MGridWeld>(mesh->nv_a, tol);
  };
  start_weld();
  if (cb) cb->msg1("Working on: %s", name);
  log.write("Working on: %s\n", name);
  MLineReader reader(f, MLineReader::kDropTabs);
  if (cb) cb->progress1(reader.Position(), total);

  long line_no = 0;
  double v[18];
  size_t len = 0;
  for (;;) {
    char* line = reader.Next(&len);
    if (!line) {
      FinishMesh(scene, mesh, log, false);
      break;
    }
    ++line_no;
    // Decimal commas: every ',' of the line becomes '.'.
    for (char* c = static_cast<char*>(std::memchr(line, ',', len)); c;
         c = static_cast<char*>(std::memchr(c + 1, ',', len - static_cast<size_t>(c + 1 - line))))
      *c = '.';
    const char* s = SkipBlanks(line);
    LineKind kind = Classify(s);
    if (kind == kName) {
      FinishMesh(scene, mesh, log, true);
      CopyName(name, sizeof name, s);
      if (cb) cb->msg1("Working on: %s", name);
      log.write("Working on: %s\n", name);
      mesh = NewMesh(name);
      start_weld();
    } else if (kind == kTriangle) {
      int n = m_scan_numbers(s, len - static_cast<size_t>(s - line), v, 18);
      if (n != 9 && n != 18) {
        log.write("Error found at line %ld\n", line_no);
        FinishMesh(scene, mesh, log, true);
        // Lines are told apart only by their first character: a bad line in
        // a text file is a damaged RAW file, kept as far as it was read.
        run.Warn("%s: reading stopped at line %ld, which holds %d numbers, not 9 or 18", run.path().c_str(),
                 line_no, n);
        break;
      }
      MVector3 a(v[0], v[1], v[2]), b(v[3], v[4], v[5]), c(v[6], v[7], v[8]);
      MVector3 na, nb, nc;
      if (n == 9) {
        na = nb = nc = vect_normalize(vect_cross(b - a, c - a));
      } else {
        na = MVector3(v[9], v[10], v[11]);
        nb = MVector3(v[12], v[13], v[14]);
        nc = MVector3(v[15], v[16], v[17]);
      }
      if (weld) {
        // Same result as Add_Tri/Add_NTri with the tolerance, found
        // through a grid instead of a scan of every vertex.
        int32_t fv[3] = {weld->Add(a), weld->Add(b), weld->Add(c)};
        mesh->f_a->Add(fv, 3, 0);
        int32_t g[3] = {nweld->Add(na), nweld->Add(nb), nweld->Add(nc)};
        mesh->nf_a->Add(g, 3, 0);
      } else {
        // A tolerance of 0 or below never matches: skip the scan.
        const double plain_tol = tol > 0 ? tol : -1.0;
        mesh->Add_Tri(a, b, c, 0, plain_tol);
        mesh->Add_NTri(na, nb, nc, 0, plain_tol);
      }
      mesh->Set_Face_MatId(mesh->Get_Face_Count() - 1, 0);
    }
    // Every 4096th line: a few hundred calls for a million triangles.
    if (cb && (line_no & 4095) == 0) cb->progress1(reader.Position(), total);
  }
  if (cb) cb->progress1(reader.Position(), total);
  std::fclose(f);
  run.Finish(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new RawImportOption(argc, argv);
  return new RawImportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  if (max < 1) return 0;
  RawImportOption* o = static_cast<RawImportOption*>(base);
  out[0] = KvOptionField{1026, "Weld Tolerance", KV_FIELD_DOUBLE, &o->weld_tol, sizeof o->weld_tol};
  return 1;
}

kvpf::ImportClassDesc raw_import_desc(kvpf::ImportClassInfo{
    "RAW (*.raw)", 0x1A1954B9u, kvpf::PluginTexts{"RAW", kHelp}, NewOptions, ImportRaw, OptionFields});

PluginClassDesc* const kClasses[] = {&raw_import_desc};

}  // namespace

KV_PLUGIN_LIBRARY("RAW Import Lib", kClasses)
