// Line reading for the text formats: large fread blocks, lines of any length
// (up to a bound) delivered whole, a last line without a line end delivered
// too.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

// A line ends at LF, at CR (a directly following LF is consumed) or at any
// other control character below 32 except TAB. TAB either stays in the line
// (formats where it separates words) or is dropped.
class MLineReader {
 public:
  enum TabMode { kKeepTabs, kDropTabs };
  // Lines longer than max_line bytes are cut there; the rest of such a line
  // is skipped and LineCut() tells. The FILE stays the caller's.
  explicit MLineReader(FILE* f, TabMode tabs = kKeepTabs, size_t buffer_size = 1 << 20,
                       size_t max_line = kDefaultMaxLine);
  ~MLineReader();
  MLineReader(const MLineReader&) = delete;
  MLineReader& operator=(const MLineReader&) = delete;

  // Next line, NUL-terminated and writable, without its end; null at end of
  // file. Valid until the next call.
  char* Next(size_t* length = nullptr);
  // Bytes consumed so far.
  long Position() const { return pos_; }
  // Number of the line last delivered, counting LF, CR and CR LF ends.
  long LineNumber() const { return line_no_; }
  // The line last delivered was longer than max_line and was cut.
  bool LineCut() const { return cut_; }
  // A read error (not end of file) stopped the reading.
  bool ReadError() const { return read_error_; }
  // Reads no more than bytes from where the FILE stood at the first read:
  // the text ends there, as at the end of the file.
  void SetLimit(long bytes) { limit_ = bytes; }

  static constexpr size_t kDefaultMaxLine = size_t(1) << 28;

 private:
  bool Fill();
  void Append(const char* p, size_t n);
  FILE* f_;
  bool keep_tabs_;
  char* buf_;
  size_t cap_;
  size_t max_line_;
  size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
  bool read_error_ = false;
  bool skip_lf_ = false;     // the last line ended at CR
  bool counted_end_ = true;  // the previous line ended at LF or CR
  bool cut_ = false;
  long pos_ = 0;
  long line_no_ = 0;
  long limit_ = -1;  // none
  long read_ = 0;    // bytes taken from the FILE
  std::string line_;
};

// Text has no bytes below 32 but TAB, the line ends, form feeds and ^Z: a
// file that holds any other in its first 4 KB is some binary file, not text
// of a line format. f is rewound.
bool m_text_looks_binary(FILE* f);
