// Shared by the 3DS tests: the import class of the built plug-in, the real
// files of the corpus and lib3ds's 3dsdump as the other reader.
#pragma once
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin_test_support.h"
#include "test_support.h"

namespace kv3dstest {

inline int ImportClass() { return kvtest::FindClass("3D Studio (*.3ds, *.prj, *.mtl)", MESH_IMPORT_CLASS_ID); }

// In command-line mode with no options.
inline MScene* Import(const std::string& path) {
  kvtest::UseCommandLine({});
  return kvtest::ImportWith(ImportClass(), path);
}

inline std::filesystem::path CorpusFolder() { return kvtest::corpus_dir() / "3ds"; }

// The .3ds files of the corpus, whatever the letter case of the extension.
inline std::vector<std::filesystem::path> CorpusFiles() {
  std::vector<std::filesystem::path> out;
  for (const auto& e : std::filesystem::directory_iterator(CorpusFolder())) {
    std::string ext = e.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".3ds") out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

inline bool Have3dsdump() { return std::system("command -v 3dsdump >/dev/null 2>&1") == 0; }

// What "3dsdump -t" prints for a file; empty when it cannot run.
inline std::string Dump3ds(const std::string& path) {
  return kvtest::command_output("3dsdump -t '" + path + "' 2>/dev/null");
}

}  // namespace kv3dstest
