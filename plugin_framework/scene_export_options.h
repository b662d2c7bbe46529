// The option record that the scene-description exporters (VRML, POV-Ray,
// RenderMan, ...) share: the seven flags that choose what is written, the
// map conversion options (section "Image_Handler"), and room for the
// format's own integer settings.
#pragma once
#include <cstdio>
#include <vector>

#include "fileoption.h"
#include "mihandler.h"
#include "plugin_ui.h"
#include "specific_options.h"

namespace kvpf {

class SceneExportOption : public Export_FileOption {
 public:
  int export_global_setting = 1;
  int export_back_ground = 1;
  int export_atmosphere = 1;
  int export_meshes = 1;
  int export_materials = 1;
  int export_cameras = 1;
  int export_lights = 1;
  MIHandler image_handler;

  // Settings-store mode (saved when destroyed) or command-line mode. The
  // listing pads the keys to `listing_width` (0: one blank after the colon).
  SceneExportOption(const char* store_name, const char* log_name, const char* filter, const char* ext,
                    int listing_width);
  SceneExportOption(int argc, char** argv, const char* store_name, const char* log_name, const char* filter,
                    const char* ext, int listing_width);
  ~SceneExportOption() override;

  // The common options, the flags, the format's own settings, then the map
  // conversion options.
  void Print_Options(FILE* fp) override;

  // The options dialog's fields: the seven flags, then `more`.
  int OptionFields(const std::vector<KvOptionField>& more, KvOptionField* out, int max);

 protected:
  // The format's own settings, loaded at once; the derived record's
  // destructor saves them with SaveOwnSettings (its fields are gone by the
  // time this record's destructor runs).
  void LoadOwnSettings(const std::vector<IntSetting>& own);
  void SaveOwnSettings();

 private:
  std::vector<IntSetting> Flags();
  const char* store_name_;
  int listing_width_;
  std::vector<IntSetting> own_;
};

// The factory of an option record class with the two constructors
// (settings store; argc, argv).
template <class Options>
Export_FileOption* NewExportOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new Options(argc, argv);
  return new Options();
}

}  // namespace kvpf
