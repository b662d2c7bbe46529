// Group pairs of ASCII and binary DXF.
#include <cmath>
#include <cstring>

#include "dxf_import_parts.h"

namespace dxf {
namespace {

// A value line is read whole, whatever its length, and cut here, so that
// the pairs never fall out of step.
constexpr size_t kMaxLine = 4096;
// Reals this close to 0 are 0: the writers' rounding noise.
constexpr double kSnap = 1e-6;

enum class BinType { kString, kReal, kInt16, kInt32, kInt64, kByte, kChunk, kUnknown };

// The value types of the binary encoding by group code.
BinType BinaryType(int c) {
  if (c < 0) return BinType::kUnknown;
  if (c <= 9) return BinType::kString;
  if (c <= 59) return BinType::kReal;
  if (c <= 79) return c >= 60 ? BinType::kInt16 : BinType::kUnknown;
  if (c >= 90 && c <= 99) return BinType::kInt32;
  if (c >= 100 && c <= 109) return BinType::kString;
  if (c >= 110 && c <= 149) return BinType::kReal;
  if (c >= 160 && c <= 169) return BinType::kInt64;
  if (c >= 170 && c <= 209) return BinType::kInt16;
  if (c >= 210 && c <= 239) return BinType::kReal;
  // 280-289 hold 8-bit values but take two bytes in the file, like the
  // other short integers; only the flags 290-299 take one.
  if (c >= 270 && c <= 289) return BinType::kInt16;
  if (c >= 290 && c <= 299) return BinType::kByte;
  if (c >= 300 && c <= 309) return BinType::kString;
  if (c >= 310 && c <= 319) return BinType::kChunk;
  if (c >= 320 && c <= 369) return BinType::kString;
  if (c >= 370 && c <= 389) return BinType::kInt16;
  if (c >= 390 && c <= 399) return BinType::kString;
  if (c >= 400 && c <= 409) return BinType::kInt16;
  if (c >= 410 && c <= 419) return BinType::kString;
  if (c >= 420 && c <= 429) return BinType::kInt32;
  if (c >= 430 && c <= 439) return BinType::kString;
  if (c >= 440 && c <= 459) return BinType::kInt32;
  if (c >= 460 && c <= 469) return BinType::kReal;
  if (c >= 470 && c <= 481) return BinType::kString;
  if (c == kCodeComment) return BinType::kString;
  if (c >= 1000 && c <= 1009) return c == 1004 ? BinType::kChunk : BinType::kString;
  if (c >= 1010 && c <= 1059) return BinType::kReal;
  if (c >= 1060 && c <= 1070) return BinType::kInt16;
  if (c == 1071) return BinType::kInt32;
  return BinType::kUnknown;
}

inline bool IsRealCode(int c) {
  return (c >= kFirstRealCode && c <= kLastRealCode) || (c >= kFirstExtrusionCode && c <= kLastExtrusionCode);
}

inline const char* SkipBlanks(const char* s) {
  while (*s == ' ' || *s == '\t') ++s;
  return s;
}

// A whole number at s (blanks first, anything after it ignored, like
// scanf); false when there is none or it does not fit 32 bits. end (may be
// null) gets the character after it.
bool ScanInt(const char* s, long* out, const char** end = nullptr) {
  s = SkipBlanks(s);
  bool neg = *s == '-';
  if (*s == '-' || *s == '+') ++s;
  if (*s < '0' || *s > '9') return false;
  long v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    v = v * 10 + (*s - '0');
    if (v > 2147483648L) return false;
  }
  v = neg ? -v : v;
  if (v > 2147483647L) return false;
  *out = v;
  if (end) *end = s;
  return true;
}

}  // namespace

GroupReader::GroupReader(FILE* f, long size, LogFile& log)
    : log_(log), size_(size), lines_(std::make_unique<MLineReader>(f, MLineReader::kKeepTabs, 1 << 20, kMaxLine)) {}

GroupReader::GroupReader(const uint8_t* data, size_t size, bool wide_codes, LogFile& log)
    : log_(log), size_(static_cast<long>(size)), bin_(data, size), wide_codes_(wide_codes), binary_(true) {}

long GroupReader::Position() const {
  if (binary_) return static_cast<long>(bin_.Pos() + kBinaryHeaderLength);
  return lines_->Position();
}

bool GroupReader::Next() {
  if (failed_) return false;
  for (;;) {
    Raw r = binary_ ? NextBinary() : NextAscii();
    if (r == Raw::kLive) return true;
    if (r == Raw::kEnd) return false;
  }
}

