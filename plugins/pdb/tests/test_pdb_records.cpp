// The column reading of the records, without the plug-in.
#include <gtest/gtest.h>

#include <cstring>

#include "pdb_import_parts.h"

namespace {

pdb::RecordLine Line(const char* s) { return pdb::RecordLine{s, std::strlen(s)}; }

int Hybrid(const char* s) {
  int v = -1;
  return pdb::DecodeHybrid36(s, static_cast<int>(std::strlen(s)), &v) ? v : -1;
}

}  // namespace

TEST(PdbRecords, Hybrid36) {
  EXPECT_EQ(Hybrid("A0000"), 100000);
  EXPECT_EQ(Hybrid("A0001"), 100001);
  EXPECT_EQ(Hybrid("ZZZZZ"), 43770015);
  EXPECT_EQ(Hybrid("a0000"), 43770016);
  EXPECT_EQ(Hybrid("zzzzz"), 87440031);
  EXPECT_EQ(Hybrid("A000"), 10000);  // four columns: residue numbers
  EXPECT_EQ(Hybrid("Aa000"), -1);    // cases mixed
  EXPECT_EQ(Hybrid("12345"), -1);    // decimal is not hybrid-36
  EXPECT_EQ(Hybrid("A0-00"), -1);
}

TEST(PdbRecords, FieldsByColumnsBlanksRemovedBadNumbersZero) {
  const auto r = Line("ATOM   1234  CA BSER A  42A     11.104  -6.500   0.250  0.50 12.00           C");
  char text[pdb::kMaxText + 1];
  r.Text(pdb::kAtomName, text);
  EXPECT_STREQ(text, "CA");
  EXPECT_EQ(r.Integer(pdb::kSerial), 1234);
  EXPECT_EQ(r.Integer(pdb::kResSeq), 42);
  EXPECT_DOUBLE_EQ(r.Real(pdb::kX), 11.104);
  EXPECT_DOUBLE_EQ(r.Real(pdb::kY), -6.5);
  r.Text(pdb::kElement, text);
  EXPECT_STREQ(text, "C");
  r.Text(pdb::kCharge, text);
  EXPECT_STREQ(text, "");  // past the end of the line

  const auto bad = Line("ATOM  *****  CA  SER A abcd     1e999   nan    1.2.3 ");
  EXPECT_EQ(bad.Integer(pdb::kSerial), 0);
  EXPECT_EQ(bad.Integer(pdb::kResSeq), 0);
  EXPECT_DOUBLE_EQ(bad.Real(pdb::kX), 0.0);
  EXPECT_DOUBLE_EQ(bad.Real(pdb::kY), 0.0);
  EXPECT_DOUBLE_EQ(bad.Real(pdb::kOccupancy), 0.0);
  EXPECT_EQ(Line("ATOM     -1").Integer(pdb::kSerial), -1);
  EXPECT_EQ(Line("ATOM  1 2 3").Integer(pdb::kSerial), 123);  // blanks removed
}

TEST(PdbRecords, ClassifyNeedsNoElementColumnsToStayInBounds) {
  EXPECT_EQ(pdb::ClassifyAtom("", ""), -1);
  EXPECT_EQ(pdb::ClassifyAtom("C", ""), pdb::kClassCount - 1);
  EXPECT_EQ(std::string(pdb::kClasses[pdb::ClassifyAtom(" N", "")].name), "N");
}
