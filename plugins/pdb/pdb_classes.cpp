// The atom classes and how an atom finds its class.
#include <cctype>
#include <cstring>

#include "pdb_format.h"

namespace pdb {

namespace {
constexpr double kSide[3] = {0.8854, 0.283966, 0.634871};  // the side-chain colour of many classes
}  // namespace

const AtomClass kClasses[kClassCount] = {
    {"X", 0.625, 0.625, 0.625, 1.0},
    {"SD", kSide[0], kSide[1], kSide[2], 1.85},
    {"S", 1.0, 0.92, 0.0, 1.85},
    {"P", 1.0, 0.660487, 0.074924, 1.9},
    {"OXT", kSide[0], kSide[1], kSide[2], 1.4},
    {"OH", kSide[0], kSide[1], kSide[2], 1.4},
    {"OG1", 0.752583, 1.0, 0.604133, 1.4},
    {"OG", 0.520833, 0.0104, 0.604167, 1.4},
    {"OE2", kSide[0], kSide[1], kSide[2], 1.4},
    {"OE1", kSide[0], kSide[1], kSide[2], 1.4},
    {"OD2", kSide[0], kSide[1], kSide[2], 1.4},
    {"OD1", kSide[0], kSide[1], kSide[2], 1.4},
    {"O", 1.0, 0.0, 0.0, 1.4},
    {"NZ", kSide[0], kSide[1], kSide[2], 1.5},
    {"NH2", kSide[0], kSide[1], kSide[2], 1.5},
    {"NH1", kSide[0], kSide[1], kSide[2], 1.5},
    {"NE2", kSide[0], kSide[1], kSide[2], 1.5},
    {"NE1", kSide[0], kSide[1], kSide[2], 1.5},
    {"NE", kSide[0], kSide[1], kSide[2], 1.5},
    {"ND2", kSide[0], kSide[1], kSide[2], 1.5},
    {"ND1", kSide[0], kSide[1], kSide[2], 1.5},
    {"N", 0.22, 0.32, 1.0, 1.5},
    {"H", 0.275, 0.8, 1.0, 1.1},
    {"CZ3", kSide[0], kSide[1], kSide[2], 1.7},
    {"CZ2", kSide[0], kSide[1], kSide[2], 1.7},
    {"CZ", 0.078122, 0.666856, 0.859344, 1.7},
    {"CH2", kSide[0], kSide[1], kSide[2], 1.7},
    {"CG2", 0.010929, 0.283966, 0.634871, 1.7},
    {"CG1", 0.098846, 0.984488, 0.818341, 1.7},
    {"CG", 0.0, 0.645833, 0.0, 1.7},
    {"CE3", kSide[0], kSide[1], kSide[2], 1.7},
    {"CE2", 0.3125, 0.354167, 0.614567, 1.7},
    {"CE1", 0.656233, 0.1875, 0.3854, 1.7},
    {"CE", 0.833333, 0.677067, 0.634871, 1.7},
    {"CD2", 0.718733, 0.458333, 0.3125, 1.7},
    {"CD1", 0.3125, 0.6979, 0.916667, 1.7},
    {"CD", 0.593733, 1.0, 0.302067, 1.7},
    {"CB", 0.625, 0.625, 0.1979, 1.7},
    {"CA", 0.875, 0.6979, 0.916667, 1.7},
    {"C", 1.0, 1.0, 1.0, 1.7},
};

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// s without blanks, at most cap - 1 characters.
void Squeeze(const char* s, char* out, size_t cap) {
  size_t n = 0;
  for (; *s && n + 1 < cap; ++s)
    if (!IsBlank(*s)) out[n++] = *s;
  out[n] = 0;
}

int ExactClass(const char* name) {
  for (int i = 0; i < kClassCount; ++i)
    if (std::strcmp(kClasses[i].name, name) == 0) return i;
  return -1;
}

// An element symbol names a class only when it is one of the one-letter
// classes (C, H, N, O, P, S, X): CA there is calcium, not an alpha carbon.
int ElementClass(const char* symbol) {
  if (!IsUpper(symbol[0]) || symbol[1] != 0) return -1;
  return ExactClass(symbol);
}

// The element columns hold a symbol: one or two letters, case aside.
bool ReadElement(const char* columns, char (&symbol)[3]) {
  char squeezed[8];
  Squeeze(columns, squeezed, sizeof squeezed);
  const size_t n = std::strlen(squeezed);
  if (n < 1 || n > 2) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = squeezed[i];
    if (!IsUpper(c) && !IsLower(c)) return false;
    symbol[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  symbol[n] = 0;
  return true;
}

}  // namespace

int ClassifyAtom(const char* name_columns, const char* element_columns) {
  char name[kMaxText + 1];
  Squeeze(name_columns, name, sizeof name);
  if (!name[0] && !element_columns[0]) return -1;
  if (int c = ExactClass(name); c >= 0) return c;

  char symbol[3];
  if (ReadElement(element_columns, symbol)) return ElementClass(symbol);

  // Names keep a one-letter element in column 14 with column 13 blank or a
  // digit (" HN ", " O1P", "1HB "); names from column 13 may be two-letter
  // elements ("CL", "NA") and are left to the search below.
  const size_t raw = std::strlen(name_columns);
  if (raw >= 2 && (IsBlank(name_columns[0]) || IsDigit(name_columns[0])) && IsUpper(name_columns[1])) {
    const char letter[2] = {name_columns[1], 0};
    return ElementClass(letter);
  }

  // "Na+", "Cl-", "Fe": an element of two letters written as such.
  if (IsUpper(name[0]) && IsLower(name[1])) return -1;

  for (int i = 0; i < kClassCount; ++i)
    if (std::strstr(name, kClasses[i].name)) return i;
  return -1;
}

}  // namespace pdb
