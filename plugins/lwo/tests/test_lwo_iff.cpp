// The chunk layer: padding, lengths held to their parent, variable-length
// indices and padded strings, read and written.
#include <gtest/gtest.h>

#include "lwo_chunks.h"
#include "lwo_iff.h"
#include "lwo_test_util.h"

namespace {

using lwotest::Iff;

MBinReader Reader(const std::vector<uint8_t>& b) { return MBinReader(b.data(), b.size(), MByteOrder::kBig); }

TEST(LwoIff, OddChunksArePaddedAndTheNextIsFoundAfterThePad) {
  Iff body;
  body.Chunk("AAAA", Iff().U8(1).U8(2).U8(3)).Chunk("BBBB", Iff().U16(7));
  EXPECT_EQ(body.size(), 8u + 3 + 1 + 8 + 2);
  lwo::ChunkWalker walk(Reader(body.bytes()), lwo::ChunkWalker::kLongLength);
  lwo::Chunk c;
  ASSERT_TRUE(walk.Next(&c));
  EXPECT_EQ(c.id, lwo::Id("AAAA"));
  EXPECT_EQ(c.data.Size(), 3u);
  ASSERT_TRUE(walk.Next(&c));
  EXPECT_EQ(c.id, lwo::Id("BBBB"));
  EXPECT_EQ(c.data.U16(), 7);
  EXPECT_FALSE(walk.Next(&c));
  EXPECT_FALSE(walk.Truncated());
  EXPECT_EQ(walk.Leftover(), 0u);
}

TEST(LwoIff, ALengthThatLiesGetsWhatTheParentHoldsAndEndsTheWalk) {
  Iff body;
  body.Id("PNTS").U32(0x7FFFFFF0).F32(1).F32(2);
  lwo::ChunkWalker walk(Reader(body.bytes()), lwo::ChunkWalker::kLongLength);
  lwo::Chunk c;
  ASSERT_TRUE(walk.Next(&c));
  EXPECT_TRUE(c.truncated);
  EXPECT_EQ(c.data.Size(), 8u);
  EXPECT_FALSE(walk.Next(&c));
  EXPECT_TRUE(walk.Truncated());

  // Sub-chunks count in words; a header cut in two is left over.
  Iff sub;
  sub.Id("COLR").U16(4).U16(1).U16(2).U8('D').U8('I');
  lwo::ChunkWalker subs(Reader(sub.bytes()), lwo::ChunkWalker::kWordLength);
  ASSERT_TRUE(subs.Next(&c));
  EXPECT_EQ(c.data.Size(), 4u);
  EXPECT_FALSE(subs.Next(&c));
  EXPECT_EQ(subs.Leftover(), 2u);
}

TEST(LwoIff, TheFormLengthIsHeldToTheFile) {
  std::vector<uint8_t> f = lwotest::Form("LWO2", Iff().Chunk("TAGS", Iff().S0("a")));
  lwo::Form form;
  ASSERT_TRUE(lwo::ReadForm(Reader(f), &form));
  EXPECT_EQ(form.type, lwo::kLWO2);
  EXPECT_FALSE(form.truncated);
  EXPECT_EQ(form.body.Size(), 8u + 2);
  f.resize(f.size() - 1);
  ASSERT_TRUE(lwo::ReadForm(Reader(f), &form));
  EXPECT_TRUE(form.truncated);
  EXPECT_EQ(form.body.Size(), 9u);
  EXPECT_FALSE(lwo::ReadForm(Reader(std::vector<uint8_t>{'F', 'O', 'R', 'M', 0, 0, 0, 2, 'L', 'W', 'O', '2'}), &form));
  EXPECT_FALSE(lwo::ReadForm(Reader(std::vector<uint8_t>{'F', 'O', 'R', 'M'}), &form));
}

TEST(LwoIff, IndicesFromFF00OnTakeFourBytes) {
  std::vector<uint8_t> bytes;
  lwo::IffWriter w(&bytes);
  for (uint32_t v : {0u, 0xFEFFu, 0xFF00u, 0x123456u}) w.VX(v);
  EXPECT_EQ(bytes.size(), 2u + 2 + 4 + 4);
  EXPECT_EQ(bytes[4], 0xFF);
  MBinReader r = Reader(bytes);
  EXPECT_EQ(lwo::ReadVX(r), 0u);
  EXPECT_EQ(lwo::ReadVX(r), 0xFEFFu);
  EXPECT_EQ(lwo::ReadVX(r), 0xFF00u);
  EXPECT_EQ(lwo::ReadVX(r), 0x123456u);
  EXPECT_TRUE(r.Ok());
  // A four-byte index cut short reads as nothing and fails the reader.
  std::vector<uint8_t> cut = {0xFF, 0x00, 0x01};
  MBinReader c = Reader(cut);
  EXPECT_EQ(lwo::ReadVX(c), 0u);
  EXPECT_FALSE(c.Ok());
}

TEST(LwoIff, StringsTakeAnEvenNumberOfBytesAndAreBounded) {
  std::vector<uint8_t> bytes;
  lwo::IffWriter w(&bytes);
  w.S0("abcde", 100);
  EXPECT_EQ(bytes.size(), 6u);
  w.S0("abcdef", 100);
  EXPECT_EQ(bytes.size(), 6u + 8);
  w.S0("long name", 4);
  MBinReader r = Reader(bytes);
  EXPECT_EQ(lwo::ReadS0(r, 100), "abcde");
  EXPECT_EQ(r.Pos(), 6u);
  EXPECT_EQ(lwo::ReadS0(r, 3), "abc");
  EXPECT_EQ(r.Pos(), 14u);
  EXPECT_EQ(lwo::ReadS0(r, 100), "long");
  EXPECT_TRUE(r.AtEnd());
  // Without its NUL a string ends with its chunk.
  std::vector<uint8_t> open = {'x', 'y', 'z'};
  MBinReader o = Reader(open);
  EXPECT_EQ(lwo::ReadS0(o, 100), "xyz");
  EXPECT_TRUE(o.AtEnd());
}

TEST(LwoIff, WrittenChunksCarryTheirLengthBeforeThePad) {
  std::vector<uint8_t> bytes;
  lwo::IffWriter w(&bytes);
  size_t c = w.BeginChunk(lwo::kSURF);
  w.S0("ab", 10);  // 3 + 1 bytes
  size_t s = w.BeginSub(lwo::kCOLR);
  w.w().U8(9);
  w.EndSub(s);
  w.EndChunk(c);
  ASSERT_EQ(bytes.size(), 8u + 4 + 6 + 1 + 1);
  EXPECT_EQ(bytes[7], 4 + 6 + 1 + 1);   // the chunk counts its padded sub-chunk
  EXPECT_EQ(bytes[8 + 4 + 5], 1);       // the sub-chunk its one byte
  EXPECT_FALSE(w.Overflow());
  size_t big = w.BeginSub(lwo::kBLOK);
  w.w().Zeros(70000);
  w.EndSub(big);
  EXPECT_TRUE(w.Overflow());
}

}  // namespace
