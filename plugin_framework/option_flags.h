// The 0/1 switches of a format's option record, described once: their keys
// in "Specific Settings" and on the command line, their lines in the option
// listing and their check boxes in the options dialog.
//
//   const kvpf::FlagOption flags[] = {{"export_meshes", "export_meshes", "Meshes", &meshes}, ...};
//   kvpf::LoadFlags("export_foo", flags);          // settings-store mode
//   kvpf::LoadFlags(argc, argv, flags);            // command-line mode
#pragma once
#include <cstddef>
#include <cstdio>

#include "plugin_ui.h"

class Base_FileOption;
class MIHandler;

namespace kvpf {

struct FlagOption {
  const char* key;      // settings key and command-line switch
  const char* listing;  // "\t <listing>: %d\n" in the option listing
  const char* box;      // check box text
  int* value;
};

// From the store of store_name, the current values as defaults.
void LoadFlags(const char* store_name, const FlagOption* flags, size_t count);
// From -key=value arguments; absent keys leave the values alone.
void LoadFlags(int argc, char** argv, const FlagOption* flags, size_t count);
void SaveFlags(const char* store_name, const FlagOption* flags, size_t count);
// "\t <listing>: %d\n" per switch; a width above 0 pads each listing and
// its colon to width characters, for listings whose values form a column.
void PrintFlags(FILE* fp, const FlagOption* flags, size_t count, int width = 0);
// The check boxes, control ids from first_id on; at most max written.
int FlagFields(const FlagOption* flags, size_t count, int first_id, KvOptionField* out, int max);

// The switches of the scene exports, all on by default: what of a scene
// they write.
struct SceneSwitches {
  int global_setting = 1;
  int back_ground = 1;
  int atmosphere = 1;
  int meshes = 1;
  int materials = 1;
  int cameras = 1;
  int lights = 1;
  static constexpr size_t kCount = 7;
  // "export_global_setting" ... "export_lights" with their check boxes
  // "Global Settings" ... "Lights", in listing order, bound to this record.
  void Describe(FlagOption* out);
};

// What a record's constructor and destructor do with its switches and its
// map conversion settings (images may be null; section "Image_Handler"):
// loaded from the record's command line in command-line mode, else from the
// store of store_name; saved to the store unless in command-line mode.
void LoadSwitches(const Base_FileOption& record, const char* store_name, const FlagOption* flags, size_t count,
                  MIHandler* images);
void SaveSwitches(const Base_FileOption& record, const char* store_name, const FlagOption* flags, size_t count,
                  MIHandler* images);

template <size_t N>
void LoadFlags(const char* store_name, const FlagOption (&flags)[N]) {
  LoadFlags(store_name, flags, N);
}
template <size_t N>
void LoadFlags(int argc, char** argv, const FlagOption (&flags)[N]) {
  LoadFlags(argc, argv, flags, N);
}
template <size_t N>
void SaveFlags(const char* store_name, const FlagOption (&flags)[N]) {
  SaveFlags(store_name, flags, N);
}
template <size_t N>
void PrintFlags(FILE* fp, const FlagOption (&flags)[N], int width = 0) {
  PrintFlags(fp, flags, N, width);
}
template <size_t N>
int FlagFields(const FlagOption (&flags)[N], int first_id, KvOptionField* out, int max) {
  return FlagFields(flags, N, first_id, out, max);
}

}  // namespace kvpf
