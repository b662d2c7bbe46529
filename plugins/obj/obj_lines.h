// OBJ lines parsed without the reader's state (the lists read so far, the
// current group and material). A large file is read in two parts: while
// the reader works through the front part, a second thread parses the back
// part into a list of statements, which the reader then applies in order.
// The scene is the same as from one pass.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class MLineReader;

namespace kvobj {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A texture or normal index the corner leaves out (a, a//c, a/b).
constexpr int32_t kNoIndex = INT32_MIN;

// A corner as the file states it: 1-based, or negative from the current
// end of its list. Values past the int range are cut to it: no list is
// that long, so they stay invalid.
struct Corner {
  int32_t p, t, n;
};

enum class Kind : uint8_t {
  kVertex,     // v
  kTexture,    // vt
  kNormal,     // vn
  kFace,       // f, fo
  kStatement,  // a statement that adds nothing: a comment, a curve, a line
  kText,       // anything else (names, libraries, text of no statement)
};

// The kind of the statement whose keyword is w[0..n).
Kind KindOf(const char* w, size_t n);

// Up to max numbers of the text s (strtod syntax); how many were read.
// Non-finite values (1e999, nan) read as 0 and set *clamped, so that one bad
// number cannot poison the bounds; the entry is kept either way, as
// dropping it would shift every later index.
int ScanNumbers(const char* s, double* out, int max, bool* clamped);

// The numbers of a v, vt or vn line (ScanNumbers). False when the line adds
// no entry; the third number of a vt line of two is 0.
bool ParseVector(Kind kind, const char* rest, double xyz[3], bool* clamped);

// The corners of a face line; a backslash in the last piece continues the
// face on the next line of in.
void ParseFace(char* rest, size_t len, MLineReader& in, std::vector<Corner>* out);

// The statements of a back part, in file order, in pieces of at most
// kPieceStatements: the reader frees each piece once it has applied it, so
// that the parsed back part and the model it becomes are never both whole.
struct BackPart {
  struct Statement {
    Kind kind;
    bool clamped;   // a number read as 0
    uint32_t size;  // corners of a face, bytes of a text
    long line;      // line number within the part, from 1
  };
  struct Piece {
    std::vector<Statement> statements;
    std::vector<double> numbers;  // three per vertex statement
    std::vector<Corner> corners;
    std::string text;             // the text lines, one after another
  };
  static constexpr size_t kPieceStatements = 1 << 16;
  std::vector<Piece> pieces;
  long end_position = 0;  // bytes of the part read, for progress
  bool ok = false;        // false: the reader parses the part itself
};

// Below this size one thread reads the file: the second one would not pay.
constexpr long kSplitMinBytes = 4L << 20;

// Where the back part of a file of total bytes starts: after a line end
// near the given share of the file, where no face line continues over it.
// 0: the file is read in one part (too small, or no such line nearby). The
// FILE's position is kept.
long SplitPoint(FILE* f, long total, double share, long min_bytes = kSplitMinBytes);

// Parses the file at path from byte start to its end into out.
void ParseBackPart(const std::string& path, long start, BackPart* out);

}  // namespace kvobj