void GroupReader::Fail(const char* what, const char* line) {
  failed_ = true;
  if (binary_) {
    log_.write(">> Error at byte %ld\n", Position());
    reason_ = std::string(what) + " at byte " + std::to_string(Position());
  } else {
    log_.write(">> Error line (%03ld) %s\n", lines_->LineNumber(), line ? line : "");
    reason_ = std::string(what) + " at line " + std::to_string(lines_->LineNumber());
  }
  log_.write(">> (%d) %s\n", code_, what);
}

bool GroupReader::ParseAsciiReal(const char* s, size_t n) {
  double v = 0;
  if (!m_scan_double(s, s + n, &v) || !std::isfinite(v)) return false;
  real_ = std::fabs(v) < kSnap ? 0.0 : v;
  return true;
}

bool GroupReader::ParseAsciiInt(const char* s, size_t n) {
  long v = 0;
  if (!ScanInt(s, &v)) return false;
  int_ = static_cast<int>(v);
  return true;
}

GroupReader::Raw GroupReader::NextAscii() {
  size_t n = 0;
  char* line = lines_->Next(&n);
  if (!line) return Raw::kEnd;
  long code = 0;
  const char* rest = line;
  // A code line holds the number and blanks only.
  if (!ScanInt(line, &code, &rest) || *SkipBlanks(rest)) {
    Fail("no group code", line);
    return Raw::kEnd;
  }
  code_ = static_cast<int>(code);
  char* value = lines_->Next(&n);
  if (!value) {
    Fail("read line", "");
    return Raw::kEnd;
  }
  if (code_ < 0) {
    log_.write(">> Error line (%03ld) %s\n", lines_->LineNumber(), value);
    log_.write(">> (%d) %s\n", code_, "group code negative");
    return Raw::kSkip;
  }
  // Extended data and comments are read and dropped: an extended code is
  // never taken for the live code it would be without its 1000.
  if (code_ >= kCodeXdataFirst || code_ == kCodeComment) return Raw::kSkip;
  if (code_ <= kLastStringCode) {
    kind_ = ValueKind::kString;
    text_.assign(value, n < kMaxString ? n : kMaxString);
    return Raw::kLive;
  }
  if (IsRealCode(code_)) {
    kind_ = ValueKind::kReal;
    if (ParseAsciiReal(value, n)) return Raw::kLive;
    Fail("no real number", value);
    return Raw::kEnd;
  }
  if (code_ >= kFirstIntCode && code_ <= kLastIntCode) {
    kind_ = ValueKind::kInt;
    if (ParseAsciiInt(value, n)) return Raw::kLive;
    Fail("no int number", value);
    return Raw::kEnd;
  }
  if (log_.Get_FILE()) {
    log_.write(">> Error line (%03ld) %s\n", lines_->LineNumber(), value);
    log_.write(">> (%d) %s\n", code_, "unknown group code");
  }
  return Raw::kSkip;
}

GroupReader::Raw GroupReader::NextBinary() {
  if (bin_.AtEnd()) return Raw::kEnd;
  int code = wide_codes_ ? bin_.I16() : bin_.U8();
  if (!wide_codes_ && code == kBinaryWideCode) code = bin_.I16();
  code_ = code;
  if (!bin_.Ok()) {
    Fail("no group code", nullptr);
    return Raw::kEnd;
  }
  const BinType type = BinaryType(code);
  double real = 0;
  long integer = 0;
  switch (type) {
    case BinType::kString: text_ = bin_.CString(kMaxString); break;
    case BinType::kReal: real = bin_.F64(); break;
    case BinType::kInt16: integer = bin_.I16(); break;
    case BinType::kInt32: integer = bin_.I32(); break;
    case BinType::kInt64: bin_.Skip(8); break;
    case BinType::kByte: bin_.Skip(1); break;
    case BinType::kChunk: bin_.Skip(bin_.U8()); break;
    case BinType::kUnknown:
      // Without its type the value's length is unknown: nothing after it
      // can be read in step.
      log_.write("unknown group code %d\n", code);
      Fail("unknown group code", nullptr);
      return Raw::kEnd;
  }
  if (!bin_.Ok()) {
    Fail("read line", nullptr);
    return Raw::kEnd;
  }
  if (code < 0 || code >= kCodeXdataFirst || code == kCodeComment) return Raw::kSkip;
  if (code <= kLastStringCode) {
    kind_ = ValueKind::kString;
    return Raw::kLive;
  }
  if (IsRealCode(code)) {
    kind_ = ValueKind::kReal;
    if (!std::isfinite(real)) {
      Fail("no real number", nullptr);
      return Raw::kEnd;
    }
    real_ = std::fabs(real) < kSnap ? 0.0 : real;
    return Raw::kLive;
  }
  if (code >= kFirstIntCode && code <= kLastIntCode) {
    kind_ = ValueKind::kInt;
    int_ = static_cast<int>(integer);
    return Raw::kLive;
  }
  return Raw::kSkip;
}

}  // namespace dxf
