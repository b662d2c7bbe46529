// Writing .x bodies: the same calls give the text form (through the kit's
// text writer, with the export's line ends) or the binary form (tokens and
// lists, going out to a stream a chunk at a time). The 16-byte header is the
// caller's.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "binio.h"
#include "textwriter.h"

namespace kvx {

class XWriter {
 public:
  explicit XWriter(MTextWriter* text) : text_(text) {}
  // The binary form, written to out as it is made.
  explicit XWriter(FILE* out) : out_(out) {}
  ~XWriter() { Finish(); }
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
  // Binary: the list of values the next value starts holds n values of its
  // kind, so that its count goes ahead of them and they stream; a list of
  // unstated length is held until it ends. The text form ignores it.
  void ListOf(uint32_t n);
  // The open list and the bytes still held go out; false when a stated
  // list did not get as many values as it said, or a write failed.
  bool Finish();

 private:
  void EndList();
  void StartList(uint16_t token);
  void Spill();    // binary: the chunk out, when it is full
  void Indent();   // the indent, when at the start of a line
  void OwnLine();  // a new line unless at the start of one, then the indent
  MTextWriter* text_ = nullptr;
  FILE* out_ = nullptr;
  std::vector<uint8_t> chunk_;  // binary: bytes not yet written
  MBinWriter bin_{&chunk_};
  std::vector<uint8_t> held_;  // the values of a list of unstated length
  MBinWriter held_bin_{&held_};
  int depth_ = 0;
  bool line_start_ = true;
  bool failed_ = false;
  uint16_t list_ = 0;  // binary: the open list's token, 0 for none
  uint32_t list_count_ = 0;
  uint32_t stated_ = 0;      // the open list's stated length, 0: held
  uint32_t next_stated_ = 0;  // ListOf's, for the next list
};

}  // namespace kvx
