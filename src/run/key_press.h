#pragma once

// Waits for one key press on the controlling terminal itself (not standard
// input), without echo and without Enter. Returns at once where the process
// has no terminal, and where standard output is not one: nobody sees the exit
// prompt then (`kolvane_zpa < answers > log` typed at a terminal), and waiting
// would look like a hang.
void waitForKeyPress();
