// The shared I/O of the formats: outputs that commit or leave the target
// alone, the line reader, the text writer, bounded binary reading and the
// exporters' scene walk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "test_support.h"

namespace {

FILE* stream_of(const std::string& bytes) {
  FILE* f = tmpfile();
  fwrite(bytes.data(), 1, bytes.size(), f);
  rewind(f);
  return f;
}

std::vector<std::string> lines_of(const std::string& bytes, MLineReader::TabMode tabs, size_t buffer = 64,
                                  size_t max_line = MLineReader::kDefaultMaxLine, std::vector<long>* numbers = nullptr) {
  FILE* f = stream_of(bytes);
  MLineReader r(f, tabs, buffer, max_line);
  std::vector<std::string> out;
  size_t len;
  while (char* line = r.Next(&len)) {
    out.emplace_back(line, len);
    if (numbers) numbers->push_back(r.LineNumber());
  }
  fclose(f);
  return out;
}

size_t files_in(const std::filesystem::path& dir) {
  size_t n = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) n += e.is_regular_file() ? 1 : 0;
  return n;
}

}  // namespace

TEST(OutputFile, CommitReplacesDiscardAndFailureKeepTheTarget) {
  kvtest::TempDir dir;
  std::string target = dir.file("model.obj");
  kvtest::write_file(target, "old contents");
  chmod(target.c_str(), 0640);
  {
    MOutputFile out;
    ASSERT_TRUE(out.Open(target.c_str()));
    ASSERT_TRUE(out.Write("new", 3));
    EXPECT_EQ(kvtest::read_file(target), "old contents");  // written aside until the commit
  }  // not committed: discarded
  EXPECT_EQ(kvtest::read_file(target), "old contents");
  EXPECT_EQ(files_in(dir.path()), 1u);
  {
    MOutputFile out;
    ASSERT_TRUE(out.Open(target.c_str()));
    out.Write("x", 1);
    out.NoteError(ENOSPC);  // a writer on top saw the disk fill up
    EXPECT_FALSE(out.Commit());
    EXPECT_EQ(out.ErrorText(), "No space left on device");
  }
  EXPECT_EQ(kvtest::read_file(target), "old contents");
  EXPECT_EQ(files_in(dir.path()), 1u);
  MOutputFile out;
  ASSERT_TRUE(out.Open(target.c_str()));
  ASSERT_TRUE(out.Write("new", 3));
  ASSERT_TRUE(out.Commit());
  EXPECT_EQ(kvtest::read_file(target), "new");
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the replaced file's mode is kept
  EXPECT_EQ(files_in(dir.path()), 1u);
}

TEST(OutputFile, DevicesFoldersAndMissingFolders) {
  kvtest::TempDir dir;
  MOutputFile full;
  ASSERT_TRUE(full.Open("/dev/full"));  // written directly, never replaced
  std::string block(1 << 16, 'x');
  full.Write(block.data(), block.size());
  EXPECT_FALSE(full.Commit());
  EXPECT_EQ(full.error(), ENOSPC);
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));

  MOutputFile folder;
  EXPECT_FALSE(folder.Open(dir.str().c_str()));
  EXPECT_EQ(folder.error(), EISDIR);
  MOutputFile missing;
  EXPECT_FALSE(missing.Open(dir.file("no/such/x.raw").c_str()));
  EXPECT_EQ(m_output_error(missing), dir.file("no/such/x.raw") + ": No such file or directory");

  // A link to a file: the file gets the new text, the link stays a link.
  kvtest::write_file(dir.file("real.txt"), "a");
  std::filesystem::create_symlink(dir.file("real.txt"), dir.file("link.txt"));
  MOutputFile via;
  ASSERT_TRUE(via.Open(dir.file("link.txt").c_str()));
  via.Write("b", 1);
  ASSERT_TRUE(via.Commit());
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.txt")));
  EXPECT_EQ(kvtest::read_file(dir.file("real.txt")), "b");
}

