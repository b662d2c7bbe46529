// The two modifier option records: defaults, command-line keys and option
// files.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "allocator.h"
#include "cmdline.h"
#include "objmod.h"

namespace {

// Longest selection text read from an option line, and the most indices
// taken from it.
constexpr int kSelectionText = 60000;
constexpr int kMaxSelection = kSelectionText / 2;

const char kHelp1[] =
    "** Common Object Modifier Options **\n\t-mv=FLAG; // enables verbose mode\n\t-object_mode=FLAG; // 0 = "
    "Multiple, 1 = all\n\t-sizeof_object_number=IVAL; // sizeof multiple sel list\n\t-object_number=IVAL[,IVAL "
    "...]; // sel list e.g. 0,1,2,3;\n\t\n\t-f_mesh_split_by_surface=FLAG; // split by surface\n\t-f_mesh_unify = "
    "FLAG; // unify\n\t-f_mesh_flip = FLAG; // flip mesh\n\t-flip_in_out = IVAL; // flip mesh in (0) or "
    "out(1)\n\t-f_mesh_smooth = FLAG; // smooth\n\t-smooth_angle = DVAL; // smooth angle\n\t-f_mesh_weld = FLAG; "
    "// weld faces, normals and uv vertices\n\t-mesh_weld_tol = DVAL; // weld tolerance\n\t-f_degenerate_faces = "
    "FLAG; // eleminates degenerate faces\n\t-degenerate_tol = DVAL; // degenerate tolerance\n\t\n\t"
    "-enable_object_center = FLAG; // center object\n\t-enable_object_normalize = FLAG; // normalize "
    "object\n\t\n\t-enable_object_scale = FLAG; // scale\n\t-object_scale = VECTOR; // e.g. <1,2,3>\n\t"
    "-enable_object_rotate = FLAG; // rotate in deg\n\t-object_rotate = VECTOR; // e.g. <10,20,30>\n\t"
    "-enable_object_translate = FLAG; // translate\n\t-object_translate = VECTOR; // e.g. <0,0,1>\n\n";

const char kHelp2[] =
    "** Common Scene Modifier Options **\n\t-mv=FLAG; // enables verbose mode\n\t-enable_scene_center = FLAG; "
    "// center scene\n\t-enable_scene_normalize = FLAG; // normalize scene\n\t\n\t-enable_scene_scale = FLAG; "
    "// scale\n\t-scene_scale = VECTOR; // e.g. <1,2,3>\n\t-enable_scene_rotate = FLAG; // rotate in deg\n\t"
    "-scene_rotate = VECTOR; // e.g. <10,20,30>\n\t-enable_scene_translate = FLAG; // translate\n\t"
    "-scene_translate = VECTOR; // e.g. <0,0,1>\n\n";

void get_int(int argc, const char* const* argv, const char* key, int& field) {
  m_get_cmdl_int(argc, argv, key, field, &field);
}

void get_double(int argc, const char* const* argv, const char* key, double& field) {
  m_get_cmdl_double(argc, argv, key, field, &field);
}

// "<x, y, z>" with blanks anywhere around the numbers; an option file
// writes a blank after "=", which the scan must not trip over.
void get_vector(int argc, const char* const* argv, const char* key, MVector3& field) {
  char buf[256];
  if (m_get_cmdl_string(argc, argv, key, "", buf, sizeof buf - 1) != 1) return;
  const char* p = buf;
  while (*p == ' ' || *p == '\t') ++p;
  double x, y, z;
  if (std::sscanf(p, "<%lf ,%lf ,%lf >", &x, &y, &z) == 3) field = MVector3(x, y, z);
}

// The integers of "0,1,2;", each after the previous ','; at most `limit`,
// stopping at the first piece that holds no number. Numbers beyond the int
// range name no object and are left out.
std::vector<int> parse_indices(const char* text, int limit) {
  std::vector<int> out;
  const char* p = text;
  while (p && static_cast<int>(out.size()) < limit) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (end == p) break;
    if (errno != ERANGE && v >= INT_MIN && v <= INT_MAX) out.push_back(static_cast<int>(v));
    p = std::strchr(end, ',');
    if (p) ++p;
  }
  return out;
}

// Doubles are written so that they read back exactly.
void put_double(FILE* f, const char* key, double v) { std::fprintf(f, "-%s = %.17g;\n", key, v); }

