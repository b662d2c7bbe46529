// Scenes for the exporters' tests and what they look like: the triangles a
// renderer should draw and the camera it should draw them through.
#pragma once
#include <string>
#include <vector>

#include "korvanelib.h"
#include "silhouette.h"

namespace kvtest {

// Two boxes: a 2 x 2 x 2 box at the origin of six quads with normals and
// texture coordinates, surface "red" but its top (+z) face "blue"; a unit
// cube of surface "green" (triangles, no normals) moved by its matrix
// (turned 30 degrees about z, then by (3, 0, 0.5)). Surfaces red, green,
// blue (in this order, pure colours); a camera at (6, -8, 5) looking at
// (1.5, 0, 0) with a 50-degree field of view; a point, a spot and a
// directional light. The caller owns the scene.
MScene* BoxesScene();

// The mesh of a box from (x0, y0, z0) to (x1, y1, z1): six quads, each
// corner its own normal and texture coordinate; all faces of surface 0.
MMesh_P* BoxMesh(const char* name, const MVector3& lo, const MVector3& hi);

// Every face of the scene's meshes and solids as triangles in scene
// coordinates (each object's matrix applied, hidden meshes left out),
// labelled with the index of the face's surface in the scene (-1: none).
std::vector<Triangle> SceneTriangles(MScene* scene);

// The scene's active camera looking along its target with z up, as
// gluLookAt and gluPerspective place it.
PinholeCamera SceneCamera(MScene* scene, double fov_y_deg, int width, int height);

// Corpus models (relative to the corpus folder) that the build's importers
// read, for running exporters over real files.
const std::vector<const char*>& CorpusModels();

// A model file through the import class its extension names (command-line
// mode, no options); null when none reads it.
MScene* ImportModel(const std::string& path);

inline Vec3 ToVec(const MVector3& v) { return {v.x, v.y, v.z}; }

}  // namespace kvtest
