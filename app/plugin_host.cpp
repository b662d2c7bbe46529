// Loading the plug-in folder, the class list, the summary, the settings.
#include "plugin_host.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "outfile.h"
#include "pathutil.h"
#include "profile.h"

namespace {

void FreeLibrary(void* p) {
  PluginLibrary* lib = static_cast<PluginLibrary*>(p);
  if (!lib) return;
  if (lib->handle) lib->status = dlclose(lib->handle) == 0 ? 0 : 1;
  lib->handle = nullptr;
  my_free(lib->path);
  delete lib;
}

template <class T>
T Bind(void* handle, const char* name) {
  return reinterpret_cast<T>(dlsym(handle, name));
}

// Status 0 when all four entry points are bound; 1 not loaded; 2 missing entry.
PluginLibrary* TryLibrary(const std::string& path) {
  PluginLibrary* lib = new PluginLibrary;
  lib->path = my_strdup(path.c_str());
  lib->handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib->handle) {
    lib->status = 1;
    return lib;
  }
  lib->status = 2;
  if (!(lib->lib_name = Bind<LibNameProc>(lib->handle, KV_LIBNAME_SYMBOL))) return lib;
  if (!(lib->lib_number_classes = Bind<LibNumberClassesProc>(lib->handle, KV_LIBNUMBERCLASSES_SYMBOL))) return lib;
  if (!(lib->lib_class_description = Bind<LibClassDescriptionProc>(lib->handle, KV_LIBCLASSDESCRIPTION_SYMBOL)))
    return lib;
  if (!(lib->lib_version = Bind<LibVersionProc>(lib->handle, KV_LIBVERSION_SYMBOL))) return lib;
  lib->status = 0;
  lib->lib_set_command_line = Bind<LibSetCommandLineProc>(lib->handle, KV_LIBSETCOMMANDLINE_SYMBOL);
  lib->lib_set_ui_hooks = dlsym(lib->handle, KV_LIBSETUIHOOKS_SYMBOL);
  lib->lib_last_export = dlsym(lib->handle, KV_LIBLASTEXPORT_SYMBOL);
  lib->lib_last_error = dlsym(lib->handle, KV_LIBLASTERROR_SYMBOL);
  lib->lib_last_warning = dlsym(lib->handle, KV_LIBLASTWARNING_SYMBOL);
  lib->lib_last_loss = dlsym(lib->handle, KV_LIBLASTLOSS_SYMBOL);
  return lib;
}

bool EndsWithSo(const char* name) {
  size_t n = std::strlen(name);
  return n > 3 && std::strcmp(name + n - 3, ".so") == 0;
}

std::string ExeDir() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  buf[n] = 0;
  char* slash = std::strrchr(buf, '/');
  if (!slash) return "./";
  slash[1] = 0;
  return buf;
}

std::string Lower(const char* s) {
  std::string out = s ? s : "";
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Copies src into a fixed field, cut at its size.
void CopyField(char* dst, size_t size, const char* src) {
  size_t n = src ? strnlen(src, size - 1) : 0;
  if (n) std::memcpy(dst, src, n);
  dst[n] = 0;
}

}  // namespace

// ---- registry -----------------------------------------------------------

PluginRegistry::PluginRegistry() : libraries(new MList(FreeLibrary)), classes(new MList(nullptr)) {}

PluginRegistry::~PluginRegistry() {
  delete classes;
  delete libraries;
}

void PluginRegistry::Destroy() {
  classes->Clear();
  class_libs_.clear();
  libraries->Clear();
}

