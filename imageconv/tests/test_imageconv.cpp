#include "imageconv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const int kWritable[] = {IMAGECONV_TGA, IMAGECONV_GIF, IMAGECONV_BMP, IMAGECONV_JPG,
                         IMAGECONV_TIF, IMAGECONV_PNG, IMAGECONV_PCX};

std::string corpus(const char* rel) { return kvtest::corpus_file(rel); }

bool have_identify() { return std::system("identify -version >/dev/null 2>&1") == 0; }

// "FORMAT WIDTHxHEIGHT" of the first frame as ImageMagick reads it; "" when
// it cannot read the file.
std::string identify(const std::string& path) {
  std::string cmd = "identify -format '%m %wx%h\\n' '" + path + "[0]' 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return "";
  char buf[256] = {0};
  std::string out;
  if (std::fgets(buf, sizeof buf, p)) out = buf;
  pclose(p);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// ImageMagick's names for our types (BMP comes back as BMP3 and the like).
std::string magick_name(int type) {
  switch (type) {
    case IMAGECONV_JPG: return "JPEG";
    case IMAGECONV_TIF: return "TIFF";
    default: return get_image_ext(type);
  }
}

std::string size_of(const std::string& identified) {
  size_t sp = identified.find(' ');
  return sp == std::string::npos ? "" : identified.substr(sp + 1);
}

size_t entries_in(const fs::path& dir) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(dir)) ++n;
  return n;
}

}  // namespace

TEST(ImageConvTypes, CodesAndExtensionsOfTheListedTypes) {
  struct Row {
    const char* ext;
    int code;
  } rows[] = {{"TGA", 0}, {"GIF", 1}, {"BMP", 2}, {"CEL", 3}, {"JPG", 5}, {"TIF", 6}, {"PNG", 7}, {"PCX", 8}};
  for (const Row& r : rows) {
    EXPECT_EQ(get_image_type(r.ext), r.code) << r.ext;
    EXPECT_STREQ(get_image_ext(r.code), r.ext);
  }
  EXPECT_EQ(get_image_type("tga"), 0);
  EXPECT_EQ(get_image_type("Png"), 7);
  EXPECT_EQ(get_image_type("jpeg"), IMAGECONV_JPG);
  EXPECT_EQ(get_image_type("TIFF"), IMAGECONV_TIF);
}

TEST(ImageConvTypes, UnknownExtensionsAndCodes) {
  EXPECT_EQ(get_image_type("PPM"), -1);
  EXPECT_EQ(get_image_type(".png"), -1);  // given without the dot
  EXPECT_EQ(get_image_type("pngx"), -1);
  EXPECT_EQ(get_image_type(""), -1);
  EXPECT_EQ(get_image_type(nullptr), -1);
  for (int code : {-1, 4, 9, 1000}) {
    ASSERT_NE(get_image_ext(code), nullptr);
    EXPECT_STREQ(get_image_ext(code), "") << code;
  }
}

// Every writable type from a real JPEG, each result read back by ImageMagick
// and then fed through the library again.
TEST(ImageConvConvert, CorpusJpegToEveryTypeAndBack) {
  KV_REQUIRE_CORPUS();
  if (!have_identify()) GTEST_SKIP() << "ImageMagick identify not installed";
  const std::string src = corpus("3ds/jeep1.jpg");
  ASSERT_TRUE(fs::exists(src));
  const std::string src_size = size_of(identify(src));
  ASSERT_FALSE(src_size.empty());

  kvtest::TempDir tmp;
  for (int type : kWritable) {
    std::string dst = tmp.file(std::string("jeep1.") + get_image_ext(type));
    ASSERT_EQ(convert_image(IMAGECONV_JPG, src.c_str(), type, dst.c_str()), 0) << get_image_ext(type);
    std::string got = identify(dst);
    EXPECT_EQ(got.rfind(magick_name(type), 0), 0u) << got;
    EXPECT_EQ(size_of(got), src_size) << get_image_ext(type);

    std::string back = tmp.file(std::string("back_") + get_image_ext(type) + ".png");
    ASSERT_EQ(convert_image(type, dst.c_str(), IMAGECONV_PNG, back.c_str()), 0) << get_image_ext(type);
    EXPECT_EQ(identify(back), "PNG " + src_size);
  }
}

