// The pieces of the OpenGL source export shared by its source files.
#pragma once
#include <string>

#include "format_run.h"
#include "korvanelib.h"
#include "ogl_format.h"
#include "ogl_options.h"

namespace ogl {

// C text on the kit's writer that compiles as C99 and as C++: float
// literals that keep their digits, escaped string literals, comments that
// cannot end early.
class CText {
 public:
  explicit CText(MTextWriter& out) : out_(out) {}
  MTextWriter& out() { return out_; }
  void Put(const char* s) { out_.Put(s); }
  void Put(char c) { out_.Put(c); }
  void Line(const char* s) { out_.Line(s); }
  void Int(long v) { out_.Int(v); }
  // v as a float literal ("1.500000f", "1e-07f"); what a float cannot hold
  // is written as the nearest value it can (0 for what is not a number).
  void Float(double v);
  // "%lff, %lff, %lff"
  void Floats(double a, double b, double c);
  void Floats(const MVector3& v) { Floats(v.x, v.y, v.z); }
  void Floats(const MColor& c) { Floats(c.r, c.g, c.b); }
  // "text", escaped.
  void String(const char* s);
  // Text inside /* */: no line ends, nothing that opens or closes a comment.
  void CommentText(const char* s);

 private:
  MTextWriter& out_;
};

struct OglRun {
  MScene* scene;
  OglExportOption* o;
  kvpf::ExportRun& run;
  MessageCallBack1* cb;
  CText& src;  // the source file
  CText& hdr;  // the header
};

// The objects' arrays, then the objects table.
void WriteObjects(OglRun& r);

}  // namespace ogl
