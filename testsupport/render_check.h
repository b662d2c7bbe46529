// Judging scene exports by rendering them with outside programs: the test
// scene, the programs run with a private home and display, and their logs.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "geometry.h"
#include "image_compare.h"
#include "plugin_test_support.h"
#include "test_scenes.h"

class MScene;

namespace kvtest {

// The scene of the render checks, small enough for exact colours and laid
// out so that faults show: a box whose faces towards the camera are red
// ("front") and whose far faces are blue ("back"), so that reversed winding
// under back-face culling shows blue; a green part ("part") in front of the
// box's lower right, placed by its object matrix, so that mirroring shows; the camera at
// (2, -6, 3) looking at the origin (a view direction outside the YZ plane),
// one point light beside it. Surfaces without highlights. The scene's name is
// `name` (the import file it claims to come from).
MScene* NewRenderScene(const std::string& name);
// The diffuse colours of the scene's surfaces, in list order.
std::vector<MVector3> SurfaceColours(MScene* scene);

// One model of CorpusModels() in one variant of an export (a format version, a
// dialect), for parameterised tests; the name is the test's.
struct CorpusCase {
  std::string model;
  int variant;
  std::string label;
};
std::vector<CorpusCase> CorpusCases(const std::vector<std::pair<int, std::string>>& variants);
std::string CorpusCaseName(const CorpusCase& c);
// How test logs show a case.
void PrintTo(const CorpusCase& c, std::ostream* os);

// A mesh of `faces` triangles in a row, of one surface (none when null),
// appended to the scene.
MMesh_P* AddTriangles(MScene* scene, const char* name, int faces, const char* surface);

// The file names (without folder) of the scene's maps that cannot be found
// through its search path: a model may name maps its author never shipped.
std::vector<std::string> MissingMaps(MScene* scene);
// The lines that name none of these files.
std::vector<std::string> WithoutMentionOf(const std::vector<std::string>& lines, const std::vector<std::string>& files);

// A program's exit status and what it printed (standard error included).
struct ProgramRun {
  int status = -1;
  std::string output;
};
// Runs a shell command line.
ProgramRun RunProgram(const std::string& command);
bool HaveProgram(const char* name);
// A file name quoted for the shell.
std::string ShellQuote(const std::string& s);

// Renders with POV-Ray 3.7 (+W +H -D +UA, alpha where nothing is hit),
// from the folder of the scene file so that its includes and maps are found.
ProgramRun RunPovray(const std::string& pov_file, const std::string& png, int width, int height);
// The lines of a POV-Ray run that report a parse error.
std::vector<std::string> PovrayParseErrors(const std::string& output);

// view3dscene under Xvfb: a screenshot with a transparent background, and
// its log (it exits 0 on errors; the log tells). Settings and log live in a
// private folder under `work`.
struct ViewerRun {
  ProgramRun run;
  std::string log;
  std::vector<std::string> warnings;  // the log's warnings about the file
};
ViewerRun RunView3dscene(const std::string& file, const std::string& png, int width, int height,
                         const std::string& work);

// f3d under Xvfb from the given camera (vertical view angle from the
// camera's horizontal one at width:height), transparent background.
ProgramRun RunF3d(const std::string& file, const std::string& png, int width, int height, const ViewCamera& cam,
                  const std::string& work);

// What a render check found, for the failure message.
struct RenderScore {
  double iou = 0;
  double covered = 0;         // share of the picture the reference covers
  double materials = 0;       // share of the covered pixels in the right material (-1 not measured)
  double worst_material = 0;  // the smallest overlap of one material's pixels (-1 not measured)
  std::string Text() const;
};
// The picture's silhouette (alpha) against the reference of the scene, and
// with a palette also the material of each pixel. Writes both masks beside
// `png` when the silhouettes differ, for a look; KORVANE_KEEP_RENDERS names a
// folder that keeps every picture and its masks.
RenderScore ScoreRender(const std::string& png, MScene* scene, bool cull_back, const std::vector<MVector3>* palette);

}  // namespace kvtest
