// The pieces of the RenderMan export shared by its source files.
#pragma once
#include <string>

#include "format_run.h"
#include "korvanelib.h"
#include "rib_format.h"
#include "rib_options.h"

namespace rib {

// RIB text on the kit's writer: quoted strings with their escapes, numbers
// that keep every digit, comments that stay on their line.
class RibText : public MTextWriter {
 public:
  using MTextWriter::MTextWriter;

  // "text", escaped.
  void Str(const char* s) { Quoted(s); }
  // v with the given decimals when they keep it, else every digit; a value
  // that is not finite is written as 0.
  void Num(double v, int decimals = 6);
  // "[ a b c ]"
  void Triple(double a, double b, double c);
  void Triple(const MColor& c) { Triple(c.r, c.g, c.b); }
  void Triple(const MVector3& v) { Triple(v.x, v.y, v.z); }
  // prefix and text on one line, control characters of text as blanks.
  void Comment(const char* prefix, const char* text);
  // A request with one string argument: Request "arg"
  void Request(const char* request, const char* arg);
  // Parameter lines of a request: \t"name" value
  void Param(const char* name, double v);
  void Param(const char* name, int v);
  void Param(const char* name, const char* s);
  void Param(const char* name, const MColor& c);
  void Param(const char* name, const MVector3& v);

 private:
  void ParamName(const char* name);
};

// Scene coordinates are right-handed with Z up; RenderMan's are left-handed
// with Y up.
inline MVector3 ToRib(const MVector3& v) { return v.Swap(3); }

struct RibRun {
  MScene* scene;
  RibExportOption* o;
  kvpf::ExportRun& run;
  MessageCallBack1* cb;
  RibText& text;
  const ShaderSet& shaders;
};

// The name a map file is written with (converted as the map options say;
// the PRMan variant asks for its texture files), logged.
std::string MapName(RibRun& r, const char* file);

// The objects of the world block with their surfaces.
void WriteObjects(RibRun& r);

}  // namespace rib
