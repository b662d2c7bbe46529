#include "pathutil.h"

#include "outfile.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

namespace {

inline bool is_sep(char c) { return c == '/' || c == '\\'; }

// Copies at most n bytes of src into dst (cap bytes, cap > 0), terminated.
void copy_cut(char* dst, size_t cap, const char* src, size_t n) {
  if (!dst || cap == 0) return;
  if (n > cap - 1) n = cap - 1;
  memcpy(dst, src, n);
  dst[n] = 0;
}

// Appends src to out (length *len, capacity M_MAX_PATH), cutting at the end.
void append_cut(char* out, size_t* len, const char* src, size_t n) {
  size_t room = M_MAX_PATH - 1 - *len;
  if (n > room) n = room;
  memcpy(out + *len, src, n);
  *len += n;
  out[*len] = 0;
}

bool readable_file(const char* path) {
  struct stat st;
  if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  fclose(f);
  return true;
}

char g_found[M_MAX_PATH];

// Tries dir + name exactly, then a case-insensitive match of the last name
// part inside its folder. dir may be empty (name is then used as it stands).
bool try_in(const std::string& dir, const std::string& name) {
  std::string full = dir;
  if (!full.empty() && full.back() != '/') full += '/';
  full += name;
  if (full.size() >= M_MAX_PATH) return false;
  if (readable_file(full.c_str())) {
    copy_cut(g_found, sizeof g_found, full.c_str(), full.size());
    return true;
  }
  size_t slash = full.rfind('/');
  std::string folder = slash == std::string::npos ? std::string(".") : full.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? full : full.substr(slash + 1);
  if (base.empty()) return false;
  DIR* d = opendir(folder.c_str());
  if (!d) return false;
  bool found = false;
  while (struct dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, base.c_str()) != 0) continue;
    std::string cand = (slash == std::string::npos ? std::string() : folder) + e->d_name;
    if (cand.size() < M_MAX_PATH && readable_file(cand.c_str())) {
      copy_cut(g_found, sizeof g_found, cand.c_str(), cand.size());
      found = true;
      break;
    }
  }
  closedir(d);
  return found;
}

}  // namespace

MPathParts m_split_path(const char* path) {
  MPathParts parts;
  if (!path) return parts;
  size_t len = std::strlen(path);
  size_t name_start = 0;
  for (size_t i = 0; i < len; ++i)
    if (is_sep(path[i])) name_start = i + 1;
  size_t ext_start = len;
  for (size_t i = len; i > name_start; --i) {
    if (path[i - 1] == '.') {
      ext_start = i - 1;
      break;
    }
  }
  parts.dir.assign(path, name_start);
  parts.fname.assign(path + name_start, ext_start - name_start);
  parts.ext.assign(path + ext_start, len - ext_start);
  return parts;
}

std::string m_join_path(const std::string& dir, const std::string& fname, const std::string& ext) {
  std::string out = dir;
  if (!out.empty() && !is_sep(out.back())) out += '/';
  out += fname;
  if (!ext.empty()) {
    if (ext[0] != '.') out += '.';
    out += ext;
  }
  return out;
}

void m_splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
  if (drive) drive[0] = 0;
  MPathParts parts = m_split_path(path);
  copy_cut(dir, M_MAX_DIR, parts.dir.data(), parts.dir.size());
  copy_cut(fname, M_MAX_FNAME, parts.fname.data(), parts.fname.size());
  copy_cut(ext, M_MAX_EXT, parts.ext.data(), parts.ext.size());
}

void m_makepath(char* out, const char* drive, const char* dir, const char* fname, const char* ext) {
  if (!out) return;
  size_t len = 0;
  out[0] = 0;
  if (drive && *drive) {
    size_t n = strnlen(drive, M_MAX_PATH);
    append_cut(out, &len, drive, n);
    if (drive[n - 1] != ':') append_cut(out, &len, ":", 1);
  }
  if (dir && *dir) {
    size_t n = strnlen(dir, M_MAX_PATH);
    append_cut(out, &len, dir, n);
    if (!is_sep(dir[n - 1])) append_cut(out, &len, "/", 1);
  }
  if (fname && *fname) append_cut(out, &len, fname, strnlen(fname, M_MAX_PATH));
  if (ext && *ext) {
    if (ext[0] != '.') append_cut(out, &len, ".", 1);
    append_cut(out, &len, ext, strnlen(ext, M_MAX_PATH));
  }
}

char* m_getfullpath(char* out, const char* path) {
  if (!out) return nullptr;
  out[0] = 0;
  if (!path || !*path) return nullptr;
  std::error_code ec;
  std::string full = std::filesystem::absolute(path, ec).string();
  if (ec) return nullptr;
  copy_cut(out, M_MAX_PATH, full.c_str(), full.size());
  return out;
}

char* m_getcurdir(char* out, int size) {
  if (!out || size <= 0) return nullptr;
  out[0] = 0;
  std::error_code ec;
  std::string cur = std::filesystem::current_path(ec).string();
  if (ec) return nullptr;
  copy_cut(out, static_cast<size_t>(size), cur.c_str(), cur.size());
  return out;
}

char* m_getpath(char* out, const char* path) {
  if (!out) return nullptr;
  char full[M_MAX_PATH];
  out[0] = 0;
  if (!m_getfullpath(full, path)) return nullptr;
  char drive[M_MAX_DRIVE], dir[M_MAX_DIR];
  m_splitpath(full, drive, dir, nullptr, nullptr);
  m_makepath(out, drive, dir, nullptr, nullptr);
  return out;
}

char* m_find_file(const char* name, const char* search_path) {
  if (!name || !*name) return nullptr;
  std::string n(name, strnlen(name, M_MAX_PATH));
  for (char& c : n)
    if (c == '\\') c = '/';
  if (n[0] == '/') return try_in(std::string(), n) ? g_found : nullptr;
  if (!search_path) return nullptr;
  const char* p = search_path;
  while (*p) {
    const char* e = strchr(p, ';');
    size_t l = e ? static_cast<size_t>(e - p) : strlen(p);
    if (l > 0) {
      std::string dir(p, l);
      for (char& c : dir)
        if (c == '\\') c = '/';
      if (try_in(dir, n)) return g_found;
    }
    if (!e) break;
    p = e + 1;
  }
  return nullptr;
}

int m_CopyFile(const char* src, const char* dst, int fail_if_exists) {
  if (!src || !dst) return 0;
  struct stat st;
  if (fail_if_exists && stat(dst, &st) == 0) return 0;
  FILE* in = fopen(src, "rb");
  if (!in) return 0;
  // Through a temporary file: a copy that fails half-way leaves an existing
  // destination as it was.
  MOutputFile out;
  bool ok = out.Open(dst);
  char buf[1 << 16];
  while (ok) {
    size_t n = fread(buf, 1, sizeof buf, in);
    if (n == 0) {
      ok = !ferror(in);
      break;
    }
    ok = out.Write(buf, n);
  }
  fclose(in);
  if (!ok) {
    out.Discard();
    return 0;
  }
  return out.Commit() ? 1 : 0;
}

int m_CreateDirectory(const char* path) {
  if (!path || !*path) return 0;
  std::error_code ec;
  return std::filesystem::create_directory(path, ec) && !ec ? 1 : 0;
}

void m_Sleep(unsigned long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void m_check_file_name(char*) {}
