#include "results/file_layout.h"

int historyTimeDecimals(double timeStep) { return 1.0 / timeStep > 10000.0 ? 8 : 5; }
