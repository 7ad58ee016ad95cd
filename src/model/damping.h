#pragma once

// The SRS damping as a ratio and as the amplification factor Q: each is
// 1 / (2 times the other).
inline double dampingRatioOfQ(double q) { return 1.0 / (2.0 * q); }
inline double qOfDampingRatio(double dampingRatio) { return 1.0 / (2.0 * dampingRatio); }
