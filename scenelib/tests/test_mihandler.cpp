#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::string corpus(const char* rel) { return kvtest::corpus_file(rel); }

bool have_identify() { return std::system("identify -version >/dev/null 2>&1") == 0; }

std::string identify(const std::string& path) {
  std::string cmd = "identify -format '%m %wx%h' '" + path + "[0]' 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return "";
  char buf[256] = {0};
  std::string out;
  if (std::fgets(buf, sizeof buf, p)) out = buf;
  pclose(p);
  return out;
}

// Runs fn with a stream and returns what it wrote.
template <class F>
std::string capture(F fn) {
  char* data = nullptr;
  size_t len = 0;
  FILE* fp = open_memstream(&data, &len);
  fn(fp);
  std::fclose(fp);
  std::string s(data, len);
  std::free(data);
  return s;
}

size_t count_of(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) ++n;
  return n;
}

std::vector<std::string> g_msgs;
std::vector<std::pair<long, long>> g_progress;
void rec_msg(const char* fmt, ...) {
  char buf[2048];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  g_msgs.push_back(buf);
}
void rec_progress(long done, long total) { g_progress.emplace_back(done, total); }

struct Args {
  std::vector<std::string> s;
  std::vector<const char*> v;
  Args(std::initializer_list<const char*> a) : s(a.begin(), a.end()) {
    for (auto& x : s) v.push_back(x.c_str());
  }
  int argc() const { return static_cast<int>(v.size()); }
  const char* const* argv() const { return v.data(); }
};

}  // namespace

TEST(MIHandlerOptions, DefaultsAndInit) {
  MIHandler h;
  EXPECT_EQ(h.enable_copy, 0);
  EXPECT_STREQ(h.destination_path, "");
  EXPECT_EQ(h.enable_image_conversion, 0);
  EXPECT_EQ(h.image_type, 0);
  EXPECT_EQ(h.enable_extension_conversion, 0);
  EXPECT_STREQ(h.file_extension, "TGA");
  h.enable_copy = 1;
  std::strcpy(h.destination_path, "x/");
  std::strcpy(h.file_extension, "PNG");
  h.Init();
  EXPECT_EQ(h.enable_copy, 0);
  EXPECT_STREQ(h.destination_path, "");
  EXPECT_STREQ(h.file_extension, "TGA");
}

TEST(MIHandlerOptions, CommandLineSetsGivenKeysOnly) {
  MIHandler h;
  h.image_type = 7;
  Args a{"korvane", "-ENABLE_COPY=1", "-destination_path=d:\\tmp", "-file_extension=ppm", "model.3ds"};
  EXPECT_EQ(h.Load(a.argc(), a.argv()), 1);
  EXPECT_EQ(h.enable_copy, 1);
  EXPECT_STREQ(h.destination_path, "d:\\tmp\\");
  EXPECT_STREQ(h.file_extension, "ppm");
  EXPECT_EQ(h.image_type, 7);
  EXPECT_EQ(h.enable_image_conversion, 0);

  Args b{"korvane", "-enable_image_conversion=1", "-image_type=6", "-enable_extension_conversion=1",
         "-destination_path=/tmp/maps"};
  h.Load(b.argc(), b.argv());
  EXPECT_EQ(h.enable_image_conversion, 1);
  EXPECT_EQ(h.image_type, 6);
  EXPECT_EQ(h.enable_extension_conversion, 1);
  EXPECT_STREQ(h.destination_path, "/tmp/maps/");
  EXPECT_EQ(h.enable_copy, 1);

  // No value: the field stays.
  Args c{"korvane", "-image_type", "-enable_copy=x"};
  h.Load(c.argc(), c.argv());
  EXPECT_EQ(h.image_type, 6);
  EXPECT_EQ(h.enable_copy, 1);
  EXPECT_EQ(h.Load(0, nullptr), 1);
}

