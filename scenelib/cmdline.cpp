#include "cmdline.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "allocator.h"
#include "mlist.h"

namespace {

constexpr size_t kRespLineMax = 64 * 1024;

void free_token(void* p) { my_free(p); }

void add_token(MList* list, const char* arg) {
  char* t = my_strdup(arg);
  if (t) list->Append(t);
}

// Reads one response-file line into buf without its line end; the rest of a
// line longer than the buffer is dropped. False at end of file.
bool read_resp_line(FILE* f, char* buf, size_t cap) {
  size_t n = 0;
  int c;
  bool any = false;
  while ((c = getc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (c == '\r') {
      int d = getc(f);
      if (d != '\n' && d != EOF) ungetc(d, f);
      break;
    }
    if (n < cap - 1) buf[n++] = static_cast<char>(c);
  }
  buf[n] = 0;
  return any;
}

// Returns false when token collection must stop (response file missing).
bool process_arg(MList* list, const char* arg, bool top) {
  if (!arg) return true;
  if (arg[0] == '-') {
    add_token(list, arg + 1);
  } else if (arg[0] == '@' && top) {
    FILE* f = fopen(arg + 1, "rb");
    if (!f) {
      fprintf(stderr, "File %s not found\n", arg + 1);
      return false;
    }
    // Option files hold long lines (a selection list of many objects).
    std::vector<char> line(kRespLineMax);
    while (read_resp_line(f, line.data(), line.size())) {
      const char* p = line.data();
      while (*p == ' ' || *p == '\t') ++p;
      process_arg(list, p, false);
    }
    if (ferror(f)) fprintf(stderr, "File %s error\n", arg + 1);
    fclose(f);
  }
  return true;
}

MList* build_tokens(int argc, const char* const* argv) {
  MList* list = new MList(free_token);
  if (!argv) return list;
  for (int i = 1; i < argc; ++i)
    if (!process_arg(list, argv[i], true)) break;
  return list;
}

// The first token that begins with key (case-insensitive), or null.
const char* find_token(MList* list, const char* key) {
  size_t kl = strlen(key);
  for (MListNode* n = list->head; n; n = n->next) {
    const char* t = static_cast<const char*>(n->data);
    if (strncasecmp(t, key, kl) == 0) return t;
  }
  return nullptr;
}

struct TokenList {
  MList* list;
  TokenList(int argc, const char* const* argv) : list(build_tokens(argc, argv)) {}
  ~TokenList() { delete list; }
};

MList* g_iter_list = nullptr;
MListNode* g_iter_next = nullptr;

}  // namespace

int m_get_cmdl_flag(int argc, const char* const* argv, const char* key) {
  if (!key) return 0;
  TokenList t(argc, argv);
  return find_token(t.list, key) ? 1 : 0;
}

int m_get_cmdl_int(int argc, const char* const* argv, const char* key, int def, int* out) {
  if (!key) return 0;
  TokenList t(argc, argv);
  const char* tok = find_token(t.list, key);
  if (!tok) {
    if (out) *out = def;
    return 0;
  }
  const char* eq = strchr(tok, '=');
  if (!eq) return 0;
  const char* p = eq + 1;
  while (*p == ' ' || *p == '\t') ++p;
  char* end = nullptr;
  long v = strtol(p, &end, 10);
  if (end == p) return 0;
  if (out) *out = static_cast<int>(v);
  return 1;
}

int m_get_cmdl_double(int argc, const char* const* argv, const char* key, double def, double* out) {
  if (!key) return 0;
  TokenList t(argc, argv);
  const char* tok = find_token(t.list, key);
  if (!tok) {
    if (out) *out = def;
    return 0;
  }
  const char* eq = strchr(tok, '=');
  if (!eq) return 0;
  const char* p = eq + 1;
  while (*p == ' ' || *p == '\t') ++p;
  char* end = nullptr;
  double v = strtod(p, &end);
  if (end == p) return 0;
  if (out) *out = v;
  return 1;
}

int m_get_cmdl_string(int argc, const char* const* argv, const char* key, const char* def,
                      char* out, int len) {
  if (!key) return 0;
  TokenList t(argc, argv);
  const char* tok = find_token(t.list, key);
  const char* src = nullptr;
  int found = 0;
  if (tok && strchr(tok, '=')) {
    src = strchr(tok, '=') + 1;
    found = 1;
  } else if (!tok) {
    src = def ? def : "";
  } else {
    return 0;  // the option is there but carries no value
  }
  if (out && len >= 0) {
    size_t n = strlen(src);
    if (n > static_cast<size_t>(len)) n = static_cast<size_t>(len);
    memcpy(out, src, n);
    out[n] = 0;
  }
  return found;
}

int m_get_cmdl_filename(int argc, const char* const* argv, char** out) {
  if (!argv) return 0;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!a || !*a || a[0] == '-' || a[0] == '@') continue;
    if (out) *out = const_cast<char*>(a);
    return 1;
  }
  return 0;
}

void start_cmd_pars(int argc, const char* const* argv) {
  stop_cmd_pars();
  g_iter_list = build_tokens(argc, argv);
  g_iter_next = g_iter_list->head;
}

char* get_next_cmd() {
  if (!g_iter_next) return nullptr;
  char* t = static_cast<char*>(g_iter_next->data);
  g_iter_next = g_iter_next->next;
  return t;
}

void stop_cmd_pars() {
  delete g_iter_list;
  g_iter_list = nullptr;
  g_iter_next = nullptr;
}
