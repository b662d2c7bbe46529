// The pieces of the Lightflow export shared by its source files.
#pragma once
#include <map>
#include <set>
#include <string>

#include "format_run.h"
#include "korvanelib.h"
#include "lightflow_format.h"
#include "lightflow_options.h"

namespace ltw {

// Python text on the kit's writer: escaped string literals, comments that
// stay comments, numbers that keep their digits.
class PyText : public MTextWriter {
 public:
  using MTextWriter::MTextWriter;
  // v with the given decimals when they keep it, else every digit; what is
  // not a number as 0.
  void Num(double v, int decimals = 6);
  // "vector3( a, b, c )" with the given decimals; tight: without the blank
  // before ")".
  void Vector3(const MVector3& v, int decimals = 6, bool tight = false);
  // "text", escaped; bytes outside ASCII too (a script is UTF-8).
  void Str(const char* s) { Quoted(s, kQuoteHighBytes); }
  // prefix and text as one comment line.
  void Comment(const char* prefix, const char* text);
};

// Variable names made from surface and texture names, each once.
class PyNames {
 public:
  std::string Make(const char* prefix, const char* name);

 private:
  std::set<std::string> used_;
};

struct LtwRun {
  MScene* scene;
  LightflowExportOption* o;
  kvpf::ExportRun& run;
  MessageCallBack1* cb;
  PyText& py;
  PyNames names;
  std::map<std::string, std::string> materials;  // surface name -> variable
  std::string default_material;                  // made when a mesh needs it
};

// A surface as a material (and its pattern); false when it could not be
// written (its map has no name).
bool WriteMaterial(LtwRun& r, MSurface* s, const std::string& var);
// The meshes, each part of one surface in its material block.
void WriteMeshes(LtwRun& r);

}  // namespace ltw
