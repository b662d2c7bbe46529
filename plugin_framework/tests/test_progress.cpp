// The percentage rule and the three rows' display rules of the callbacks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin_framework.h"

namespace {

// Records what the rows were told to show.
class RecordingView : public kvpf::ProgressView {
 public:
  void SetText(int row, const char* text) override { texts[row - 1].push_back(text); }
  void SetPos(int row, int pos) override { pos_calls[row - 1].push_back(pos); }
  void SetPercent(int row, const char* text) override { percents[row - 1].push_back(text); }
  void Pump() override { ++pumps; }
  std::vector<std::string> texts[3];
  std::vector<int> pos_calls[3];
  std::vector<std::string> percents[3];
  int pumps = 0;
};

class ProgressRows : public ::testing::Test {
 protected:
  void SetUp() override {
    kvpf::ResetShown();
    kvpf::SetProgressView(&view);
  }
  void TearDown() override { kvpf::SetProgressView(nullptr); }
  RecordingView view;
};

}  // namespace

TEST(Percent, Rule) {
  EXPECT_EQ(kvpf::Percent(0, 1), 100);  // b == a + 1
  EXPECT_EQ(kvpf::Percent(9, 10), 100);
  EXPECT_EQ(kvpf::Percent(0, 0), 0);    // b < 2
  EXPECT_EQ(kvpf::Percent(5, 1), 0);
  EXPECT_EQ(kvpf::Percent(0, 10), 0);
  EXPECT_EQ(kvpf::Percent(1, 4), 33);   // truncated toward zero
  EXPECT_EQ(kvpf::Percent(2, 4), 66);
  EXPECT_EQ(kvpf::Percent(50, 101), 50);
  // Out of range calls neither crash nor overflow.
  EXPECT_EQ(kvpf::Percent(-1, 3), -50);
  EXPECT_GT(kvpf::Percent(2000000000L, 3), 0);
  EXPECT_LT(kvpf::Percent(-2000000000L, 3), 0);
}

TEST_F(ProgressRows, LoopShowsZeroFirstAndHundredLast) {
  for (long i = 0; i < 7; ++i) kvpf::Progress1(i, 7);
  ASSERT_FALSE(view.pos_calls[0].empty());
  EXPECT_EQ(view.pos_calls[0].front(), 0);
  EXPECT_EQ(view.pos_calls[0].back(), 100);
  EXPECT_EQ(view.percents[0].back(), "100%");
}

TEST_F(ProgressRows, SingleItemShowsHundredNoItemsShowZero) {
  kvpf::Progress1(0, 1);
  EXPECT_EQ(view.pos_calls[0], std::vector<int>{100});
  kvpf::Progress2(0, 0);
  EXPECT_EQ(view.pos_calls[1], std::vector<int>{0});
  EXPECT_EQ(view.percents[1], std::vector<std::string>{"0%"});
}

TEST_F(ProgressRows, RowThresholds) {
  // Feeding the percentages 0 .. 12 (a = p, b = 101 gives p exactly).
  for (long p = 0; p <= 12; ++p) {
    kvpf::Progress1(p, 101);
    kvpf::Progress2(p, 101);
    kvpf::Progress3(p, 101);
  }
  std::vector<int> all;
  for (int p = 0; p <= 12; ++p) all.push_back(p);
  EXPECT_EQ(view.pos_calls[0], all);
  EXPECT_EQ(view.pos_calls[1], (std::vector<int>{0, 5, 10}));
  EXPECT_EQ(view.pos_calls[2], (std::vector<int>{0, 10}));
  EXPECT_EQ(kvpf::LastShown(2), 10);
  EXPECT_EQ(kvpf::LastShown(3), 10);
  // Every shown value pumps the messages first.
  EXPECT_EQ(view.pumps, 13 + 3 + 2);
}

TEST_F(ProgressRows, ZeroIsAlwaysShownButTextOnlyWhenChanged) {
  kvpf::Progress3(0, 1000);
  kvpf::Progress3(1, 1000);  // still 0%
  kvpf::Progress3(2, 1000);
  EXPECT_EQ(view.pos_calls[2], (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(view.percents[2], std::vector<std::string>{"0%"});
}

TEST_F(ProgressRows, RowOneDoesNotResetOthersAndValuesCarryOver) {
  kvpf::Progress2(50, 101);
  kvpf::Progress1(10, 101);
  EXPECT_EQ(kvpf::LastShown(2), 50);
  // A later run starts from the last shown value: 52 is not more than 4 above.
  kvpf::Progress2(52, 101);
  EXPECT_EQ(view.pos_calls[1], std::vector<int>{50});
  kvpf::Progress2(55, 101);
  EXPECT_EQ(view.pos_calls[1], (std::vector<int>{50, 55}));
}

TEST_F(ProgressRows, MessagesFormatIntoTheirRow) {
  kvpf::Msg1("Working on: %s", "box");
  kvpf::Msg2("%d of %d", 3, 4);
  kvpf::Msg3("100%% done");
  EXPECT_EQ(view.texts[0], std::vector<std::string>{"Working on: box"});
  EXPECT_EQ(view.texts[1], std::vector<std::string>{"3 of 4"});
  EXPECT_EQ(view.texts[2], std::vector<std::string>{"100% done"});
  // Long texts are cut at the 1024-byte buffer.
  std::string long_text(5000, 'x');
  kvpf::Msg1("%s", long_text.c_str());
  EXPECT_EQ(view.texts[0].back().size(), 1023u);
}

TEST(Callbacks, RecordHoldsTheSixFunctionsInOrder) {
  MessageCallBack1* cb = kvpf::NewCallbacks();
  ASSERT_NE(cb, nullptr);
  EXPECT_EQ(cb->msg1, &kvpf::Msg1);
  EXPECT_EQ(cb->progress1, &kvpf::Progress1);
  EXPECT_EQ(cb->msg2, &kvpf::Msg2);
  EXPECT_EQ(cb->progress2, &kvpf::Progress2);
  EXPECT_EQ(cb->msg3, &kvpf::Msg3);
  EXPECT_EQ(cb->progress3, &kvpf::Progress3);
  MessageCallBack1 copy;
  copy = *cb;
  EXPECT_EQ(copy.progress3, cb->progress3);
  delete cb;
}

TEST(Callbacks, HeadlessRunShowsNothingAndKeepsRules) {
  kvpf::ResetShown();
  kvpf::OpenProgress("RAW Import x.raw");  // not a terminal under the test runner
  kvpf::Progress2(30, 101);
  kvpf::Msg1("nothing to show %d", 1);
  kvpf::CloseProgress();
  EXPECT_EQ(kvpf::LastShown(2), 30);
}

TEST(Callbacks, EveryRunStartsFromZero) {
  kvpf::ResetShown();
  kvpf::OpenProgress("RAW Import a.raw");
  kvpf::Progress2(80, 101);
  kvpf::Progress3(90, 101);
  kvpf::CloseProgress();
  ASSERT_EQ(kvpf::LastShown(2), 80);
  // The next run's early steps are shown, not swallowed by the last run's 80.
  kvpf::OpenProgress("RAW Import b.raw");
  EXPECT_EQ(kvpf::LastShown(2), 0);
  EXPECT_EQ(kvpf::LastShown(3), 0);
  kvpf::Progress2(10, 101);
  EXPECT_EQ(kvpf::LastShown(2), 10);
  kvpf::CloseProgress();
}
