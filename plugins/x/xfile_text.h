// The tokens of the text form (private to the .x file layer).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "binio.h"
#include "xfile_parse.h"

namespace kvx {

class TextScanner {
 public:
  TextScanner(const uint8_t* body, size_t size);
  Tok Next();
  size_t Pos() const { return in_.Pos(); }
  void Seek(size_t pos) { in_.Seek(pos); }
  std::string Word(const Tok& t) const;
  bool Guid(const Tok& t, XGuid* g) const;
  const std::string& error() const { return error_; }

 private:
  void SkipSpaceAndComments(bool separators);
  size_t WordEnd(size_t from) const;
  size_t DataRunEnd(size_t from) const;
  Tok Error(Tok t, const char* what);
  MBinReader in_;
  std::string error_;
};

// The template declarations of a text (the standard set) as binary tokens.
bool TextToBinaryTokens(const char* text, std::vector<uint8_t>* out);

}  // namespace kvx