TEST(MIHandlerOptions, OverlongStringsAreCut) {
  MIHandler h;
  std::string long_path = "-destination_path=/" + std::string(400, 'p');
  std::string long_ext = "-file_extension=" + std::string(400, 'e');
  Args a{"korvane", long_path.c_str(), long_ext.c_str()};
  h.Load(a.argc(), a.argv());
  EXPECT_EQ(std::strlen(h.destination_path), 255u);
  EXPECT_EQ(std::strlen(h.file_extension), 255u);
  // Room for the separator is gone, the path is not otherwise changed.
  EXPECT_EQ(h.destination_path[254], 'p');
}

TEST(MIHandlerOptions, SettingsStoreRoundTrip) {
  MIHandler h;
  h.enable_copy = 1;
  std::strcpy(h.destination_path, "/data/maps/");
  h.enable_image_conversion = 1;
  h.image_type = 5;
  h.enable_extension_conversion = 1;
  std::strcpy(h.file_extension, "PCX");
  EXPECT_EQ(h.Save("Image_Handler", "mih_roundtrip"), 1);

  MIHandler back;
  EXPECT_EQ(back.Load("Image_Handler", "mih_roundtrip"), 1);
  EXPECT_EQ(back.enable_copy, 1);
  EXPECT_STREQ(back.destination_path, "/data/maps/");
  EXPECT_EQ(back.enable_image_conversion, 1);
  EXPECT_EQ(back.image_type, 5);
  EXPECT_EQ(back.enable_extension_conversion, 1);
  EXPECT_STREQ(back.file_extension, "PCX");

  // Written in the documented order.
  Profile p("mih_roundtrip");
  const char* keys[] = {"enable_copy", "destination_path", "enable_image_conversion",
                        "image_type", "enable_extension_conversion", "file_extension"};
  for (unsigned long i = 0; i < 6; ++i) {
    char name[64];
    unsigned long name_len = sizeof name, type = 0, data_len = 0;
    ASSERT_EQ(p.EnumValue("Image_Handler", i, name, &name_len, &type, nullptr, &data_len), 1);
    EXPECT_STREQ(name, keys[i]);
  }
}

TEST(MIHandlerOptions, StoreLoadKeepsMissingValuesAndAddsTheSeparator) {
  Profile p("mih_partial");
  ASSERT_EQ(p.WriteString("Image_Handler", "destination_path", "d:\\tmp"), 1);
  ASSERT_EQ(p.WriteString("Image_Handler", "image_type", "8"), 1);
  MIHandler h;
  h.enable_copy = 1;
  std::strcpy(h.file_extension, "BMP");
  h.Load("Image_Handler", "mih_partial");
  EXPECT_STREQ(h.destination_path, "d:\\tmp\\");
  EXPECT_EQ(h.image_type, 8);
  EXPECT_EQ(h.enable_copy, 1);
  EXPECT_STREQ(h.file_extension, "BMP");

  MIHandler none;
  none.Load("Image_Handler", "mih_never_written");
  EXPECT_STREQ(none.file_extension, "TGA");
  EXPECT_STREQ(none.destination_path, "");
}

TEST(MIHandlerNames, NewExtensionFollowsTheFlags) {
  MIHandler h;
  EXPECT_STREQ(h.GetNewExt("wood.bmp"), "bmp");
  EXPECT_STREQ(h.GetNewExt("maps\\wood"), "");
  EXPECT_STREQ(h.GetNewExt("my.maps/wood"), "");  // a dot in a folder is no extension
  h.enable_image_conversion = 1;
  h.image_type = 7;
  EXPECT_STREQ(h.GetNewExt("wood.bmp"), "PNG");
  h.enable_extension_conversion = 1;
  std::strcpy(h.file_extension, "ppm");
  EXPECT_STREQ(h.GetNewExt("wood.bmp"), "ppm");
  h.enable_image_conversion = 0;
  EXPECT_STREQ(h.GetNewExt("wood.bmp"), "ppm");
  // Nothing to replace with: the map's own extension stays.
  h.enable_extension_conversion = 0;
  h.enable_image_conversion = 1;
  h.image_type = 4;
  EXPECT_STREQ(h.GetNewExt("wood.bmp"), "bmp");
}

