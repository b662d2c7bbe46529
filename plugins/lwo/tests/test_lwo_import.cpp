// LWOB and LWO2 objects built byte by byte: layers, long indices, polygon
// flags, detail polygons, texture maps and clips, surfaces, and every index
// a file may get wrong.
#include <gtest/gtest.h>

#include <cmath>

#include "lwo_test_util.h"

namespace {

using lwotest::Form;
using lwotest::Iff;

class LwoImport : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(lwotest::ImportClass(), 0) << "import_lwo.so not built"; }
  void TearDown() override { delete scene; }
  MScene* Load(const std::vector<uint8_t>& bytes, const char* name = "obj.lwo") {
    delete scene;
    lwotest::WriteBytes(dir.file(name), bytes);
    scene = lwotest::Import(dir.file(name));
    return scene;
  }
  MMesh_P* Mesh() { return scene ? kvtest::MeshAt(scene, 0) : nullptr; }
  std::string MatOf(int face) { return ref_name_or_empty(Mesh()->surface_refs, Mesh()->Get_Face_MatId(face)); }
  static Iff Points(int n, float z = 0) {
    Iff p;
    for (int i = 0; i < n; ++i) p.F32(static_cast<float>(i)).F32(static_cast<float>(static_cast<long>(i) * i % 7)).F32(z);
    return p;
  }
  static Iff Face(std::initializer_list<uint32_t> corners, uint16_t flags = 0) {
    Iff f;
    f.U16(static_cast<uint16_t>(corners.size() | flags));
    for (uint32_t c : corners) f.VX(c);
    return f;
  }
  static Iff Layer(uint16_t number) {
    return Iff().U16(number).U16(0).F32(0).F32(0).F32(0).S0("layer");
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

TEST_F(LwoImport, PointsSwapYAndZAndPolygonsAreFlipped) {
  Iff c;
  c.Chunk("TAGS", Iff().S0("skin"));
  c.Chunk("PNTS", Iff().F32(1).F32(2).F32(3).F32(4).F32(5).F32(6).F32(7).F32(8).F32(9));
  c.Chunk("POLS", Iff().Id("FACE").Raw(Face({0, 1, 2}).bytes()));
  c.Chunk("PTAG", Iff().Id("SURF").VX(0).U16(0));
  ASSERT_NE(Load(Form("LWO2", c)), nullptr);
  MMesh_P* m = Mesh();
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->get_name(), "obj");
  ASSERT_EQ(m->Get_Vertex_Count(), 3);
  EXPECT_EQ(m->Get_Vertex(0).x, 1);
  EXPECT_EQ(m->Get_Vertex(0).y, 3);
  EXPECT_EQ(m->Get_Vertex(0).z, 2);
  ASSERT_EQ(m->Get_Face_Count(), 1);
  EXPECT_EQ(m->Get_IFace(0)[0], 2);
  EXPECT_EQ(m->Get_IFace(0)[2], 0);
  EXPECT_EQ(MatOf(0), "skin");
  EXPECT_NE(scene->GetMaterialbyName("skin"), nullptr);
  EXPECT_TRUE(m->NormalsUsed());
  EXPECT_EQ(scene->cameras->count, 1);
  EXPECT_EQ(scene->lights->count, 3);
}

