#include "specific_options.h"

#include <cstring>

#include "cmdline.h"
#include "fileoption.h"
#include "profile.h"

namespace kvpf {
namespace {
const char kSpecific[] = "Specific Settings";
}

void LoadIntSettings(const Base_FileOption& o, const char* store_name, const std::vector<IntSetting>& settings) {
  if (o.cmd_mode) {
    for (const IntSetting& s : settings) {
      int v = *s.value;
      if (m_get_cmdl_int(o.argc, o.argv, s.key, *s.value, &v)) *s.value = v;
    }
    return;
  }
  Profile store(store_name);
  for (const IntSetting& s : settings) {
    unsigned long v = static_cast<unsigned long>(static_cast<long>(*s.value));
    if (store.GetInt(kSpecific, s.key, *s.value, &v)) *s.value = static_cast<int>(static_cast<long>(v));
  }
}

void SaveIntSettings(const Base_FileOption& o, const char* store_name, const std::vector<IntSetting>& settings) {
  if (o.cmd_mode) return;
  Profile store(store_name);
  for (const IntSetting& s : settings)
    store.WriteInt(kSpecific, s.key, static_cast<unsigned long>(static_cast<long>(*s.value)));
}

void PrintIntSettings(FILE* fp, const std::vector<IntSetting>& settings, int width) {
  if (!fp) return;
  for (const IntSetting& s : settings) {
    int pad = width - static_cast<int>(std::strlen(s.key)) - 1;
    std::fprintf(fp, "\t %s:%*s%d\n", s.key, pad > 0 ? pad + 1 : 1, "", *s.value);
  }
}

}  // namespace kvpf
