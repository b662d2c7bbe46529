// Which way a format's coordinates point, and the change between two such
// conventions. Import classes state their format's convention, the scene
// carries it, and an export to a format of another convention turns the
// scene into that one for the run.
#pragma once
#include <cstdint>

#include "geometry.h"

class MScene;

struct MAxisConvention {
  char up = 0;  // 'Y' or 'Z'; 0: the format says nothing, coordinates are taken as stored
  bool left_handed = false;
  bool Known() const { return up == 'Y' || up == 'Z'; }
  bool operator==(const MAxisConvention& o) const { return up == o.up && left_handed == o.left_handed; }
};

constexpr MAxisConvention kAxesAsStored{};
constexpr MAxisConvention kAxesZUp{'Z', false};
constexpr MAxisConvention kAxesYUp{'Y', false};
constexpr MAxisConvention kAxesYUpLeftHanded{'Y', true};

// A change of axes: new coordinate i is sign[i] times old coordinate
// from[i]. Only permutations and sign changes, so applying one and then its
// inverse gives every number back exactly.
struct MAxisChange {
  int from[3] = {0, 1, 2};
  double sign[3] = {1, 1, 1};

  bool Identity() const;
  bool Mirrors() const;  // the hand changes: windings must turn
  MAxisChange Inverse() const;
  MVector3 Apply(const MVector3& v) const;
  // The matrix M (row vectors) of the change: v * M.
  MMatrix Matrix() const;
};

// The change from one convention into another; identity when either is
// unknown or they agree.
MAxisChange m_axis_change(const MAxisConvention& from, const MAxisConvention& to);

// Turns the whole scene: every object's local matrix (so references,
// solids and meshes alike), camera and light points and directions, the
// windings of meshes and of their cached triangulations when the change
// mirrors, and the bounds. The scene's convention is left to the caller.
void m_change_scene_axes(MScene* scene, const MAxisChange& change);
