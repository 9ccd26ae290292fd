// The frame loop's clock arithmetic, driven with given times. The running
// demo's catch-up after a real stall is ResilienceTest's.
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "app/FrameTiming.h"

namespace tandril::app {
namespace {

// The loop's side of the report: count the frame, then ask with its time.
struct ReportClock {
    double lastReportTime = 0.0;
    int frameCount = 0;

    std::optional<double> frameAt(double now) {
        ++frameCount;
        return frameReportDue(now, lastReportTime, frameCount);
    }
};

TEST(FrameReportTest, ReportsOnceAFullSecondHasPassed) {
    ReportClock clock{10.0, 0};
    // Eight frames an eighth of a second apart (exact in binary): the eighth,
    // at exactly one second, is the report frame and counts itself.
    for (int frame = 1; frame < 8; ++frame) {
        EXPECT_EQ(clock.frameAt(10.0 + frame * 0.125), std::nullopt) << frame;
    }
    EXPECT_EQ(clock.lastReportTime, 10.0);
    EXPECT_EQ(clock.frameCount, 7);
    EXPECT_EQ(clock.frameAt(11.0), std::optional<double>(125.0));
    EXPECT_EQ(clock.lastReportTime, 11.0);
    EXPECT_EQ(clock.frameCount, 0);
}

TEST(FrameReportTest, NextPeriodStartsOneSecondOnNotAtTheReportFrame) {
    ReportClock clock{0.0, 2};
    EXPECT_EQ(clock.frameAt(1.7), std::optional<double>(1000.0 / 3));
    EXPECT_EQ(clock.lastReportTime, 1.0);
    EXPECT_EQ(clock.frameCount, 0);
    // So the next period ends at 2.0, though only 0.3 s after this report.
    EXPECT_EQ(clock.frameAt(1.99), std::nullopt);
    EXPECT_EQ(clock.frameAt(2.0), std::optional<double>(500.0));
    EXPECT_EQ(clock.lastReportTime, 2.0);
}

TEST(FrameReportTest, AStallIsCaughtUpOneReportPerFrame) {
    ReportClock clock{0.0, 0};
    EXPECT_EQ(clock.frameAt(0.5), std::nullopt);
    // Nothing for several seconds, then frames every 50 ms.
    EXPECT_EQ(clock.frameAt(5.25), std::optional<double>(500.0));
    std::vector<double> reports;
    for (int frame = 1; frame <= 10; ++frame) {
        if (const auto report = clock.frameAt(5.25 + frame * 0.05)) {
            reports.push_back(*report);
        }
    }
    // Marks 1 to 4 are still more than a second behind, one frame each; from
    // the mark at 5.0 on the period runs normally again.
    EXPECT_EQ(reports, (std::vector<double>{1000.0, 1000.0, 1000.0, 1000.0}));
    EXPECT_EQ(clock.lastReportTime, 5.0);
    EXPECT_EQ(clock.frameCount, 6);
}

TEST(FramePacingTest, EarlyFrameSleepsTheWholeMillisecondsLeft) {
    double frameStart = 10.0;
    EXPECT_EQ(pacingSleepMilliseconds(10.0104, frameStart), 22);  // 22.6 left, not rounded up
    EXPECT_DOUBLE_EQ(frameStart, 10.033);
}

TEST(FramePacingTest, LateFrameSleepsNotAndRestartsTheBudgetAtNow) {
    for (const double now : {10.033, 10.05, 12.0}) {
        double frameStart = 10.0;
        EXPECT_EQ(pacingSleepMilliseconds(now, frameStart), 0) << now;
        EXPECT_EQ(frameStart, now);
    }
    // A second late frame does not try to make up for the first.
    double frameStart = 10.0;
    pacingSleepMilliseconds(10.5, frameStart);
    EXPECT_EQ(pacingSleepMilliseconds(10.5104, frameStart), 22);
}

// A loop whose work takes 7.5 ms a frame and whose sleeps last what was asked:
// the frames keep a 33 ms cadence, the whole-millisecond cut never adds up.
TEST(FramePacingTest, EarlyFramesKeepTheCadenceWithoutDrift) {
    double clock = 100.0;
    double frameStart = clock;
    for (int frame = 1; frame <= 300; ++frame) {
        clock += 0.0075;
        clock += pacingSleepMilliseconds(clock, frameStart) / 1000.0;
        EXPECT_NEAR(clock, 100.0 + frame * 0.033, 0.001) << frame;
        EXPECT_NEAR(frameStart, 100.0 + frame * 0.033, 1e-9) << frame;
    }
}

}  // namespace
}  // namespace tandril::app
