// The benchmark's figures: each phase's frames, their mean, median and 95th
// percentile, and the CPU time per frame; phases without frames left out.
#include "CaptureBench.h"

#include <gtest/gtest.h>

namespace
{

TEST(CaptureBench, FiguresAreTakenPerPhase)
{
    // Frame times 20, 19, ..., 1 ms in the rise, one 50-ms frame in the sweep.
    float sweep = 0.0f;
    while (ShapesApp::SelectCameraPhase(sweep) != ShapesApp::CameraPhase::Sweep)
        sweep += 1.0f;
    std::vector<CaptureApp::FrameCost> costs;
    for (int i = 20; i >= 1; --i)
        costs.push_back({0.5f, double(i), 2.0});
    costs.push_back({sweep + 0.5f, 50.0, 4.0});

    const std::vector<PhaseFigures> figures = FiguresByPhase(costs);
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[0].Frames, 20u);
    EXPECT_DOUBLE_EQ(figures[0].MeanMs, 10.5);
    EXPECT_DOUBLE_EQ(figures[0].MedianMs, 10.0); // the 10th of 20, not an average
    EXPECT_DOUBLE_EQ(figures[0].P95Ms, 19.0);    // the 19th of 20
    EXPECT_DOUBLE_EQ(figures[0].CpuMsPerFrame, 2.0);
    EXPECT_STRNE(figures[0].Phase, figures[1].Phase);
    EXPECT_EQ(figures[1].Frames, 1u);
    EXPECT_DOUBLE_EQ(figures[1].MedianMs, 50.0);
    EXPECT_DOUBLE_EQ(figures[1].P95Ms, 50.0);
    EXPECT_DOUBLE_EQ(figures[1].CpuMsPerFrame, 4.0);
}

} // namespace