void put_vector(FILE* f, const char* key, const MVector3& v) {
  std::fprintf(f, "-%s = <%.17g, %.17g, %.17g>;\n", key, v.x, v.y, v.z);
}

// Runs the parser over an option file: every line of it is one argument.
template <class Record>
int load_option_file(Record& r, const char* path, int (Record::*load)(int, const char* const*)) {
  if (!path || !*path) {
    errno = ENOENT;
    return 0;
  }
  FILE* f = std::fopen(path, "rb");
  if (!f) return 0;
  std::fclose(f);
  std::string at = std::string("@") + path;
  const char* args[] = {"", at.c_str(), nullptr};
  (r.*load)(2, args);
  return 1;
}

// Opens, fills and closes an option file; 0 on any failure.
template <class Fill>
int save_option_file(const char* path, Fill fill) {
  if (!path || !*path) return 0;
  FILE* f = std::fopen(path, "wb");
  if (!f) return 0;
  fill(f);
  bool ok = std::ferror(f) == 0;
  if (std::fclose(f) != 0) ok = false;
  return ok ? 1 : 0;
}

}  // namespace

// ---- ObjModOption1 ----

ObjModOption1::ObjModOption1(const char* reg, const char* logname) : Base_FileOption(reg, logname) { Init(); }

ObjModOption1::ObjModOption1(int ac, const char* const* av, const char* logname)
    : Base_FileOption(ac, av, logname) {
  Init();
  LoadCmd();
}

ObjModOption1::ObjModOption1(const ObjModOption1& o) : Base_FileOption(o) {
  object_number = nullptr;
  *this = o;
}

ObjModOption1& ObjModOption1::operator=(const ObjModOption1& o) {
  if (this == &o) return *this;
  Base_FileOption::operator=(o);
  object_mode = o.object_mode;
  Set_Selection(o.object_number, o.sizeof_object_number);
  f_mesh_split_by_surface = o.f_mesh_split_by_surface;
  f_mesh_sub_divide = o.f_mesh_sub_divide;
  reserved1 = o.reserved1;
  f_mesh_unify = o.f_mesh_unify;
  f_mesh_flip = o.f_mesh_flip;
  flip_in_out = o.flip_in_out;
  f_mesh_smooth = o.f_mesh_smooth;
  smooth_angle = o.smooth_angle;
  reserved2 = o.reserved2;
  f_mesh_weld = o.f_mesh_weld;
  mesh_weld_tol = o.mesh_weld_tol;
  f_degenerate_faces = o.f_degenerate_faces;
  degenerate_tol = o.degenerate_tol;
  enable_object_center = o.enable_object_center;
  enable_object_normalize = o.enable_object_normalize;
  enable_object_scale = o.enable_object_scale;
  object_scale = o.object_scale;
  enable_object_rotate = o.enable_object_rotate;
  object_rotate = o.object_rotate;
  enable_object_translate = o.enable_object_translate;
  object_translate = o.object_translate;
  return *this;
}

ObjModOption1::~ObjModOption1() { my_free(object_number); }

void ObjModOption1::Init() {
  object_mode = 0;
  const int first = 0;
  Set_Selection(&first, 1);
  f_mesh_split_by_surface = 0;
  f_mesh_sub_divide = 0;
  reserved1 = 1;
  f_mesh_unify = 0;
  f_mesh_flip = 0;
  flip_in_out = 1;
  f_mesh_smooth = 0;
  smooth_angle = 89.0;
  reserved2 = 0;
  f_mesh_weld = 0;
  mesh_weld_tol = 0.001;
  f_degenerate_faces = 0;
  degenerate_tol = 0.001;
  enable_object_center = 0;
  enable_object_normalize = 0;
  enable_object_scale = 0;
  object_scale = MVector3(1, 1, 1);
  enable_object_rotate = 0;
  object_rotate = MVector3(0, 0, 0);
  enable_object_translate = 0;
  object_translate = MVector3(0, 0, 0);
}

void ObjModOption1::Set_Selection(const int* indices, int count) {
  if (!indices || count < 0) count = 0;
  int* copy = nullptr;
  if (count > 0) {
    copy = static_cast<int*>(my_malloc(sizeof(int) * static_cast<size_t>(count)));
    if (!copy) count = 0;
    else std::memcpy(copy, indices, sizeof(int) * static_cast<size_t>(count));
  }
  my_free(object_number);
  object_number = copy;
  sizeof_object_number = count;
}

int ObjModOption1::LoadCmd() { return LoadCmd_Arg(argc, argv); }

