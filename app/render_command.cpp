#include "render_command.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "plugin_host.h"

namespace kvcli {
namespace {

constexpr int kMaxRenderSide = 8192;

bool ParseSide(const std::string& s, int* out) {
  if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  const long v = std::strtol(s.c_str(), nullptr, 10);
  if (v < 1 || v > kMaxRenderSide) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

bool ParseRenderSize(const std::string& text, int* width, int* height, std::string* why) {
  const size_t sep = text.find_first_of(",x");
  int w = 0, h = 0;
  if (sep == std::string::npos || !ParseSide(text.substr(0, sep), &w) || !ParseSide(text.substr(sep + 1), &h)) {
    if (why) *why = "--size needs W,H (each 1 to " + std::to_string(kMaxRenderSide) + "), not '" + text + "'";
    return false;
  }
  *width = w;
  *height = h;
  return true;
}

bool ParseCameraMode(const std::string& text, kvrender::CameraMode* mode) {
  if (text == "first") *mode = kvrender::CameraMode::kFirst;
  else if (text == "fit") *mode = kvrender::CameraMode::kFit;
  else return false;
  return true;
}

bool ParseView(const std::string& text, kvrender::View* view) {
  if (text == "front") *view = kvrender::View::kFront;
  else if (text == "top") *view = kvrender::View::kTop;
  else if (text == "iso") *view = kvrender::View::kIso;
  else return false;
  return true;
}

bool GridModels(PluginRegistry& registry, const std::string& dir, std::vector<std::string>* models, std::string* why) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    if (why) *why = "'" + dir + "' is not a folder";
    return false;
  }
  fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
  if (ec) {
    if (why) *why = "cannot read folder '" + dir + "': " + ec.message();
    return false;
  }
  models->clear();
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const fs::path& p = it->path();
    const std::string name = p.filename().string();
    if (!name.empty() && name[0] == '.') {
      if (it->is_directory(ec)) it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file(ec)) continue;
    if (registry.FindImportClass(p.string().c_str()) < 0) continue;
    models->push_back(p.lexically_relative(dir).generic_string());
  }
  std::sort(models->begin(), models->end());
  return true;
}

}  // namespace kvcli
