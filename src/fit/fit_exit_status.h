#pragma once

// kolvane_fit's exit statuses.
constexpr int fitPassed = 0;
constexpr int fitUnusableInput = 1;
constexpr int fitNoPass = 2;