// Every layer numbers its points and polygons from 0.
TEST_F(LwoImport, EachLayerIndexesItsOwnPointsPolygonsAndMaps) {
  Iff c;
  c.Chunk("TAGS", Iff().S0("a").S0("b").S0("c").S0("d"));
  for (uint16_t layer = 0; layer < 4; ++layer) {
    c.Chunk("LAYR", Layer(layer));
    c.Chunk("PNTS", Points(3, static_cast<float>(10 * layer)));
    c.Chunk("VMAP", Iff().Id("TXUV").U16(2).S0("uv").VX(1).F32(0.25f * layer).F32(0.5f));
    c.Chunk("POLS", Iff().Id("FACE").Raw(Face({0, 1, 2}).bytes()).Raw(Face({2, 1, 0}).bytes()));
    c.Chunk("PTAG", Iff().Id("SURF").VX(1).U16(layer));
  }
  ASSERT_NE(Load(Form("LWO2", c)), nullptr);
  MMesh_P* m = Mesh();
  ASSERT_EQ(m->Get_Vertex_Count(), 12);
  ASSERT_EQ(m->Get_Face_Count(), 8);
  for (int layer = 0; layer < 4; ++layer) {
    SCOPED_TRACE(layer);
    const MIPolygon& f = m->Get_IFace(2 * layer);
    for (int k = 0; k < 3; ++k) {
      EXPECT_GE(f[k], 3 * layer);
      EXPECT_LT(f[k], 3 * layer + 3);
      EXPECT_EQ(m->Get_Vertex(f[k]).y, 10.0 * layer);
    }
    EXPECT_EQ(MatOf(2 * layer + 1), std::string(1, static_cast<char>('a' + layer)));
    EXPECT_EQ(MatOf(2 * layer), "Default");  // untagged
    EXPECT_FLOAT_EQ(static_cast<float>(m->Get_UVVertex(3 * layer + 1).x), 0.25f * layer);
  }
  EXPECT_TRUE(m->UVUsed());
  EXPECT_EQ(m->Get_UVFace_Count(), 8);
}

// Files past 0xFF00 points or polygons use four-byte indices in POLS, PTAG
// and VMAP.
TEST_F(LwoImport, LongIndicesInPolygonsTagsAndMaps) {
  const int points = 0xFF00 + 10;
  const int polys = 0xFF00 + 5;
  Iff pols;
  pols.Id("FACE");
  for (int i = 0; i < polys - 1; ++i) pols.Raw(Face({0, 1, 2}).bytes());
  pols.Raw(Face({0xFF00, 0xFF01, static_cast<uint32_t>(points - 1)}).bytes());
  Iff c;
  c.Chunk("TAGS", Iff().S0("plain").S0("far"));
  c.Chunk("PNTS", Points(points));
  c.Chunk("VMAP", Iff().Id("TXUV").U16(2).S0("uv").VX(0xFF01).F32(0.75f).F32(0.5f));
  c.Chunk("POLS", pols);
  c.Chunk("PTAG", Iff().Id("SURF").VX(0).U16(0).VX(static_cast<uint32_t>(polys - 1)).U16(1));
  ASSERT_NE(Load(Form("LWO2", c)), nullptr);
  MMesh_P* m = Mesh();
  ASSERT_EQ(m->Get_Face_Count(), polys);
  const MIPolygon& last = m->Get_IFace(polys - 1);
  EXPECT_EQ(last[0], points - 1);
  EXPECT_EQ(last[2], 0xFF00);
  EXPECT_EQ(MatOf(polys - 1), "far");
  EXPECT_EQ(MatOf(0), "plain");
  EXPECT_FLOAT_EQ(static_cast<float>(m->Get_UVVertex(0xFF01).x), 0.75f);
  EXPECT_TRUE(lwotest::LastImportWarnings().empty());
}

TEST_F(LwoImport, CornerCountIsTheLowTenBitsAndPatchesAreTheirCages) {
  Iff c;
  c.Chunk("PNTS", Points(4));
  c.Chunk("POLS", Iff().Id("FACE").Raw(Face({0, 1, 2}, 0xFC00).bytes()));
  c.Chunk("POLS", Iff().Id("PTCH").Raw(Face({0, 1, 2, 3}).bytes()));
  c.Chunk("POLS", Iff().Id("CURV").Raw(Face({0, 1}).bytes()));
  ASSERT_NE(Load(Form("LWO2", c)), nullptr);
  ASSERT_EQ(Mesh()->Get_Face_Count(), 2);
  EXPECT_EQ(Mesh()->Get_VertexperFace_Count(0), 3);
  EXPECT_EQ(Mesh()->Get_VertexperFace_Count(1), 4);
}

