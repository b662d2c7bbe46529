// The .x file layer: header, body forms and the object tree.
#include "xfile.h"

#include <strings.h>

#include <cstring>

#include "xfile_format.h"

namespace kvx {

namespace {

bool IsDigits(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i] < '0' || p[i] > '9') return false;
  return true;
}

struct Keyword {
  const char* word;
  uint16_t token;
};
const Keyword kKeywords[] = {
    {"WORD", kTokWord},     {"DWORD", kTokDword},   {"FLOAT", kTokFloat},       {"DOUBLE", kTokDouble},
    {"CHAR", kTokChar},     {"UCHAR", kTokUChar},   {"SWORD", kTokSWord},       {"SDWORD", kTokSDword},
    {"VOID", kTokVoid},     {"STRING", kTokLpStr},  {"UNICODE", kTokUnicode},   {"CSTRING", kTokCString},
    {"array", kTokArray},   {"LPSTR", kTokLpStr},
};

}  // namespace

const char kStandardTemplates[] =
    "template Header {\n <3D82AB43-62DA-11cf-AB39-0020AF71E433>\n WORD major;\n WORD minor;\n DWORD flags;\n}\n\n"
    "template Vector {\n <3D82AB5E-62DA-11cf-AB39-0020AF71E433>\n FLOAT x;\n FLOAT y;\n FLOAT z;\n}\n\n"
    "template Coords2d {\n <F6F23F44-7686-11cf-8F52-0040333594A3>\n FLOAT u;\n FLOAT v;\n}\n\n"
    "template Matrix4x4 {\n <F6F23F45-7686-11cf-8F52-0040333594A3>\n array FLOAT matrix[16];\n}\n\n"
    "template ColorRGBA {\n <35FF44E0-6C7C-11cf-8F52-0040333594A3>\n FLOAT red;\n FLOAT green;\n FLOAT blue;\n"
    " FLOAT alpha;\n}\n\n"
    "template ColorRGB {\n <D3E16E81-7835-11cf-8F52-0040333594A3>\n FLOAT red;\n FLOAT green;\n FLOAT blue;\n}\n\n"
    "template IndexedColor {\n <1630B820-7842-11cf-8F52-0040333594A3>\n DWORD index;\n ColorRGBA indexColor;\n}\n\n"
    "template Boolean {\n <4885AE61-78E8-11cf-8F52-0040333594A3>\n WORD truefalse;\n}\n\n"
    "template Boolean2d {\n <4885AE63-78E8-11cf-8F52-0040333594A3>\n Boolean u;\n Boolean v;\n}\n\n"
    "template MaterialWrap {\n <4885AE60-78E8-11cf-8F52-0040333594A3>\n Boolean u;\n Boolean v;\n}\n\n"
    "template TextureFilename {\n <A42790E1-7810-11cf-8F52-0040333594A3>\n STRING filename;\n}\n\n"
    "template Material {\n <3D82AB4D-62DA-11cf-AB39-0020AF71E433>\n ColorRGBA faceColor;\n FLOAT power;\n"
    " ColorRGB specularColor;\n ColorRGB emissiveColor;\n [...]\n}\n\n"
    "template MeshFace {\n <3D82AB5F-62DA-11cf-AB39-0020AF71E433>\n DWORD nFaceVertexIndices;\n"
    " array DWORD faceVertexIndices[nFaceVertexIndices];\n}\n\n"
    "template MeshFaceWraps {\n <4885AE62-78E8-11cf-8F52-0040333594A3>\n DWORD nFaceWrapValues;\n"
    " Boolean2d faceWrapValues;\n}\n\n"
    "template MeshTextureCoords {\n <F6F23F40-7686-11cf-8F52-0040333594A3>\n DWORD nTextureCoords;\n"
    " array Coords2d textureCoords[nTextureCoords];\n}\n\n"
    "template MeshMaterialList {\n <F6F23F42-7686-11cf-8F52-0040333594A3>\n DWORD nMaterials;\n DWORD nFaceIndexes;\n"
    " array DWORD faceIndexes[nFaceIndexes];\n [Material]\n}\n\n"
    "template MeshNormals {\n <F6F23F43-7686-11cf-8F52-0040333594A3>\n DWORD nNormals;\n array Vector normals[nNormals];\n"
    " DWORD nFaceNormals;\n array MeshFace faceNormals[nFaceNormals];\n}\n\n"
    "template MeshVertexColors {\n <1630B821-7842-11cf-8F52-0040333594A3>\n DWORD nVertexColors;\n"
    " array IndexedColor vertexColors[nVertexColors];\n}\n\n"
    "template Mesh {\n <3D82AB44-62DA-11cf-AB39-0020AF71E433>\n DWORD nVertices;\n array Vector vertices[nVertices];\n"
    " DWORD nFaces;\n array MeshFace faces[nFaces];\n [...]\n}\n\n"
    "template FrameTransformMatrix {\n <F6F23F41-7686-11cf-8F52-0040333594A3>\n Matrix4x4 frameMatrix;\n}\n\n"
    "template Frame {\n <3D82AB46-62DA-11cf-AB39-0020AF71E433>\n [...]\n}\n\n";

