#pragma once

// Waits for one key press on the controlling terminal itself (not standard
// input), without echo and without Enter. Returns at once where the process
// has no terminal.
void waitForKeyPress();
