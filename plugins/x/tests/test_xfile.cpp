// The .x file layer on its own: header, the text and binary bodies, the
// compressed form, references and what damaged bodies leave.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "x_test_util.h"
#include "xfile.h"
#include "xfile_format.h"
#include "xfile_writer.h"

namespace {

const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// The file layer reads in place: the bytes stay until the next Load.
bool Load(kvx::XFile& x, const std::string& s) {
  static std::string bytes;
  bytes = s;
  return x.Load(U(bytes), bytes.size());
}

int Find(const kvx::XFile& x, const char* type) {
  for (int i = 0; i < x.object_count(); ++i)
    if (kvx::SameType(x.object(i).type, type)) return i;
  return -1;
}

std::vector<double> Numbers(const kvx::XFile& x, int obj) {
  kvx::XData d = x.Data(obj);
  std::vector<double> v;
  double f;
  while (d.Float(&f)) v.push_back(f);
  return v;
}

}  // namespace

TEST(XFileHeader, FormsAndFloatSizes) {
  kvx::XHeader h;
  std::string err;
  ASSERT_TRUE(kvx::ParseHeader(U("xof 0303txt 0032"), 16, &h, &err));
  EXPECT_EQ(h.major, 3);
  EXPECT_EQ(h.minor, 3);
  EXPECT_FALSE(h.binary);
  EXPECT_FALSE(h.compressed);
  ASSERT_TRUE(kvx::ParseHeader(U("xof 0302bzip0064"), 16, &h, &err));
  EXPECT_TRUE(h.binary);
  EXPECT_TRUE(h.compressed);
  EXPECT_EQ(h.float_bits, 64);
  ASSERT_TRUE(kvx::ParseHeader(U("xof 0302tzip0032"), 16, &h, &err));
  EXPECT_FALSE(h.binary);
  EXPECT_TRUE(h.compressed);
  EXPECT_FALSE(kvx::ParseHeader(U("xof 0302txt 0016"), 16, &h, &err));
  EXPECT_FALSE(kvx::ParseHeader(U("xof 0302zzz 0032"), 16, &h, &err));
  EXPECT_FALSE(kvx::ParseHeader(U("mof 0302txt 0032"), 16, &h, &err));
  EXPECT_FALSE(kvx::ParseHeader(U("xof 0302txt"), 11, &h, &err));
  EXPECT_NE(err.find("16-byte"), std::string::npos);
}

TEST(XFileText, SeparatorsCommentsAndOddNumbers) {
  // Writers differ in separators; MSVC prints what is no number as 1.#QNAN0.
  kvx::XFile x;
  ASSERT_TRUE(Load(x,
                   "xof 0302txt 0032\n"
                   "// a comment { with braces }\n"
                   "Thing t1 {  1;2 , 3;;,  # another }\n"
                   " 4.5e1 -1.#QNAN0 -.5; 7\n"
                   "}\n"));
  EXPECT_FALSE(x.truncated());
  ASSERT_EQ(x.top_level().size(), 1u);
  EXPECT_EQ(x.object(0).name, "t1");
  EXPECT_EQ(Numbers(x, 0), (std::vector<double>{1, 2, 3, 45, 0, -0.5, 7}));
}

TEST(XFileText, TemplatesChildrenReferencesAndStrings) {
  kvx::XFile x;
  ASSERT_TRUE(Load(x,
                   "xof 0303txt 0032\n"
                   "template Custom { <01234567-89AB-CDEF-0123-456789ABCDEF> DWORD a; [...] }\n"
                   "Material Red { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }\n"
                   "Frame F { Custom { 5; Nested { \"a \\\\ b\"; } } { Red } {<01234567-89AB-CDEF-0123-456789ABCDEF>} }\n"));
  ASSERT_EQ(x.templates().size(), 1u);
  EXPECT_EQ(x.templates()[0].name, "Custom");
  const int f = Find(x, "Frame");
  ASSERT_GE(f, 0);
  const kvx::XObject& frame = x.object(f);
  ASSERT_EQ(frame.children.size(), 3u);
  EXPECT_EQ(x.object(frame.children[0].object).type, "Custom");
  EXPECT_EQ(x.Resolve(frame.children[1]), Find(x, "Material"));
  EXPECT_EQ(x.Resolve(frame.children[2]), -1);  // no object has that GUID
  const int nested = Find(x, "Nested");
  std::string s;
  kvx::XData d = x.Data(nested);
  ASSERT_TRUE(d.String(&s));
  EXPECT_EQ(s, "a \\\\ b");
  EXPECT_EQ(Numbers(x, Find(x, "Custom")), std::vector<double>{5});
}