int ObjModOption1::LoadCmd_Arg(int ac, const char* const* av) {
  get_int(ac, av, "mv", verbose_mode);
  get_int(ac, av, "object_mode", object_mode);
  // The size in the file is only an upper bound: the list holds the indices
  // actually present, never more than fit the text.
  int size = -1;
  bool have_size = m_get_cmdl_int(ac, av, "sizeof_object_number", 0, &size) == 1;
  std::vector<char> text(kSelectionText + 1);
  bool have_list = m_get_cmdl_string(ac, av, "object_number", "", text.data(), kSelectionText) == 1;
  if (have_size || have_list) {
    int limit = have_size ? (size < 0 ? 0 : (size > kMaxSelection ? kMaxSelection : size)) : kMaxSelection;
    std::vector<int> list = have_list ? parse_indices(text.data(), limit) : std::vector<int>();
    Set_Selection(list.data(), static_cast<int>(list.size()));
  }
  get_int(ac, av, "f_mesh_split_by_surface", f_mesh_split_by_surface);
  get_int(ac, av, "f_mesh_unify", f_mesh_unify);
  get_int(ac, av, "f_mesh_flip", f_mesh_flip);
  get_int(ac, av, "flip_in_out", flip_in_out);
  get_int(ac, av, "f_mesh_smooth", f_mesh_smooth);
  get_double(ac, av, "smooth_angle", smooth_angle);
  get_int(ac, av, "f_mesh_weld", f_mesh_weld);
  get_double(ac, av, "mesh_weld_tol", mesh_weld_tol);
  get_int(ac, av, "f_degenerate_faces", f_degenerate_faces);
  get_double(ac, av, "degenerate_tol", degenerate_tol);
  get_int(ac, av, "enable_object_center", enable_object_center);
  get_int(ac, av, "enable_object_normalize", enable_object_normalize);
  get_int(ac, av, "enable_object_scale", enable_object_scale);
  get_vector(ac, av, "object_scale", object_scale);
  get_int(ac, av, "enable_object_rotate", enable_object_rotate);
  get_vector(ac, av, "object_rotate", object_rotate);
  get_int(ac, av, "enable_object_translate", enable_object_translate);
  get_vector(ac, av, "object_translate", object_translate);
  return 1;
}

int ObjModOption1::LoadFile(const char* path) { return load_option_file(*this, path, &ObjModOption1::LoadCmd_Arg); }

void ObjModOption1::Print_Options(FILE* f) {
  if (!f) return;
  std::fprintf(f, "// Object Modifier options\n");
  std::fprintf(f, "// \n");
  std::fprintf(f, "-mv = %d;\n", verbose_mode);
  std::fprintf(f, "// object selection\n");
  std::fprintf(f, "-object_mode = %d;\n", object_mode);
  std::fprintf(f, "-sizeof_object_number = %d;\n", sizeof_object_number);
  // The line always ends with ";", also for an empty list, so that the next
  // option is not read as part of it.
  std::fprintf(f, "-object_number = ");
  for (int i = 0; i < sizeof_object_number; ++i)
    std::fprintf(f, i + 1 < sizeof_object_number ? "%d," : "%d", object_number[i]);
  std::fprintf(f, ";\n");
  std::fprintf(f, "-f_mesh_split_by_surface = %d;\n", f_mesh_split_by_surface);
  std::fprintf(f, "-f_mesh_unify = %d;\n", f_mesh_unify);
  std::fprintf(f, "-f_mesh_flip = %d;\n", f_mesh_flip);
  std::fprintf(f, "-flip_in_out = %d;\n", flip_in_out);
  std::fprintf(f, "-f_mesh_smooth = %d;\n", f_mesh_smooth);
  put_double(f, "smooth_angle", smooth_angle);
  std::fprintf(f, "-f_mesh_weld = %d;\n", f_mesh_weld);
  put_double(f, "mesh_weld_tol", mesh_weld_tol);
  std::fprintf(f, "-f_degenerate_faces = %d;\n", f_degenerate_faces);
  put_double(f, "degenerate_tol", degenerate_tol);
  std::fprintf(f, "-enable_object_center = %d;\n", enable_object_center);
  std::fprintf(f, "-enable_object_normalize = %d;\n", enable_object_normalize);
  std::fprintf(f, "-enable_object_scale = %d;\n", enable_object_scale);
  put_vector(f, "object_scale", object_scale);
  std::fprintf(f, "-enable_object_rotate = %d;\n", enable_object_rotate);
  put_vector(f, "object_rotate", object_rotate);
  std::fprintf(f, "-enable_object_translate = %d;\n", enable_object_translate);
  put_vector(f, "object_translate", object_translate);
  std::fprintf(f, "// end of file\n");
}

