#include "3ds_chunk.h"

#include <cstring>

namespace k3ds {

const char* ErrorMessage(int code) {
  switch (code) {
    case 0: return "NO_FTK_ERRORS: No errors are pending";
    case 1: return "ERR_NO_MEM: Not enough memory to complete operation";
    case 2: return "ERR_INVALID_ARG: The argument passed to the function is invalid.  Usually caused by a NULL pointer or an out of range numeric argument.";
    case 3: return "ERR_INVALID_DATA: The structure passed as an argument to the function has invalid or out of range data in its fields.";
    case 4: return "ERR_INVALID_CHUNK: An invalid chunk structure was encountered while reading the database. Usually caused by a corrupt database or file";
    case 5: return "ERR_INVALID_DATABASE: The database passed as an argument has not be created yet.";
    case 6: return "ERR_WRONG_DATABASE: The database passed as an argument is the wrong kind of database for this function.";
    case 7: return "ERR_UNFOUND_CHUNK: The database is missing important file chunks needed to fill out the requested structure.  Usually caused by a corrupt database or file";
    case 8: return "ERR_WRONG_OBJECT: The name passed to the functions exists, but is not the type of object asked for.  For example, asking for a mesh object with the GetCameraByName3ds function.";
    case 9: return "ERR_NO_SUCH_FILE: The filename passed as an argument for reading does not exist";
    case 10: return "ERR_INIT_FAILED: Failed to initialize structure passed as an argument";
    case 11: return "ERR_OPENING_FILE: Could not open requested file";
    case 12: return "ERR_CLOSING_FILE: Could not close requested file";
    case 13: return "ERR_READING_FILE: Error occured while reading file";
    case 14: return "ERR_CREATING_DATABASE: Error occured while creating database";
    case 15: return "ERR_READING_DATABASE: Error occured while reading database";
    case 16: return "ERR_WRITING_DATABASE: Error occured while writing database";
    case 17: return "ERR_WRITING_FILE: Error occured while writing file";
    case 18: return "ERR_STRING_TOO_LONG: String encountered in file, structure, or as an argument was longer than expected.  Possibly caused by an uninitialed pointer, corrupt file or database";
    case 19: return "ERR_TOO_MANY_FILES: The toolkit has reached its maximum open file limit of 252 files.";
    case 22: return "N_ERRORS: More errors were reported then could be recorded.";
    default: return "Unknown error code was encountered";
  }
}

void ErrorList::Add(int code) {
  pending_ = true;
  if (count_ < kSlots) {
    codes_[count_++] = code;
  } else if (!overflowed_) {
    codes_[kSlots] = code;
    count_ = kSlots + 1;
    overflowed_ = 1;
  } else {
    codes_[kSlots] = kTooManyErrors;
  }
}

const Chunk* Chunk::Find(uint16_t kid_id) const {
  for (const Chunk& k : kids)
    if (k.id == kid_id) return &k;
  return nullptr;
}

Chunk* Chunk::Find(uint16_t kid_id) {
  for (Chunk& k : kids)
    if (k.id == kid_id) return &k;
  return nullptr;
}

Chunk& Chunk::Add(uint16_t kid_id) {
  kids.emplace_back();
  kids.back().id = kid_id;
  return kids.back();
}

int KindOfRoot(uint16_t id) {
  switch (id) {
    case kM3dMagic: return 1;
    case kCMagic: return 2;
    case kMLibMagic: return 3;
    default: return 0;
  }
}

uint16_t RootOfKind(int kind) {
  return kind == 1 ? kM3dMagic : kind == 2 ? kCMagic : kind == 3 ? kMLibMagic : 0;
}

namespace {

uint16_t GetWord(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t GetDword(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

bool IsMapChunk(uint16_t id) {
  switch (id) {
    case kMatTexMap: case kMatTex2Map: case kMatOpacMap: case kMatBumpMap: case kMatSpecMap: case kMatShinMap: case kMatSelfIllumMap: case kMatReflMap:
    case kMatTexMask: case kMatTex2Mask: case kMatOpacMask: case kMatBumpMask: case kMatSpecMask: case kMatShinMask: case kMatSelfIllumMask: case kMatReflMask:
      return true;
    default:
      return false;
  }
}

// Size of the own data in front of the sub-chunks of a container, found in
// the chunk's bytes; -1 for a chunk without sub-chunks (all of it is data).
// A string without NUL or a count past the end gives the whole body and
// records an error, so the chunk keeps what it has but no sub-chunks.
long OwnDataSize(uint16_t id, const uint8_t* body, size_t n, ErrorList* err) {
  auto fixed = [&](size_t want) -> long {
    if (want > n) {
      err->Add(kReadingFile);
      return static_cast<long>(n);
    }
    return static_cast<long>(want);
  };
  switch (id) {
    case kM3dMagic: case kCMagic: case kMLibMagic: case kMData:
    case kSolidBgnd: case kAmbientLight: case kDefaultView: case kNTriObject: case kMatEntry:
    case kMatAmbient: case kMatDiffuse: case kMatSpecular: case kMatShininess: case kMatShin2Pct: case kMatShin3Pct:
    case kMatTransparency: case kMatXpFall: case kMatRefBlur: case kMatSelfIlPct:
    case kKfData: case kAmbientNodeTag: case kObjectNodeTag: case kCameraNodeTag: case kTargetNodeTag:
    case kLightNodeTag: case kLTargetNodeTag: case kSpotlightNodeTag:
    case kXDataSection: case kXDataEntry:
      return 0;
    case kVGradient: return fixed(4);
    case kFog: case kDistanceCue: case kLayerFog: return fixed(16);
    case kNDirectLight: return fixed(12);
    case kDlSpotlight: return fixed(20);
    case kNCamera: return fixed(32);
    case kViewportLayout: return fixed(14);
    case kFaceArray: {
      if (n < 2) return fixed(2);
      return fixed(2 + 8 * static_cast<size_t>(GetWord(body)));
    }
    case kNamedObject: {
      const void* nul = std::memchr(body, 0, n);
      if (!nul) {
        err->Add(kReadingFile);
        return static_cast<long>(n);
      }
      return static_cast<const uint8_t*>(nul) - body + 1;
    }
    default:
      return IsMapChunk(id) ? 0 : -1;
  }
}

constexpr int kMaxDepth = 64;

struct TreeReader {
  const uint8_t* base;
  ErrorList* err;

  // Reads the chunk whose header is at pos and whose extent (already
  // clamped to the parent) is [pos, end).
  void Read(Chunk* c, size_t pos, size_t end, int depth) {
    const uint8_t* body = base + pos + 6;
    size_t n = end - pos - 6;
    long own = OwnDataSize(c->id, body, n, err);
    if (own < 0 || depth >= kMaxDepth) {
      if (own >= 0) err->Add(kInvalidChunk);
      c->data.assign(body, body + n);
      return;
    }
    c->data.assign(body, body + own);
    size_t p = pos + 6 + static_cast<size_t>(own);
    if (static_cast<size_t>(own) == n) return;
    while (p < end) {
      if (end - p < 6) {
        err->Add(kInvalidChunk);
        return;
      }
      uint16_t id = GetWord(base + p);
      uint32_t len = GetDword(base + p + 2);
      if (len < 6) {
        // A zero or short length cannot advance: the rest of the parent is lost.
        err->Add(kInvalidChunk);
        return;
      }
      size_t kid_end = p + len;
      if (len > end - p) {
        err->Add(kInvalidChunk);
        kid_end = end;
      }
      if (c->id == kXDataEntry && (id < kXDataFirstRecord || id > kXDataLastRecord)) {
        // Inside an extension entry only its own records are kept.
        return;
      }
      Chunk& k = c->Add(id);
      k.length = len;
      k.pos = static_cast<uint32_t>(p);
      Read(&k, p, kid_end, depth + 1);
      p = kid_end;
    }
  }
};

}  // namespace

bool ReadDatabase(const uint8_t* bytes, size_t size, Database* db, ErrorList* err) {
  *db = Database();
  if (size < 6) {
    err->Add(kReadingFile);
    return false;
  }
  uint16_t id = GetWord(bytes);
  uint32_t len = GetDword(bytes + 2);
  int kind = KindOfRoot(id);
  if (!kind) return false;
  db->kind = kind;
  db->root.id = id;
  db->root.length = len;
  size_t end = len;
  if (len < 6 || len > size) {
    // Truncated (or overlong) file: read what is there.
    err->Add(kInvalidChunk);
    end = size;
  }
  TreeReader r{bytes, err};
  r.Read(&db->root, 0, end, 0);
  return true;
}

bool ReadDatabaseFile(const char* path, Database* db, ErrorList* err) {
  *db = Database();
  FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) {
    err->Add(kOpeningFile);
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + got);
  std::fclose(f);
  return ReadDatabase(bytes.data(), bytes.size(), db, err);
}

void Serialize(const Chunk& c, std::vector<uint8_t>* out) {
  if (c.id == 0 || c.id == kInMemoryOnly) return;
  size_t start = out->size();
  Writer w(out);
  w.Word(c.id);
  w.Dword(0);
  out->insert(out->end(), c.data.begin(), c.data.end());
  for (const Chunk& k : c.kids) Serialize(k, out);
  uint32_t len = static_cast<uint32_t>(out->size() - start);
  for (int i = 0; i < 4; ++i) (*out)[start + 2 + static_cast<size_t>(i)] = static_cast<uint8_t>(len >> (8 * i));
}

bool WriteDatabaseFile(const char* path, const Database& db, ErrorList* err) {
  if (!db.kind) {
    err->Add(kInvalidDatabase);
    return false;
  }
  std::vector<uint8_t> out;
  Serialize(db.root, &out);
  FILE* f = path ? std::fopen(path, "wb") : nullptr;
  if (!f) {
    err->Add(kOpeningFile);
    return false;
  }
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (std::fclose(f) != 0) ok = false;
  if (!ok) err->Add(kWritingDatabase);
  return ok;
}

bool Reader::Need(size_t n) {
  if (ok_ && Left() >= n) return true;
  if (ok_ && err_) err_->Add(kReadingFile);
  ok_ = false;
  return false;
}

uint8_t Reader::Byte() { return Need(1) ? *p_++ : 0; }

uint16_t Reader::Word() {
  if (!Need(2)) return 0;
  uint16_t v = GetWord(p_);
  p_ += 2;
  return v;
}

uint32_t Reader::Dword() {
  if (!Need(4)) return 0;
  uint32_t v = GetDword(p_);
  p_ += 4;
  return v;
}

float Reader::Float() {
  uint32_t u = Dword();
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

std::string Reader::String(size_t max_len) {
  if (!ok_) return std::string();
  const void* nul = Left() ? std::memchr(p_, 0, Left()) : nullptr;
  if (!nul) {
    Need(Left() + 1);
    return std::string();
  }
  size_t len = static_cast<size_t>(static_cast<const uint8_t*>(nul) - p_);
  std::string s(reinterpret_cast<const char*>(p_), len < max_len ? len : max_len);
  p_ += len + 1;
  return s;
}

void Reader::Skip(size_t n) {
  if (Need(n)) p_ += n;
}

uint32_t Reader::FitCount(uint32_t n, size_t item_size) {
  size_t fit = Left() / item_size;
  if (n > fit) {
    if (ok_ && err_) err_->Add(kReadingFile);
    return static_cast<uint32_t>(fit);
  }
  return n;
}

void Writer::Word(uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  out_->insert(out_->end(), b, b + 2);
}

void Writer::Dword(uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  out_->insert(out_->end(), b, b + 4);
}

void Writer::Float(float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  Dword(u);
}

void Writer::String(const char* s, size_t max_len) {
  size_t n = s ? strnlen(s, max_len) : 0;
  out_->insert(out_->end(), s, s + n);
  out_->push_back(0);
}

}  // namespace k3ds