TEST(XFileText, BrokenBodiesKeepWhatCameBefore) {
  kvx::XFile x;
  ASSERT_TRUE(Load(x, "xof 0302txt 0032\nA a { 1; }\nB b { 2; 3"));
  EXPECT_TRUE(x.truncated());
  EXPECT_NE(x.error().find("ends inside B"), std::string::npos);
  ASSERT_EQ(x.object_count(), 2);
  EXPECT_EQ(Numbers(x, 1), (std::vector<double>{2, 3}));
  ASSERT_TRUE(Load(x, "xof 0302txt 0032\nA { \"no end }"));
  EXPECT_TRUE(x.truncated());
  ASSERT_TRUE(Load(x, "xof 0302txt 0032\nA name\n"));
  EXPECT_TRUE(x.truncated());
  EXPECT_FALSE(Load(x, ""));
}

TEST(XFileText, DeepNestingAndAHugeToken) {
  std::string deep = "xof 0302txt 0032\n";
  for (int i = 0; i < 20000; ++i) deep += "F {";
  kvx::XFile x;
  ASSERT_TRUE(Load(x, deep));
  EXPECT_TRUE(x.truncated());
  EXPECT_NE(x.error().find("nested deeper"), std::string::npos);
  EXPECT_EQ(x.object_count(), kvx::kMaxDepth);
  // One 10 MB word, as a name and as data.
  const std::string word(10 << 20, 'w');
  ASSERT_TRUE(Load(x, "xof 0302txt 0032\nMesh " + word + " { " + word + " 1; }"));
  EXPECT_FALSE(x.truncated());
  EXPECT_EQ(x.object(0).name.size(), word.size());
  uint32_t v;
  kvx::XData d = x.Data(0);
  EXPECT_FALSE(d.Int(&v));
}

TEST(XFileBinary, ListsOf32And64BitFloats) {
  for (int bits : {32, 64}) {
    xtest::BinBody b;
    b.Name("Mesh");
    b.Name("m");
    b.Token(kvx::kTokOBrace);
    b.Ints({2});
    b.Floats({0.5, -1.25, 3, 1e10, 2, 0.125}, bits);
    b.Token(kvx::kTokInteger);
    b.bytes.append("\x07\0\0\0", 4);
    b.Name("TextureFilename");
    b.Token(kvx::kTokOBrace);
    b.String("a/b.tga");
    b.Token(kvx::kTokCBrace);
    b.Token(kvx::kTokCBrace);
    kvx::XFile x;
    ASSERT_TRUE(Load(x, std::string(bits == 64 ? "xof 0302bin 0064" : "xof 0302bin 0032") + b.bytes));
    EXPECT_FALSE(x.truncated()) << x.error();
    ASSERT_EQ(x.object_count(), 2);
    const std::vector<double> v = Numbers(x, 0);
    EXPECT_EQ(v, (std::vector<double>{2, 0.5, -1.25, 3, 1e10, 2, 0.125, 7}));
    kvx::XData d = x.Data(1);
    std::string s;
    ASSERT_TRUE(d.String(&s));
    EXPECT_EQ(s, "a/b.tga");
  }
}

TEST(XFileBinary, LyingListCountsAndUnknownTokens) {
  xtest::BinBody b;
  b.Name("Mesh");
  b.Token(kvx::kTokOBrace);
  b.Token(kvx::kTokIntegerList);
  b.bytes.append("\xff\xff\xff\x7f", 4);  // two billion integers that are not there
  b.bytes.append("\1\0\0\0", 4);
  kvx::XFile x;
  ASSERT_TRUE(Load(x, "xof 0302bin 0032" + b.bytes));
  EXPECT_TRUE(x.truncated());
  EXPECT_NE(x.error().find("longer than the file"), std::string::npos);
  xtest::BinBody u;
  u.Name("A");
  u.Token(kvx::kTokOBrace);
  u.Token(999);
  ASSERT_TRUE(Load(x, "xof 0302bin 0032" + u.bytes));
  EXPECT_NE(x.error().find("unknown token 999"), std::string::npos);
}

