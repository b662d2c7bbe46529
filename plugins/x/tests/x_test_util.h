// The DirectX plug-ins under test, small .x files written by the tests, and
// assimp as the outside reader.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_test_support.h"
#include "test_support.h"

namespace xtest {

int XImport();
int XExport();
int ObjImport();
int ObjExport();

// Every loaded library in command-line mode with these options.
void Options(const std::vector<std::string>& options);

// Imports a file; null when the import failed.
MScene* Import(const std::string& path);
// Writes text to a file in dir and imports it.
MScene* ImportText(const kvtest::TempDir& dir, const std::string& body, const char* header = "xof 0302txt 0032\n");
// Exports with the given options (the text form by default); 1 written.
int Export(MScene* scene, const std::string& path, const std::vector<std::string>& options = {});

MMesh_P* Mesh(MScene* scene, int i);
int MeshCount(MScene* scene);
long Triangles(MScene* scene);
// Surface name of face f of mesh m.
std::string FaceMaterial(MMesh_P* m, int f);

struct Box {
  MVector3 lo, hi;
};
Box Bounds(MScene* scene);

// What assimp reads from a file: triangles, bounds and material names;
// ok false when assimp is missing or refused the file.
struct Assimp {
  bool ok = false;
  long faces = 0;
  Box box;
  std::vector<std::string> materials;
};
bool HaveAssimp();
Assimp AssimpInfo(const std::string& path);

// 16-byte header + binary body helpers for hand-made binary files.
class BinBody {
 public:
  void Token(uint16_t t);
  void Name(const std::string& s);
  void Ints(const std::vector<uint32_t>& v);
  void Floats(const std::vector<double>& v, int bits);
  void String(const std::string& s);
  std::string bytes;
};

}  // namespace xtest
