#include "test_scenes.h"

#include "plugin_test_support.h"

namespace kvtest {

MMesh_P* BoxMesh(const char* name, const MVector3& lo, const MVector3& hi) {
  MMesh_P* m = new MMesh_P(name);
  for (int i = 0; i < 8; ++i)
    m->Add_Vertex(MVector3(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z), -1.0);
  // Corners counter-clockwise seen from outside; the face normals.
  const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  const MVector3 normals[6] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
  const MVector3 uvs[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  m->UseNormals();
  m->UseUV();
  for (int f = 0; f < 6; ++f) {
    MIPolygon p, n, t;
    for (int c = 0; c < 4; ++c) {
      p.Add(quads[f][c]);
      n.Add(m->Add_NVertex(normals[f], -1.0));
      t.Add(m->Add_UVVertex(uvs[c], -1.0));
    }
    p.Set_MatId(0);
    n.Set_MatId(0);
    t.Set_MatId(0);
    m->Add_Face(p);
    m->Add_NFace(n);
    m->Add_UVFace(t);
  }
  return m;
}

MScene* BoxesScene() {
  MScene* scene = new MScene("boxes.raw");
  const char* names[3] = {"red", "green", "blue"};
  const double colors[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int i = 0; i < 3; ++i) {
    MSurface* s = new MSurface(names[i]);
    s->color.diffuse = MColor(colors[i][0], colors[i][1], colors[i][2]);
    scene->surfaces->Append(s);
  }
  MMesh_P* a = BoxMesh("box", MVector3(-1, -1, -1), MVector3(1, 1, 1));
  a->surface_refs->Append(my_strdup("red"));
  a->surface_refs->Append(my_strdup("blue"));
  a->Set_Face_MatId(1, 1);  // the top face
  scene->objects->Append(a);

  MMesh_P* b = new MMesh_P("cube");
  MMesh_P* quads = BoxMesh("q", MVector3(-0.5, -0.5, -0.5), MVector3(0.5, 0.5, 0.5));
  for (int i = 0; i < quads->Get_Vertex_Count(); ++i) b->Add_Vertex(quads->Get_Vertex(i), -1.0);
  for (int f = 0; f < quads->Get_Face_Count(); ++f) {
    const MIPolygon& q = quads->Get_IFace(f);
    const int32_t t1[3] = {q[0], q[1], q[2]}, t2[3] = {q[0], q[2], q[3]};
    b->f_a->Add(t1, 3, 0);
    b->f_a->Add(t2, 3, 0);
  }
  delete quads;
  b->surface_refs->Append(my_strdup("green"));
  MMatrix M(1);
  M.RotateDeg(MVector3(0, 0, 30));
  M.Translate(MVector3(3, 0, 0.5));
  b->transformation.Set_LocalMatrix(M);
  scene->objects->Append(b);

  MCamera* cam = new MCamera("view");
  cam->position = MVector3(6, -8, 5);
  cam->target = MVector3(1.5, 0, 0);
  cam->fov = 50;
  cam->active = 1;
  scene->cameras->Append(cam);
  MLight* point = new MLight("lamp");
  point->position = MVector3(2, -3, 6);
  point->intensity = 0.9;
  scene->lights->Append(point);
  MLight* spot = new MLight("spot");
  spot->type = SPOTLIGHT;
  spot->position = MVector3(0, 0, 8);
  spot->target = MVector3(0, 0, 0);
  spot->hotspot = 30;
  spot->falloff = 40;
  scene->lights->Append(spot);
  MLight* sun = new MLight("sun");
  sun->type = DIRECTIONALLIGHT;
  scene->lights->Append(sun);
  scene->CalculateBoundingBox();
  return scene;
}

std::vector<Triangle> SceneTriangles(MScene* scene) {
  std::vector<Triangle> out;
  MExportWalkOptions walk;
  walk.cache = false;
  walk.skip_hidden_meshes = true;
  ForEachExportMesh(scene, nullptr, walk, [&](const MExportMesh& item) {
    MMesh_P* m = item.mesh;
    for (int f = 0; f < m->Get_Face_Count(); ++f) {
      const MIPolygon& p = m->Get_IFace(f);
      const bool solid = item.source->get_type() == TSOLID;
      const int id = solid ? 0 : p.mat_id;
      const int label = scene->GetIndexMaterialbyName(ref_name_or_empty(m->surface_refs, id));
      for (int c = 1; c + 1 < p.count; ++c) {
        const int k[3] = {p[0], p[c], p[c + 1]};
        bool ok = true;
        for (int j : k) ok = ok && j >= 0 && j < m->Get_Vertex_Count();
        if (!ok) continue;
        out.push_back({ToVec(item.matrix.Transform(m->Get_Vertex(k[0]))), ToVec(item.matrix.Transform(m->Get_Vertex(k[1]))),
                       ToVec(item.matrix.Transform(m->Get_Vertex(k[2]))), label});
      }
    }
  });
  return out;
}

const std::vector<const char*>& CorpusModels() {
  static const std::vector<const char*> kModels = {
      "3ds/CameraRollAnim.3ds", "3ds/cube_with_diffuse_texture.3DS", "3ds/cubes_with_alpha.3DS", "3ds/fels.3ds",
      "3ds/jeep1.3ds", "3ds/mar_rifle.3ds", "3ds/test1.3ds", "obj/WusonOBJ.obj", "obj/box.obj",
      "obj/box_without_lineending.obj", "obj/concave_polygon.obj", "obj/cube_usemtl.obj", "obj/number_formats.obj",
      "obj/space_in_material_name.obj", "obj/spider.obj", "obj/testmixed.obj", "raw/Wuson.raw"};
  return kModels;
}

MScene* ImportModel(const std::string& path) {
  UseCommandLine({});
  return ImportWith(Plugins().FindImportClass(path.c_str()), path);
}

PinholeCamera SceneCamera(MScene* scene, double fov_y_deg, int width, int height) {
  MCamera* cam = m_active_camera(scene);
  if (!cam) return PinholeCamera::LookAt({0, -10, 0}, {0, 0, 0}, {0, 0, 1}, fov_y_deg, width, height);
  return PinholeCamera::LookAt(ToVec(cam->position), ToVec(cam->target), {0, 0, 1}, fov_y_deg, width, height);
}

}  // namespace kvtest
