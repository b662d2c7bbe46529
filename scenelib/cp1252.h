// The scene's text is 8-bit Windows-1252; formats that store UTF-8 (glTF,
// PLY comments written by newer tools) convert at their border.
#pragma once
#include <cstddef>
#include <string>

// Every byte as its character: the five bytes Windows-1252 leaves undefined
// become the control characters of the same number, so that the way back
// gives the same bytes.
std::string m_cp1252_to_utf8(const char* s, size_t n);
inline std::string m_cp1252_to_utf8(const std::string& s) { return m_cp1252_to_utf8(s.data(), s.size()); }

// UTF-8 as Windows-1252. A character it has no byte for becomes '?' and is
// counted in *unmapped (when not null); bytes that are not valid UTF-8 are
// taken as Windows-1252 already and kept.
std::string m_utf8_to_cp1252(const char* s, size_t n, int* unmapped = nullptr);
inline std::string m_utf8_to_cp1252(const std::string& s, int* unmapped = nullptr) {
  return m_utf8_to_cp1252(s.data(), s.size(), unmapped);
}