TEST(MIHandlerNames, NewMapNameModesAndExplicitExtension) {
  MIHandler h;
  h.enable_image_conversion = 1;
  h.image_type = 0;
  EXPECT_STREQ(h.GetNewMapName("C:\\maps\\wood.bmp", 0, ""), "wood.TGA");
  EXPECT_STREQ(h.GetNewMapName("C:\\maps\\wood.bmp", 1, ""), "C:\\maps\\wood.TGA");
  EXPECT_STREQ(h.GetNewMapName("tex/sub/stone.jpg", 1, nullptr), "tex/sub/stone.TGA");
  EXPECT_STREQ(h.GetNewMapName("tex/sub/stone.jpg", 0, "png"), "stone.png");
  EXPECT_STREQ(h.GetNewMapName("tex/sub/stone.jpg", 0, ".gif"), "stone.gif");
  EXPECT_STREQ(h.GetNewMapName("other.bmp", 5, ""), "stone.gif");  // unchanged
  h.enable_image_conversion = 0;
  EXPECT_STREQ(h.GetNewMapName("plain", 0, ""), "plain");
  EXPECT_STREQ(h.GetNewMapName(nullptr, 0, ""), "");
  // The previous result fed back in.
  EXPECT_STREQ(h.GetNewMapName(h.GetNewMapName("a/b.bmp", 1, ""), 0, "png"), "b.png");

  std::string huge = std::string(3000, 'n') + ".bmp";
  EXPECT_EQ(std::strlen(h.GetNewMapName(huge.c_str(), 1, "")), size_t{MMAP_NAME_LEN - 1});
}

TEST(MIHandlerText, HelpStringLandmarks) {
  std::string help = MIHandler::get_imgconvhelpstring();
  EXPECT_EQ(help.rfind("** Map Conversion paramter **\n\tImports TGA, BMP, GIF, CEL, FLI, PNG, JPG, TIF, PCX\n", 0), 0u);
  EXPECT_NE(help.find("\t-image_type=IVAL: 0=TGA;1=GIF;2=BMP;3=CEL;5=JPG;6=TIF;7=PNG;8=PCX\n"), std::string::npos);
  EXPECT_NE(help.find("\t-destination_path=d:\\tmp\\\n\t-enable_image_conversion=1\n"), std::string::npos);
  EXPECT_NE(help.find("\tswitch off \"enable_image_conversion\"\n"), std::string::npos);
  EXPECT_NE(help.find("\t\n\tExample:\n"), std::string::npos);
  const std::string tail = "converted to \"TGA\".\n\n";
  ASSERT_GE(help.size(), tail.size());
  EXPECT_EQ(help.substr(help.size() - tail.size()), tail);
}

TEST(MIHandlerText, PrintShowsSetOptionsOnly) {
  MIHandler h;
  EXPECT_EQ(capture([&](FILE* f) { h.Print(f, 0, 0); }),
            "\n\t Map Conversion Options:\n\t enable copy: 0\n\t enable_image_conversion: 0\n"
            "\t enable extension conversion: 0\n");
  h.enable_copy = 1;
  std::strcpy(h.destination_path, "/out/");
  h.enable_image_conversion = 1;
  h.image_type = 6;
  h.enable_extension_conversion = 1;
  EXPECT_EQ(capture([&](FILE* f) { h.Print(f, 0, 0); }),
            "\n\t Map Conversion Options:\n\t enable copy: 1\n\t destination path: /out/\n"
            "\t enable_image_conversion: 1\n\t Image Type: TIF\n"
            "\t enable extension conversion: 1\n\t file extension: TGA\n");
  h.Print(nullptr, 0, 0);
}

class MIHandlerProcess : public ::testing::Test {
 protected:
  kvtest::TempDir tmp;
  std::string src_dir, out_dir, model;
  MMapList maps;
  MessageCallBack1 cb{rec_msg, rec_progress, rec_msg, rec_progress, rec_msg, rec_progress};

