#pragma once

// The recurrence of vectors of grid points, shared by the filter sweeps.
// Every lane does exactly the operations of the sample-major loop, in order,
//   y = ((a1*y1 + a2*y2) + b0*x) + b1*xPrevious,
// and keeps its extremes with the scalar comparisons lane by lane, so no
// instruction's NaN or zero convention leaks in.

// V vectors of grid points swept together, their state held in registers.
template <typename Vec, int V>
struct LaneFilters {
    Vec a1[V], a2[V], b0[V], b1[V];
    Vec y1[V], y2[V], positive[V], negative[V];
};

// One step of vector v, given its input terms b0*x and b1*xPrevious.
template <typename Vec, int V>
[[gnu::always_inline]] inline void filterStep(LaneFilters<Vec, V>& f, int v, const Vec& inputTerm,
                                              const Vec& previousTerm) {
    const Vec y = ((f.a1[v] * f.y1[v] + f.a2[v] * f.y2[v]) + inputTerm) + previousTerm;
    f.positive[v] = y > f.positive[v] ? y : f.positive[v];
    f.negative[v] = y < f.negative[v] ? y : f.negative[v];
    f.y2[v] = f.y1[v];
    f.y1[v] = y;
}

// The zero run-on after the history: b0*0 is the same every step, and so is
// b1*0 after the first step, which still sees each lane's last sample.
template <typename Vec, int V>
[[gnu::always_inline]] inline void runOnZeroInput(LaneFilters<Vec, V>& f, const Vec (&lastInput)[V], int runOn) {
    const Vec zero = {};
    Vec inputTerm[V], previousTerm[V], zeroPreviousTerm[V];
    for (int v = 0; v < V; ++v) {
        inputTerm[v] = f.b0[v] * zero;
        previousTerm[v] = f.b1[v] * lastInput[v];
        zeroPreviousTerm[v] = f.b1[v] * zero;
    }
    for (int k = 0; k < runOn; ++k) {
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            filterStep(f, v, inputTerm[v], previousTerm[v]);
            previousTerm[v] = zeroPreviousTerm[v];
        }
    }
}
