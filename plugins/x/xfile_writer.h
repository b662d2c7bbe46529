// Writing .x bodies: the same calls give the text form (through the kit's
// text writer, with the export's line ends) or the binary form (tokens and
// lists appended to bytes). The 16-byte header is the caller's.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "binio.h"
#include "textwriter.h"

namespace kvx {

class XWriter {
 public:
  explicit XWriter(MTextWriter* text) : text_(text) {}
  explicit XWriter(std::vector<uint8_t>* binary) : bytes_(binary), bin_(binary) {}
  ~XWriter() { EndList(); }
  XWriter(const XWriter&) = delete;
  XWriter& operator=(const XWriter&) = delete;

  // The header text of the form: "xof 0302txt 0032" and the like.
  static std::string HeaderText(bool binary, bool compressed);

  // The declarations of the standard templates.
  void Templates();
  // An object: type, optional name, '{' ... '}'.
  void Begin(const char* type, const std::string& name);
  void End();
  // A DWORD or FLOAT value (member or array element); the text form takes
  // the separator that follows it (';' ends a member, ',' an array element,
  // 0 none).
  void Int(uint32_t v, char sep = ';');
  void Float(double v, char sep = ';');
  void String(const std::string& s);
  // Text only: a separator of its own (the ";" closing an array of
  // structures) and a new line at the current indent.
  void Sep(char c);
  void Line();

 private:
  void EndList();
  void StartList(uint16_t token);
  void Indent();   // the indent, when at the start of a line
  void OwnLine();  // a new line unless at the start of one, then the indent
  MTextWriter* text_ = nullptr;
  std::vector<uint8_t>* bytes_ = nullptr;
  MBinWriter bin_{nullptr};
  int depth_ = 0;
  bool line_start_ = true;
  uint16_t list_ = 0;  // binary: the open list's token, 0 for none
  size_t list_count_at_ = 0;
  uint32_t list_count_ = 0;
};

}  // namespace kvx
