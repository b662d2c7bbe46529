#include "profile.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "pathutil.h"

namespace {

struct Entry {
  std::string key, value;
};
struct Section {
  std::string name;
  std::vector<Entry> entries;
};
struct Store {
  std::vector<Section> sections;
};

// Keys, values and section names may hold any byte: backslash, line ends,
// control chars and the syntax characters are escaped so a file round-trips.
void escape(std::string& out, const std::string& s) {
  static const char hex[] = "0123456789abcdef";
  for (unsigned char c : s) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '=' || c == '[' || c == ']') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 32 || c == 127) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
}

int hexval(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string unescape(const char* p, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    char c = p[i];
    if (c != '\\' || i + 1 >= n) {
      out += c;
      continue;
    }
    char d = p[++i];
    if (d == 'n') {
      out += '\n';
    } else if (d == 'r') {
      out += '\r';
    } else if (d == 'x' && i + 2 < n && hexval(p[i + 1]) >= 0 && hexval(p[i + 2]) >= 0) {
      out += static_cast<char>(hexval(p[i + 1]) * 16 + hexval(p[i + 2]));
      i += 2;
    } else {
      out += d;
    }
  }
  return out;
}

std::string store_dir() {
  const char* x = getenv("XDG_CONFIG_HOME");
  std::string base;
  if (x && *x) {
    base = x;
  } else {
    const char* h = getenv("HOME");
    base = std::string(h && *h ? h : ".") + "/.config";
  }
  return base + "/KorvaneSoft1";
}

// One file per application name; the name is matched case-insensitively like
// the rest of the key path, so the file name is lower-cased and made safe.
std::string store_file(const char* app) {
  static const char hex[] = "0123456789abcdef";
  std::string f;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(app); *p; ++p) {
    unsigned char c = *p;
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == ' ' ||
        (c == '.' && p != reinterpret_cast<const unsigned char*>(app))) {
      f += static_cast<char>(c);
    } else if (c >= 'A' && c <= 'Z') {
      f += static_cast<char>(c - 'A' + 'a');
    } else {
      f += '%';
      f += hex[c >> 4];
      f += hex[c & 15];
    }
  }
  // An empty name stands as "%". Appended rather than assigned: GCC 12 at -O3
  // reads the assignment's replace path as a possibly overlapping copy.
  if (f.empty()) f += '%';
  return store_dir() + "/" + f + ".ini";
}

// Section paths accept '/' and '\\' alike and ignore doubled or outer ones.
std::string norm_section(const char* s) {
  std::string out;
  if (!s) return out;
  for (const char* p = s; *p; ++p) {
    char c = *p == '/' ? '\\' : *p;
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

// 1: loaded (a missing file is an empty store), 0: the file cannot be read.
int load(const std::string& path, Store* st) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return errno == ENOENT ? 1 : 0;
  std::string data;
  char buf[8192];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  bool bad = ferror(f);
  fclose(f);
  if (bad) return 0;
  Section* cur = nullptr;
  size_t pos = 0;
  while (pos < data.size()) {
    size_t e = data.find('\n', pos);
    if (e == std::string::npos) e = data.size();
    const char* line = data.data() + pos;
    size_t len = e - pos;
    pos = e + 1;
    if (len == 0) continue;
    if (line[0] == '[' && line[len - 1] == ']' && len >= 2) {
      st->sections.push_back(Section{unescape(line + 1, len - 2), {}});
      cur = &st->sections.back();
      continue;
    }
    if (!cur) continue;
    size_t k = 0;
    while (k < len && line[k] != '=') k += (line[k] == '\\') ? 2 : 1;
    if (k >= len) continue;
    cur->entries.push_back(Entry{unescape(line, k), unescape(line + k + 1, len - k - 1)});
  }
  return 1;
}

// Writes the whole store beside its final place and renames it over, so a
// reader never sees a half-written file.
int save(const std::string& path, const Store& st) {
  std::error_code ec;
  std::filesystem::create_directories(store_dir(), ec);
  std::string out;
  for (const Section& s : st.sections) {
    out += '[';
    escape(out, s.name);
    out += "]\n";
    for (const Entry& e : s.entries) {
      escape(out, e.key);
      out += '=';
      escape(out, e.value);
      out += '\n';
    }
  }
  static unsigned counter = 0;
  std::string tmp = path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(++counter);
  FILE* f = fopen(tmp.c_str(), "wb");
  if (!f) return 0;
  bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
  ok = (fflush(f) == 0) && ok;
  ok = (fclose(f) == 0) && ok;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    remove(tmp.c_str());
    return 0;
  }
  return 1;
}

Section* find_section(Store& st, const std::string& name) {
  for (Section& s : st.sections)
    if (strcasecmp(s.name.c_str(), name.c_str()) == 0) return &s;
  return nullptr;
}

Entry* find_entry(Section* s, const char* key) {
  if (!s) return nullptr;
  for (Entry& e : s->entries)
    if (strcasecmp(e.key.c_str(), key) == 0) return &e;
  return nullptr;
}

void copy_bounded(char* dst, unsigned long size, const char* src, size_t n) {
  if (!dst || size == 0) return;
  if (n > size - 1) n = size - 1;
  memcpy(dst, src, n);
  dst[n] = 0;
}