TEST(ImageConvConvert, CorpusBmpAndPngSources) {
  KV_REQUIRE_CORPUS();
  if (!have_identify()) GTEST_SKIP() << "ImageMagick identify not installed";
  kvtest::TempDir tmp;
  std::string tga = tmp.file("faerie2.tga");
  ASSERT_EQ(convert_image(IMAGECONV_BMP, corpus("md2/faerie2.bmp").c_str(), IMAGECONV_TGA, tga.c_str()), 0);
  EXPECT_EQ(identify(tga), "TGA 220x193");
  std::string tif = tmp.file("test.tif");
  ASSERT_EQ(convert_image(IMAGECONV_PNG, corpus("3ds/test.png").c_str(), IMAGECONV_TIF, tif.c_str()), 0);
  EXPECT_EQ(identify(tif), "TIFF 512x512");
}

// A mislabelled source is read by its signature, not by the type it was
// given.
TEST(ImageConvConvert, SignatureWinsOverTheGivenType) {
  KV_REQUIRE_CORPUS();
  if (!have_identify()) GTEST_SKIP() << "ImageMagick identify not installed";
  kvtest::TempDir tmp;
  std::string dst = tmp.file("out.bmp");
  ASSERT_EQ(convert_image(IMAGECONV_TGA, corpus("3ds/test.png").c_str(), IMAGECONV_BMP, dst.c_str()), 0);
  EXPECT_EQ(size_of(identify(dst)), "512x512");
}

TEST(ImageConvConvert, InPlaceConversionReplacesTheFile) {
  KV_REQUIRE_CORPUS();
  if (!have_identify()) GTEST_SKIP() << "ImageMagick identify not installed";
  kvtest::TempDir tmp;
  std::string path = tmp.file("map.img");
  kvtest::write_file(path, kvtest::read_file(corpus("3ds/IMAGE1.jpg")));
  ASSERT_EQ(convert_image(IMAGECONV_JPG, path.c_str(), IMAGECONV_PCX, path.c_str()), 0);
  EXPECT_EQ(identify(path), "PCX 400x300");
  EXPECT_EQ(entries_in(tmp.path()), 1u);
}

// Shell and GraphicsMagick metacharacters in names are plain characters.
TEST(ImageConvConvert, OddCharactersInPathsAreTakenLiterally) {
  KV_REQUIRE_CORPUS();
  kvtest::TempDir tmp;
  std::string src = tmp.file("a[0] b*.jpg");
  kvtest::write_file(src, kvtest::read_file(corpus("3ds/IMAGE1.jpg")));
  std::string dst = tmp.file("png:out [1].png");
  ASSERT_EQ(convert_image(IMAGECONV_JPG, src.c_str(), IMAGECONV_PNG, dst.c_str()), 0);
  EXPECT_TRUE(fs::exists(dst));
  EXPECT_EQ(entries_in(tmp.path()), 2u);

  std::string marker = tmp.file("marker");
  std::string pipe = "|touch " + marker;
  EXPECT_NE(convert_image(IMAGECONV_PNG, pipe.c_str(), IMAGECONV_TGA, tmp.file("x.tga").c_str()), 0);
  EXPECT_FALSE(fs::exists(marker));
}

