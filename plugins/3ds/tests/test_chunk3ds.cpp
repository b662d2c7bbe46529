// The chunk layer on hand-made byte images.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "3ds_chunk.h"
#include "test_support.h"

using namespace k3ds;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint16_t v) { Writer(&b).Word(v); }
void Put32(Bytes& b, uint32_t v) { Writer(&b).Dword(v); }

// A chunk with the given body; the length is patched in.
Bytes Chunk_(uint16_t id, const Bytes& body) {
  Bytes b;
  Put16(b, id);
  Put32(b, static_cast<uint32_t>(6 + body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

Bytes Name(const char* s) { return Bytes(s, s + std::strlen(s) + 1); }

Bytes Vertices(uint16_t n) {
  Bytes b;
  Put16(b, n);
  Writer w(&b);
  for (int i = 0; i < n * 3; ++i) w.Float(static_cast<float>(i));
  return b;
}

Bytes SimpleFile() {
  Bytes faces;
  Put16(faces, 1);
  for (uint16_t v : {0, 1, 2, 7}) Put16(faces, v);
  Bytes smooth;
  Put32(smooth, 5);
  Bytes face_list = Chunk_(0x4120, Cat({faces, Chunk_(0x4150, smooth)}));
  Bytes mesh = Chunk_(0x4100, Cat({Chunk_(0x4110, Vertices(3)), face_list}));
  Bytes obj = Chunk_(0x4000, Cat({Name("Box01"), mesh, Chunk_(0x4010, {})}));
  Bytes unknown = Chunk_(0x1234, {1, 2, 3, 4, 5});
  return Chunk_(0x4D4D, Chunk_(0x3D3D, Cat({obj, unknown})));
}

const Chunk& Path(const Chunk& c, std::initializer_list<uint16_t> ids) {
  const Chunk* p = &c;
  for (uint16_t id : ids) {
    p = p->Find(id);
    if (!p) {
      static Chunk none;
      ADD_FAILURE() << "missing chunk " << std::hex << id;
      return none;
    }
  }
  return *p;
}

}  // namespace

TEST(Chunk3ds, ErrorMessagesAndOverflow) {
  EXPECT_STREQ(ErrorMessage(13), "ERR_READING_FILE: Error occured while reading file");
  EXPECT_STREQ(ErrorMessage(22), "N_ERRORS: More errors were reported then could be recorded.");
  EXPECT_STREQ(ErrorMessage(20), "Unknown error code was encountered");
  ErrorList e;
  EXPECT_FALSE(e.Pending());
  for (int i = 0; i < 19; ++i) e.Add(4);
  EXPECT_EQ(e.Count(), 19);
  e.Add(13);
  EXPECT_EQ(e.Count(), 20);
  EXPECT_EQ(e.Code(19), 13);
  e.Add(15);
  EXPECT_EQ(e.Count(), 20);
  EXPECT_EQ(e.Code(19), 22);
  e.Clear();
  EXPECT_FALSE(e.Pending());
  EXPECT_EQ(e.Count(), 0);
}

TEST(Chunk3ds, ReadsTreeWithOwnDataBeforeSubChunks) {
  Bytes file = SimpleFile();
  Database db;
  ErrorList e;
  ASSERT_TRUE(ReadDatabase(file.data(), file.size(), &db, &e));
  EXPECT_FALSE(e.Pending());
  EXPECT_EQ(db.kind, 1);
  const Chunk& obj = Path(db.root, {0x3D3D, 0x4000});
  ASSERT_EQ(obj.data.size(), 6u);
  EXPECT_STREQ(reinterpret_cast<const char*>(obj.data.data()), "Box01");
  ASSERT_EQ(obj.kids.size(), 2u);
  EXPECT_EQ(obj.kids[1].id, 0x4010);
  EXPECT_TRUE(obj.kids[1].data.empty());
  const Chunk& faces = Path(obj, {0x4100, 0x4120});
  EXPECT_EQ(faces.data.size(), 10u);
  const Chunk& smooth = Path(faces, {0x4150});
  Reader r(smooth.data, &e);
  EXPECT_EQ(r.Dword(), 5u);
  EXPECT_EQ(r.Left(), 0u);
  EXPECT_EQ(Path(db.root, {0x3D3D, 0x1234}).data, (Bytes{1, 2, 3, 4, 5}));
}

// The importer's tree borrows the file image: the same chunks, no copies.
TEST(Chunk3ds, ViewOfTheFileReadsTheSameTree) {
  Bytes file = SimpleFile();
  Database db;
  ErrorList e;
  ASSERT_TRUE(ReadDatabaseView(file.data(), file.size(), &db, &e));
  EXPECT_FALSE(e.Pending());
  const Chunk& obj = Path(db.root, {0x3D3D, 0x4000});
  EXPECT_TRUE(obj.data.empty());
  ASSERT_EQ(obj.Size(), 6u);
  EXPECT_GE(obj.Bytes(), file.data());
  EXPECT_LT(obj.Bytes(), file.data() + file.size());
  EXPECT_STREQ(reinterpret_cast<const char*>(obj.Bytes()), "Box01");
  EXPECT_EQ(obj.kids[1].Size(), 0u);
  Reader r(Path(obj, {0x4100, 0x4120, 0x4150}), &e);
  EXPECT_EQ(r.Dword(), 5u);
  Bytes out;
  Serialize(db.root, &out);
  EXPECT_EQ(out, file);
}

TEST(Chunk3ds, WriteGivesBackTheSameBytesAndMendsStaleLengths) {
  Bytes file = SimpleFile();
  Database db;
  ErrorList e;
  ASSERT_TRUE(ReadDatabase(file.data(), file.size(), &db, &e));
  db.root.length = 1;
  db.root.kids[0].length = 99999;
  Bytes out;
  Serialize(db.root, &out);
  EXPECT_EQ(out, file);
  // In-memory only chunks are never written.
  db.root.kids[0].Add(0x80F0).data = {1, 2};
  db.root.kids[0].Add(0);
  out.clear();
  Serialize(db.root, &out);
  EXPECT_EQ(out, file);
}

TEST(Chunk3ds, RejectsFilesWithoutThreeDStudioRoot) {
  Bytes file = Chunk_(0x3D3D, Chunk_(0x3D3E, {3, 0, 0, 0}));
  Database db;
  ErrorList e;
  EXPECT_FALSE(ReadDatabase(file.data(), file.size(), &db, &e));
  EXPECT_EQ(db.kind, 0);
  for (uint16_t root : {0xC23D, 0x3DAA}) {
    Bytes f = Chunk_(root, {});
    EXPECT_TRUE(ReadDatabase(f.data(), f.size(), &db, &e));
    EXPECT_EQ(db.kind, root == 0xC23D ? 2 : 3);
  }
  EXPECT_FALSE(ReadDatabase(file.data(), 3, &db, &e));
}

TEST(Chunk3ds, BadLengthsKeepTheRestOfTheFile) {
  Bytes good = Chunk_(0x4000, Cat({Name("Good"), Chunk_(0x4010, {})}));
  // A sub-chunk longer than its parent is cut at the parent's end; the
  // parent's sibling is still read.
  Bytes bad_kid = Chunk_(0x4110, Vertices(1));
  bad_kid[2] = 0xFF;
  bad_kid[3] = 0xFF;
  Bytes first = Chunk_(0x4000, Cat({Name("Bad"), Chunk_(0x4100, bad_kid)}));
  Bytes file = Chunk_(0x4D4D, Chunk_(0x3D3D, Cat({first, good})));
  Database db;
  ErrorList e;
  ASSERT_TRUE(ReadDatabase(file.data(), file.size(), &db, &e));
  EXPECT_TRUE(e.Pending());
  EXPECT_EQ(e.Code(0), kInvalidChunk);
  const Chunk& ed = Path(db.root, {0x3D3D});
  ASSERT_EQ(ed.kids.size(), 2u);
  EXPECT_EQ(Path(ed.kids[0], {0x4100, 0x4110}).data.size(), 14u);
  EXPECT_STREQ(reinterpret_cast<const char*>(ed.kids[1].data.data()), "Good");

  // A zero-length chunk ends its parent, never loops.
  Bytes zero = {0x10, 0x40, 0, 0, 0, 0};
  file = Chunk_(0x4D4D, Cat({Chunk_(0x3D3D, Cat({zero, good})), Chunk_(0x0002, {3, 0, 0, 0})}));
  e.Clear();
  ASSERT_TRUE(ReadDatabase(file.data(), file.size(), &db, &e));
  EXPECT_TRUE(e.Pending());
  EXPECT_TRUE(db.root.kids[0].kids.empty());
  EXPECT_NE(db.root.Find(0x0002), nullptr);
}

TEST(Chunk3ds, NamesWithoutNulAndCountsPastTheEnd) {
  Bytes no_nul = Chunk_(0x4000, Bytes{'A', 'B', 'C'});
  Bytes faces;
  Put16(faces, 1000);
  Put16(faces, 1);
  Bytes file = Chunk_(0x4D4D, Chunk_(0x3D3D, Cat({no_nul, Chunk_(0x4120, faces)})));
  Database db;
  ErrorList e;
  ASSERT_TRUE(ReadDatabase(file.data(), file.size(), &db, &e));
  EXPECT_TRUE(e.Pending());
  const Chunk& ed = Path(db.root, {0x3D3D});
  ASSERT_EQ(ed.kids.size(), 2u);
  EXPECT_TRUE(ed.kids[0].kids.empty());
  Reader name(ed.kids[0].data, &e);
  EXPECT_EQ(name.String(10), "");
  EXPECT_FALSE(name.Ok());
  Reader r(ed.kids[1].data, &e);
  EXPECT_EQ(r.FitCount(r.Word(), 8), 0u);
}

TEST(Chunk3ds, EndlessNestingStopsAtAFixedDepth) {
  Bytes inner;
  for (int i = 0; i < 5000; ++i) inner = Chunk_(0xB000, inner);
  Bytes file = Chunk_(0x4D4D, inner);
  Database db;
  ErrorList e;
  ASSERT_TRUE(ReadDatabase(file.data(), file.size(), &db, &e));
  EXPECT_TRUE(e.Pending());
  int depth = 0;
  for (const Chunk* c = &db.root; !c->kids.empty(); c = &c->kids[0]) ++depth;
  EXPECT_LE(depth, 64);
}

TEST(Chunk3ds, EveryTruncationReadsWithoutFault) {
  Bytes file = SimpleFile();
  for (size_t n = 0; n <= file.size(); ++n) {
    Database db;
    ErrorList e;
    bool ok = ReadDatabase(file.data(), n, &db, &e);
    EXPECT_EQ(ok, n >= 6);
    if (n < file.size()) {
      EXPECT_TRUE(e.Pending()) << n;
    }
  }
}

TEST(Chunk3ds, ReaderAndWriterPrimitives) {
  Bytes b;
  Writer w(&b);
  w.Word(0xBEEF);
  w.Long(-2);
  w.Float(1.5f);
  w.String("ABCDEFGHIJKLMNOP", 10);
  w.String(nullptr, 10);
  ErrorList e;
  Reader r(b, &e);
  EXPECT_EQ(r.Word(), 0xBEEF);
  EXPECT_EQ(r.Long(), -2);
  EXPECT_EQ(r.Float(), 1.5f);
  EXPECT_EQ(r.String(16), "ABCDEFGHIJ");
  EXPECT_EQ(r.String(16), "");
  EXPECT_TRUE(r.Ok());
  EXPECT_FALSE(e.Pending());
  EXPECT_EQ(r.Dword(), 0u);
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(e.Count(), 1);
  EXPECT_EQ(r.Byte(), 0);
  EXPECT_EQ(e.Count(), 1);
}

TEST(Chunk3ds, FileRoundTrip) {
  kvtest::TempDir dir;
  Bytes file = SimpleFile();
  kvtest::write_file(dir.file("a.3ds"), std::string(file.begin(), file.end()));
  Database db;
  ErrorList e;
  ASSERT_TRUE(ReadDatabaseFile(dir.file("a.3ds").c_str(), &db, &e));
  // Written as it goes, lengths from the tree: stale ones and in-memory
  // chunks change nothing.
  db.root.kids[0].length = 99999;
  db.root.kids[0].Add(0x80F0).data = {1, 2};
  EXPECT_EQ(SerializedSize(db.root), file.size());
  ASSERT_TRUE(WriteDatabaseFile(dir.file("b.3ds").c_str(), db, &e));
  EXPECT_EQ(kvtest::read_file(dir.file("b.3ds")), std::string(file.begin(), file.end()));
  EXPECT_FALSE(ReadDatabaseFile(dir.file("none.3ds").c_str(), &db, &e));
  EXPECT_EQ(e.Code(e.Count() - 1), kOpeningFile);
}