// Serialises read-modify-write cycles of several processes on the store
// folder itself, so no extra lock file is left behind. Without the lock a
// write still never tears a file; it could only lose a concurrent update.
class DirLock {
 public:
  DirLock() {
    std::error_code ec;
    std::filesystem::create_directories(store_dir(), ec);
    fd_ = open(store_dir().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~DirLock() {
    if (fd_ >= 0) {
      flock(fd_, LOCK_UN);
      close(fd_);
    }
  }
  DirLock(const DirLock&) = delete;
  DirLock& operator=(const DirLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace

void m_profile_dir(char* out) {
  if (!out) return;
  std::string d = store_dir();
  copy_bounded(out, 260, d.c_str(), d.size());
}

Profile::Profile() {
  name[0] = 0;
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = 0;
    char fname[M_MAX_FNAME];
    m_splitpath(exe, nullptr, nullptr, fname, nullptr);
    copy_bounded(name, sizeof name, fname, strlen(fname));
  }
  if (!name[0]) strcpy(name, "Default");
}

Profile::Profile(const char* n) {
  name[0] = 0;
  if (n) copy_bounded(name, sizeof name, n, strlen(n));
}

int Profile::GetString(const char* section, const char* key, const char* def, char* buffer,
                       unsigned long size) {
  if (!buffer || size == 0) return 1;
  Store st;
  if (!load(store_file(name), &st)) return 1;
  Entry* e = key ? find_entry(find_section(st, norm_section(section)), key) : nullptr;
  if (e) {
    size_t n = e->value.size();
    if (n > 255) n = 255;
    copy_bounded(buffer, size, e->value.data(), n);
  } else if (def) {
    copy_bounded(buffer, size, def, strlen(def));
  }
  return 1;
}

int Profile::GetInt(const char* section, const char* key, long def, unsigned long* out) {
  char d[32];
  snprintf(d, sizeof d, "%ld", def);
  char buf[2048];
  strcpy(buf, d);
  int r = GetString(section, key, d, buf, sizeof buf);
  if (out) *out = static_cast<unsigned long>(strtol(buf, nullptr, 10));
  return r;
}

int Profile::GetDouble(const char* section, const char* key, double def, double* out) {
  char d[512];
  snprintf(d, sizeof d, "%.6lf", def);
  char buf[2048];
  strcpy(buf, d);
  int r = GetString(section, key, d, buf, sizeof buf);
  if (out) *out = strtod(buf, nullptr);
  return r;
}

int Profile::WriteString(const char* section, const char* key, const char* value) {
  if (!key) return 0;
  if (!value) value = "";
  if (strlen(value) + 1 >= 4096) return 0;
  std::string path = store_file(name);
  DirLock lock;
  Store st;
  if (!load(path, &st)) return 0;
  std::string sec = norm_section(section);
  Section* s = find_section(st, sec);
  if (!s) {
    st.sections.push_back(Section{sec, {}});
    s = &st.sections.back();
  }
  Entry* e = find_entry(s, key);
  if (e) {
    e->value = value;
  } else {
    s->entries.push_back(Entry{key, value});
  }
  return save(path, st);
}

int Profile::WriteInt(const char* section, const char* key, unsigned long value) {
  char buf[32];
  snprintf(buf, sizeof buf, "%ld", static_cast<long>(value));
  return WriteString(section, key, buf);
}

int Profile::WriteDouble(const char* section, const char* key, double value) {
  char buf[512];
  snprintf(buf, sizeof buf, "%0.6lf", value);
  return WriteString(section, key, buf);
}

int Profile::GetValCount(const char* section, unsigned long* n) {
  Store st;
  if (!load(store_file(name), &st)) return 0;
  Section* s = find_section(st, norm_section(section));
  if (n) *n = s ? static_cast<unsigned long>(s->entries.size()) : 0;
  return 1;
}

int Profile::GetSubCount(const char* section, unsigned long* n) {
  Store st;
  if (!load(store_file(name), &st)) return 0;
  std::string prefix = norm_section(section);
  if (!prefix.empty()) prefix += '\\';
  std::vector<std::string> seen;
  for (const Section& s : st.sections) {
    if (s.name.size() <= prefix.size() ||
        strncasecmp(s.name.c_str(), prefix.c_str(), prefix.size()) != 0)
      continue;
    std::string child = s.name.substr(prefix.size());
    size_t b = child.find('\\');
    if (b != std::string::npos) child.resize(b);
    bool dup = false;
    for (const std::string& c : seen)
      if (strcasecmp(c.c_str(), child.c_str()) == 0) dup = true;
    if (!dup) seen.push_back(child);
  }
  if (n) *n = static_cast<unsigned long>(seen.size());
  return 1;
}

int Profile::EnumValue(const char* section, unsigned long index, char* name_buf,
                       unsigned long* name_len, unsigned long* type, unsigned char* data,
                       unsigned long* data_len) {
  Store st;
  if (!load(store_file(name), &st)) return 0;
  Section* s = find_section(st, norm_section(section));
  if (!s || index >= s->entries.size()) return 0;
  const Entry& e = s->entries[index];
  int ok = 1;
  if (name_buf && name_len) {
    if (*name_len < e.key.size() + 1) {
      ok = 0;
    } else {
      memcpy(name_buf, e.key.c_str(), e.key.size() + 1);
    }
  }
  if (name_len) *name_len = static_cast<unsigned long>(e.key.size());
  if (type) *type = 1;
  if (data && data_len) {
    if (*data_len < e.value.size() + 1) {
      ok = 0;
    } else {
      memcpy(data, e.value.c_str(), e.value.size() + 1);
    }
  }
  if (data_len) *data_len = static_cast<unsigned long>(e.value.size() + 1);
  return ok;
}
