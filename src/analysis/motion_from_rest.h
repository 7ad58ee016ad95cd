#pragma once

#include <vector>

// Velocity and displacement from rest by the trapezoidal rule, in the units
// of `acceleration` times seconds (and seconds squared):
//   v[0] = d[0] = 0,  v[i] = v[i-1] + dt/2 (a[i-1] + a[i]),
//                     d[i] = d[i-1] + dt/2 (v[i-1] + v[i]).
// An independent integration of a history, not the program's own weights.
void integrateFromRest(const std::vector<double>& acceleration, double timeStep, std::vector<double>& velocity,
                       std::vector<double>& displacement);
