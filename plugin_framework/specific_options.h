// The integer settings of a format's option record ("Specific Settings" of
// the plug-in's store): read from the command line in command-line mode,
// else from the store, and written back only in store mode.
#pragma once
#include <cstdio>
#include <vector>

class Base_FileOption;

namespace kvpf {

struct IntSetting {
  const char* key;  // store key and command-line switch (-key=IVAL)
  int* value;       // holds the default on entry
};

// A key that is absent, or has no number, leaves its value alone.
void LoadIntSettings(const Base_FileOption& o, const char* store_name, const std::vector<IntSetting>& settings);
void SaveIntSettings(const Base_FileOption& o, const char* store_name, const std::vector<IntSetting>& settings);
// "\t <key><padding> %d\n" per setting, the keys padded to `width`
// characters after their colon (0: one blank).
void PrintIntSettings(FILE* fp, const std::vector<IntSetting>& settings, int width = 0);

}  // namespace kvpf
