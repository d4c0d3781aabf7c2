// The run's timing, which the main loop keeps and the capture and the tests
// read: the demo ends once a frame has been drawn at RunSeconds of running
// time, and draws a frame once more than FrameGateSeconds has gathered since
// the last one, FramesPerSecond times a second on a machine that keeps up.
#pragma once

constexpr float RunSeconds = 110.0f;
constexpr float FrameGateSeconds = 0.0166f;
constexpr int FramesPerSecond = 60;
// The camera's finest drift step: in its high pass it drifts at most once
// per pass of the main loop, once this much time has gathered.
constexpr float FinestDriftGateSeconds = 0.00066f;