  // Every case here works on copies of corpus images.
  void SetUp() override {
    KV_REQUIRE_CORPUS();
    g_msgs.clear();
    g_progress.clear();
    src_dir = tmp.file("src");
    out_dir = tmp.file("out");
    fs::create_directories(src_dir);
    fs::create_directories(out_dir);
    model = out_dir + "/scene.3ds";
    maps.AddSearchPath(src_dir.c_str());
  }
  void put(const char* name, const char* corpus_file) {
    kvtest::write_file(src_dir + "/" + name, kvtest::read_file(corpus(corpus_file)));
  }
  std::string run(MIHandler& h, const char* model_path = nullptr, int expected = 1) {
    return capture([&](FILE* f) {
      EXPECT_EQ(h.ProcessMapFiles(f, &cb, &maps, model_path ? model_path : model.c_str(), &failed, &missing), expected);
    });
  }
  std::vector<std::string> failed, missing;
};

TEST_F(MIHandlerProcess, CopiesIntoTheModelFolderOnceForRepeats) {
  put("wood.bmp", "3ds/m_rifl.bmp");
  maps.AddMap("wood.bmp");
  maps.AddMap("wood.bmp");
  MIHandler h;
  h.enable_copy = 1;
  std::string log = run(h);
  EXPECT_EQ(kvtest::read_file(out_dir + "/wood.bmp"), kvtest::read_file(src_dir + "/wood.bmp"));
  EXPECT_EQ(log, "Processing Map Files ... \nSucessfull copy " + src_dir + "/wood.bmp to " + out_dir +
                     "/wood.bmp \nProcessing Map Files finished \n");
  EXPECT_EQ(g_msgs, (std::vector<std::string>{"wood.bmp", "wood.bmp"}));
  EXPECT_EQ(g_progress, (std::vector<std::pair<long, long>>{{0, 2}, {1, 2}}));
  EXPECT_EQ(std::string(maps.GetMap(0)->new_name), out_dir + "/wood.bmp");
  EXPECT_STREQ(maps.GetMap(1)->new_name, maps.GetMap(0)->new_name);
}

TEST_F(MIHandlerProcess, CopyToDestinationPathCreatesIt) {
  put("a.png", "3ds/test.png");
  maps.AddMap("a.png");
  MIHandler h;
  h.enable_copy = 1;
  std::string dest = tmp.file("chosen/maps");
  Args a{"k", ("-destination_path=" + dest).c_str()};
  h.Load(a.argc(), a.argv());
  run(h);
  EXPECT_TRUE(fs::exists(dest + "/a.png"));
  EXPECT_FALSE(fs::exists(out_dir + "/a.png"));
}

// Settings made on Windows name a drive that is not there: the model's
// folder is used, and no "d:" folder appears.
TEST_F(MIHandlerProcess, DriveLetterDestinationFallsBackToTheModelFolder) {
  put("a.png", "3ds/test.png");
  maps.AddMap("a.png");
  MIHandler h;
  h.enable_copy = 1;
  std::strcpy(h.destination_path, "d:\\tmp\\");
  run(h);
  EXPECT_TRUE(fs::exists(out_dir + "/a.png"));
  EXPECT_FALSE(fs::exists("d:"));
}

// The model written into the maps' own folder: the copy is the file itself.
TEST_F(MIHandlerProcess, CopyOntoItselfLeavesTheFileIntact) {
  put("self.jpg", "3ds/IMAGE1.jpg");
  maps.AddMap("self.jpg");
  MIHandler h;
  h.enable_copy = 1;
  std::string log = run(h, (src_dir + "/scene.3ds").c_str());
  EXPECT_EQ(kvtest::read_file(src_dir + "/self.jpg"), kvtest::read_file(corpus("3ds/IMAGE1.jpg")));
  EXPECT_EQ(count_of(log, "Sucessfull copy"), 1u);
}

TEST_F(MIHandlerProcess, ConvertsBesideTheSourceWithoutCopy) {
  put("jeep1.jpg", "3ds/jeep1.jpg");
  maps.AddMap("jeep1.jpg");
  MIHandler h;
  h.enable_image_conversion = 1;
  h.image_type = 0;
  std::string log = run(h);
  std::string dst = src_dir + "/jeep1.TGA";
  EXPECT_NE(log.find("Sucessfull conversion " + src_dir + "/jeep1.jpg to " + dst + " \n"), std::string::npos);
  ASSERT_TRUE(fs::exists(dst));
  if (have_identify()) {
    EXPECT_EQ(identify(dst), "TGA 512x512");
  }
  EXPECT_EQ(std::string(maps.GetMap(0)->new_name), dst);
}