const char* TypeKeyword(uint16_t token) {
  for (const Keyword& k : kKeywords)
    if (k.token == token) return k.word;
  return nullptr;
}

uint16_t KeywordToken(const char* word, size_t n) {
  for (const Keyword& k : kKeywords)
    if (std::strlen(k.word) == n && std::strncmp(k.word, word, n) == 0) return k.token;
  return 0;
}

bool XGuid::operator==(const XGuid& o) const { return std::memcmp(b, o.b, sizeof b) == 0; }

bool SameType(const std::string& type, const char* name) { return strcasecmp(type.c_str(), name) == 0; }

bool ParseHeader(const uint8_t* p, size_t size, XHeader* h, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return false;
  };
  if (size < kHeaderSize) return fail("shorter than the 16-byte .x header");
  if (std::memcmp(p, kMagic, 4) != 0) return fail("no \"xof \" at the start: not a DirectX file");
  if (!IsDigits(p + 4, 4)) return fail("the .x header has no version number");
  h->major = (p[4] - '0') * 10 + (p[5] - '0');
  h->minor = (p[6] - '0') * 10 + (p[7] - '0');
  const char* fmt = reinterpret_cast<const char*>(p + 8);
  if (std::memcmp(fmt, kFormatText, 4) == 0) {
    h->binary = h->compressed = false;
  } else if (std::memcmp(fmt, kFormatBinary, 4) == 0) {
    h->binary = true, h->compressed = false;
  } else if (std::memcmp(fmt, kFormatTextZip, 4) == 0) {
    h->binary = false, h->compressed = true;
  } else if (std::memcmp(fmt, kFormatBinaryZip, 4) == 0) {
    h->binary = h->compressed = true;
  } else {
    return fail("unknown .x body format (not txt, bin, tzip or bzip)");
  }
  if (std::memcmp(p + 12, kFloat32, 4) == 0)
    h->float_bits = 32;
  else if (std::memcmp(p + 12, kFloat64, 4) == 0)
    h->float_bits = 64;
  else
    return fail("unknown .x float size (not 0032 or 0064)");
  return true;
}

// ---- data blocks --------------------------------------------------------

bool XData::NextNumber(double* d, uint32_t* u, bool want_int) {
  return binary_ ? BinNumber(d, u, want_int) : TextNumber(d, u, want_int);
}

bool XData::Int(uint32_t* v) { return NextNumber(nullptr, v, true); }
bool XData::Float(double* v) { return NextNumber(v, nullptr, false); }

size_t XData::MaxValues() const {
  const size_t left = static_cast<size_t>(end_ - p_);
  // A text value takes a character and a separator; a binary one 4 bytes.
  return binary_ ? left / 4 + list_left_ : (left + 1) / 2;
}

bool XData::AtEnd() {
  if (binary_) return list_left_ == 0 && p_ >= end_;
  SkipTextSpace();
  return p_ >= end_;
}

// ---- the file -------------------------------------------------------------

int XFile::AddObject(XObject&& o) {
  objects_.push_back(std::move(o));
  return static_cast<int>(objects_.size()) - 1;
}

bool XFile::Load(const uint8_t* data, size_t size) {
  *this = XFile();
  if (!ParseHeader(data, size, &header_, &error_)) return false;
  body_ = data + kHeaderSize;
  body_size_ = size - kHeaderSize;
  if (header_.compressed) {
    if (!InflateBody(body_, body_size_, &inflated_, &error_)) return false;
    body_ = inflated_.data();
    body_size_ = inflated_.size();
  }
  bool ok = header_.binary ? ParseBinaryBody(body_, body_size_, header_.float_bits, this, &error_)
                           : ParseTextBody(body_, body_size_, this, &error_);
  truncated_ = !ok;
  Index();
  return true;
}

void XFile::Index() {
  by_name_.reserve(objects_.size());
  for (size_t i = 0; i < objects_.size(); ++i) {
    if (!objects_[i].name.empty()) by_name_.emplace(objects_[i].name, static_cast<int>(i));
    if (objects_[i].has_guid)
      by_guid_.emplace(std::string(reinterpret_cast<const char*>(objects_[i].guid.b), 16), static_cast<int>(i));
  }
}

int XFile::Resolve(const XChild& ref) const {
  if (ref.object >= 0) return ref.object;
  if (!ref.ref_name.empty()) {
    auto it = by_name_.find(ref.ref_name);
    if (it != by_name_.end()) return it->second;
  }
  if (ref.ref_guid) {
    auto it = by_guid_.find(std::string(reinterpret_cast<const char*>(ref.guid.b), 16));
    if (it != by_guid_.end()) return it->second;
  }
  return -1;
}

XData XFile::Data(int i) const {
  const XObject& o = object(i);
  return XData(body_ + o.data_begin, body_ + o.data_end, header_.binary, header_.float_bits);
}

}  // namespace kvx