namespace {

// Blocks as other writers make them: each one's deflate stream refers back
// into the block before through the dictionary.
std::string ChainedBlocks(const std::string& body, size_t block) {
  std::string out;
  auto u16 = [&](size_t v) {
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>(v >> 8));
  };
  const uint32_t total = static_cast<uint32_t>(body.size() + 16);
  out.append(reinterpret_cast<const char*>(&total), 4);
  for (size_t pos = 0; pos < body.size(); pos += block) {
    const size_t n = std::min(block, body.size() - pos);
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (pos > 0) {
      const size_t dict = std::min<size_t>(pos, 32768);
      deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(body.data() + pos - dict), static_cast<uInt>(dict));
    }
    std::vector<uint8_t> buf(deflateBound(&z, n) + 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + pos));
    z.avail_in = static_cast<uInt>(n);
    z.next_out = buf.data();
    z.avail_out = static_cast<uInt>(buf.size());
    deflate(&z, Z_FINISH);
    const size_t c = buf.size() - z.avail_out;
    deflateEnd(&z);
    u16(n);
    u16(c + 2);
    out += "CK";
    out.append(reinterpret_cast<const char*>(buf.data()), c);
  }
  return out;
}

std::string TextBody(int vertices) {
  std::string s = "\nMesh m {\n" + std::to_string(vertices) + ";\n";
  for (int i = 0; i < vertices; ++i) s += std::to_string(i % 97) + ";1.5;-2;" + (i + 1 < vertices ? "," : ";") + "\n";
  return s + "}\n";
}

}  // namespace

TEST(XFileZip, ChainedAndSingleBlocksInflate) {
  const std::string body = TextBody(20000);  // several blocks
  for (const std::string& z : {ChainedBlocks(body, 32768), ChainedBlocks(body, 1000)}) {
    kvx::XFile x;
    ASSERT_TRUE(Load(x, "xof 0302tzip0032" + z)) << x.error();
    EXPECT_FALSE(x.truncated());
    EXPECT_EQ(x.body_size(), body.size());
    EXPECT_EQ(Numbers(x, 0).size(), 1u + 3 * 20000);
  }
  std::vector<uint8_t> ours;
  ASSERT_TRUE(kvx::DeflateBody(U(body), body.size(), &ours, nullptr));
  kvx::XFile x;
  ASSERT_TRUE(Load(x, "xof 0302tzip0032" + std::string(ours.begin(), ours.end())));
  EXPECT_EQ(x.body_size(), body.size());
}

TEST(XFileZip, BlocksPackedOnTwoThreadsKeepTheirOrder) {
  // More than one batch of blocks, and a short last block.
  std::string body = TextBody(250000);
  ASSERT_GT(body.size(), 80 * kvx::kZipBlockMax);
  for (size_t i = 0; i < body.size(); i += 4099) body[i] = static_cast<char>('a' + i / 4099 % 26);
  for (size_t size : {body.size(), 5 * kvx::kZipBlockMax + 17}) {
    SCOPED_TRACE(size);
    std::vector<uint8_t> packed, back;
    ASSERT_TRUE(kvx::DeflateBody(U(body), size, &packed, nullptr));
    std::string error;
    ASSERT_TRUE(kvx::InflateBody(packed.data(), packed.size(), &back, &error)) << error;
    ASSERT_EQ(back.size(), size);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), body.begin()));
  }
}