TEST(OutputFile, LongPathsWorkOrFailWithoutBeingCut) {
  kvtest::TempDir dir;
  std::string deep = dir.str();
  while (deep.size() < 3000) deep += "/" + std::string(200, 'd');
  std::filesystem::create_directories(deep);
  std::string path = deep + "/model.raw";
  MOutputFile out;
  ASSERT_TRUE(out.Open(path.c_str()));
  out.Write("x", 1);
  ASSERT_TRUE(out.Commit());
  EXPECT_EQ(kvtest::read_file(path), "x");
  std::string too_long = deep + "/" + std::string(2000, 'n') + "/m.raw";
  MOutputFile refused;
  EXPECT_FALSE(refused.Open(too_long.c_str()));
  EXPECT_NE(refused.error(), 0);
  MPathParts parts = m_split_path(path.c_str());
  EXPECT_EQ(parts.ext, ".raw");
  EXPECT_EQ(m_join_path(parts.dir, parts.fname, parts.ext), path);
  char ext[M_MAX_EXT];
  m_splitpath(path.c_str(), nullptr, nullptr, nullptr, ext);
  EXPECT_STREQ(ext, ".raw");  // a long folder never costs the extension
}

TEST(LineReader, EndsTabsLastLineAndNumbers) {
  std::vector<long> numbers;
  std::string text = "a\tb\r\nc\rd\n\ne\x01" "f\n" + std::string(200, 'x') + "\nlast";
  auto kept = lines_of(text, MLineReader::kKeepTabs, 64, MLineReader::kDefaultMaxLine, &numbers);
  EXPECT_EQ(kept, (std::vector<std::string>{"a\tb", "c", "d", "", "e", "f", std::string(200, 'x'), "last"}));
  // A control character ends a line but does not count as a line end.
  EXPECT_EQ(numbers, (std::vector<long>{1, 2, 3, 4, 5, 5, 6, 7}));
  auto dropped = lines_of(text, MLineReader::kDropTabs);
  EXPECT_EQ(dropped[0], "ab");
  EXPECT_EQ(lines_of("", MLineReader::kKeepTabs).size(), 0u);
  EXPECT_EQ(lines_of("\r\n", MLineReader::kKeepTabs), (std::vector<std::string>{""}));
}

TEST(LineReader, LongLinesAreCutAtTheBoundAndTheRestSkipped) {
  std::string text = std::string(1000, 'a') + "\nnext\n";
  FILE* f = stream_of(text);
  MLineReader r(f, MLineReader::kKeepTabs, 64, 100);
  size_t len;
  ASSERT_NE(r.Next(&len), nullptr);
  EXPECT_EQ(len, 100u);
  EXPECT_TRUE(r.LineCut());
  char* line = r.Next(&len);
  ASSERT_NE(line, nullptr);
  EXPECT_STREQ(line, "next");
  EXPECT_FALSE(r.LineCut());
  EXPECT_EQ(r.Position(), static_cast<long>(text.size()));
  fclose(f);
}

TEST(LineReader, BinaryDataIsToldFromText) {
  for (const std::string& text : {std::string("v 1 2 3\r\n\tf 1 2 3\f\x1a"), std::string(), std::string(5000, 'x') + '\0'}) {
    FILE* f = stream_of(text);
    EXPECT_FALSE(m_text_looks_binary(f));
    EXPECT_EQ(std::ftell(f), 0L);  // rewound for the reader
    fclose(f);
  }
  FILE* f = stream_of(std::string("MM\x10\0\0\0", 6));
  EXPECT_TRUE(m_text_looks_binary(f));
  fclose(f);
}

TEST(TextWriter, LineEndsNumbersAndLongStatements) {
  for (int mode : {0, 1, 2, 3}) {
    FILE* f = tmpfile();
    {
      MTextWriter w(f, mode);
      w.Printf("v %s\n", std::string(3000, 'n').c_str());  // never cut
      w.Fixed(-0.0000005);
      w.Put(' ');
      w.General(1.0 / 3.0, 10);
      w.Put(' ');
      w.Int(-42);
      w.EndLine();
      EXPECT_FALSE(w.Failed());
    }
    long n = ftell(f);
    rewind(f);
    std::string out(static_cast<size_t>(n), '\0');
    EXPECT_EQ(fread(out.data(), 1, out.size(), f), out.size());
    fclose(f);
    const char* end = mode == 0 ? "\r\n" : mode == 1 ? "\n" : mode == 2 ? "\r" : "";
    EXPECT_TRUE(out == "v " + std::string(3000, 'n') + end + "-0.000000 0.3333333333 -42" + end)
        << mode << ": " << out.substr(3000);
  }
  char buf[M_GENERAL_MAX];
  for (double v : {0.1, 1e300, -2.5e-310, 123456789.0, 1e21}) {
    char ref[64];
    std::snprintf(ref, sizeof ref, "%.10g", v);
    m_format_general(v, 10, buf);
    EXPECT_STREQ(buf, ref);
    m_format_shortest(v, buf);
    EXPECT_EQ(std::strtod(buf, nullptr), v);
  }
}

