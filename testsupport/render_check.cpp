#include "render_check.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "korvanelib.h"
#include "test_scenes.h"
#include "test_support.h"

namespace kvtest {
namespace {

// The six faces of an axis box, corners counter-clockwise seen from
// outside, in the order -y, +x, +z (towards the render camera), +y, -x, -z.
void AddBox(MMesh_P* m, const MVector3& c, double h, int near_mat, int far_mat) {
  auto p = [&](int sx, int sy, int sz) { return MVector3(c.x + sx * h, c.y + sy * h, c.z + sz * h); };
  m->Add_Quad(p(-1, -1, -1), p(1, -1, -1), p(1, -1, 1), p(-1, -1, 1), near_mat, -1.0);
  m->Add_Quad(p(1, -1, -1), p(1, 1, -1), p(1, 1, 1), p(1, -1, 1), near_mat, -1.0);
  m->Add_Quad(p(-1, -1, 1), p(1, -1, 1), p(1, 1, 1), p(-1, 1, 1), near_mat, -1.0);
  m->Add_Quad(p(1, 1, -1), p(-1, 1, -1), p(-1, 1, 1), p(1, 1, 1), far_mat, -1.0);
  m->Add_Quad(p(-1, 1, -1), p(-1, -1, -1), p(-1, -1, 1), p(-1, 1, 1), far_mat, -1.0);
  m->Add_Quad(p(-1, 1, -1), p(1, 1, -1), p(1, -1, -1), p(-1, -1, -1), far_mat, -1.0);
}

MSurface* FlatSurface(const char* name, double r, double g, double b) {
  MSurface* s = new MSurface(name);
  s->color.diffuse.Init_RGB(r, g, b, 1);
  s->color.ambient.Init_RGB(r, g, b, 1);
  s->color.diffuse_intensity = 1.0;
  s->color.ambient_intensity = 0.3;
  s->color.specular_intensity = 0.0;
  return s;
}

}  // namespace

MScene* NewRenderScene(const std::string& name) {
  MScene* scene = new MScene(name.c_str());
  scene->surfaces->Append(FlatSurface("front", 1, 0, 0));
  scene->surfaces->Append(FlatSurface("back", 0, 0, 1));
  scene->surfaces->Append(FlatSurface("part", 0, 1, 0));

  MMesh_P* body = new MMesh_P("body");
  AddBox(body, MVector3(0, 0, 0), 1.0, 0, 1);
  body->surface_refs->Append(my_strdup("front"));
  body->surface_refs->Append(my_strdup("back"));
  scene->objects->Append(body);

  MMesh_P* part = new MMesh_P("part");
  AddBox(part, MVector3(0, 0, 0), 0.35, 0, 0);
  part->surface_refs->Append(my_strdup("part"));
  MMatrix m(1);
  m.RotateDeg(MVector3(0, 0, 30));
  m.Translate(MVector3(1.1, -1.25, -0.4));
  part->transformation.Set_LocalMatrix(m);
  scene->objects->Append(part);

  MCamera* cam = new MCamera("view");
  cam->position = MVector3(2, -6, 3);
  cam->target = MVector3(0, 0, 0);
  cam->active = 1;
  scene->cameras->Append(cam);
  scene->options.active_camera = 0;
  MLight* light = new MLight("lamp");
  light->position = MVector3(3, -7, 5);
  scene->lights->Append(light);
  scene->CalculateBoundingBox();
  return scene;
}

std::vector<MVector3> SurfaceColours(MScene* scene) {
  std::vector<MVector3> out;
  for (int i = 0; scene->surfaces && i < scene->surfaces->count; ++i) {
    MSurface* s = static_cast<MSurface*>(scene->surfaces->GetAt(i));
    out.emplace_back(s->color.diffuse.r, s->color.diffuse.g, s->color.diffuse.b);
  }
  return out;
}

std::vector<CorpusCase> CorpusCases(const std::vector<std::pair<int, std::string>>& variants) {
  std::vector<CorpusCase> out;
  for (const char* m : CorpusModels())
    for (const auto& [v, label] : variants) out.push_back({m, v, label});
  return out;
}

std::string CorpusCaseName(const CorpusCase& c) {
  std::string n = c.model;
  for (char& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n + "_" + c.label;
}

void PrintTo(const CorpusCase& c, std::ostream* os) { *os << c.model << " (" << c.label << ")"; }

MMesh_P* AddTriangles(MScene* scene, const char* name, int faces, const char* surface) {
  MMesh_P* m = new MMesh_P(name);
  for (int i = 0; i < faces; ++i) m->Add_Tri(MVector3(i, 0, 0), MVector3(i + 1, 0, 0), MVector3(i, 1, 0), 0, -1.0);
  if (surface) m->surface_refs->Append(my_strdup(surface));
  scene->objects->Append(m);
  return m;
}

std::vector<std::string> MissingMaps(MScene* scene) {
  std::vector<std::string> out;
  const int n = scene->maps ? scene->maps->Get_Count_Maps() : 0;
  for (int i = 0; i < n; ++i) {
    MMap* m = scene->maps->GetMap(i);
    if (!m || m_find_file(m->name, scene->maps->search_path)) continue;
    std::string name = m->name;
    size_t slash = name.find_last_of("/\\");
    out.push_back(slash == std::string::npos ? name : name.substr(slash + 1));
  }
  return out;
}

std::vector<std::string> WithoutMentionOf(const std::vector<std::string>& lines,
                                          const std::vector<std::string>& files) {
  std::vector<std::string> out;
  for (const std::string& l : lines) {
    bool named = false;
    for (const std::string& f : files) named = named || (!f.empty() && l.find(f) != std::string::npos);
    if (!named) out.push_back(l);
  }
  return out;
}

ProgramRun RunProgram(const std::string& command) {
  ProgramRun r;
  std::string full = "( " + command + " ) 2>&1";
  FILE* p = popen(full.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

bool HaveProgram(const char* name) { return RunProgram(std::string("command -v ") + name + " >/dev/null").status == 0; }

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

namespace {

std::string Folder(const std::string& file) {
  std::string d = std::filesystem::path(file).parent_path().string();
  return d.empty() ? "." : d;
}

// A private home for programs that keep settings, caches and logs.
std::string PrivateHome(const std::string& work) {
  std::string home = work + "/home";
  std::filesystem::create_directories(home + "/.config");
  return "HOME=" + ShellQuote(home) + " XDG_CONFIG_HOME=" + ShellQuote(home + "/.config") +
         " XDG_DATA_HOME=" + ShellQuote(home + "/.local/share") + " XDG_CACHE_HOME=" + ShellQuote(home + "/.cache");
}

// Parallel tests each ask for a display of their own.
std::string Xvfb() {
  return "xvfb-run -a -n " + std::to_string(100 + getpid() % 800) + " -s '-screen 0 1280x1024x24' ";
}

}  // namespace

ProgramRun RunPovray(const std::string& pov_file, const std::string& png, int width, int height) {
  std::string home = Folder(png) + "/.povray-home";
  std::filesystem::create_directories(home);
  std::string cmd = "cd " + ShellQuote(Folder(pov_file)) + " && HOME=" + ShellQuote(home) + " povray +I" +
                    ShellQuote(std::filesystem::path(pov_file).filename().string()) + " +O" + ShellQuote(png) + " +W" +
                    std::to_string(width) + " +H" + std::to_string(height) + " -D +UA";
  return RunProgram(cmd);
}

std::vector<std::string> PovrayParseErrors(const std::string& output) {
  std::vector<std::string> out;
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line))
    if (line.find("Parse Error") != std::string::npos || line.find("Fatal error") != std::string::npos)
      out.push_back(line);
  return out;
}

ViewerRun RunView3dscene(const std::string& file, const std::string& png, int width, int height,
                         const std::string& work) {
  ViewerRun v;
  std::string log = work + "/home/.config/view3dscene/view3dscene.log";
  std::filesystem::remove(log);
  std::string cmd = "cd " + ShellQuote(Folder(file)) + " && " + PrivateHome(work) + " " + Xvfb() + "view3dscene " +
                    ShellQuote(file) + " --screenshot 0 " + ShellQuote(png) + " --screenshot-transparent --geometry " +
                    std::to_string(width) + "x" + std::to_string(height) + " --hide-menu -H --no-sound";
  v.run = RunProgram(cmd);
  v.log = read_file(log);
  // A warning runs on over the lines up to the next entry of the log.
  std::istringstream in(v.log);
  std::string line, current;
  auto flush = [&] {
    // The program's own start-up notice, there for every file.
    if (!current.empty() && current.find("ApplicationConfig") == std::string::npos) v.warnings.push_back(current);
    current.clear();
  };
  while (std::getline(in, line)) {
    const bool entry = line.rfind("Warning:", 0) == 0 || line.rfind("Error", 0) == 0;
    if (entry) {
      flush();
      current = line;
    } else if (!current.empty() && (line.rfind("-----", 0) == 0 || line.rfind("Loaded ", 0) == 0)) {
      flush();
    } else if (!current.empty()) {
      current += " | " + line;
    }
  }
  flush();
  return v;
}

ProgramRun RunF3d(const std::string& file, const std::string& png, int width, int height, const ViewCamera& cam,
                  const std::string& work) {
  auto vec = [](const MVector3& v) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.9g,%.9g,%.9g", v.x, v.y, v.z);
    return std::string(buf);
  };
  const double vfov =
      2.0 * std::atan(std::tan(cam.hfov_deg * M_PI / 360.0) * height / static_cast<double>(width)) * 180.0 / M_PI;
  char angle[64];
  std::snprintf(angle, sizeof angle, "%.9g", vfov);
  std::string cmd = "cd " + ShellQuote(Folder(file)) + " && " + PrivateHome(work) + " " + Xvfb() + "f3d " +
                    ShellQuote(file) + " --dry-run --output " + ShellQuote(png) + " --no-background --resolution " +
                    std::to_string(width) + "," + std::to_string(height) + " --camera-position " + vec(cam.position) +
                    " --camera-focal-point " + vec(cam.target) + " --camera-view-up " + vec(cam.up) +
                    " --camera-view-angle " + angle;
  return RunProgram(cmd);
}

std::string RenderScore::Text() const {
  char buf[160];
  std::snprintf(buf, sizeof buf,
                "silhouette IoU %.4f of %.1f%% of the picture, materials %.4f, worst material IoU %.4f", iou,
                covered * 100, materials, worst_material);
  return buf;
}

RenderScore ScoreRender(const std::string& png, MScene* scene, bool cull_back, const std::vector<MVector3>* palette) {
  RenderScore s;
  s.materials = s.worst_material = -1;
  Image img;
  if (!ReadImage(png, &img)) return s;
  LabelImage ref = MaterialImage(SceneTriangles(scene), ExportedView(scene), img.width, img.height, cull_back);
  Mask got = AlphaMask(img);
  Mask want = Coverage(ref);
  s.iou = IoU(got, want);
  s.covered = want.bits.empty() ? 0 : static_cast<double>(want.count()) / static_cast<double>(want.bits.size());
  if (palette) {
    std::vector<int> seen = ClassifyColours(img, got, *palette);
    s.materials = MaterialAgreement(ref, seen);
    s.worst_material = WorstMaterialIoU(ref, seen);
  }
  // KORVANE_KEEP_RENDERS=<folder> keeps every picture for a look.
  const char* keep = std::getenv("KORVANE_KEEP_RENDERS");
  std::string kept = keep && *keep ? std::string(keep) + "/" + std::to_string(getpid()) + "_" +
                                         std::filesystem::path(png).filename().string()
                                   : std::string();
  if (!kept.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(keep, ec);
    std::filesystem::copy_file(png, kept, std::filesystem::copy_options::overwrite_existing, ec);
  }
  if (s.iou < 0.99 || !kept.empty()) {
    const std::string at = kept.empty() ? png : kept;
    WriteImage(at + ".reference.png", MaskImage(want));
    WriteImage(at + ".silhouette.png", MaskImage(got));
  }
  return s;
}

}  // namespace kvtest