TEST_F(LwoImport, LwobDetailPolygonsKeepTheReadingInStep) {
  Iff pols;
  pols.U16(3).U16(0).U16(1).U16(2).I16(-2).U16(1);  // surface 2, one detail polygon
  pols.U16(3).U16(1).U16(2).U16(3).I16(1);          // the detail polygon
  pols.U16(4).U16(0).U16(1).U16(2).U16(3).I16(0);   // no surface
  pols.U16(3).U16(0).U16(2).U16(3).I16(9);          // past the list
  Iff c;
  c.Chunk("PNTS", Points(4));
  c.Chunk("SRFS", Iff().S0("one").S0("two"));
  c.Chunk("POLS", pols);
  ASSERT_NE(Load(Form("LWOB", c)), nullptr);
  MMesh_P* m = Mesh();
  ASSERT_EQ(m->Get_Face_Count(), 4);
  EXPECT_EQ(MatOf(0), "two");
  EXPECT_EQ(MatOf(1), "one");
  EXPECT_EQ(m->Get_VertexperFace_Count(2), 4);
  EXPECT_EQ(MatOf(2), "Default");
  EXPECT_EQ(MatOf(3), "Default");
  EXPECT_NE(scene->GetMaterialbyName("Default"), nullptr);
}

// A clip is named by its own number; the map a block names is used, not the
// last one read.
TEST_F(LwoImport, TextureBlocksNameTheirClipAndTheirMap) {
  Iff blok;
  blok.Sub("IMAP", Iff().U16(0x8000).Sub("CHAN", Iff().Id("COLR")));
  blok.Sub("PROJ", Iff().U16(5)).Sub("IMAG", Iff().VX(2)).Sub("VMAP", Iff().S0("second"));
  Iff c;
  c.Chunk("TAGS", Iff().S0("wood"));
  c.Chunk("PNTS", Points(3));
  c.Chunk("VMAP", Iff().Id("TXUV").U16(2).S0("first").VX(0).F32(0.1f).F32(0.1f));
  c.Chunk("VMAP", Iff().Id("TXUV").U16(2).S0("second").VX(0).F32(0.2f).F32(0.2f));
  c.Chunk("VMAP", Iff().Id("TXUV").U16(2).S0("third").VX(0).F32(0.3f).F32(0.3f));
  c.Chunk("POLS", Iff().Id("FACE").Raw(Face({0, 1, 2}).bytes()));
  c.Chunk("PTAG", Iff().Id("SURF").VX(0).U16(0));
  c.Chunk("CLIP", Iff().U32(5).Sub("STIL", Iff().S0("Images/five.png")));
  c.Chunk("CLIP", Iff().U32(2).Sub("STIL", Iff().S0("Images/two.png")));
  c.Chunk("SURF", Iff().S0("wood").S0("").Sub("BLOK", blok));
  ASSERT_NE(Load(Form("LWO2", c)), nullptr);
  EXPECT_FLOAT_EQ(static_cast<float>(Mesh()->Get_UVVertex(0).x), 0.2f);
  MSurface* s = scene->GetMaterialbyName("wood");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->layers.Get_Count(), 1);
  EXPECT_STREQ(s->layers.Get(0)->texture.bitmap.file_name, "two.png");
  EXPECT_TRUE(s->layers.Get(0)->diffuse_color.enabled);
  ASSERT_EQ(scene->maps->Get_Count_Maps(), 1);
  EXPECT_STREQ(scene->maps->GetMap(0)->name, "two.png");

  // Without a block the first map is used.
  Iff d;
  d.Chunk("PNTS", Points(3));
  d.Chunk("VMAP", Iff().Id("TXUV").U16(2).S0("first").VX(0).F32(0.1f).F32(0.1f));
  d.Chunk("VMAP", Iff().Id("TXUV").U16(2).S0("second").VX(0).F32(0.2f).F32(0.2f));
  d.Chunk("POLS", Iff().Id("FACE").Raw(Face({0, 1, 2}).bytes()));
  ASSERT_NE(Load(Form("LWO2", d)), nullptr);
  EXPECT_FLOAT_EQ(static_cast<float>(Mesh()->Get_UVVertex(0).x), 0.1f);
}