TEST(TextWriter, PlainQuotedStringsAndLineText) {
  FILE* f = tmpfile();
  {
    MTextWriter w(f, 1);
    w.Quoted("a \"b\" c:\\d\ne\x7f", MTextWriter::kQuoteNoOctal);
    w.Put(' ');
    w.Text("x\ny\rz\t");
    w.Put(' ');
    w.Quoted(nullptr);
  }
  long n = ftell(f);
  rewind(f);
  std::string out(static_cast<size_t>(n), '\0');
  EXPECT_EQ(fread(out.data(), 1, out.size(), f), out.size());
  fclose(f);
  EXPECT_EQ(out, "\"a \\\"b\\\" c:\\\\d_e_\" x_y_z_ \"\"");
}

TEST(TextWriter, ExactNumbersKeepThePrintfTextOrEveryDigit) {
  char buf[M_EXACT_MAX];
  struct Case {
    double v;
    int decimals;
    const char* text;
  };
  // The fixed text where it loses nothing, else the shortest exact text.
  const Case cases[] = {{0.25, 6, "0.250000"}, {-90, 2, "-90.00"},    {0.001, 2, "0.001"},
                        {1e-7, 6, "1e-07"},    {0.1, 3, "0.100"},     {1.0 / 3.0, 6, "0.3333333333333333"},
                        {-0.0, 6, "-0.000000"}, {123456.5, 0, "123456.5"}, {2.0, 40, "2.00000000000000000"}};
  for (const Case& c : cases) {
    m_format_exact(c.v, c.decimals, buf);
    EXPECT_STREQ(buf, c.text) << c.v;
  }
  for (double v : {1e300, -2.5e-310, 0.30000000000000004, 12345.678901234}) {
    m_format_exact(v, 6, buf);
    EXPECT_EQ(std::strtod(buf, nullptr), v) << buf;
  }
  m_format_exact(HUGE_VAL, 6, buf);
  EXPECT_STREQ(buf, "inf");
  // Floats: exact for the float, not for the double it came from.
  m_format_exact_float(0.1f, 6, buf);
  EXPECT_STREQ(buf, "0.100000");
  m_format_exact_float(1.2345679f, 6, buf);
  EXPECT_STREQ(buf, "1.2345679");
  m_format_exact_float(3e-9f, 6, buf);
  EXPECT_STREQ(buf, "3e-09");
  FILE* f = tmpfile();
  {
    MTextWriter w(f, 1);
    w.Exact(0.5, 3);
    w.Put(' ');
    w.Exact(1e-9, 3);
  }
  rewind(f);
  char text[64] = {};
  EXPECT_GT(fread(text, 1, sizeof text - 1, f), 0u);
  fclose(f);
  EXPECT_STREQ(text, "0.500 1e-09");

  f = tmpfile();
  {
    MTextWriter w(f, 1);
    w.Quoted("a\"b\\c\n\x7f\xe9?\?/");
    w.Put(' ');
    w.Quoted("\x01" "7\xe9?\?/", MTextWriter::kQuoteHighBytes | MTextWriter::kQuoteTrigraphs);
  }
  rewind(f);
  char quoted[128] = {};
  EXPECT_GT(fread(quoted, 1, sizeof quoted - 1, f), 0u);
  fclose(f);
  EXPECT_STREQ(quoted, "\"a\\\"b\\\\c\\012\x7f\xe9?\?/\" \"\\0017\\351?\\?/\"");
}

TEST(TextWriter, FailureReachesTheOutput) {
  MOutputFile out;
  ASSERT_TRUE(out.Open("/dev/full"));
  {
    MTextWriter w(out, 1);
    std::string big(1 << 18, 'x');
    w.Put(big);
    w.Flush();
    EXPECT_TRUE(w.Failed());
  }
  EXPECT_TRUE(out.Failed());
  EXPECT_FALSE(out.Commit());
}

