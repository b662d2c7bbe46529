#include "option_keys.h"

#include <string>

#include "cmdline.h"
#include "fileoption.h"
#include "profile.h"

namespace kvpf {
namespace {

const char kSpecific[] = "Specific Settings";
// What the store gives back of a string at most (Profile::GetString).
constexpr unsigned long kStoredStringLen = 256;

void LoadFromStore(const OptionKey& k, Profile& store) {
  const KvOptionField& f = k.field;
  if (f.kind == KV_FIELD_INT || f.kind == KV_FIELD_FLAG) {
    int* v = static_cast<int*>(f.value);
    unsigned long got = static_cast<unsigned long>(*v);
    if (store.GetInt(kSpecific, k.key, *v, &got)) *v = f.kind == KV_FIELD_FLAG ? got != 0 : static_cast<int>(got);
  } else if (f.kind == KV_FIELD_DOUBLE) {
    double* v = static_cast<double*>(f.value);
    double got = *v;
    if (store.GetDouble(kSpecific, k.key, *v, &got)) *v = got;
  } else if (f.kind == KV_FIELD_STRING && f.size > 0) {
    char* s = static_cast<char*>(f.value);
    std::string def = s;
    store.GetString(kSpecific, k.key, def.c_str(), s, f.size < kStoredStringLen ? f.size : kStoredStringLen);
    s[f.size - 1] = 0;
  }
}

void LoadFromCommandLine(const OptionKey& k, int argc, char** argv) {
  const KvOptionField& f = k.field;
  if (f.kind == KV_FIELD_INT || f.kind == KV_FIELD_FLAG) {
    int* v = static_cast<int*>(f.value);
    int got = *v;
    if (m_get_cmdl_int(argc, argv, k.key, *v, &got)) *v = f.kind == KV_FIELD_FLAG ? got != 0 : got;
  } else if (f.kind == KV_FIELD_DOUBLE) {
    double* v = static_cast<double*>(f.value);
    double got = *v;
    if (m_get_cmdl_double(argc, argv, k.key, *v, &got)) *v = got;
  } else if (f.kind == KV_FIELD_STRING && f.size > 0) {
    char* s = static_cast<char*>(f.value);
    std::string def = s;
    m_get_cmdl_string(argc, argv, k.key, def.c_str(), s, static_cast<int>(f.size - 1));
  }
}

}  // namespace

void LoadOptionKeys(const std::vector<OptionKey>& keys, Base_FileOption* record) {
  if (record->cmd_mode) {
    for (const OptionKey& k : keys) LoadFromCommandLine(k, record->argc, record->argv);
    return;
  }
  if (!record->reg_name) return;
  Profile store(record->reg_name);
  for (const OptionKey& k : keys) LoadFromStore(k, store);
}

void SaveOptionKeys(const std::vector<OptionKey>& keys, Base_FileOption* record) {
  // Command-line records never write the store.
  if (record->cmd_mode || !record->reg_name) return;
  Profile store(record->reg_name);
  for (const OptionKey& k : keys) {
    const KvOptionField& f = k.field;
    if (f.kind == KV_FIELD_INT || f.kind == KV_FIELD_FLAG)
      store.WriteInt(kSpecific, k.key, static_cast<unsigned long>(*static_cast<int*>(f.value)));
    else if (f.kind == KV_FIELD_DOUBLE)
      store.WriteDouble(kSpecific, k.key, *static_cast<double*>(f.value));
    else if (f.kind == KV_FIELD_STRING)
      store.WriteString(kSpecific, k.key, static_cast<char*>(f.value));
  }
}

void PrintOptionKeys(FILE* fp, const std::vector<OptionKey>& keys) {
  if (!fp) return;
  for (const OptionKey& k : keys) {
    const KvOptionField& f = k.field;
    if (f.kind == KV_FIELD_INT || f.kind == KV_FIELD_FLAG)
      std::fprintf(fp, "\t %s: %d\n", k.key, *static_cast<int*>(f.value));
    else if (f.kind == KV_FIELD_DOUBLE)
      std::fprintf(fp, "\t %s: %g\n", k.key, *static_cast<double*>(f.value));
    else
      std::fprintf(fp, "\t %s: %s\n", k.key, static_cast<char*>(f.value));
  }
}

int OptionKeyFields(const std::vector<OptionKey>& keys, KvOptionField* out, int max) {
  int n = 0;
  for (const OptionKey& k : keys) {
    if (n >= max) break;
    out[n++] = k.field;
  }
  return n;
}

}  // namespace kvpf
