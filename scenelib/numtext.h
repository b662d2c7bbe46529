// Numbers in text formats: a fast strtod-compatible scanner and exact
// printf-compatible formatters.
#pragma once
#include <cstddef>

// Parses one strtod-style number at s (leading white space skipped).
// Returns the character after it, or null when no number starts there. The
// text must be NUL-terminated at or before end_of_text.
const char* m_scan_double(const char* s, const char* end_of_text, double* out);

// Reads up to max numbers from the NUL-terminated text s of the given length
// (strtod syntax, white space between them); returns how many.
int m_scan_numbers(const char* s, size_t length, double* out, int max);

// Writes v exactly as printf("%f") does; returns the length. out needs
// M_FIXED6_MAX bytes for any double.
#define M_FIXED6_MAX 352
int m_format_fixed6(double v, char* out);

// Writes v as printf("%.*g", precision, v) does; returns the length. out
// needs M_GENERAL_MAX bytes.
#define M_GENERAL_MAX 48
int m_format_general(double v, int precision, char* out);

// The shortest text that reads back as the same double ("0.1", "1e+300").
// out needs M_GENERAL_MAX bytes.
int m_format_shortest(double v, char* out);

// v as printf("%.*f", decimals, v) writes it when that text reads back as
// v; otherwise the shortest text that does ("1e-07", "0.30000000000000004"),
// so that no digit of a small or odd value is lost. Infinities and NaN as
// printf writes them. decimals is taken in 0..17. out needs M_EXACT_MAX bytes.
#define M_EXACT_MAX 384
int m_format_exact(double v, int decimals, char* out);
// The same for a value that is read back as a float (C float literals):
// the fixed text when it reads back as the same float, else the shortest
// float text.
int m_format_exact_float(float v, int decimals, char* out);
