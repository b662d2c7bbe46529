// Text helpers of the RAW format: a line reader over a large buffer, the
// number scanner and an exact, fast "%f" formatter.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

namespace kvraw {

// Reads lines with the library's line rules: a line ends at LF, at CR (a
// directly following LF is consumed) or at any other control character below
// 32 except TAB; TAB characters are dropped. Unlike a fixed line buffer, a
// line of any length is delivered whole, and a last line without a line end
// is delivered too.
class LineReader {
 public:
  explicit LineReader(FILE* f, size_t buffer_size = 1 << 20);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Next line (NUL-terminated, without its end) or null at end of file. The
  // text stays valid until the next call.
  const char* Next(size_t* length = nullptr);
  // Bytes consumed so far.
  long Position() const { return pos_; }

 private:
  bool Fill();
  FILE* f_;
  char* buf_;
  size_t cap_;
  size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
  bool skip_lf_ = false;  // the last line ended at CR
  long pos_ = 0;
  std::string line_;
};

// Parses one strtod-style number at s (leading white space skipped).
// Returns the character after it, or null when no number starts there. The
// text must be NUL-terminated at end_of_text.
const char* ScanDouble(const char* s, const char* end_of_text, double* out);

// Reads up to max numbers from the NUL-terminated text s of the given length
// (strtod syntax, white space between them); returns how many.
int ScanNumbers(const char* s, size_t length, double* out, int max);

// Writes v exactly as printf("%f") does; returns the length. out needs 352
// bytes for any double.
int FormatFixed6(double v, char* out);

}  // namespace kvraw