int ObjModOption1::SaveFile(const char* path) {
  return save_option_file(path, [this](FILE* f) { Print_Options(f); });
}

const char* ObjModOption1::Get_HelpString() { return kHelp1; }

// ---- ObjModOption2 ----

ObjModOption2::ObjModOption2(const char* reg, const char* logname) : Base_FileOption(reg, logname) { Init(); }

ObjModOption2::ObjModOption2(int ac, const char* const* av, const char* logname)
    : Base_FileOption(ac, av, logname) {
  Init();
  LoadCmd();
}

void ObjModOption2::Init() {
  enable_scene_center = 0;
  enable_scene_normalize = 0;
  enable_scene_scale = 0;
  scene_scale = MVector3(1, 1, 1);
  enable_scene_rotate = 0;
  scene_rotate = MVector3(0, 0, 0);
  enable_scene_translate = 0;
  scene_translate = MVector3(0, 0, 0);
}

int ObjModOption2::LoadCmd() { return LoadCmd_Arg(argc, argv); }

int ObjModOption2::LoadCmd_Arg(int ac, const char* const* av) {
  get_int(ac, av, "mv", verbose_mode);
  get_int(ac, av, "enable_scene_center", enable_scene_center);
  get_int(ac, av, "enable_scene_normalize", enable_scene_normalize);
  get_int(ac, av, "enable_scene_scale", enable_scene_scale);
  get_vector(ac, av, "scene_scale", scene_scale);
  get_int(ac, av, "enable_scene_rotate", enable_scene_rotate);
  get_vector(ac, av, "scene_rotate", scene_rotate);
  get_int(ac, av, "enable_scene_translate", enable_scene_translate);
  get_vector(ac, av, "scene_translate", scene_translate);
  return 1;
}

int ObjModOption2::LoadFile(const char* path) { return load_option_file(*this, path, &ObjModOption2::LoadCmd_Arg); }

int ObjModOption2::SaveFile(const char* path) {
  return save_option_file(path, [this](FILE* f) {
    std::fprintf(f, "// Scene Modifier options\n");
    std::fprintf(f, "// \n");
    std::fprintf(f, "-mv = %d;\n", verbose_mode);
    std::fprintf(f, "-enable_scene_center = %d;\n", enable_scene_center);
    std::fprintf(f, "-enable_scene_normalize = %d;\n", enable_scene_normalize);
    std::fprintf(f, "-enable_scene_scale = %d;\n", enable_scene_scale);
    put_vector(f, "scene_scale", scene_scale);
    std::fprintf(f, "-enable_scene_rotate = %d;\n", enable_scene_rotate);
    put_vector(f, "scene_rotate", scene_rotate);
    std::fprintf(f, "-enable_scene_translate = %d;\n", enable_scene_translate);
    put_vector(f, "scene_translate", scene_translate);
    std::fprintf(f, "// end of file\n");
  });
}

void ObjModOption2::Print_Options(FILE* f) {
  if (!f) return;
  std::fprintf(f, "Scene Options:\n");
  std::fprintf(f, "\t verbose_mode:   %d\n", verbose_mode);
  std::fprintf(f, "enable_scene_center = %d;\n", enable_scene_center);
  std::fprintf(f, "enable_scene_normalize = %d;\n", enable_scene_normalize);
  std::fprintf(f, "enable_scene_scale = %d;\n", enable_scene_scale);
  std::fprintf(f, "scene_scale = <%.3f, %.3f, %.3f>;\n", scene_scale.x, scene_scale.y, scene_scale.z);
  std::fprintf(f, "enable_scene_rotate = %d;\n", enable_scene_rotate);
  std::fprintf(f, "scene_rotate = <%.3f, %.3f, %.3f>;\n", scene_rotate.x, scene_rotate.y, scene_rotate.z);
  std::fprintf(f, "enable_scene_translate = %d;\n", enable_scene_translate);
  std::fprintf(f, "scene_translate = <%.3f, %.3f, %.3f>;\n", scene_translate.x, scene_translate.y,
               scene_translate.z);
}

const char* ObjModOption2::Get_HelpString() { return kHelp2; }
