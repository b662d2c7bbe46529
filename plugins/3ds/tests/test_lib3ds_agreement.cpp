// Our importer against lib3ds's 3dsdump on the real files: the same faces
// and the same world-space bounds of the mesh vertices. Skipped when the
// tool is not installed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "3ds_test_util.h"
#include "korvanelib.h"
#include "test_support.h"

namespace {

using kv3dstest::Import;
using kv3dstest::ImportClass;

struct Summary {
  long faces = 0;
  double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
  void Add(double x, double y, double z) {
    const double c[3] = {x, y, z};
    for (int k = 0; k < 3; ++k) lo[k] = std::fmin(lo[k], c[k]), hi[k] = std::fmax(hi[k], c[k]);
  }
};

// Faces and point-list bounds from "3dsdump -t".
bool Lib3ds(const std::string& path, Summary* out) {
  std::istringstream in(kv3dstest::Dump3ds(path));
  std::string line;
  bool points = false;
  while (std::getline(in, line)) {
    if (line.find("point list:") != std::string::npos) {
      points = true;
    } else if (line.find("facelist:") != std::string::npos) {
      points = false;
    } else if (size_t f = line.find(" faces="); f != std::string::npos) {
      out->faces += std::atol(line.c_str() + f + 7);
      points = false;
    } else if (points) {
      double x, y, z;
      if (std::sscanf(line.c_str(), "%lf %lf %lf", &x, &y, &z) == 3) out->Add(x, y, z);
    }
  }
  return out->faces > 0;
}

}  // namespace

TEST(Lib3dsAgreement, CorpusFacesAndBounds) {
  KV_REQUIRE_CORPUS();
  if (!kv3dstest::Have3dsdump()) GTEST_SKIP() << "3dsdump not installed";
  int files = 0;
  for (const auto& file : kv3dstest::CorpusFiles()) {
    SCOPED_TRACE(file.filename().string());
    Summary want, got;
    ASSERT_TRUE(Lib3ds(file.string(), &want));
    MScene* s = Import(file.string());
    ASSERT_NE(s, nullptr);
    for (int i = 0; i < s->objects->count; ++i) {
      MObj3d* o = static_cast<MObj3d*>(s->objects->GetAt(i));
      if (o->get_type() != MESH2) continue;
      MMesh_P* m = static_cast<MMesh_P*>(o);
      got.faces += m->Get_Face_Count();
      for (int v = 0; v < m->Get_Vertex_Count(); ++v) got.Add(m->Get_Vertex(v).x, m->Get_Vertex(v).y, m->Get_Vertex(v).z);
    }
    delete s;
    EXPECT_EQ(got.faces, want.faces);
    for (int k = 0; k < 3; ++k) {
      // 3dsdump prints six decimals.
      EXPECT_NEAR(got.lo[k], want.lo[k], 1e-5 + 1e-6 * std::fabs(want.lo[k]));
      EXPECT_NEAR(got.hi[k], want.hi[k], 1e-5 + 1e-6 * std::fabs(want.hi[k]));
    }
    ++files;
  }
  EXPECT_GT(files, 0);
}
