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
class CText : public MTextWriter {
 public:
  using MTextWriter::MTextWriter;
  // v as a float literal ("1.500000f", "1e-07f"); what a float cannot hold
  // is written as the nearest value it can (0 for what is not a number).
  void Float(double v);
  // "%lff, %lff, %lff"
  void Floats(double a, double b, double c);
  void Floats(const MVector3& v) { Floats(v.x, v.y, v.z); }
  void Floats(const MColor& c) { Floats(c.r, c.g, c.b); }
  // "text", escaped: no trigraph, no byte outside ASCII.
  void String(const char* s) { Quoted(s, kQuoteHighBytes | kQuoteTrigraphs); }
  // Text inside /* */: no line ends, nothing that opens or closes a comment.
  void CommentText(const char* s);
};

struct OglRun {
  MScene* scene;
  OglExportOption* o;
  kvpf::ExportRun& run;
  MessageCallBack1* cb;
  CText& src;  // the source file
  CText& hdr;  // the header
};

// The header's size and declaration of a table and the start of its
// initialiser in the source; an empty table is one zero entry (ISO C has no
// empty arrays) and gives false.
bool BeginTable(OglRun& r, const char* type, const char* name, const char* size_name, const char* comment, int count);

// The objects' arrays, then the objects table.
void WriteObjects(OglRun& r);

}  // namespace ogl