TEST(ImageConvFailure, MissingEmptyCorruptAndNonImageSources) {
  KV_REQUIRE_CORPUS();
  kvtest::TempDir tmp;
  std::string dst = tmp.file("out.tga");
  EXPECT_EQ(convert_image(IMAGECONV_PNG, tmp.file("nope.png").c_str(), IMAGECONV_TGA, dst.c_str()),
            IMAGECONV_ERR_READ);
  EXPECT_EQ(convert_image(IMAGECONV_PNG, tmp.path().c_str(), IMAGECONV_TGA, dst.c_str()), IMAGECONV_ERR_READ);

  std::string empty = tmp.file("empty.png");
  kvtest::write_file(empty, "");
  EXPECT_NE(convert_image(IMAGECONV_PNG, empty.c_str(), IMAGECONV_TGA, dst.c_str()), 0);

  const std::string jpg = kvtest::read_file(corpus("3ds/jeep1.jpg"));
  const std::string png = kvtest::read_file(corpus("3ds/test.png"));
  std::string cut_jpg = tmp.file("cut.jpg");
  kvtest::write_file(cut_jpg, jpg.substr(0, jpg.size() / 3));
  EXPECT_NE(convert_image(IMAGECONV_JPG, cut_jpg.c_str(), IMAGECONV_TGA, dst.c_str()), 0);
  std::string cut_png = tmp.file("cut.png");
  kvtest::write_file(cut_png, png.substr(0, png.size() / 2));
  EXPECT_NE(convert_image(IMAGECONV_PNG, cut_png.c_str(), IMAGECONV_TGA, dst.c_str()), 0);
  std::string text = tmp.file("notes.gif");
  kvtest::write_file(text, "this is not a picture\n");
  EXPECT_NE(convert_image(IMAGECONV_GIF, text.c_str(), IMAGECONV_TGA, dst.c_str()), 0);

  EXPECT_FALSE(fs::exists(dst));
  EXPECT_EQ(entries_in(tmp.path()), 4u);  // the sources only, no temporaries
}

TEST(ImageConvFailure, FailedConversionKeepsTheOldDestination) {
  kvtest::TempDir tmp;
  std::string dst = tmp.file("keep.tga");
  kvtest::write_file(dst, "old contents");
  std::string bad = tmp.file("bad.jpg");
  kvtest::write_file(bad, "\xFF\xD8\xFF garbage");
  EXPECT_NE(convert_image(IMAGECONV_JPG, bad.c_str(), IMAGECONV_TGA, dst.c_str()), 0);
  EXPECT_EQ(kvtest::read_file(dst), "old contents");
  EXPECT_EQ(entries_in(tmp.path()), 2u);
}

TEST(ImageConvFailure, BadArgumentsUnsupportedTypesAndUnwritableDestination) {
  KV_REQUIRE_CORPUS();
  kvtest::TempDir tmp;
  const std::string src = corpus("3ds/IMAGE1.jpg");
  std::string dst = tmp.file("o.png");
  EXPECT_EQ(convert_image(IMAGECONV_JPG, nullptr, IMAGECONV_PNG, dst.c_str()), IMAGECONV_ERR_ARGS);
  EXPECT_EQ(convert_image(IMAGECONV_JPG, src.c_str(), IMAGECONV_PNG, nullptr), IMAGECONV_ERR_ARGS);
  EXPECT_EQ(convert_image(IMAGECONV_JPG, src.c_str(), 4, dst.c_str()), IMAGECONV_ERR_ARGS);
  EXPECT_EQ(convert_image(-1, src.c_str(), IMAGECONV_PNG, dst.c_str()), IMAGECONV_ERR_ARGS);
  EXPECT_EQ(convert_image(IMAGECONV_JPG, src.c_str(), IMAGECONV_CEL, tmp.file("o.cel").c_str()),
            IMAGECONV_ERR_UNSUPPORTED);
  EXPECT_EQ(convert_image(IMAGECONV_CEL, src.c_str(), IMAGECONV_PNG, dst.c_str()), IMAGECONV_ERR_UNSUPPORTED);
  EXPECT_EQ(convert_image(IMAGECONV_JPG, src.c_str(), IMAGECONV_PNG, tmp.file("no/such/dir/o.png").c_str()),
            IMAGECONV_ERR_WRITE);
  EXPECT_EQ(entries_in(tmp.path()), 0u);
}

