#include "3ds_chunk.h"

#include <cstring>

#include "outfile.h"

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

FileKind KindOfRoot(uint16_t id) {
  switch (id) {
    case kM3dMagic: return kMeshFile;
    case kCMagic: return kProjectFile;
    case kMLibMagic: return kMaterialLibrary;
    default: return kNoFile;
  }
}

uint16_t RootOfKind(FileKind kind) {
  switch (kind) {
    case kMeshFile: return kM3dMagic;
    case kProjectFile: return kCMagic;
    case kMaterialLibrary: return kMLibMagic;
    default: return 0;
  }
}

namespace {

// A chunk header: id and length, little-endian.
struct Header {
  uint16_t id;
  uint32_t length;
};

Header HeaderAt(const uint8_t* p) {
  MBinReader r(p, 6);
  Header h;
  h.id = r.U16();
  h.length = r.U32();
  return h;
}

bool IsMapChunk(uint16_t id) {
  switch (id) {
    case kMatTexMap: case kMatTex2Map: case kMatOpacMap: case kMatBumpMap:
    case kMatSpecMap: case kMatShinMap: case kMatSelfIllumMap: case kMatReflMap:
    case kMatTexMask: case kMatTex2Mask: case kMatOpacMask: case kMatBumpMask:
    case kMatSpecMask: case kMatShinMask: case kMatSelfIllumMask: case kMatReflMask:
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
      return fixed(2 + 8 * static_cast<size_t>(MBinReader(body, 2).U16()));
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
  bool borrow;  // point into base rather than copy

  void Keep(Chunk* c, const uint8_t* body, size_t n) const {
    if (!borrow) {
      c->data.assign(body, body + n);
    } else if (n > 0) {
      c->view = body;
      c->view_size = n;
    }
  }

  // Reads the chunk whose header is at pos and whose extent (already
  // clamped to the parent) is [pos, end).
  void Read(Chunk* c, size_t pos, size_t end, int depth) {
    const uint8_t* body = base + pos + 6;
    size_t n = end - pos - 6;
    long own = OwnDataSize(c->id, body, n, err);
    if (own < 0 || depth >= kMaxDepth) {
      if (own >= 0) err->Add(kInvalidChunk);
      Keep(c, body, n);
      return;
    }
    Keep(c, body, static_cast<size_t>(own));
    size_t p = pos + 6 + static_cast<size_t>(own);
    if (static_cast<size_t>(own) == n) return;
    while (p < end) {
      if (end - p < 6) {
        err->Add(kInvalidChunk);
        return;
      }
      const Header h = HeaderAt(base + p);
      const uint16_t id = h.id;
      const uint32_t len = h.length;
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

namespace {

bool Read(const uint8_t* bytes, size_t size, Database* db, ErrorList* err, bool borrow) {
  *db = Database();
  if (size < 6) {
    err->Add(kReadingFile);
    return false;
  }
  const Header h = HeaderAt(bytes);
  const uint16_t id = h.id;
  const uint32_t len = h.length;
  const FileKind kind = KindOfRoot(id);
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
  TreeReader r{bytes, err, borrow};
  r.Read(&db->root, 0, end, 0);
  return true;
}

}  // namespace

bool ReadDatabase(const uint8_t* bytes, size_t size, Database* db, ErrorList* err) {
  return Read(bytes, size, db, err, false);
}

bool ReadDatabaseView(const uint8_t* bytes, size_t size, Database* db, ErrorList* err) {
  return Read(bytes, size, db, err, true);
}

bool ReadDatabaseFile(const char* path, Database* db, ErrorList* err) {
  *db = Database();
  MFileView file;
  if (!file.Open(path)) {
    err->Add(kOpeningFile);
    return false;
  }
  return ReadDatabase(file.data(), file.size(), db, err);
}

namespace {

// Chunks without an id, and those only the program uses, are never written.
bool Written(const Chunk& c) { return c.id != 0 && c.id != kInMemoryOnly; }

}  // namespace

void Serialize(const Chunk& c, std::vector<uint8_t>* out) {
  if (!Written(c)) return;
  const size_t start = out->size();
  Writer w(out);
  w.Word(c.id);
  w.Dword(0);
  w.Bytes(c.Bytes(), c.Size());
  for (const Chunk& k : c.kids) Serialize(k, out);
  w.PatchU32(start + 2, static_cast<uint32_t>(out->size() - start));
}

uint64_t SerializedSize(const Chunk& c) {
  if (!Written(c)) return 0;
  uint64_t n = 6 + c.Size();
  for (const Chunk& k : c.kids) n += SerializedSize(k);
  return n;
}

bool WriteChunks(const Chunk& c, MOutputFile* out) {
  if (!Written(c)) return true;
  std::vector<uint8_t> head;
  Writer w(&head);
  w.Word(c.id);
  // Each level sums its subtree again; 3DS trees are a handful of levels deep.
  w.Dword(static_cast<uint32_t>(SerializedSize(c)));
  if (!out->Write(head.data(), head.size())) return false;
  if (c.Size() > 0 && !out->Write(c.Bytes(), c.Size())) return false;
  for (const Chunk& k : c.kids)
    if (!WriteChunks(k, out)) return false;
  return true;
}

bool WriteDatabaseFile(const char* path, const Database& db, ErrorList* err) {
  if (!db.kind) {
    err->Add(kInvalidDatabase);
    return false;
  }
  MOutputFile out;
  if (!out.Open(path)) {
    err->Add(kOpeningFile);
    return false;
  }
  if (!WriteChunks(db.root, &out) || !out.Commit()) {
    err->Add(kWritingDatabase);
    return false;
  }
  return true;
}

std::string Reader::String(size_t max_len) {
  if (!Ok()) return std::string();
  if (!Left() || !std::memchr(Here(), 0, Left())) {
    Skip(Left() + 1);  // fails: the name has no end
    return std::string();
  }
  return CString(max_len);
}

uint32_t Reader::FitCount(uint32_t n, size_t item_size) {
  const size_t fit = MBinReader::FitCount(n, item_size);
  if (fit < n && Ok() && err_) err_->Add(kReadingFile);
  return static_cast<uint32_t>(fit);
}

}  // namespace k3ds