int PluginRegistry::Load(const char* directory, int version) {
  std::string dir = directory ? directory : "";
  if (!dir.empty() && dir.back() != '/') dir += '/';
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.empty() ? "." : dir.c_str())) {
    while (dirent* e = readdir(d))
      if (EndsWithSo(e->d_name)) names.push_back(e->d_name);
    closedir(d);
  }
  // Sorted, so that which of two equal ClassIDs wins does not depend on the
  // file system.
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    PluginLibrary* lib = TryLibrary(dir + name);
    if (lib->status == 0 && lib->lib_number_classes() > 0 && lib->lib_version() == version)
      libraries->Append(lib);
    else
      FreeLibrary(lib);
  }
  for (int l = 0; l < libraries->count; ++l) {
    PluginLibrary* lib = static_cast<PluginLibrary*>(libraries->GetAt(l));
    int n = lib->lib_number_classes();
    for (int j = 0; j < n; ++j) {
      PluginClassDesc* d = lib->lib_class_description(j);
      if (!d) continue;  // a non-conforming library; nothing to list
      uint32_t id = d->ClassID();
      bool dup = false;
      for (int k = 0; k < classes->count && !dup; ++k)
        dup = static_cast<PluginClassDesc*>(classes->GetAt(k))->ClassID() == id;
      if (dup) continue;
      classes->Append(d);
      class_libs_.push_back(lib);
    }
  }
  return classes->count;
}

PluginClassDesc* PluginRegistry::GetClass(int i) { return static_cast<PluginClassDesc*>(classes->GetAt(i)); }

int PluginRegistry::ClassCount() const { return classes->count; }

PluginLibrary* PluginRegistry::GetClassLibrary(int i) {
  return (i >= 0 && i < static_cast<int>(class_libs_.size())) ? class_libs_[i] : nullptr;
}

std::vector<std::string> FilterExtensions(const char* filter) {
  std::vector<std::string> out;
  std::string f = filter ? filter : "";
  // Fields alternate between a description and its patterns.
  size_t field = 0, b = 0;
  while (b <= f.size()) {
    size_t e = f.find('|', b);
    if (e == std::string::npos) e = f.size();
    if (field % 2 == 1) {
      size_t p = b;
      while (p < e) {
        size_t q = f.find(';', p);
        if (q == std::string::npos || q > e) q = e;
        std::string pat = Lower(f.substr(p, q - p).c_str());
        while (!pat.empty() && pat.front() == ' ') pat.erase(0, 1);
        while (!pat.empty() && pat.back() == ' ') pat.pop_back();
        if (pat.size() > 2 && pat.compare(0, 2, "*.") == 0 && pat.find_first_of("*?", 2) == std::string::npos)
          out.push_back(pat.substr(1));
        p = q + 1;
      }
    }
    ++field;
    b = e + 1;
  }
  return out;
}

int PluginRegistry::FindImportClass(const char* path) {
  std::string e = Lower(m_split_path(path ? path : "").ext.c_str());
  if (e.size() < 2) return -1;  // no extension, or a bare "."
  for (int i = 0; i < classes->count; ++i) {
    PluginClassDesc* d = GetClass(i);
    if (d->SuperClassID() != MESH_IMPORT_CLASS_ID) continue;
    MeshImporter* imp = static_cast<MeshImporter*>(d->Create());
    if (!imp) continue;
    std::vector<std::string> exts = FilterExtensions(imp->GetFilter());
    imp->Destroy();
    if (std::find(exts.begin(), exts.end(), e) != exts.end()) return i;
  }
  return -1;
}

std::vector<int> PluginRegistry::ImportTable() {
  std::vector<int> t;
  for (int i = 0; i < classes->count; ++i)
    if (GetClass(i)->SuperClassID() == MESH_IMPORT_CLASS_ID) t.push_back(i);
  return t;
}

std::vector<int> PluginRegistry::ExportTable() {
  std::vector<int> t;
  for (int i = 0; i < classes->count; ++i)
    if (GetClass(i)->SuperClassID() == MESH_EXPORT_CLASS_ID) t.push_back(i);
  return t;
}

