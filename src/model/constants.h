#pragma once

#include <cstdint>

// Fixed capacities of the run state.
constexpr int maxTrials = 8000;
constexpr int maxGridPoints = 200;
constexpr int maxSpecPoints = 200;
// The run's own sample count must stay below this; the trial run refuses more.
constexpr int maxRunSamples = 150000;
// A results step may raise the sample rate almost five-fold (1000.01 -> 5000 per
// second), so the sample stores hold five times the run's limit plus the
// integration's trailing point.
constexpr int sampleCapacity = 750001;

// atan2(0, -1) and twice it; the literal is that double exactly.
constexpr double pi = 3.141592653589793;
constexpr double twoPi = 2.0 * pi;

// The version the banner names, recorded in run.out too.
constexpr const char* programVersion = "1.0";