// The first calls may come from several threads; set-up happens once.
TEST(ImageConvConvert, ConcurrentConversions) {
  KV_REQUIRE_CORPUS();
  kvtest::TempDir tmp;
  const std::string src = corpus("3ds/IMAGE1.jpg");
  std::vector<int> results(4, -1);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      std::string dst = tmp.file("t" + std::to_string(i) + ".bmp");
      results[i] = convert_image(IMAGECONV_JPG, src.c_str(), IMAGECONV_BMP, dst.c_str());
    });
  for (auto& t : threads) t.join();
  for (int r : results) EXPECT_EQ(r, 0);
  EXPECT_EQ(entries_in(tmp.path()), 4u);
}

TEST(ImageConvPixels, RgbaWrittenAndReadBackExactly) {
  kvtest::TempDir dir;
  const int w = 5, h = 3;
  std::vector<unsigned char> px(w * h * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<unsigned char>(i * 37 + 11);
  for (int type : {IMAGECONV_PNG, IMAGECONV_TGA}) {
    SCOPED_TRACE(get_image_ext(type));
    // TGA has no signature: the extension tells the reader.
    const std::string path = dir.file(std::string("rgba.") + get_image_ext(type));
    ASSERT_EQ(write_image_rgba(type, path.c_str(), w, h, px.data()), IMAGECONV_OK);
    int rw = 0, rh = 0;
    unsigned char* back = nullptr;
    ASSERT_EQ(read_image_rgba(path.c_str(), &rw, &rh, &back), IMAGECONV_OK);
    ASSERT_EQ(rw, w);
    ASSERT_EQ(rh, h);
    EXPECT_EQ(std::vector<unsigned char>(back, back + px.size()), px);
    free_image_pixels(back);
  }
  if (have_identify()) {
    EXPECT_EQ(identify(dir.file("rgba.PNG")), "PNG 5x3");
  }
}

TEST(ImageConvPixels, CorpusMapsDecodeAndBadFilesGiveNothing) {
  KV_REQUIRE_CORPUS();
  int w = 0, h = 0;
  unsigned char* px = nullptr;
  ASSERT_EQ(read_image_rgba(corpus("obj/SpiderTex.jpg").c_str(), &w, &h, &px), IMAGECONV_OK);
  if (have_identify()) {
    EXPECT_EQ(identify(corpus("obj/SpiderTex.jpg")), "JPEG " + std::to_string(w) + "x" + std::to_string(h));
  }
  free_image_pixels(px);
  // Pictures without an alpha channel come out opaque, every pixel.
  for (const char* map : {"obj/SpiderTex.jpg", "3ds/m_rifl.bmp"}) {
    ASSERT_EQ(read_image_rgba(corpus(map).c_str(), &w, &h, &px), IMAGECONV_OK) << map;
    long translucent = 0;
    for (long i = 0; i < static_cast<long>(w) * h; ++i) translucent += px[i * 4 + 3] != 255;
    EXPECT_EQ(translucent, 0) << map;
    free_image_pixels(px);
  }

  kvtest::TempDir dir;
  kvtest::write_file(dir.file("bad.png"), "not a picture at all");
  px = reinterpret_cast<unsigned char*>(1);
  EXPECT_EQ(read_image_rgba(dir.file("bad.png").c_str(), &w, &h, &px), IMAGECONV_ERR_DECODE);
  EXPECT_EQ(px, nullptr);
  EXPECT_EQ(read_image_rgba(dir.file("missing.png").c_str(), &w, &h, &px), IMAGECONV_ERR_READ);
  const unsigned char one[4] = {1, 2, 3, 4};
  EXPECT_EQ(write_image_rgba(IMAGECONV_PNG, dir.file("x.png").c_str(), 0, 1, one), IMAGECONV_ERR_ARGS);
  EXPECT_EQ(write_image_rgba(IMAGECONV_CEL, dir.file("x.cel").c_str(), 1, 1, one), IMAGECONV_ERR_UNSUPPORTED);
  EXPECT_EQ(write_image_rgba(IMAGECONV_PNG, dir.file("no/such/x.png").c_str(), 1, 1, one), IMAGECONV_ERR_WRITE);
  EXPECT_FALSE(fs::exists(dir.file("x.png")));
}
