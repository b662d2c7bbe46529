// The Protein Data Bank records this importer reads, by their fixed column
// ranges (1-based, inclusive), and the atom classes that give every atom
// its radius and colour.
#pragma once
#include <cstddef>

namespace pdb {

struct Columns {
  int first, last;
  int width() const { return last - first + 1; }
};

// ATOM and HETATM.
constexpr Columns kRecordName{1, 6};
constexpr Columns kSerial{7, 11};
constexpr Columns kAtomName{13, 16};
constexpr Columns kAltLoc{17, 17};
constexpr Columns kResName{18, 20};
constexpr Columns kChainId{22, 22};
constexpr Columns kResSeq{23, 26};
constexpr Columns kICode{27, 27};
constexpr Columns kX{31, 38};
constexpr Columns kY{39, 46};
constexpr Columns kZ{47, 54};
constexpr Columns kOccupancy{55, 60};
constexpr Columns kTempFactor{61, 66};
constexpr Columns kSegId{73, 76};
constexpr Columns kElement{77, 78};
constexpr Columns kCharge{79, 80};

// CONECT: the atom, four bonded partners, then hydrogen bonds and salt
// bridges (read, not drawn).
constexpr int kPartners = 10;
constexpr int kBondPartners = 4;
constexpr Columns kPartnerColumns[kPartners] = {{12, 16}, {17, 21}, {22, 26}, {27, 31}, {32, 36},
                                                 {37, 41}, {42, 46}, {47, 51}, {52, 56}, {57, 61}};

// Text fields keep at most this many characters.
constexpr size_t kMaxText = 19;

// A record is at most this long; the rest of a longer line is not read.
constexpr size_t kMaxLine = 4096;

struct AtomClass {
  const char* name;
  double r, g, b;
  double radius;
};

// Searched in this order: longer names before the names they hold.
constexpr int kClassCount = 40;
extern const AtomClass kClasses[kClassCount];

// Atoms of no class: their own neutral surface, radius 1.0.
constexpr const char* kOtherClassName = "other";
constexpr AtomClass kOtherClass{kOtherClassName, 0.5, 0.5, 0.5, 1.0};

// The index in kClasses of the atom's class, or -1 for none. name is the
// atom name as it stands in columns 13-16 (blanks kept), element columns
// 77-78 (empty when the line is shorter).
int ClassifyAtom(const char* name_columns, const char* element_columns);

// Surface names: "mat_" and the class name.
constexpr const char* kSurfacePrefix = "mat_";
constexpr const char* kBondSurface = "DEFAULT";

}  // namespace pdb
