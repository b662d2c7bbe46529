// Triangle list import: points and triangles into one mesh.
#include <cstdio>
#include <cstring>

#include "korvanelib.h"
#include "plugin_framework.h"
#include "tri_format.h"
#include "tri_options.h"

namespace {

const char kTitle[] = "Triangle List Import Plugin 1.0";
const char kHelp[] =
    "Triangle List Import Plugin 1.0\n\nImports *.tri: lines \"p X Y Z\" (points, numbered from 1)\n"
    "and \"t A B C\" (triangles of three point numbers).\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\n";
char kDefault[] = "DEFAULT";

// One line: a point, a triangle, or (false) neither.
bool ReadRecord(const char* s, MMesh_P* mesh, LogFile& log, long line_no) {
  double x, y, z;
  long a, b, c;
  char end;
  if (s[0] == tri::kPointTag && std::sscanf(s + 1, "%lf %lf %lf %c", &x, &y, &z, &end) == 3) {
    mesh->v_a->Add(MVector3(x, y, z));
    return true;
  }
  if (s[0] == tri::kTriangleTag && std::sscanf(s + 1, "%ld %ld %ld %c", &a, &b, &c, &end) == 3) {
    const long n = mesh->Get_Vertex_Count();
    if (a < 1 || b < 1 || c < 1 || a > n || b > n || c > n) {
      log.write("Line %ld: point number out of range 1..%ld\n", line_no, n);
      return true;
    }
    const int32_t corners[3] = {static_cast<int32_t>(a - 1), static_cast<int32_t>(b - 1),
                                static_cast<int32_t>(c - 1)};
    mesh->f_a->Add(corners, 3, 0);
    return true;
  }
  return false;
}

void ImportTri(MScene* scene, Import_FileOption* options, MessageCallBack1* cb) {
  const char* path = options->Get_Filename() ? options->Get_Filename() : "";
  LogFile log(path, options->verbose_mode == 1 ? options->logfilename : nullptr);
  log.write("%s %s %s\n", kTitle, __DATE__, __TIME__);
  scene->surfaces->Append(new MSurface(kDefault));

  FILE* f = std::fopen(path, "rb");
  if (!f) {
    log.write("File %s not found\n", path);
  } else {
    char name[M_MAX_FNAME];
    m_splitpath(path, nullptr, nullptr, name, nullptr);
    if (cb) cb->msg1("Working on: %s", name);
    MMesh_P* mesh = new MMesh_P(name);
    mesh->surface_refs->Append(my_strdup(kDefault));
    const long total = m_filesize(f);
    char line[tri::kMaxLine];
    long line_no = 0;
    while (m_read_line(line, sizeof line, f)) {
      ++line_no;
      const char* s = line + std::strspn(line, " ");
      if (std::strlen(line) == sizeof line - 1) {
        m_skip_line(f);
        log.write("Line %ld: too long, skipped\n", line_no);
      } else if (*s && *s != tri::kCommentMark && !ReadRecord(s, mesh, log, line_no)) {
        log.write("Line %ld: not a point or triangle\n", line_no);
      }
      if (cb) cb->progress1(m_filepos(f), total);
    }
    std::fclose(f);
    log.write("Points: %d\nTriangles: %d\n", mesh->Get_Vertex_Count(), mesh->Get_Face_Count());
    if (mesh->Get_Face_Count() > 0) {
      scene->objects->Append(mesh);
    } else {
      delete mesh;
    }
  }

  scene->CalculateBoundingBox();
  MMake_Default_Cam(scene);
  MMake_Default_Light(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new TriImportOption(argc, argv);
  return new TriImportOption();
}

// A ClassID of its own: no two classes that are loaded together may share one.
kvpf::ImportClassDesc tri_import_desc(kvpf::ImportClassInfo{
    "Triangle List (*.tri)", 0x3C71A0E5u, kvpf::PluginTexts{"TRI", kHelp}, NewOptions, ImportTri, nullptr});

PluginClassDesc* const kClasses[] = {&tri_import_desc};

}  // namespace

KV_PLUGIN_LIBRARY("Triangle List Import Lib", kClasses)
