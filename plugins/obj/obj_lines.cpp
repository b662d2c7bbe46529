#include "obj_lines.h"

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <new>

#include "korvanelib.h"

namespace kvobj {

namespace {

// The statements of the format that carry nothing this reader takes.
bool IsOtherStatement(const char* w, size_t n) {
  static const char* const kWords[] = {"vp",   "p",     "l",     "mg",       "maplib",   "cstype",    "deg",
                                       "bmat", "step",  "curv",  "curv2",    "surf",     "parm",      "trim",
                                       "hole", "scrv",  "sp",    "end",      "con",      "bevel",     "c_interp",
                                       "d_interp", "lod", "shadow_obj", "trace_obj", "ctech", "stech", "call",
                                       "csh"};
  for (const char* k : kWords)
    if (std::strlen(k) == n && std::memcmp(w, k, n) == 0) return true;
  return false;
}

// A strtol-like integer, as "%d" reads it; false when none starts at s.
bool ParseInt(const char*& s, const char* e, int32_t* out) {
  const char* p = s;
  bool neg = false;
  if (p < e && (*p == '+' || *p == '-')) neg = *p++ == '-';
  if (p >= e || *p < '0' || *p > '9') return false;
  int64_t v = 0;
  for (; p < e && *p >= '0' && *p <= '9'; ++p)
    if (v < INT32_MAX) v = v * 10 + (*p - '0');  // saturates: far past any list
  if (v > INT32_MAX) v = INT32_MAX;
  *out = static_cast<int32_t>(neg ? -v : v);
  s = p;
  return true;
}

// One corner in the forms a, a/b, a/b/c and a//b; false when the piece
// starts with no number.
bool ParseCorner(const char* s, const char* e, Corner* out) {
  out->t = kNoIndex;
  out->n = kNoIndex;
  if (!ParseInt(s, e, &out->p)) return false;
  if (s < e && *s == '/') {
    const char* q = s + 1;
    if (q < e && *q == '/') {
      ++q;
      int32_t v;
      if (ParseInt(q, e, &v)) out->n = v;
      return true;
    }
    int32_t v;
    if (ParseInt(q, e, &v)) {
      out->t = v;
      if (q < e && *q == '/') {
        ++q;
        int32_t w;
        if (ParseInt(q, e, &w)) out->n = w;
      }
    }
  }
  return true;
}

}  // namespace

Kind KindOf(const char* w, size_t n) {
  if (w[0] == 'v') {
    if (n == 1) return Kind::kVertex;
    if (n == 2 && w[1] == 't') return Kind::kTexture;
    if (n == 2 && w[1] == 'n') return Kind::kNormal;
  }
  if (w[0] == 'f' && (n == 1 || (n == 2 && w[1] == 'o'))) return Kind::kFace;
  if (*w == '#' || IsOtherStatement(w, n)) return Kind::kStatement;
  return Kind::kText;
}

int ScanNumbers(const char* s, double* out, int max, bool* clamped) {
  int n = m_scan_numbers(s, std::strlen(s), out, max);
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(out[i])) {
      out[i] = 0.0;
      *clamped = true;
    }
  return n;
}

bool ParseVector(Kind kind, const char* rest, double xyz[3], bool* clamped) {
  const int n = ScanNumbers(rest, xyz, 3, clamped);
  if (kind == Kind::kTexture && n == 2) {
    xyz[2] = 0.0;
    return true;
  }
  return n == 3;
}

void ParseFace(char* rest, size_t len, MLineReader& in, std::vector<Corner>* out) {
  for (;;) {
    const char* s = rest;
    const char* e = rest + len;
    bool continued = false;
    while (s < e) {
      while (s < e && IsBlank(*s)) ++s;
      const char* w = s;
      while (s < e && !IsBlank(*s)) ++s;
      if (w == s) break;
      continued = std::memchr(w, '\\', static_cast<size_t>(s - w)) != nullptr;
      Corner c;
      if (ParseCorner(w, s, &c)) out->push_back(c);
    }
    if (!continued) break;
    rest = in.Next(&len);
    if (!rest) break;
  }
}

long SplitPoint(FILE* f, long total, double share, long min_bytes) {
  if (!f || total < min_bytes || !(share > 0 && share < 1)) return 0;
  std::vector<char> window(size_t(1) << 16);
  const long at = static_cast<long>(static_cast<double>(total) * share);
  ssize_t got = pread(fileno(f), window.data(), window.size(), at);
  if (got <= 0) return 0;
  const char* b = window.data();
  const char* e = b + got;
  // The first line end is skipped: the line before it may start before the
  // window, out of sight.
  const char* prev = static_cast<const char*>(std::memchr(b, '\n', static_cast<size_t>(e - b)));
  while (prev) {
    const char* next = static_cast<const char*>(std::memchr(prev + 1, '\n', static_cast<size_t>(e - prev - 1)));
    if (!next) return 0;
    // A backslash anywhere in the line before might continue a face into
    // the back part.
    if (!std::memchr(prev + 1, '\\', static_cast<size_t>(next - prev - 1))) {
      long start = at + static_cast<long>(next + 1 - b);
      return start < total ? start : 0;
    }
    prev = next;
  }
  return 0;
}

void ParseBackPart(const std::string& path, long start, BackPart* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return;
  if (std::fseek(f, start, SEEK_SET) != 0) {
    std::fclose(f);
    return;
  }
  try {
    MLineReader in(f, MLineReader::kKeepTabs, 1 << 22);
    std::vector<Corner> face;
    BackPart::Piece* piece = nullptr;
    size_t len;
    while (char* line = in.Next(&len)) {
      if (!piece || piece->statements.size() == BackPart::kPieceStatements) {
        piece = &out->pieces.emplace_back();
        piece->statements.reserve(BackPart::kPieceStatements);
      }
      char* s = line;
      while (IsBlank(*s)) ++s;
      if (!*s) continue;
      char* w = s;
      while (*s && !IsBlank(*s)) ++s;
      const Kind kind = KindOf(w, static_cast<size_t>(s - w));
      const long line_no = in.LineNumber();
      switch (kind) {
        case Kind::kVertex:
        case Kind::kTexture:
        case Kind::kNormal: {
          double xyz[3];
          bool clamped = false;
          if (ParseVector(kind, s, xyz, &clamped)) {
            piece->numbers.insert(piece->numbers.end(), xyz, xyz + 3);
            piece->statements.push_back({kind, clamped, 0, line_no});
          } else {
            piece->statements.push_back({Kind::kStatement, clamped, 0, line_no});
          }
          break;
        }
        case Kind::kFace:
          face.clear();
          ParseFace(s, len - static_cast<size_t>(s - line), in, &face);
          piece->corners.insert(piece->corners.end(), face.begin(), face.end());
          piece->statements.push_back({kind, false, static_cast<uint32_t>(face.size()), line_no});
          break;
        case Kind::kStatement:
          piece->statements.push_back({kind, false, 0, line_no});
          break;
        case Kind::kText:
          piece->text.append(line, len);
          piece->statements.push_back({kind, false, static_cast<uint32_t>(len), line_no});
          break;
      }
    }
    out->end_position = start + in.Position();
    out->ok = !in.ReadError();
  } catch (const std::bad_alloc&) {
    *out = BackPart();
  }
  std::fclose(f);
}

}  // namespace kvobj
