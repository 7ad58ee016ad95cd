#include "run/key_press.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "run/terminal.h"

void waitForKeyPress() {
    if (!isTerminal(stdout)) return;
    const int tty = open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) return;
    termios saved{};
    if (tcgetattr(tty, &saved) == 0) {
        termios raw = saved;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        if (tcsetattr(tty, TCSANOW, &raw) == 0) {
            char key = 0;
            [[maybe_unused]] const ssize_t got = read(tty, &key, 1);
            tcsetattr(tty, TCSANOW, &saved);
        }
    }
    close(tty);
}
