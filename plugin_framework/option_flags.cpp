#include "option_flags.h"

#include <cstring>

#include "cmdline.h"
#include "fileoption.h"
#include "mihandler.h"
#include "profile.h"

namespace kvpf {
namespace {
const char kSpecific[] = "Specific Settings";
const char kImageSection[] = "Image_Handler";
}  // namespace

void SceneSwitches::Describe(FlagOption* out) {
  const FlagOption flags[kCount] = {
      {"export_global_setting", "export_global_setting", "Global Settings", &global_setting},
      {"export_back_ground", "export_back_ground", "Back Ground", &back_ground},
      {"export_atmosphere", "export_atmosphere", "Atmosphere", &atmosphere},
      {"export_meshes", "export_meshes", "Meshes", &meshes},
      {"export_materials", "export_materials", "Materials", &materials},
      {"export_cameras", "export_cameras", "Cameras", &cameras},
      {"export_lights", "export_lights", "Lights", &lights}};
  for (size_t i = 0; i < kCount; ++i) out[i] = flags[i];
}

void LoadSwitches(const Base_FileOption& record, const char* store_name, const FlagOption* flags, size_t count,
                  MIHandler* images) {
  if (record.cmd_mode) {
    LoadFlags(record.argc, record.argv, flags, count);
    if (images) images->Load(record.argc, record.argv);
  } else {
    LoadFlags(store_name, flags, count);
    if (images) images->Load(kImageSection, store_name);
  }
}

void SaveSwitches(const Base_FileOption& record, const char* store_name, const FlagOption* flags, size_t count,
                  MIHandler* images) {
  // Command-line records never write the store.
  if (record.cmd_mode) return;
  SaveFlags(store_name, flags, count);
  if (images) images->Save(kImageSection, store_name);
}

void LoadFlags(const char* store_name, const FlagOption* flags, size_t count) {
  Profile store(store_name);
  for (size_t i = 0; i < count; ++i) {
    unsigned long v = static_cast<unsigned long>(*flags[i].value);
    if (store.GetInt(kSpecific, flags[i].key, *flags[i].value, &v)) *flags[i].value = static_cast<int>(v);
  }
}

void LoadFlags(int argc, char** argv, const FlagOption* flags, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    int v = *flags[i].value;
    if (m_get_cmdl_int(argc, argv, flags[i].key, *flags[i].value, &v)) *flags[i].value = v;
  }
}

void SaveFlags(const char* store_name, const FlagOption* flags, size_t count) {
  Profile store(store_name);
  for (size_t i = 0; i < count; ++i)
    store.WriteInt(kSpecific, flags[i].key, static_cast<unsigned long>(*flags[i].value));
}

void PrintFlags(FILE* fp, const FlagOption* flags, size_t count, int width) {
  if (!fp) return;
  for (size_t i = 0; i < count; ++i) {
    const int pad = width - static_cast<int>(std::strlen(flags[i].listing)) - 1;
    std::fprintf(fp, "\t %s:%*s%d\n", flags[i].listing, pad > 0 ? pad + 1 : 1, "", *flags[i].value);
  }
}

int FlagFields(const FlagOption* flags, size_t count, int first_id, KvOptionField* out, int max) {
  int n = 0;
  for (size_t i = 0; i < count && n < max; ++i)
    out[n++] = KvOptionField{first_id + static_cast<int>(i), flags[i].box, KV_FIELD_FLAG, flags[i].value, sizeof(int)};
  return n;
}

}  // namespace kvpf
