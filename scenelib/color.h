// MColor: RGBA with an HSL triple kept in step (hexcone model, all in 0..1).
#pragma once

class MColor {
 public:
  double r = 0, g = 0, b = 0, a = 0;
  double h = 0, s = 0, l = 0;

  MColor() = default;
  MColor(double r_, double g_, double b_, double a_ = 1.0) { Init_RGB(r_, g_, b_, a_); }
  MColor(const MColor&) = default;
  MColor& operator=(const MColor&) = default;

  void Init_RGB(double r_, double g_, double b_, double a_ = 1.0);
  void Init_HSL(double h_, double s_, double l_, double a_ = 1.0);
  void RGB_to_HSL();
  void HSL_to_RGB();

  // "<%.3lf %.3lf %.3lf>" in a process-wide buffer, overwritten by the next call.
  char* Print() const;
};