std::vector<std::string> PluginRegistry::SummaryLines() {
  std::vector<std::string> lines;
  char buf[128];
  auto add = [&](const char* fmt, auto... args) {
    std::snprintf(buf, sizeof buf, fmt, args...);
    lines.emplace_back(buf);
  };
  int class_lines = 0;
  for (int l = 0; l < libraries->count; ++l) {
    PluginLibrary* lib = static_cast<PluginLibrary*>(libraries->GetAt(l));
    const char* lib_name = lib->lib_name();
    int n = lib->lib_number_classes();
    // Paths and names appended: a plug-in folder of any length stays whole.
    lines.push_back(std::string(" FileName: ") + (lib->path ? lib->path : ""));
    lines.push_back(std::string(" LibName: ") + (lib_name ? lib_name : ""));
    add(" LibClassNumber: %d", n);
    add(" LibVersion: 0x%08X", static_cast<unsigned>(lib->lib_version()));
    for (int j = 0; j < n; ++j) {
      ++class_lines;
      PluginClassDesc* d = lib->lib_class_description(j);
      if (!d) continue;
      const char* name = d->ClassName();
      int super = d->SuperClassID();
      char kind[32] = "";
      if (super == MESH_IMPORT_CLASS_ID) std::snprintf(kind, sizeof kind, "(%s)", "Mesh Import");
      if (super == MESH_EXPORT_CLASS_ID) std::snprintf(kind, sizeof kind, "(%s)", "Mesh Export");
      lines.push_back(std::string("\tClassName: ") + (name ? name : ""));
      add("\tSuperClassID: 0x%04X %s", static_cast<unsigned>(super), kind);
      add("\tClassID: 0x%08X", static_cast<unsigned>(d->ClassID()));
      add("\tClassPublicFlag: %d", d->IsPublic());
      lines.emplace_back(" ");
    }
    lines.emplace_back(" ");
  }
  lines.emplace_back(" ");
  lines.emplace_back(" Summary:");
  add("\tLibraries: %d", libraries->count);
  add("\tClasses: %d", class_lines);
  return lines;
}

int PluginRegistry::WriteSummary(const char* path) {
  // Written in full or not at all, like every output.
  MOutputFile out;
  if (!out.Open(path)) return 0;
  for (const std::string& line : SummaryLines()) {
    out.Write(line.data(), line.size());
    out.Write("\n", 1);
  }
  return out.Commit() ? 1 : 0;
}

void PluginRegistry::SetCommandLine(int argc, char** argv) {
  for (int l = 0; l < libraries->count; ++l) {
    PluginLibrary* lib = static_cast<PluginLibrary*>(libraries->GetAt(l));
    if (lib->lib_set_command_line) lib->lib_set_command_line(argc, argv);
  }
}

int PluginRegistry::LastExport(int class_index, char* path_out, size_t size) {
  if (path_out && size) path_out[0] = 0;
  PluginLibrary* lib = GetClassLibrary(class_index);
  if (!lib || !lib->lib_last_export) return -1;
  typedef int (*Proc)(char*, size_t);
  return reinterpret_cast<Proc>(lib->lib_last_export)(path_out, size);
}

std::string PluginRegistry::LastError(int class_index) {
  PluginLibrary* lib = GetClassLibrary(class_index);
  if (!lib || !lib->lib_last_error) return "";
  std::vector<char> buf(4096, '\0');
  int failed = reinterpret_cast<LibLastErrorProc>(lib->lib_last_error)(buf.data(), buf.size());
  return failed ? std::string(buf.data()) : std::string();
}

std::vector<std::string> PluginRegistry::LastWarnings(int class_index) {
  std::vector<std::string> out;
  PluginLibrary* lib = GetClassLibrary(class_index);
  if (!lib || !lib->lib_last_warning) return out;
  auto proc = reinterpret_cast<LibLastWarningProc>(lib->lib_last_warning);
  std::vector<char> buf(4096, '\0');
  for (int i = 0; i < 1000 && proc(i, buf.data(), buf.size()); ++i) out.emplace_back(buf.data());
  return out;
}

