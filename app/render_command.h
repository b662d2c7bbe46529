// What korvane-cli render needs besides the renderer: its option values and
// the models of a folder for a contact sheet.
#pragma once
#include <string>
#include <vector>

#include "render.h"

class PluginRegistry;

namespace kvcli {

// "W,H" (or "WxH"), each 1 .. 8192; false with why otherwise.
bool ParseRenderSize(const std::string& text, int* width, int* height, std::string* why);
// "first" | "fit"; "front" | "top" | "iso". False for anything else.
bool ParseCameraMode(const std::string& text, kvrender::CameraMode* mode);
bool ParseView(const std::string& text, kvrender::View* view);

// The files under dir (its sub-folders too, hidden ones left out) that an
// import class takes by their extension, as paths relative to dir, sorted.
// False with why when dir is no readable folder.
bool GridModels(PluginRegistry& registry, const std::string& dir, std::vector<std::string>* models, std::string* why);

}  // namespace kvcli