// Corpus maps are read in place; only the converted copies are written.
TEST_F(MIHandlerProcess, WindowsNamesAndCaseFoldedLookupInTheCorpus) {
  MMapList corpus_maps;
  corpus_maps.AddSearchPath(corpus("3ds").c_str());
  corpus_maps.AddMap("C:\\3DS\\MAPS\\JEEP1.JPG");
  corpus_maps.AddMap("image1.JPG");
  MIHandler h;
  h.enable_copy = 1;
  h.enable_image_conversion = 1;
  h.image_type = 7;
  std::string log = capture([&](FILE* f) { h.ProcessMapFiles(f, &cb, &corpus_maps, model.c_str()); });
  EXPECT_EQ(count_of(log, "Sucessfull conversion"), 2u) << log;
  // Named as the model names them (jeep1.jpg and IMAGE1.jpg on disk), so
  // that the written model finds them.
  ASSERT_TRUE(fs::exists(out_dir + "/JEEP1.PNG"));
  ASSERT_TRUE(fs::exists(out_dir + "/image1.PNG"));
  EXPECT_STREQ(h.GetNewMapName("C:\\3DS\\MAPS\\JEEP1.JPG", 0, ""), "JEEP1.PNG");
  if (have_identify()) {
    EXPECT_EQ(identify(out_dir + "/JEEP1.PNG"), "PNG 512x512");
    EXPECT_EQ(identify(out_dir + "/image1.PNG"), "PNG 400x300");
  }

  // A plain copy keeps the model's spelling as well.
  MMapList copies;
  copies.AddSearchPath(corpus("3ds").c_str());
  copies.AddMap("image2.JPG");
  MIHandler c;
  c.enable_copy = 1;
  capture([&](FILE* f) { c.ProcessMapFiles(f, &cb, &copies, model.c_str()); });
  EXPECT_TRUE(fs::exists(out_dir + "/image2.JPG"));
}

TEST_F(MIHandlerProcess, FailuresAreLoggedAndTheRestGoesOn) {
  kvtest::write_file(src_dir + "/broken.jpg", "\xFF\xD8\xFF\xE0 not really a jpeg");
  kvtest::write_file(src_dir + "/notes.xyz", "text");
  put("good.bmp", "md2/faerie2.bmp");
  maps.AddMap("missing.png");
  maps.AddMap("broken.jpg");
  maps.AddMap("notes.xyz");
  maps.AddMap("100%s.bmp");  // must reach the callback as text, not as a format
  maps.AddMap("good.bmp");
  MIHandler h;
  h.enable_copy = 1;
  h.enable_image_conversion = 1;
  h.image_type = 2;
  // A map that could not be written is no success.
  std::string log = run(h, nullptr, 0);
  EXPECT_EQ(failed, (std::vector<std::string>{"cannot convert " + src_dir + "/broken.jpg to " + out_dir + "/broken.BMP"}));
  EXPECT_EQ(missing, (std::vector<std::string>{"missing.png", "notes.xyz", "100%s.bmp"}));
  EXPECT_NE(log.find("File missing.png not found\nPlease check search pathes\n"), std::string::npos);
  EXPECT_NE(log.find("Error during conversion " + src_dir + "/broken.jpg to " + out_dir + "/broken.BMP \n"),
            std::string::npos);
  EXPECT_NE(log.find("Unknown file extension xyz\n"), std::string::npos);
  EXPECT_NE(log.find("File 100%s.bmp not found\n"), std::string::npos);
  EXPECT_NE(log.find("Sucessfull conversion " + src_dir + "/good.bmp to " + out_dir + "/good.BMP \n"),
            std::string::npos)
      << log;
  EXPECT_EQ(g_msgs[3], "100%s.bmp");
  // Only the good map arrived; no half-written file of the broken one.
  std::vector<std::string> out;
  for (auto& e : fs::directory_iterator(out_dir)) out.push_back(e.path().filename().string());
  EXPECT_EQ(out, std::vector<std::string>{"good.BMP"});
  EXPECT_STREQ(maps.GetMap(1)->new_name, "");
}

