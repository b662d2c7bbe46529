// Option records of the three export classes: the binary .3ds/.prj writers
// (with the map conversion settings) and the ASCII .asc writer.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"

namespace k3ds {

// The constants that tell the .3ds and .prj classes apart.
struct BinaryKind {
  const char* key;     // settings section and store name
  const char* log;     // log file name
  const char* ext;
  const char* filter;
  int file_kind;       // 0 mesh file, 1 project file
};
extern const BinaryKind kMeshFileKind;
extern const BinaryKind kProjectFileKind;

struct ExportFlags {
  int global_setting = 1, back_ground = 1, atmosphere = 1, meshes = 1, materials = 1, cameras = 1,
      lights = 1, fast_smoothing = 1;
};

class Export3dsOption : public Export_FileOption {
 public:
  ExportFlags flags;
  MIHandler image_handler;
  const BinaryKind& kind;

  explicit Export3dsOption(const BinaryKind& k);                    // settings-store mode
  Export3dsOption(const BinaryKind& k, int argc, char** argv);     // command-line mode
  ~Export3dsOption() override;

  void Print_Specific(FILE* fp);
};

class ExportAscOption : public Export_FileOption {
 public:
  ExportFlags flags;  // materials unused

  ExportAscOption();
  ExportAscOption(int argc, char** argv);
  ~ExportAscOption() override;

  void Print_Specific(FILE* fp);
};

}  // namespace k3ds
