// The text form of .x bodies: words, quoted strings, <GUID>s, braces and
// separators; "//" and "#" comments run to the end of the line.
#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "binio.h"
#include "numtext.h"
#include "xfile.h"
#include "xfile_parse.h"
#include "xfile_text.h"

namespace kvx {

namespace {

// Character classes of the text form.
enum : uint8_t { kSpace = 1, kSep = 2, kPunct = 4, kQuote = 8, kAngle = 16 };

struct CharTable {
  uint8_t c[256] = {};
  CharTable() {
    for (int i = 0; i <= ' '; ++i) c[i] = kSpace;
    c[0x7f] = kSpace;
    c[static_cast<uint8_t>(';')] = c[static_cast<uint8_t>(',')] = kSep;
    for (char p : {'{', '}', '(', ')', '[', ']', '>'}) c[static_cast<uint8_t>(p)] = kPunct;
    c[static_cast<uint8_t>('<')] = kAngle;
    c[static_cast<uint8_t>('"')] = kQuote;
  }
};
const CharTable kChars;

inline bool EndsWord(uint8_t ch) { return kChars.c[ch] != 0; }

inline bool IsNumberStart(uint8_t c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }
inline bool IsNumberChar(uint8_t c) { return IsNumberStart(c); }

// What a run of numbers and separators is made of (exponents aside).
struct NumberRunTable {
  uint8_t c[256] = {};
  NumberRunTable() {
    for (int i = 0; i < 256; ++i) c[i] = IsNumberStart(static_cast<uint8_t>(i)) || kChars.c[i] == kSpace || kChars.c[i] == kSep;
  }
};
const NumberRunTable kNumberRun;

int HexValue(uint8_t ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

}  // namespace

TextScanner::TextScanner(const uint8_t* body, size_t size) : in_(body, size) {}

void TextScanner::SkipSpaceAndComments(bool separators) {
  for (;;) {
    const uint8_t* p = in_.Here();
    const uint8_t* e = p + in_.Left();
    while (p < e && (kChars.c[*p] == kSpace || (separators && kChars.c[*p] == kSep))) ++p;
    if (p < e && (*p == '#' || (*p == '/' && p + 1 < e && p[1] == '/'))) {
      const void* nl = std::memchr(p, '\n', static_cast<size_t>(e - p));
      p = nl ? static_cast<const uint8_t*>(nl) : e;
      in_.Skip(static_cast<size_t>(p - in_.Here()));
      continue;
    }
    in_.Skip(static_cast<size_t>(p - in_.Here()));
    return;
  }
}

size_t TextScanner::DataRunEnd(size_t from) const {
  const uint8_t* b = in_.Here() - in_.Pos();
  const size_t n = in_.Size();
  size_t i = from;
  for (;;) {
    while (i < n && kNumberRun.c[b[i]]) ++i;
    // An exponent belongs to the number before it.
    if (i + 1 < n && (b[i] == 'e' || b[i] == 'E') && i > from && IsNumberChar(b[i - 1]) &&
        (IsNumberChar(b[i + 1]) && b[i + 1] != '.')) {
      ++i;
      continue;
    }
    break;
  }
  // What a number runs into without a break ("1.#QNAN0") is part of it.
  if (i < n && i > from && !EndsWord(b[i]) && IsNumberChar(b[i - 1])) i = WordEnd(i);
  return i;
}

size_t TextScanner::WordEnd(size_t from) const {
  const uint8_t* b = in_.Here() - in_.Pos();
  const size_t n = in_.Size();
  size_t i = from;
  while (i < n && !EndsWord(b[i])) ++i;
  return i;
}

Tok TextScanner::Next() {
  SkipSpaceAndComments(false);
  Tok t;
  t.begin = in_.Pos();
  if (in_.AtEnd()) return t;
  const uint8_t* p = in_.Here();
  const size_t left = in_.Left();
  switch (*p) {
    case '{': in_.Skip(1); t.kind = TokKind::kOBrace; return t;
    case '}': in_.Skip(1); t.kind = TokKind::kCBrace; return t;
    case '"': {
      const void* q = left > 1 ? std::memchr(p + 1, '"', left - 1) : nullptr;
      if (!q) return Error(t, "a string without its closing quote");
      in_.Skip(static_cast<size_t>(static_cast<const uint8_t*>(q) - p) + 1);
      t.kind = TokKind::kString;
      return t;
    }
    case '<': {
      // A GUID has 36 characters; a '<' not closed within a line's worth is no GUID.
      size_t i = 1;
      while (i < left && i < 128 && p[i] != '>') ++i;
      if (i >= left || p[i] != '>') {
        in_.Skip(1);
        t.kind = TokKind::kData;
        return t;
      }
      in_.Skip(i + 1);
      t.kind = TokKind::kGuid;
      return t;
    }
    default: break;
  }
  const uint8_t cls = kChars.c[*p];
  if (cls == kPunct) {
    in_.Skip(1);
    t.kind = TokKind::kData;
    return t;
  }
  const uint8_t c0 = *p;
  if (cls == kSep || IsNumberStart(c0)) {
    // Numbers and separators in one go: the bulk of a large file.
    in_.Skip(DataRunEnd(t.begin) - t.begin);
    t.kind = TokKind::kData;
    return t;
  }
  const size_t end = WordEnd(t.begin);
  in_.Skip(end - t.begin);
  t.kind = (end - t.begin == 8 && strncasecmp(reinterpret_cast<const char*>(p), "template", 8) == 0) ? TokKind::kTemplate
                                                                                                      : TokKind::kWord;
  return t;
}

Tok TextScanner::Error(Tok t, const char* what) {
  error_ = std::string(what) + " at offset " + std::to_string(t.begin);
  t.kind = TokKind::kError;
  return t;
}

std::string TextScanner::Word(const Tok& t) const {
  const uint8_t* b = in_.Here() - in_.Pos();
  const size_t end = WordEnd(t.begin);
  return std::string(reinterpret_cast<const char*>(b + t.begin), end - t.begin);
}

bool TextScanner::Guid(const Tok& t, XGuid* g) const {
  const uint8_t* b = in_.Here() - in_.Pos();
  uint8_t hex[32];
  int n = 0;
  for (size_t i = t.begin + 1; i < in_.Size() && b[i] != '>'; ++i) {
    if (b[i] == '-' || kChars.c[b[i]] == kSpace) continue;
    const int v = HexValue(b[i]);
    if (v < 0 || n == 32) return false;
    hex[n++] = static_cast<uint8_t>(v);
  }
  if (n != 32) return false;
  auto byte = [&](int i) { return static_cast<uint8_t>(hex[2 * i] << 4 | hex[2 * i + 1]); };
  // data1, data2, data3 little-endian as the binary form stores them, then data4.
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) g->b[i] = byte(order[i]);
  return true;
}

bool ParseTextBody(const uint8_t* body, size_t size, XFile* x, std::string* error) {
  TextScanner s(body, size);
  BodyParser<TextScanner> p(s, x);
  return p.Run(error);
}

// ---- values of a data block ----------------------------------------------

void XData::SkipTextSpace() {
  const uint8_t* p = p_;
  for (;;) {
    while (p < end_ && (kChars.c[*p] == kSpace || kChars.c[*p] == kSep)) ++p;
    if (p < end_ && (*p == '#' || (*p == '/' && p + 1 < end_ && p[1] == '/'))) {
      const void* nl = std::memchr(p, '\n', static_cast<size_t>(end_ - p));
      p = nl ? static_cast<const uint8_t*>(nl) : end_;
      continue;
    }
    break;
  }
  p_ = p;
}

bool XData::TextNumber(double* d, uint32_t* u, bool want_int) {
  SkipTextSpace();
  const uint8_t* w = p_;
  const uint8_t* e = w;
  while (e < end_ && !EndsWord(*e)) ++e;
  if (e == w) return false;
  const uint8_t c0 = *w;
  if (!((c0 >= '0' && c0 <= '9') || c0 == '-' || c0 == '+' || c0 == '.')) return false;
  const size_t n = static_cast<size_t>(e - w);
  double v = 0;
  char buf[72];
  if (n < sizeof buf) {
    std::memcpy(buf, w, n);
    buf[n] = 0;
    const char* next = m_scan_double(buf, buf + n, &v);
    // "1.#QNAN0", "-1.#IND00": how some writers print what is no number.
    if (!next || std::memchr(buf, '#', n)) v = 0;
  }
  p_ = e;
  if (want_int) {
    *u = !(v >= 0) ? 0xFFFFFFFFu : v >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
  } else {
    *d = v;
  }
  return true;
}

bool XData::String(std::string* s) {
  if (binary_) return BinString(s);
  SkipTextSpace();
  if (p_ >= end_ || *p_ != '"') return false;
  const void* q = std::memchr(p_ + 1, '"', static_cast<size_t>(end_ - p_ - 1));
  if (!q) return false;
  const uint8_t* e = static_cast<const uint8_t*>(q);
  s->assign(reinterpret_cast<const char*>(p_ + 1), static_cast<size_t>(e - p_ - 1));
  p_ = e + 1;
  return true;
}

// ---- the standard templates in binary tokens ------------------------------

bool TextToBinaryTokens(const char* text, std::vector<uint8_t>* out) {
  const uint8_t* b = reinterpret_cast<const uint8_t*>(text);
  const size_t n = std::strlen(text);
  TextScanner s(b, n);
  MBinWriter w(out);
  for (;;) {
    Tok t = s.Next();
    switch (t.kind) {
      case TokKind::kEnd: return true;
      case TokKind::kError:
      case TokKind::kString: return false;
      case TokKind::kTemplate: w.U16(kTokTemplate); break;
      case TokKind::kOBrace: w.U16(kTokOBrace); break;
      case TokKind::kCBrace: w.U16(kTokCBrace); break;
      case TokKind::kGuid: {
        XGuid g;
        if (!s.Guid(t, &g)) return false;
        w.U16(kTokGuid);
        w.Bytes(g.b, 16);
        break;
      }
      case TokKind::kWord: {
        const std::string word = s.Word(t);
        if (uint16_t k = KeywordToken(word.data(), word.size())) {
          w.U16(k);
        } else {
          w.U16(kTokName);
          w.U32(static_cast<uint32_t>(word.size()));
          w.Bytes(word.data(), word.size());
        }
        break;
      }
      case TokKind::kData: {
        const uint8_t c = b[t.begin];
        if (c >= '0' && c <= '9') {
          w.U16(kTokInteger);
          w.U32(static_cast<uint32_t>(std::strtoul(text + t.begin, nullptr, 10)));
          break;
        }
        const char* punct = ";,[]().";
        const uint16_t codes[] = {kTokSemicolon, kTokComma, kTokOBracket, kTokCBracket, kTokOParen, kTokCParen, kTokDot};
        const char* hit = std::strchr(punct, c);
        if (!hit || !c) return false;
        w.U16(codes[hit - punct]);
        break;
      }
    }
  }
}

}  // namespace kvx
