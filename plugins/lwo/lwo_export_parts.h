// The object files of the LightWave export.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "korvanelib.h"

namespace lwoexp {

struct ObjectFile {
  MScene* scene = nullptr;
  MMesh_P* mesh = nullptr;  // the faces to write (not changed)
  MMatrix matrix;           // into world space
  int version = 0;          // 0: LWOB, 1: LWO2
  int walk_index = 0;       // names the texture map "uv_map<index>"
  MIHandler* images = nullptr;
  LogFile* log = nullptr;
};

// The bytes of one object file. False, with the reason, when the mesh cannot
// be written in that version.
bool WriteObjectFile(const ObjectFile& in, std::vector<uint8_t>* out, std::string* error);

}  // namespace lwoexp