std::vector<ExportLoss> PluginRegistry::LastLosses(int class_index, bool* accounted) {
  std::vector<ExportLoss> out;
  if (accounted) *accounted = false;
  PluginLibrary* lib = GetClassLibrary(class_index);
  if (!lib || !lib->lib_last_loss) return out;
  auto proc = reinterpret_cast<LibLastLossProc>(lib->lib_last_loss);
  std::vector<char> buf(4096, '\0');
  for (int i = 0;; ++i) {
    ExportLoss l;
    buf[0] = 0;
    int r = proc(i, &l.kind, &l.count, buf.data(), buf.size());
    if (r < 0) return out;
    if (accounted) *accounted = true;
    if (r == 0) break;
    l.object = buf.data();
    out.push_back(std::move(l));
  }
  return out;
}

int FindTablePosition(PluginRegistry& registry, const std::vector<int>& table, const char* name) {
  int pos = 0;
  if (!name) return 0;
  for (size_t k = 0; k < table.size(); ++k) {
    PluginClassDesc* d = registry.GetClass(table[k]);
    const char* n = d ? d->ClassName() : nullptr;
    if (n && std::strcmp(n, name) == 0) pos = static_cast<int>(k);
  }
  return pos;
}

// ---- program paths ------------------------------------------------------

std::string DefaultPluginDir() {
  const char* env = std::getenv("KORVANE_PLUGIN_DIR");
  if (env && *env) {
    std::string d = env;
    if (d.back() != '/') d += '/';
    return d;
  }
  std::string beside = ExeDir() + "plugin/";
  struct stat st;
  if (stat(beside.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return beside;
  // Installed: the plug-in folder of the library folder, relative to bin/.
  return std::filesystem::path(ExeDir() + KORVANE_INSTALLED_PLUGIN_DIR "/").lexically_normal().string();
}

std::string ProgramName() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "korvane";
  buf[n] = 0;
  const char* base = std::strrchr(buf, '/');
  std::string name = base ? base + 1 : buf;
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

// ---- settings -----------------------------------------------------------

AppSettings::AppSettings(const char* name) {
  CopyField(program_name, sizeof program_name, name ? name : ProgramName().c_str());
  CopyField(plugin_path, sizeof plugin_path, DefaultPluginDir().c_str());
  last_import_class = my_strdup("");
  last_export_class = my_strdup("");
}

AppSettings::~AppSettings() {
  my_free(last_import_class);
  my_free(last_export_class);
}

void AppSettings::Set_LastImportClass(const char* name) {
  char* copy = my_strdup(name ? name : "");
  my_free(last_import_class);
  last_import_class = copy;
}

void AppSettings::Set_LastExportClass(const char* name) {
  char* copy = my_strdup(name ? name : "");
  my_free(last_export_class);
  last_export_class = copy;
}

void AppSettings::Load() {
  Profile store(program_name);
  char buf[4096];
  unsigned long v = 0;
  if (store.GetInt("Settings", "clear_flag", clear_flag, &v)) clear_flag = static_cast<int>(v);
  if (store.GetInt("Settings", "check_name_mode", check_name_mode, &v)) check_name_mode = static_cast<int>(v);
  CopyField(buf, sizeof buf, plugin_path);
  store.GetString("Settings", "plugin_path", plugin_path, buf, sizeof buf);
  CopyField(plugin_path, sizeof plugin_path, buf);
  CopyField(buf, sizeof buf, last_import_class);
  store.GetString("Settings", "last_import_class", last_import_class, buf, sizeof buf);
  Set_LastImportClass(buf);
  CopyField(buf, sizeof buf, last_export_class);
  store.GetString("Settings", "last_export_class", last_export_class, buf, sizeof buf);
  Set_LastExportClass(buf);
}

void AppSettings::Save() {
  Profile store(program_name);
  store.WriteString("Settings", "plugin_path", plugin_path);
  store.WriteInt("Settings", "clear_flag", static_cast<unsigned long>(clear_flag));
  store.WriteInt("Settings", "check_name_mode", static_cast<unsigned long>(check_name_mode));
  store.WriteString("Settings", "last_import_class", last_import_class);
  store.WriteString("Settings", "last_export_class", last_export_class);
  store.WriteInt("Settings", "Build", 1687);
}