TEST_F(LwoImport, DiscontinuousMapsGiveTheirCornersOwnCoordinates) {
  Iff c;
  c.Chunk("PNTS", Points(4));
  c.Chunk("VMAP", Iff().Id("TXUV").U16(2).S0("uv").VX(0).F32(0.1f).F32(0.1f));
  c.Chunk("POLS", Iff().Id("FACE").Raw(Face({0, 1, 2}).bytes()).Raw(Face({0, 2, 3}).bytes()));
  c.Chunk("VMAD", Iff().Id("TXUV").U16(2).S0("uv").VX(0).VX(1).F32(0.9f).F32(0.8f).VX(0).VX(7).F32(1).F32(1));
  ASSERT_NE(Load(Form("LWO2", c)), nullptr);
  MMesh_P* m = Mesh();
  auto uv_of_point = [&](int face, int point) {
    const MIPolygon& f = m->Get_IFace(face);
    for (int k = 0; k < f.count; ++k)
      if (f[k] == point) return m->Get_UVVertex(m->Get_IUVFace(face)[k]);
    return MVector3(-1, -1, -1);
  };
  EXPECT_FLOAT_EQ(static_cast<float>(uv_of_point(0, 0).x), 0.1f);
  EXPECT_FLOAT_EQ(static_cast<float>(uv_of_point(1, 0).x), 0.9f);
  EXPECT_TRUE(lwotest::Warned("texture coordinates name points or polygons that do not exist"));
}

TEST_F(LwoImport, BadIndicesAreLeftOutWithAWarning) {
  Iff c;
  c.Chunk("TAGS", Iff().S0("only"));
  c.Chunk("PNTS", Points(3));
  c.Chunk("VMAP", Iff().Id("TXUV").U16(2).S0("uv").VX(3).F32(1).F32(1).VX(0xFFFFFF).F32(1).F32(1));
  c.Chunk("POLS", Iff().Id("FACE").Raw(Face({0, 1, 2}).bytes()).Raw(Face({0, 1, 3}).bytes()).Raw(Face({0, 2, 1}).bytes()));
  c.Chunk("PTAG", Iff().Id("SURF").VX(0).U16(0).VX(1).U16(0).VX(2).U16(40).VX(0x123456).U16(0));
  ASSERT_NE(Load(Form("LWO2", c)), nullptr);
  MMesh_P* m = Mesh();
  ASSERT_EQ(m->Get_Face_Count(), 2);  // the polygon naming point 3 is left out
  EXPECT_EQ(MatOf(0), "only");
  EXPECT_EQ(MatOf(1), "Default");     // tag 40 does not exist
  EXPECT_TRUE(lwotest::Warned("polygons name points their layer does not have"));
  EXPECT_TRUE(lwotest::Warned("surface tags name polygons that do not exist"));
  EXPECT_TRUE(lwotest::Warned("texture coordinates name points or polygons"));
  for (int i = 0; i < m->Get_UVVertex_Count(); ++i) EXPECT_EQ(m->Get_UVVertex(i).x, 0.0);
}

