// The 3DS import class of the built plug-in, in command-line mode with no
// options, for the import tests.
#pragma once
#include <string>

#include "plugin_test_support.h"

namespace kv3dstest {

inline int ImportClass() { return kvtest::FindClass("3D Studio (*.3ds, *.prj, *.mtl)", MESH_IMPORT_CLASS_ID); }

inline MScene* Import(const std::string& path) {
  kvtest::UseCommandLine({});
  return kvtest::ImportWith(ImportClass(), path);
}

}  // namespace kv3dstest