TEST(XFileZip, DamagedBlocksAndWrongSizesFail) {
  const std::string body = TextBody(5000);
  const std::string z = ChainedBlocks(body, 32768);
  kvx::XFile x;
  std::string bad = z;
  bad[40] ^= 0x5a;  // inside the first deflate stream
  bad[41] ^= 0x33;
  bad[60] ^= 0x77;
  EXPECT_FALSE(Load(x, "xof 0302tzip0032" + bad));
  EXPECT_NE(x.error().find("damaged"), std::string::npos) << x.error();
  std::string size = z;
  size[0] ^= 1;  // the stated size is one byte off
  EXPECT_FALSE(Load(x, "xof 0302tzip0032" + size));
  EXPECT_NE(x.error().find("the file states"), std::string::npos);
  std::string marker = z;
  marker[8] = 'X';
  EXPECT_FALSE(Load(x, "xof 0302tzip0032" + marker));
  EXPECT_FALSE(Load(x, "xof 0302tzip0032" + z.substr(0, z.size() / 2)));
  // A block that claims far more than deflate can give.
  std::string greedy("\x10\x80\x00\x00\x00\x80\x06\x00" "CK" "\x03\x00\x00\x00", 14);
  EXPECT_FALSE(Load(x, "xof 0302bzip0032" + greedy));
  EXPECT_FALSE(Load(x, "xof 0302bzip0032"));
}

TEST(XFileZip, StreamedBlocksAreTheWholeBodysBlocks) {
  // Written in uneven pieces, to a file that seeks and to a pipe: the same
  // bytes as the body compressed at once.
  const std::string body = TextBody(30000);
  ASSERT_GT(body.size(), 3 * kvx::kZipBlockMax);
  std::vector<uint8_t> whole;
  ASSERT_TRUE(kvx::DeflateBody(U(body), body.size(), &whole, nullptr));
  kvtest::TempDir dir;
  const std::string seekable = dir.file("seek.z"), piped = dir.file("pipe.z");
  for (const std::string& path : {seekable, piped}) {
    SCOPED_TRACE(path);
    FILE* out = path == seekable ? std::fopen(path.c_str(), "wb") : popen(("cat > '" + path + "'").c_str(), "w");
    ASSERT_NE(out, nullptr);
    {
      kvx::XZipWriter z(out);
      ASSERT_NE(z.body(), nullptr);
      size_t at = 0;
      for (size_t piece = 1; at < body.size(); piece = piece * 7 % 70001 + 1) {
        const size_t n = std::min(piece, body.size() - at);
        ASSERT_EQ(std::fwrite(body.data() + at, 1, n, z.body()), n);
        at += n;
      }
      std::string error;
      EXPECT_TRUE(z.Close(&error)) << error;
    }
    ASSERT_EQ(path == seekable ? std::fclose(out) : pclose(out), 0);
    EXPECT_EQ(kvtest::read_file(path), std::string(whole.begin(), whole.end()));
  }
}

TEST(XFileWriter, StatedListsStreamAndAWrongCountFails) {
  // Stated and held lists give the same tokens as one list each.
  kvtest::TempDir dir;
  const std::string path = dir.file("body.bin");
  FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  const uint32_t n = 40000;  // beyond a chunk
  {
    kvx::XWriter w(out);
    w.Begin("Mesh", "m");
    w.Int(n);
    w.ListOf(n);
    for (uint32_t i = 0; i < n; ++i) w.Float(i * 0.5);
    w.Int(1);
    w.Int(2);
    w.End();
    EXPECT_TRUE(w.Finish());
  }
  std::fclose(out);
  xtest::BinBody want;
  want.Name("Mesh");
  want.Name("m");
  want.Token(kvx::kTokOBrace);
  want.Ints({n});
  std::vector<double> floats;
  for (uint32_t i = 0; i < n; ++i) floats.push_back(i * 0.5);
  want.Floats(floats, 32);
  want.Ints({1, 2});
  want.Token(kvx::kTokCBrace);
  EXPECT_EQ(kvtest::read_file(path), want.bytes);

  FILE* sink = std::fopen("/dev/null", "wb");
  ASSERT_NE(sink, nullptr);
  for (uint32_t given : {2u, 4u}) {
    kvx::XWriter w(sink);
    w.ListOf(3);
    for (uint32_t i = 0; i < given; ++i) w.Int(i);
    EXPECT_FALSE(w.Finish()) << given;
  }
  std::fclose(sink);
}
