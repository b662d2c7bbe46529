#include "fileoption.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <initializer_list>

#include "cmdline.h"
#include "pathutil.h"
#include "profile.h"

namespace {

const char kCommon[] = "Common Settings";

void set_str(char** field, const char* s) {
  char* copy = s ? my_strdup(s) : nullptr;
  my_free(*field);
  *field = copy;
}

// A missing value keeps the field; an empty one read into a null field keeps
// it null (null fields are stored as "").
void read_str(Profile& p, const char* key, char** field) {
  char buf[256];
  buf[0] = 0;
  p.GetString(kCommon, key, *field, buf, sizeof buf);
  if (!*field && !buf[0]) return;
  set_str(field, buf);
}

void read_int(Profile& p, const char* key, int* field) {
  unsigned long v = static_cast<unsigned long>(static_cast<long>(*field));
  p.GetInt(kCommon, key, *field, &v);
  *field = static_cast<int>(static_cast<long>(v));
}

void write_str(Profile& p, const char* key, const char* v) { p.WriteString(kCommon, key, v ? v : ""); }

void write_int(Profile& p, const char* key, int v) {
  p.WriteInt(kCommon, key, static_cast<unsigned long>(static_cast<long>(v)));
}

const char* show(const char* s) { return s ? s : "(null)"; }

void print_curdir(FILE* f) {
  std::error_code ec;
  std::string cur = std::filesystem::current_path(ec).string();
  fprintf(f, "\t current directory: %s\n", ec ? "" : cur.c_str());
}

}  // namespace

// ---- Base_FileOption ----

Base_FileOption::Base_FileOption() : Base_FileOption("Default", "Default") {}

Base_FileOption::Base_FileOption(const char* reg, const char* logname) {
  cmd_mode = 0;
  verbose_mode = 0;
  reg_name = reg ? my_strdup(reg) : nullptr;
  logfilename = logname ? my_strdup(logname) : nullptr;
  Base_FileOption::LoadReg();
}

Base_FileOption::Base_FileOption(int ac, const char* const* av, const char* logname) {
  cmd_mode = 1;
  verbose_mode = 0;
  argc = ac;
  argv = const_cast<char**>(av);
  logfilename = logname ? my_strdup(logname) : nullptr;
  Base_FileOption::LoadCmd();
}

Base_FileOption::Base_FileOption(const Base_FileOption& o)
    : cmd_mode(o.cmd_mode),
      reg_name(o.reg_name ? my_strdup(o.reg_name) : nullptr),
      argc(o.argc),
      argv(o.argv),
      logfilename(o.logfilename ? my_strdup(o.logfilename) : nullptr),
      verbose_mode(o.verbose_mode) {}

Base_FileOption& Base_FileOption::operator=(const Base_FileOption& o) {
  if (this == &o) return *this;
  cmd_mode = o.cmd_mode;
  set_str(&reg_name, o.reg_name);
  argc = o.argc;
  argv = o.argv;
  set_str(&logfilename, o.logfilename);
  verbose_mode = o.verbose_mode;
  return *this;
}

Base_FileOption::~Base_FileOption() {
  Base_FileOption::Save();
  my_free(reg_name);
  my_free(logfilename);
}

int Base_FileOption::LoadReg() {
  if (cmd_mode || !reg_name) return 1;
  Profile p(reg_name);
  read_str(p, "logfilename", &logfilename);
  return 1;
}

int Base_FileOption::LoadCmd() { return 1; }

int Base_FileOption::Save() {
  if (cmd_mode || !reg_name) return 1;
  Profile p(reg_name);
  write_str(p, "logfilename", logfilename);
  return 1;
}

// ---- Import_FileOption ----

Import_FileOption::Import_FileOption() : Base_FileOption() { Import_FileOption::LoadOwnReg(); }

Import_FileOption::Import_FileOption(const char* reg, const char* logname)
    : Base_FileOption(reg, logname) {
  Import_FileOption::LoadOwnReg();
}

Import_FileOption::Import_FileOption(int ac, const char* const* av, const char* logname)
    : Base_FileOption(ac, av, logname) {
  Import_FileOption::LoadCmd();
}

