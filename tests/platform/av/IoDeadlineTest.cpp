// The deadline of libavformat's blocking work, on the test clock: it interrupts exactly when the
// armed milliseconds have passed, and arming again starts afresh.

#include "av/IoDeadline.h"

#include <gtest/gtest.h>

#include "clock/Clock.h"

namespace {

class IoDeadlineTest : public ::testing::Test {
 protected:
  void SetUp() override { sysclock::UseTestClock(1000); }
  void TearDown() override { sysclock::UseRealClock(); }

  static int Interrupts(av::IoDeadline& deadline) {
    const AVIOInterruptCB callback = deadline.Callback();
    return callback.callback(callback.opaque);
  }
};

struct DeadlineCase {
  const char* name;
  ULONGLONG budget;
  DWORD advance;
  bool interrupts;
};

class IoDeadlineCases : public IoDeadlineTest,
                        public ::testing::WithParamInterface<DeadlineCase> {};

TEST_P(IoDeadlineCases, InterruptsOnceTheBudgetHasPassed) {
  av::IoDeadline deadline;
  deadline.Arm(GetParam().budget);
  sysclock::Advance(GetParam().advance);
  EXPECT_EQ(Interrupts(deadline), GetParam().interrupts ? 1 : 0);
  EXPECT_EQ(deadline.Expired(), GetParam().interrupts);
}

INSTANTIATE_TEST_SUITE_P(Budgets, IoDeadlineCases,
                         ::testing::Values(DeadlineCase{"Untouched", 5000, 0, false},
                                           DeadlineCase{"JustBefore", 5000, 4999, false},
                                           DeadlineCase{"Reached", 5000, 5000, true},
                                           DeadlineCase{"Passed", 5000, 60000, true},
                                           DeadlineCase{"NoBudget", 0, 0, true}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(IoDeadlineTest, ArmingAgainStartsFromNow) {
  av::IoDeadline deadline;
  deadline.Arm(100);
  sysclock::Advance(150);
  ASSERT_TRUE(deadline.Expired());
  deadline.Arm(100);
  EXPECT_FALSE(deadline.Expired());
  EXPECT_EQ(Interrupts(deadline), 0);
}

}  // namespace