TEST(BinReader, BoundsSubReadersAndByteOrder) {
  const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 'a', 'b', 0, 'c'};
  MBinReader le(bytes, sizeof bytes);
  EXPECT_EQ(le.U16(), 0x0201);
  MBinReader be(bytes, sizeof bytes, MByteOrder::kBig);
  EXPECT_EQ(be.U32(), 0x01020304u);
  // A chunk that claims more than its parent holds: the sub-reader gets
  // what there is, the parent fails.
  MBinReader sub = le.Sub(100);
  EXPECT_EQ(sub.Size(), 8u);
  EXPECT_FALSE(le.Ok());
  EXPECT_EQ(le.U32(), 0u);  // zeros after a short read
  EXPECT_EQ(sub.U32(), 0x06050403u);
  EXPECT_EQ(sub.CString(10), "ab");
  EXPECT_TRUE(sub.Ok());
  EXPECT_EQ(sub.CString(10), "c");  // no NUL before the end
  EXPECT_FALSE(sub.Ok());
  MBinReader counts(bytes, sizeof bytes);
  EXPECT_EQ(counts.FitCount(1000000, 4), 2u);
  EXPECT_FALSE(counts.Seek(11));
  std::vector<uint8_t> out;
  MBinWriter w(&out, MByteOrder::kBig);
  w.U32(0);
  w.FixedString("name", 6);
  w.F32(1.5f);
  w.PatchU32(0, static_cast<uint32_t>(out.size()));
  MBinReader back(out.data(), out.size(), MByteOrder::kBig);
  EXPECT_EQ(back.U32(), 14u);
  EXPECT_EQ(back.FixedString(6), "name");
  EXPECT_EQ(back.F32(), 1.5f);
  EXPECT_TRUE(back.AtEnd());
}

TEST(FileView, MapsFilesAndRefusesTheRest) {
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("a.3ds"), std::string("MM\x10\0", 4));
  MFileView v;
  ASSERT_TRUE(v.Open(dir.file("a.3ds").c_str()));
  EXPECT_EQ(v.size(), 4u);
  EXPECT_TRUE(v.StartsWith("MM", 2));
  EXPECT_FALSE(v.StartsWith("MM\x10\0\0", 5));
  EXPECT_FALSE(v.Open(dir.str().c_str()));
  EXPECT_EQ(v.error(), EISDIR);
  EXPECT_FALSE(v.Open(dir.file("missing").c_str()));
  EXPECT_EQ(v.error(), ENOENT);
  kvtest::write_file(dir.file("empty"), "");
  ASSERT_TRUE(v.Open(dir.file("empty").c_str()));
  EXPECT_EQ(v.size(), 0u);
  EXPECT_FALSE(v.StartsWith("M", 1));
}

// Released pages come back from the file: the bytes never change, and a
// range past the view, or one of another buffer, is ignored.
TEST(FileView, ReleasedPagesReadTheSame) {
  kvtest::TempDir dir;
  std::string text(5 * 4096 + 100, '\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 23);
  kvtest::write_file(dir.file("big.bin"), text);
  MFileView v;
  ASSERT_TRUE(v.Open(dir.file("big.bin").c_str()));
  ASSERT_EQ(std::string(reinterpret_cast<const char*>(v.data()), v.size()), text);
  v.Release(v.data() + 10, 3 * 4096);
  v.Release(v.data() + 4096, 1u << 30);  // to the end at most
  v.Release(v.data() + v.size(), 4096);
  std::vector<uint8_t> other(3 * 4096, 7);
  v.Release(other.data(), other.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.data()), v.size()), text);
  EXPECT_EQ(other[4096], 7);
}

namespace {

MMesh_P* Quad(const char* name, double x) {
  MMesh_P* m = new MMesh_P(name);
  int a = m->v_a->Add(MVector3(x, 0, 0)), b = m->v_a->Add(MVector3(x + 1, 0, 0));
  int c = m->v_a->Add(MVector3(x + 1, 1, 0)), d = m->v_a->Add(MVector3(x, 1, 0));
  int32_t q[4] = {a, b, c, d};
  m->f_a->Add(q, 4, 0);
  return m;
}

}  // namespace

