#pragma once

// kolvane_zpa's help: what it asks, what it writes, how to run it from an
// answers file, and the commands beside it.
extern const char* const programUsage;
