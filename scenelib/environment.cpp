#include "environment.h"

void MSceneOptions::Print(FILE* fp, int, int) {
  if (!fp) return;
  std::fprintf(fp, "Scene Options:\n");
  std::fprintf(fp, "MasterScale : %.3lf\n", master_scale);
  std::fprintf(fp, "Gamma : %.3lf\n", gamma);
  std::fprintf(fp, "Active Camera : %d\n", active_camera);
  std::fprintf(fp, "Shadow:\n");
  std::fprintf(fp, "Type  : %d\n", shadow_type);
  std::fprintf(fp, "Bias : %.3lf\n", shadow_bias);
  std::fprintf(fp, "Filter : %.3lf\n", shadow_filter);
  std::fprintf(fp, "MapSize : %d\n", shadow_map_size);
  std::fprintf(fp, "RayBias : %.3lf\n", ray_bias);
  std::fprintf(fp, "Global Ambient:\n");
  std::fprintf(fp, "Color      : %s\n", ambient_color.Print());
  std::fprintf(fp, "Intensity  : %.3lf\n", ambient_intensity);
}

static const char* background_name(int t) {
  static const char* const names[] = {"BCKG_NO", "BCKG_SOLID", "BCKG_GRADIENT", "BCKG_TEXTURE"};
  return t >= 0 && t < 4 ? names[t] : "?";
}

void MBackGround::Print(FILE* fp, int a, int b) {
  if (!fp) return;
  std::fprintf(fp, "Scene Background:\n");
  std::fprintf(fp, "Type: %s\n", background_name(type));
  switch (type) {
    case BCKG_SOLID:
      std::fprintf(fp, "Solid Color: %s\n", solid_color.Print());
      break;
    case BCKG_GRADIENT:
      std::fprintf(fp, "Top Color   : [%.3lf] %s\n", top_pos, top_color.Print());
      std::fprintf(fp, "Mid Color   : [%.3lf] %s\n", mid_pos, mid_color.Print());
      std::fprintf(fp, "Bottom Color: [%.3lf] %s\n", bottom_pos, bottom_color.Print());
      break;
    case BCKG_TEXTURE:
      texture.Print(fp, a, b, 1);
      break;
    default:
      break;
  }
}

void MFog::Print(FILE* fp, int, int) {
  if (!fp) return;
  std::fprintf(fp, "Scene Fog:\n");
  std::fprintf(fp, "Enabled: %d\n", enabled);
  if (!enabled) return;
  std::fprintf(fp, "Color: %s\n", color.Print());
  std::fprintf(fp, "Fog BackGround: %d\n", fog_background);
  std::fprintf(fp, "Near Plane: %.3lf\n", near_plane);
  std::fprintf(fp, "Near Density: %.3lf\n", near_density);
  std::fprintf(fp, "Far Plane: %.3lf\n", far_plane);
  std::fprintf(fp, "Far Density: %.3lf\n", far_density);
}