TEST_F(LwoImport, SurfaceValuesOfBothGenerations) {
  Iff lwo2;
  lwo2.Chunk("TAGS", Iff().S0("metal"));
  lwo2.Chunk("PNTS", Points(3));
  lwo2.Chunk("POLS", Iff().Id("FACE").Raw(Face({0, 1, 2}).bytes()));
  lwo2.Chunk("PTAG", Iff().Id("SURF").VX(0).U16(0));
  lwo2.Chunk("SURF", Iff().S0("metal").S0("").Sub("COLR", Iff().F32(0.5f).F32(0.25f).F32(1).VX(0))
                         .Sub("DIFF", Iff().F32(0.75f).VX(0)).Sub("SPEC", Iff().F32(0.5f).VX(0))
                         .Sub("GLOS", Iff().F32(0.4f).VX(0)).Sub("TRAN", Iff().F32(0.25f).VX(0))
                         .Sub("SMAN", Iff().F32(static_cast<float>(180.0004 / 57.29577951308232))));
  ASSERT_NE(Load(Form("LWO2", lwo2)), nullptr);
  MSurface* s = scene->GetMaterialbyName("metal");
  ASSERT_NE(s, nullptr);
  EXPECT_DOUBLE_EQ(s->color.diffuse.r, 0.5);
  EXPECT_DOUBLE_EQ(s->color.ambient.g, 0.25);
  EXPECT_DOUBLE_EQ(s->color.diffuse_intensity, 0.75);
  EXPECT_DOUBLE_EQ(s->color.ambient_intensity, 0.75);
  EXPECT_DOUBLE_EQ(s->color.specular_intensity, 0.5);
  EXPECT_NEAR(s->spec.phong_size, 4.0, 1e-6);
  EXPECT_DOUBLE_EQ(s->opref.surface_opacity, 0.75);
  // A smoothing angle within 0.001 of 180 degrees is none: flat normals, of
  // unit length.
  MMesh_P* m = Mesh();
  ASSERT_GT(m->Get_NVertex_Count(), 0);
  for (int i = 0; i < m->Get_NVertex_Count(); ++i) EXPECT_NEAR(m->Get_NVertex(i).Length(), 1.0, 1e-9);

  Iff lwob;
  lwob.Chunk("PNTS", Points(3));
  lwob.Chunk("SRFS", Iff().S0("wood"));
  lwob.Chunk("POLS", Iff().U16(3).U16(0).U16(1).U16(2).I16(1));
  lwob.Chunk("SURF", Iff().S0("wood").Sub("COLR", Iff().U8(255).U8(0).U8(51).U8(0)).Sub("DIFF", Iff().U16(128))
                         .Sub("SPEC", Iff().U16(0).U16(64).U16(0).U32(0)).Sub("GLOS", Iff().U16(256)).Sub("FLAG", Iff().U16(4)));
  ASSERT_NE(Load(Form("LWOB", lwob)), nullptr);
  s = scene->GetMaterialbyName("wood");
  ASSERT_NE(s, nullptr);
  EXPECT_DOUBLE_EQ(s->color.diffuse.r, 1.0);
  EXPECT_DOUBLE_EQ(s->color.diffuse.b, 0.2);
  EXPECT_DOUBLE_EQ(s->color.diffuse_intensity, 0.5);
  EXPECT_DOUBLE_EQ(s->color.specular_intensity, 0.25);  // a SPEC of ten bytes
  EXPECT_DOUBLE_EQ(s->spec.phong_size, 2.5);
}

TEST_F(LwoImport, FilesThatAreNoObjectsFailWithTheirReason) {
  ASSERT_EQ(Load(Form("ILBM", Iff().Chunk("BMHD", Iff().U32(0)))), nullptr);
  EXPECT_NE(lwotest::LastImportError().find("not a LightWave object"), std::string::npos);
  ASSERT_EQ(Load(Form("LXOB", Iff())), nullptr);
  EXPECT_NE(lwotest::LastImportError().find("LXOB"), std::string::npos);
  ASSERT_EQ(Load({'h', 'e', 'l', 'l', 'o'}), nullptr);
  EXPECT_NE(lwotest::LastImportError().find("neither a LightWave object"), std::string::npos);
  EXPECT_EQ(lwotest::Import(dir.file("missing.lwo")), nullptr);
}

TEST_F(LwoImport, LwobTextureCoordinatesOfTheSideFileFollowTheFlippedFaces) {
  Iff c;
  c.Chunk("PNTS", Points(4));
  c.Chunk("SRFS", Iff().S0("s"));
  c.Chunk("POLS", Iff().U16(3).U16(0).U16(1).U16(2).I16(1).U16(3).U16(0).U16(2).U16(3).I16(1));
  kvtest::write_file(dir.file("obj.uv"),
                     "1 0 header\nline\n2\n0 3\n0.0 0.0 0\n1.0 0.0 1\n1.0 1.0 2\n1 3\n0.0 0.0 0\n1.0 1.0 2\n0.0 1.0 3\n");
  ASSERT_NE(Load(Form("LWOB", c)), nullptr);
  MMesh_P* m = Mesh();
  ASSERT_TRUE(m->UVUsed());
  ASSERT_EQ(m->Get_UVFace_Count(), 2);
  // Face 0 is (2, 1, 0): its first corner is point 2, whose coordinate is (1, 1).
  EXPECT_EQ(m->Get_IFace(0)[0], 2);
  const MVector3 t = m->Get_UVVertex(m->Get_IUVFace(0)[0]);
  EXPECT_EQ(t.x, 1.0);
  EXPECT_EQ(t.y, 1.0);
  // Equal coordinates share one texture vertex.
  EXPECT_EQ(m->Get_UVVertex_Count(), 4);
}

}  // namespace
