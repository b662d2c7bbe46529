// Texture map handling on export: the map conversion options, the names an
// exporter writes for the maps, and the copying / converting of the map
// files next to the exported model.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "allocator.h"
#include "imageconv.h"
#include "maplist.h"
#include "msgcallback.h"

#define MIH_STRING_LEN 256

// The map file on disk: its name as given through the search path (';'
// separated folders, letter case forgiven), else, for names that carry a
// folder of the machine the model came from, its bare file name.
bool m_find_map(const char* name, const char* search_path, std::string& found);

class MIHandler {
 public:
  int enable_copy;
  char destination_path[MIH_STRING_LEN];  // empty, or ending in a separator
  int enable_image_conversion;
  int image_type;  // imageconv type code
  int enable_extension_conversion;
  char file_extension[MIH_STRING_LEN];  // without the dot

  MIHandler();
  void Init();

  // Keys absent from the command line leave their fields alone. Returns 1.
  int Load(int argc, const char* const* argv);
  // From the settings store of app_name, the current values as defaults.
  int Load(const char* section, const char* app_name);
  int Save(const char* section, const char* app_name);

  // The extension (without dot) an exporter writes for the map. Static
  // buffer, overwritten by the next call.
  char* GetNewExt(const char* map_name);
  // The map name with its new extension (ext, when not empty, wins);
  // mode 0: file name only, mode 1: with the map's own directory, any other
  // mode: the previous result. Static buffer.
  char* GetNewMapName(const char* map_name, int mode, const char* ext);

  // For a format whose map names hold at most max_len characters: every map
  // that is to be copied or converted and whose new name (mode 0) is longer
  // gets a short stem (STEM~N, 8.3 when the limit allows) that fits with its
  // new extension, unique among the list's maps (letter case forgiven) and
  // not the name of another file in the folder the copy goes to (a file
  // that already is that copy does not count). Call before the model names
  // its maps; ProcessMapFiles then writes the copies under those names.
  // Returns how many maps were given a short stem.
  int FitMapNames(FILE* log, MMapList* maps, size_t max_len, const char* model_path);
  // GetNewMapName, with the short stem FitMapNames gave the map, if any.
  char* GetWrittenMapName(MMapList* maps, const char* map_name, int mode, const char* ext);

  // Copies or converts every map of the list as the options say, logging to
  // log (may be null). model_path is the model file being written. Every
  // copy or conversion arrives whole or not at all. Returns 1 when every map
  // that was to be copied or converted arrived, 0 when one could not be
  // written (failed, may be null, gets a reason for each); maps not found or
  // of no known image type are passed over (missing gets their names).
  int ProcessMapFiles(FILE* log, MessageCallBack1* cb, MMapList* maps, const char* model_path,
                      std::vector<std::string>* failed = nullptr, std::vector<std::string>* missing = nullptr);

  void Print(FILE* fp, int a = 0, int b = 0);

  static const char* get_imgconvhelpstring();

 private:
  // The folder copies go to (created when missing), ending in '/'.
  std::string CopyFolder(const char* model_path) const;

  KV_SHARED_HEAP
};