TEST_F(MIHandlerProcess, ACopyThatCannotBeWrittenFails) {
  put("wood.bmp", "3ds/m_rifl.bmp");
  put("other.bmp", "3ds/m_rifl.bmp");
  maps.AddMap("wood.bmp");
  maps.AddMap("other.bmp");
  fs::create_directories(out_dir + "/wood.bmp");  // the copy's name is taken by a folder
  MIHandler h;
  h.enable_copy = 1;
  std::string log = run(h, nullptr, 0);
  EXPECT_EQ(failed, (std::vector<std::string>{"cannot copy " + src_dir + "/wood.bmp to " + out_dir + "/wood.bmp"}));
  EXPECT_TRUE(missing.empty());
  EXPECT_NE(log.find("Error copy " + src_dir + "/wood.bmp to " + out_dir + "/wood.bmp \n"), std::string::npos);
  // The others are still copied.
  EXPECT_EQ(kvtest::read_file(out_dir + "/other.bmp"), kvtest::read_file(src_dir + "/other.bmp"));
}

TEST_F(MIHandlerProcess, NothingToDoAndNullArguments) {
  put("wood.bmp", "3ds/m_rifl.bmp");
  maps.AddMap("wood.bmp");
  MIHandler h;
  EXPECT_EQ(run(h), "Processing Map Files ... \nProcessing Map Files finished \n");
  EXPECT_EQ(fs::directory_iterator(out_dir), fs::directory_iterator());
  h.enable_copy = 1;
  EXPECT_EQ(h.ProcessMapFiles(nullptr, nullptr, &maps, model.c_str()), 1);
  EXPECT_TRUE(fs::exists(out_dir + "/wood.bmp"));
  EXPECT_EQ(h.ProcessMapFiles(nullptr, &cb, nullptr, nullptr), 1);
}

TEST(MIHandlerShortNames, ConvertedMapsAndLimitsTooTightToShorten) {
  kvtest::TempDir t;
  fs::create_directories(t.file("src"));
  const unsigned char px[4 * 4] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 9, 9, 9, 255};
  ASSERT_EQ(write_image_rgba(get_image_type("png"), t.file("src/a rather long name.png").c_str(), 2, 2, px), 0);
  MMapList maps;
  maps.AddSearchPath(t.file("src").c_str());
  maps.AddMap("a rather long name.png");
  maps.AddMap("a rather long name.png");  // the same map again: takes the first's name
  MIHandler h;
  h.enable_copy = 1;
  h.enable_image_conversion = 1;
  h.image_type = get_image_type("tga");
  const std::string model = t.file("model.3ds");
  for (int run = 0; run < 2; ++run) {  // the second run's copy holds the same pixels: same name
    EXPECT_EQ(h.FitMapNames(nullptr, &maps, 12, model.c_str()), 1);
    EXPECT_STREQ(h.GetWrittenMapName(&maps, "a rather long name.png", 0, ""), "ARATHE~1.TGA");
    EXPECT_STREQ(maps.GetMap(1)->short_stem, "ARATHE~1");
    EXPECT_EQ(h.ProcessMapFiles(nullptr, nullptr, &maps, model.c_str()), 1);
    EXPECT_TRUE(fs::exists(t.file("ARATHE~1.TGA")));
    EXPECT_FALSE(fs::exists(t.file("ARATHE~2.TGA")));
  }
  // No room for STEM~N beside the extension: the name stays as it is.
  EXPECT_EQ(h.FitMapNames(nullptr, &maps, 5, model.c_str()), 0);
  EXPECT_STREQ(h.GetWrittenMapName(&maps, "a rather long name.png", 0, ""), "a rather long name.TGA");
}
