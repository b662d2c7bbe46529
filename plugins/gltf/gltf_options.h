// The option records of the glTF import class and the two export classes
// (.glb and .gltf).
#pragma once
#include <cstdio>
#include <vector>

#include "fileoption.h"
#include "mihandler.h"
#include "option_keys.h"

#define GLTF_PATH_LEN 1024

// Import. Persisted in "Specific Settings": whether images held inside the
// file are written out as files (the scene names maps by file), whether
// such a file that exists already is replaced, the folder they go to
// (empty: beside the model), and whether buffers and images may be read
// from outside the model's folder.
class GltfImportOption : public Import_FileOption {
 public:
  int write_images = 1;
  int overwrite_images = 0;
  char image_path[GLTF_PATH_LEN] = {};
  int any_uri = 0;

  GltfImportOption();                       // settings-store mode
  GltfImportOption(int argc, char** argv);  // command-line mode
  ~GltfImportOption() override;

  void Print_Options(FILE* fp) override;
  std::vector<kvpf::OptionKey> Keys();

  static const char* Filter();
  static const char* Help();
};

// Export, binary (.glb) or JSON (.gltf). Persisted: whether buffers and
// images are embedded (in the binary chunk of a .glb, as data URIs in a
// .gltf; else images are referenced by name and a .gltf gets a .bin beside
// it), and whether cameras and lights are written; the map settings in
// "Image_Handler".
class GltfExportOption : public Export_FileOption {
 public:
  const bool binary;
  int embed;
  int cameras = 1;
  int lights = 1;
  MIHandler image_handler;

  explicit GltfExportOption(bool binary);
  GltfExportOption(bool binary, int argc, char** argv);
  ~GltfExportOption() override;

  void Print_Options(FILE* fp) override;
  std::vector<kvpf::OptionKey> Keys();

  static const char* Filter(bool binary);
  static const char* Help(bool binary);
};