TEST(ExportWalk, LayersFitCornerByCorner) {
  MMesh_P* m = Quad("q", 0);
  EXPECT_FALSE(m_layer_fits(m, m->nf_a, 4));  // no layer
  m->UseNormals();
  for (int i = 0; i < 4; ++i) m->Add_NVertex(MVector3(0, 0, 1), -1.0);
  m->Add_NFace(m->Get_IFace(0));
  EXPECT_TRUE(m_layer_fits(m, m->nf_a, 4));
  EXPECT_FALSE(m_layer_fits(m, m->nf_a, 3));  // an index past the vertices
  EXPECT_TRUE(m_export_layers(m).normals);
  EXPECT_FALSE(m_export_layers(m).uvs);

  // A quad as a fan, a line and a face past the positions left out.
  const int32_t line[2] = {0, 1}, past[3] = {0, 1, 9};
  m->f_a->Add(line, 2, 0);
  m->f_a->Add(past, 3, 0);
  MExportLayers none;
  MTriangleCorners t = m_triangle_corners(m, none);
  EXPECT_EQ(t.count(), 2u);
  EXPECT_EQ(t.positions, (std::vector<int>{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(t.normals, std::vector<int>(6, -1));
  EXPECT_FALSE(m_export_layers(m).normals);  // the new faces have no normal faces

  m->nf_a->data[0].count = 3;
  EXPECT_FALSE(m_layer_fits(m, m->nf_a, 4));  // another corner count
  delete m;
}

TEST(ExportWalk, ReferencesHiddenSolidsAndCachedTriangles) {
  MScene scene("walk");
  scene.objects->Append(Quad("quad", 0));
  MMesh_P* hidden = Quad("hidden", 5);
  hidden->hidden = 1;
  scene.objects->Append(hidden);
  MRefObj* ref = new MRefObj(0, "quad");
  ref->set_name("instance");
  ref->transformation.local.m[3][0] = 10;
  scene.objects->Append(ref);
  scene.objects->Append(new MRefObj(0, "nothing"));
  scene.objects->Append(new MSphere("ball"));

  std::vector<std::string> seen;
  std::vector<int> faces;
  MExportWalkOptions all;
  int n = ForEachExportMesh(&scene, nullptr, all, [&](const MExportMesh& m) {
    seen.push_back(std::string(m.object->get_name()) + ">" + m.source->get_name());
    faces.push_back(m.mesh->Get_Face_Count());
    if (std::string(m.object->get_name()) == "instance") {
      EXPECT_EQ(m.matrix.m[3][0], 10);
    }
  });
  EXPECT_EQ(n, 4);
  EXPECT_EQ(seen, (std::vector<std::string>{"quad>quad", "hidden>hidden", "instance>quad", "ball>ball"}));
  EXPECT_EQ(faces[0], 2);
  EXPECT_EQ(faces[2], 2);
  EXPECT_GT(faces[3], 0);
  // quad and hidden were triangulated once and cached for the next export.
  EXPECT_EQ(scene.tri_objects->count, 2);

  MExportWalkOptions visible;
  visible.skip_hidden = true;
  visible.triangulate = false;
  seen.clear();
  ForEachExportMesh(&scene, nullptr, visible, [&](const MExportMesh& m) {
    seen.push_back(m.object->get_name());
    if (m.source->get_type() == MESH2) {
      EXPECT_EQ(m.mesh, m.source);  // as stored
    }
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"quad", "instance", "ball"}));

  // Hidden meshes only: the hidden solid stays, a reference to a hidden
  // mesh goes.
  MSphere* ghost = new MSphere("ghost");
  ghost->hidden = 1;
  scene.objects->Append(ghost);
  scene.objects->Append(new MRefObj(0, "hidden"));
  MExportWalkOptions meshes;
  meshes.skip_hidden_meshes = true;
  seen.clear();
  ForEachExportMesh(&scene, nullptr, meshes, [&](const MExportMesh& m) { seen.push_back(m.object->get_name()); });
  EXPECT_EQ(seen, (std::vector<std::string>{"quad", "instance", "ball", "ghost"}));

  EXPECT_EQ(m_active_camera(&scene), nullptr);
  scene.cameras->Append(new MCamera("a"));
  scene.cameras->Append(new MCamera("b"));
  scene.options.active_camera = 1;
  EXPECT_STREQ(m_active_camera(&scene)->get_name(), "b");
  scene.options.active_camera = 7;
  EXPECT_STREQ(m_active_camera(&scene)->get_name(), "a");

  MScene fresh("nocache");
  fresh.objects->Append(Quad("q", 0));
  MExportWalkOptions nocache;
  nocache.cache = false;
  ForEachExportMesh(&fresh, nullptr, nocache, [&](const MExportMesh& m) { EXPECT_EQ(m.mesh->Get_Face_Count(), 2); });
  EXPECT_EQ(fresh.tri_objects->count, 0);
}

TEST(ExportWalk, CountsTheNgonsItSplits) {
  MScene scene("ngons");
  MMesh_P* m = Quad("two", 0);
  int32_t tri[3] = {0, 1, 2};
  m->f_a->Add(tri, 3, 0);
  int32_t quad[4] = {0, 1, 2, 3};
  m->f_a->Add(quad, 4, 0);
  scene.objects->Append(m);
  MMesh_P* t = new MMesh_P("tri");
  t->v_a->Add(MVector3(0, 0, 0));
  t->v_a->Add(MVector3(1, 0, 0));
  t->v_a->Add(MVector3(0, 1, 0));
  t->f_a->Add(tri, 3, 0);
  scene.objects->Append(t);
  std::vector<int> ngons;
  for (int pass = 0; pass < 2; ++pass)  // the second pass reuses the cached copy
    ForEachExportMesh(&scene, nullptr, {}, [&](const MExportMesh& e) { ngons.push_back(e.ngons); });
  EXPECT_EQ(ngons, (std::vector<int>{2, 0, 2, 0}));
  MExportWalkOptions stored;
  stored.triangulate = false;
  ForEachExportMesh(&scene, nullptr, stored, [&](const MExportMesh& e) { EXPECT_EQ(e.ngons, 0); });
}

TEST(ExportWalk, WithoutCachingCopiesLiveForTheWalkAndKeptCopiesAreUsed) {
  MScene scene("refs");
  scene.objects->Append(Quad("quad", 0));
  for (int i = 0; i < 3; ++i) scene.objects->Append(new MRefObj(0, "quad"));
  MExportWalkOptions nocache;
  nocache.cache = false;
  std::vector<MMesh_P*> meshes;
  EXPECT_EQ(ForEachExportMesh(&scene, nullptr, nocache, [&](const MExportMesh& m) { meshes.push_back(m.mesh); }), 4);
  ASSERT_EQ(meshes.size(), 4u);
  // One triangulation serves the mesh and every reference to it.
  for (MMesh_P* m : meshes) EXPECT_EQ(m, meshes[0]);
  EXPECT_EQ(scene.tri_objects->count, 0);

  // A copy an earlier export kept is what was written, also when counting.
  MMesh_P* original = Quad("quad", 0);
  MMesh_P* kept = original->Triangulate(nullptr);
  delete original;
  ASSERT_NE(kept, nullptr);
  scene.tri_objects->Append(kept);
  meshes.clear();
  ForEachExportMesh(&scene, nullptr, nocache, [&](const MExportMesh& m) { meshes.push_back(m.mesh); });
  ASSERT_EQ(meshes.size(), 4u);
  EXPECT_EQ(meshes[0], kept);
}

TEST(ExportWalk, ASceneExportedOnceKeepsNoCopies) {
  MScene scene("once");
  scene.keep_export_copies = false;
  scene.objects->Append(Quad("a", 0));
  scene.objects->Append(Quad("b", 5));
  scene.objects->Append(new MRefObj(0, "a"));  // after b's copy is gone
  scene.objects->Append(Quad("c", 9));
  std::vector<MMesh_P*> meshes;
  std::vector<double> first_x;
  ForEachExportMesh(&scene, nullptr, MExportWalkOptions{}, [&](const MExportMesh& m) {
    meshes.push_back(m.mesh);
    ASSERT_EQ(m.mesh->Get_Face_Count(), 2);  // a triangulated copy, alive for the call
    first_x.push_back(m.mesh->Get_Vertex(m.mesh->f_a->data[1].data[2]).x);
  });
  ASSERT_EQ(meshes.size(), 4u);
  EXPECT_EQ(meshes[2], meshes[0]);  // a is triangulated once for itself and its reference
  EXPECT_EQ(first_x[2], first_x[0]);
  EXPECT_EQ(scene.tri_objects->count, 0);
  // Counting afterwards counts the same triangles without copies.
  EXPECT_EQ(m_export_triangle_count(&scene, MExportWalkOptions{}), 8);
}

namespace {

// A mesh of one face through the given points.
MMesh_P* Polygon(const char* name, const std::vector<MVector3>& pts) {
  MMesh_P* m = new MMesh_P(name);
  std::vector<int32_t> idx;
  for (const MVector3& p : pts) idx.push_back(m->v_a->Add(p));
  m->f_a->Add(idx.data(), static_cast<int>(idx.size()), 0);
  return m;
}

// What the writers get: the faces of three corners or more of each mesh the
// walk hands them.
long CountByCopies(MScene* scene, MExportWalkOptions walk) {
  walk.cache = false;
  long total = 0;
  ForEachExportMesh(scene, nullptr, walk, [&](const MExportMesh& m) {
    for (int i = 0; i < m.mesh->Get_Face_Count(); ++i) total += m.mesh->Get_VertexperFace_Count(i) >= 3 ? 1 : 0;
  });
  return total;
}

}  // namespace

TEST(ExportWalk, TriangleCountIsWhatTheCopiesHoldWithoutMakingThem) {
  MScene scene("count");
  scene.objects->Append(Quad("quad", 0));
  // Concave, with a repeated corner: the ear clipper decides.
  scene.objects->Append(Polygon("arrow", {MVector3(0, 0, 0), MVector3(4, 0, 0), MVector3(4, 0, 0), MVector3(2, 1, 0),
                                          MVector3(4, 3, 0), MVector3(0, 3, 0)}));
  // All corners on a line: nothing to draw, the mesh is passed as it is.
  scene.objects->Append(Polygon("line", {MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(2, 0, 0), MVector3(3, 0, 0),
                                         MVector3(4, 0, 0)}));
  MMesh_P* mixed = Quad("mixed", 5);
  int32_t edge[2] = {0, 1};
  mixed->f_a->Add(edge, 2, 0);
  scene.objects->Append(mixed);
  MMesh_P* hidden = Quad("hidden", 9);
  hidden->hidden = 1;
  scene.objects->Append(hidden);
  scene.objects->Append(new MRefObj(0, "arrow"));
  MSphere* ball = new MSphere("ball");
  ball->Set_Segment(6);
  scene.objects->Append(ball);

  for (bool skip : {false, true}) {
    MExportWalkOptions walk;
    walk.skip_hidden = skip;
    const long expected = CountByCopies(&scene, walk);
    EXPECT_EQ(m_export_triangle_count(&scene, walk), expected) << skip;
    EXPECT_GT(expected, 8);
  }
  EXPECT_EQ(scene.tri_objects->count, 0);  // counting caches nothing

  // A copy an earlier export kept is what gets written, so it is counted.
  MMesh_P* original = Quad("quad", 0);
  MMesh_P* kept = original->Triangulate(nullptr);
  delete original;
  ASSERT_NE(kept, nullptr);
  kept->f_a->Add(kept->f_a->data[0]);
  scene.tri_objects->Append(kept);
  EXPECT_EQ(m_export_triangle_count(&scene, MExportWalkOptions()), CountByCopies(&scene, MExportWalkOptions()));
}

// Solids of one shape are counted once; sizes that may change the faces
// (zero, negative, not a number) and other segment counts are counted alone.
TEST(ExportWalk, SolidsOfOneShapeCountAsTheirCopiesDo) {
  MScene scene("solids");
  const double nan = std::nan("");
  const double radii[] = {1.0, 0.25, 0.0, -1.0, nan, 3.0};
  for (double r : radii) {
    for (int seg : {16, 6, 3}) {
      MSphere* ball = new MSphere("ball");
      ball->Set_Segment(seg);
      ball->Set_Radius(r);
      scene.objects->Append(ball);
    }
    for (double len : {2.0, 0.0, 7.5}) {
      MCylinder* rod = new MCylinder("rod", MVector3(0, 0, 0), MVector3(0, 0, len));
      rod->Set_Radius(r);
      rod->Set_Segment_R(len > 5 ? 5 : 16);
      scene.objects->Append(rod);
    }
  }
  MSphere* hidden = new MSphere("hidden");
  hidden->hidden = 1;
  scene.objects->Append(hidden);
  for (bool skip : {false, true}) {
    MExportWalkOptions walk;
    walk.skip_hidden = skip;
    EXPECT_EQ(m_export_triangle_count(&scene, walk), CountByCopies(&scene, walk)) << skip;
  }
}
