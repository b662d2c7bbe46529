#include "scene_export_options.h"

namespace kvpf {
namespace {
const char kImageSection[] = "Image_Handler";
}

SceneExportOption::SceneExportOption(const char* store_name, const char* log_name, const char* filter, const char* ext,
                                     int listing_width)
    : Export_FileOption(store_name, log_name), store_name_(store_name), listing_width_(listing_width) {
  Set_Filter(filter);
  Set_Ext(ext);
  LoadIntSettings(*this, store_name_, Flags());
  image_handler.Load(kImageSection, store_name_);
}

SceneExportOption::SceneExportOption(int argc, char** argv, const char* store_name, const char* log_name,
                                     const char* filter, const char* ext, int listing_width)
    : Export_FileOption(argc, argv, log_name), store_name_(store_name), listing_width_(listing_width) {
  Set_Filter(filter);
  Set_Ext(ext);
  LoadIntSettings(*this, store_name_, Flags());
  image_handler.Load(argc, argv);
}

SceneExportOption::~SceneExportOption() {
  if (cmd_mode) return;  // command-line records never write the store
  SaveIntSettings(*this, store_name_, Flags());
  image_handler.Save(kImageSection, store_name_);
}

std::vector<IntSetting> SceneExportOption::Flags() {
  return {{"export_global_setting", &export_global_setting},
          {"export_back_ground", &export_back_ground},
          {"export_atmosphere", &export_atmosphere},
          {"export_meshes", &export_meshes},
          {"export_materials", &export_materials},
          {"export_cameras", &export_cameras},
          {"export_lights", &export_lights}};
}

void SceneExportOption::LoadOwnSettings(const std::vector<IntSetting>& own) {
  own_ = own;
  LoadIntSettings(*this, store_name_, own_);
}

void SceneExportOption::SaveOwnSettings() {
  SaveIntSettings(*this, store_name_, own_);
  own_.clear();  // the fields they point to are about to go
}

void SceneExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  PrintIntSettings(fp, Flags(), listing_width_);
  PrintIntSettings(fp, own_, listing_width_);
  image_handler.Print(fp);
}

int SceneExportOption::OptionFields(const std::vector<KvOptionField>& more, KvOptionField* out, int max) {
  std::vector<KvOptionField> fields = {
      {1030, "Global Settings", KV_FIELD_FLAG, &export_global_setting, sizeof(int)},
      {1031, "Background", KV_FIELD_FLAG, &export_back_ground, sizeof(int)},
      {1032, "Atmosphere", KV_FIELD_FLAG, &export_atmosphere, sizeof(int)},
      {1033, "Meshes", KV_FIELD_FLAG, &export_meshes, sizeof(int)},
      {1034, "Materials", KV_FIELD_FLAG, &export_materials, sizeof(int)},
      {1035, "Cameras", KV_FIELD_FLAG, &export_cameras, sizeof(int)},
      {1036, "Lights", KV_FIELD_FLAG, &export_lights, sizeof(int)},
  };
  fields.insert(fields.end(), more.begin(), more.end());
  int n = 0;
  for (const KvOptionField& f : fields)
    if (n < max) out[n++] = f;
  return n;
}

}  // namespace kvpf
