#include "xfile_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "xfile.h"
#include "xfile_format.h"
#include "xfile_text.h"

namespace kvx {

std::string XWriter::HeaderText(bool binary, bool compressed) {
  std::string h = std::string(kMagic) + "0302";
  h += compressed ? (binary ? kFormatBinaryZip : kFormatTextZip) : (binary ? kFormatBinary : kFormatText);
  h += kFloat32;
  return h;
}

void XWriter::Templates() {
  if (text_) {
    text_->Printf("%s", kStandardTemplates);
    return;
  }
  EndList();
  std::vector<uint8_t> tokens;
  if (TextToBinaryTokens(kStandardTemplates, &tokens)) bin_.Bytes(tokens.data(), tokens.size());
  Spill();
}

void XWriter::Indent() {
  if (!line_start_) return;
  line_start_ = false;
  for (int i = 0; i < depth_; ++i) text_->Put(' ');
}

void XWriter::OwnLine() {
  if (!line_start_) Line();
  Indent();
}

void XWriter::Begin(const char* type, const std::string& name) {
  if (text_) {
    OwnLine();
    text_->Put(type);
    if (!name.empty()) {
      text_->Put(' ');
      text_->Put(name);
    }
    text_->Put(" {");
    ++depth_;
    Line();
    return;
  }
  EndList();
  ++depth_;
  const size_t n = std::strlen(type);
  bin_.U16(kTokName);
  bin_.U32(static_cast<uint32_t>(n));
  bin_.Bytes(type, n);
  if (!name.empty()) {
    bin_.U16(kTokName);
    bin_.U32(static_cast<uint32_t>(name.size()));
    bin_.Bytes(name.data(), name.size());
  }
  bin_.U16(kTokOBrace);
  Spill();
}

void XWriter::End() {
  if (depth_ > 0) --depth_;
  if (text_) {
    OwnLine();
    text_->Put('}');
    Line();
    return;
  }
  EndList();
  bin_.U16(kTokCBrace);
}

void XWriter::StartList(uint16_t token) {
  if (list_ == token && !next_stated_) return;
  EndList();
  list_ = token;
  list_count_ = 0;
  stated_ = next_stated_;
  next_stated_ = 0;
  if (stated_) {
    bin_.U16(token);
    bin_.U32(stated_);
  } else {
    held_.clear();
  }
}

void XWriter::EndList() {
  if (!list_) return;
  if (stated_) {
    if (list_count_ != stated_) failed_ = true;
  } else {
    bin_.U16(list_);
    bin_.U32(list_count_);
    bin_.Bytes(held_.data(), held_.size());
  }
  list_ = 0;
  Spill();
}

void XWriter::ListOf(uint32_t n) {
  if (text_) return;
  EndList();
  next_stated_ = n;
}

void XWriter::Spill() {
  constexpr size_t kChunk = 64 * 1024;
  if (chunk_.size() < kChunk) return;
  if (std::fwrite(chunk_.data(), 1, chunk_.size(), out_) != chunk_.size()) failed_ = true;
  chunk_.clear();
}

bool XWriter::Finish() {
  if (text_) return !failed_;
  EndList();
  if (!chunk_.empty() && std::fwrite(chunk_.data(), 1, chunk_.size(), out_) != chunk_.size()) failed_ = true;
  chunk_.clear();
  return !failed_;
}

void XWriter::Int(uint32_t v, char sep) {
  if (text_) {
    Indent();
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    text_->Put(buf, static_cast<size_t>(r.ptr - buf));
    if (sep) text_->Put(sep);
    return;
  }
  StartList(kTokIntegerList);
  if (stated_) {
    bin_.U32(v);
    Spill();
  } else {
    held_bin_.U32(v);
  }
  ++list_count_;
}

void XWriter::Float(double v, char sep) {
  // The file's floats are 32-bit; what is no number is written as 0.
  const float f = std::isfinite(v) && std::fabs(v) <= 3.4e38 ? static_cast<float>(v) : 0.0f;
  if (text_) {
    Indent();
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, f);
    text_->Put(buf, static_cast<size_t>(r.ptr - buf));
    if (sep) text_->Put(sep);
    return;
  }
  StartList(kTokFloatList);
  if (stated_) {
    bin_.F32(f);
    Spill();
  } else {
    held_bin_.F32(f);
  }
  ++list_count_;
}

void XWriter::String(const std::string& s) {
  if (text_) {
    // No quote can stand inside the text form's strings.
    std::string t = s;
    for (char& c : t)
      if (c == '"' || static_cast<unsigned char>(c) < 32) c = '_';
    OwnLine();
    text_->Put('"');
    text_->Put(t);
    text_->Put("\";");
    Line();
    return;
  }
  EndList();
  bin_.U16(kTokString);
  bin_.U32(static_cast<uint32_t>(s.size()));
  bin_.Bytes(s.data(), s.size());
  bin_.U16(kTokSemicolon);
  Spill();
}

void XWriter::Sep(char c) {
  if (!text_) return;
  Indent();
  text_->Put(c);
}

void XWriter::Line() {
  if (!text_) return;
  text_->EndLine();
  line_start_ = true;
}

}  // namespace kvx
