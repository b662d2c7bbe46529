// Line reading for the OBJ and MTL readers: large fread blocks, lines of any
// length delivered whole.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

namespace kvobj {

// A line ends at LF, at CR (a directly following LF is consumed) or at any
// other control character below 32 except TAB, which stays in the line (it
// separates words in OBJ). A last line without a line end is delivered too.
class LineReader {
 public:
  explicit LineReader(FILE* f, size_t buffer_size = 1 << 22);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Next line, NUL-terminated and writable, without its end; null at end of
  // file. Valid until the next call.
  char* Next(size_t* length);
  long Position() const { return pos_; }
  // Number of the line last delivered, counting LF, CR and CR LF ends.
  long LineNumber() const { return line_no_; }

 private:
  bool Fill();
  FILE* f_;
  char* buf_;
  size_t cap_;
  size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
  bool skip_lf_ = false;
  bool counted_end_ = true;  // the previous line ended at LF or CR
  long pos_ = 0;
  long line_no_ = 0;
  std::string line_;
};

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace kvobj
