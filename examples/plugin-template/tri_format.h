// The triangle list format (*.tri): plain text, one record per line.
//
//   # any comment
//   p X Y Z     a point; points are numbered from 1 in file order
//   t A B C     a triangle of three point numbers
//
// Blank lines are ignored. All triangles form one object named after the
// file.
#pragma once

namespace tri {

constexpr char kCommentMark = '#';
constexpr char kPointTag = 'p';
constexpr char kTriangleTag = 't';
// Line buffer; a line that fills it is reported and skipped.
constexpr int kMaxLine = 1024;

}  // namespace tri