Import_FileOption::Import_FileOption(const Import_FileOption& o)
    : Base_FileOption(o),
      fullfilename(o.fullfilename ? my_strdup(o.fullfilename) : nullptr),
      filter(o.filter ? my_strdup(o.filter) : nullptr) {}

Import_FileOption& Import_FileOption::operator=(const Import_FileOption& o) {
  if (this == &o) return *this;
  Base_FileOption::operator=(o);
  set_str(&fullfilename, o.fullfilename);
  set_str(&filter, o.filter);
  return *this;
}

Import_FileOption::~Import_FileOption() {
  Import_FileOption::SaveOwn();
  my_free(fullfilename);
  my_free(filter);
  fullfilename = filter = nullptr;
}

int Import_FileOption::LoadOwnReg() {
  if (cmd_mode || !reg_name) return 1;
  Profile p(reg_name);
  read_int(p, "verbose_mode", &verbose_mode);
  read_str(p, "fullfilename", &fullfilename);
  read_str(p, "filter", &filter);
  return 1;
}

int Import_FileOption::LoadReg() {
  Base_FileOption::LoadReg();
  return LoadOwnReg();
}

int Import_FileOption::LoadCmd() {
  if (!cmd_mode) return 1;
  m_get_cmdl_int(argc, argv, "iv", verbose_mode, &verbose_mode);
  return 1;
}

int Import_FileOption::SaveOwn() {
  if (cmd_mode || !reg_name) return 1;
  Profile p(reg_name);
  write_int(p, "verbose_mode", verbose_mode);
  write_str(p, "fullfilename", fullfilename);
  write_str(p, "filter", filter);
  return 1;
}

int Import_FileOption::Save() {
  Base_FileOption::Save();
  return SaveOwn();
}

void Import_FileOption::Set_Filename(const char* s) { set_str(&fullfilename, s); }
void Import_FileOption::Set_Filter(const char* s) { set_str(&filter, s); }

void Import_FileOption::Print_Options(FILE* f) {
  if (!f) return;
  print_curdir(f);
  fprintf(f, "\t verbose_mode:      %d\n", verbose_mode);
  fprintf(f, "\t fullfilename:      %s\n", show(fullfilename));
  fprintf(f, "\t filter:            %s\n", show(filter));
}

const char* Import_FileOption::Get_HelpString() {
  return "** Common Import Options **\n\t-iv=FLAG: enables verbose mode\n\n";
}

// ---- Export_FileOption ----

Export_FileOption::Export_FileOption() : Base_FileOption() { Export_FileOption::LoadOwnReg(); }

Export_FileOption::Export_FileOption(const char* reg, const char* logname)
    : Base_FileOption(reg, logname) {
  Export_FileOption::LoadOwnReg();
}

Export_FileOption::Export_FileOption(int ac, const char* const* av, const char* logname)
    : Base_FileOption(ac, av, logname) {
  Export_FileOption::LoadCmd();
}

Export_FileOption::Export_FileOption(const Export_FileOption& o)
    : Base_FileOption(o),
      pathname(o.pathname ? my_strdup(o.pathname) : nullptr),
      filename(o.filename ? my_strdup(o.filename) : nullptr),
      ext(o.ext ? my_strdup(o.ext) : nullptr),
      filter(o.filter ? my_strdup(o.filter) : nullptr),
      subdir(o.subdir ? my_strdup(o.subdir) : nullptr),
      importfilename(o.importfilename ? my_strdup(o.importfilename) : nullptr),
      ld_mode(o.ld_mode),
      subdir_mode(o.subdir_mode),
      keep_axes(o.keep_axes) {}

Export_FileOption& Export_FileOption::operator=(const Export_FileOption& o) {
  if (this == &o) return *this;
  Base_FileOption::operator=(o);
  set_str(&pathname, o.pathname);
  set_str(&filename, o.filename);
  set_str(&ext, o.ext);
  set_str(&filter, o.filter);
  set_str(&subdir, o.subdir);
  set_str(&importfilename, o.importfilename);
  ld_mode = o.ld_mode;
  subdir_mode = o.subdir_mode;
  keep_axes = o.keep_axes;
  return *this;
}

Export_FileOption::~Export_FileOption() {
  Export_FileOption::SaveOwn();
  for (char** s : {&pathname, &filename, &ext, &filter, &subdir, &importfilename}) {
    my_free(*s);
    *s = nullptr;
  }
}

int Export_FileOption::LoadOwnReg() {
  if (cmd_mode || !reg_name) return 1;
  Profile p(reg_name);
  read_int(p, "verbose_mode", &verbose_mode);
  read_str(p, "pathname", &pathname);
  read_str(p, "filename", &filename);
  read_str(p, "ext", &ext);
  read_str(p, "filter", &filter);
  read_int(p, "ld_mode", &ld_mode);
  read_int(p, "subdir_mode", &subdir_mode);
  read_int(p, "keep_axes", &keep_axes);
  return 1;
}

int Export_FileOption::LoadReg() {
  Base_FileOption::LoadReg();
  return LoadOwnReg();
}

int Export_FileOption::LoadCmd() {
  if (!cmd_mode) return 1;
  m_get_cmdl_int(argc, argv, "ov", verbose_mode, &verbose_mode);
  m_get_cmdl_int(argc, argv, "ld_mode", ld_mode, &ld_mode);
  // The help text names the switch "-sub_dir"; both spellings work.
  if (m_get_cmdl_flag(argc, argv, "subdir_mode"))
    m_get_cmdl_int(argc, argv, "subdir_mode", subdir_mode, &subdir_mode);
  else
    m_get_cmdl_int(argc, argv, "sub_dir", subdir_mode, &subdir_mode);
  m_get_cmdl_int(argc, argv, "keep_axes", keep_axes, &keep_axes);
  return 1;
}

int Export_FileOption::SaveOwn() {
  if (cmd_mode || !reg_name) return 1;
  Profile p(reg_name);
  write_int(p, "verbose_mode", verbose_mode);
  write_str(p, "pathname", pathname);
  write_str(p, "filename", filename);
  write_str(p, "ext", ext);
  write_str(p, "filter", filter);
  write_int(p, "subdir_mode", subdir_mode);
  write_int(p, "ld_mode", ld_mode);
  write_int(p, "keep_axes", keep_axes);
  return 1;
}

int Export_FileOption::Save() {
  Base_FileOption::Save();
  return SaveOwn();
}

void Export_FileOption::Set_Pathname(const char* s) { set_str(&pathname, s); }
void Export_FileOption::Set_Filename(const char* s) { set_str(&filename, s); }
void Export_FileOption::Set_Ext(const char* s) { set_str(&ext, s); }
void Export_FileOption::Set_Filter(const char* s) { set_str(&filter, s); }
void Export_FileOption::Set_SubDir(const char* s) { set_str(&subdir, s); }
void Export_FileOption::Set_ImportFilename(const char* s) { set_str(&importfilename, s); }

char* Export_FileOption::Get_RelImportFilename() {
  static std::string rel;
  MPathParts parts = m_split_path(importfilename);
  rel = parts.fname + parts.ext;
  return rel.data();
}

void Export_FileOption::Print_Options(FILE* f) {
  if (!f) return;
  print_curdir(f);
  fprintf(f, "\t verbose_mode:      %d\n", verbose_mode);
  fprintf(f, "\t pathname:          %s\n", show(pathname));
  fprintf(f, "\t filename:          %s\n", show(filename));
  fprintf(f, "\t ext:               %s\n", show(ext));
  fprintf(f, "\t filter:            %s\n", show(filter));
  fprintf(f, "\t importfilename:    %s\n", show(importfilename));
  fprintf(f, "\t subdir_mode:       %d\n", subdir_mode);
  if (subdir_mode) fprintf(f, "\t subdir:            %s\n", show(subdir));
  fprintf(f, "\t ld_mode:           %d\n", ld_mode);
  if (keep_axes) fprintf(f, "\t keep_axes:         %d\n", keep_axes);
}

const char* Export_FileOption::Get_HelpString() {
  return "** Common Export Options **\n\t-ov=FLAG: enables verbose mode\n\t-ld_mode=IVAL: ascii file "
         "linedelimiter, 0=DOS, 1=UNIX, 2=MAC\n\t-sub_dir=FLAG: enables sub dir creation\n"
         "\t-keep_axes=FLAG: keeps the coordinates as stored instead of turning them into the format's axes\n\n";
}
