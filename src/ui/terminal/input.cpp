#include "ui/terminal/input.h"

#include "ui/terminal/screen.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

enum { ECHO_SIZE = 512 }; // an answer as echoed; longer ones are cut

KeyboardInput Input;

static int SignalPipe[2] = {-1, -1};
static struct termios SavedModes;
static int ModesSaved;
static int RestoreRegistered;

// The handler may interrupt anything, so it only tells the pipe; the number is
// read back on the next poll, on the one thread that owns every window.
static void OnSignal(int number) {
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(number);
    ssize_t written = write(SignalPipe[1], &byte, 1);
    (void)written;
    errno = saved;
}

static void InstallSignals() {
    if (SignalPipe[0] >= 0)
        return;
    if (pipe(SignalPipe) != 0) {
        SignalPipe[0] = SignalPipe[1] = -1;
        return;
    }
    // Child programs must not inherit the pipe; a full pipe must never block the handler.
    for (int fd : SignalPipe) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls keep a child's wait or a file copy from failing half-way.
    action.sa_flags = SA_RESTART;
    static const int Handled[] = {SIGINT, SIGHUP, SIGTERM, SIGWINCH, SIGCONT};
    for (int number : Handled)
        sigaction(number, &action, nullptr);
    // A closed log pipe must not kill the wizard in the middle of an update.
    signal(SIGPIPE, SIG_IGN);
}

static void TakeSignals() {
    if (SignalPipe[0] < 0)
        return;
    unsigned char numbers[64];
    ssize_t got;
    while ((got = read(SignalPipe[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < got; i++) {
            switch (numbers[i]) {
            case SIGINT:
                Input.interrupts++;
                break;
            case SIGHUP:
            case SIGTERM:
                Input.hangup = 1;
                break;
            case SIGCONT:
                // The shell may have changed the terminal's modes while we were stopped.
                if (Input.keyboardTaken)
                    TakeKeyboard();
                Input.redrawAll = 1;
                break;
            default:
                Input.redrawAll = 1;
                break;
            }
        }
    }
}

// The modes of single keys without echo, from the modes found at the start;
// with keepInterrupt Ctrl-C still raises SIGINT.
static struct termios KeyModes(const struct termios *from, int keepInterrupt) {
    struct termios modes = *from;
    modes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    if (!keepInterrupt)
        modes.c_cc[VINTR] = _POSIX_VDISABLE;
    return modes;
}

void RestoreKeyboard() {
    if (ModesSaved && Input.keyboardTaken)
        tcsetattr(STDIN_FILENO, TCSANOW, &SavedModes);
    Input.keyboardTaken = 0;
}

void TakeKeyboard() {
    if (!Input.isTerminal)
        return;
    if (!ModesSaved) {
        if (tcgetattr(STDIN_FILENO, &SavedModes) != 0)
            return;
        ModesSaved = 1;
    }
    if (!RestoreRegistered) {
        atexit(RestoreKeyboard);
        RestoreRegistered = 1;
    }
    struct termios modes = KeyModes(&SavedModes, 0);
    tcsetattr(STDIN_FILENO, TCSANOW, &modes);
    Input.keyboardTaken = 1;
}

void InputReset() {
    RestoreKeyboard();
    ModesSaved = 0;
    memset(&Input, 0, sizeof Input);
    Input.isTerminal = isatty(STDIN_FILENO);
    InstallSignals();
    TakeSignals();
    Input.interrupts = 0;
    Input.hangup = 0;
    Input.redrawAll = 0;
}

static void ReadInput() {
    ssize_t got = read(STDIN_FILENO, Input.buffer + Input.used, sizeof Input.buffer - Input.used);
    if (got > 0)
        Input.used += static_cast<size_t>(got);
    else if (got == 0 || (errno != EINTR && errno != EAGAIN))
        Input.ended = 1;
}

void FillInput(int timeout, int wantInput) {
    struct pollfd fds[2];
    nfds_t count = 0;
    int signalAt = -1, inputAt = -1;
    if (SignalPipe[0] >= 0) {
        fds[count] = pollfd{SignalPipe[0], POLLIN, 0};
        signalAt = static_cast<int>(count++);
    }
    if (wantInput && !Input.ended && Input.used < sizeof Input.buffer) {
        fds[count] = pollfd{STDIN_FILENO, POLLIN, 0};
        inputAt = static_cast<int>(count++);
    }
    if (count == 0 || poll(fds, count, timeout) <= 0)
        return;
    if (signalAt >= 0 && fds[signalAt].revents != 0)
        TakeSignals();
    if (inputAt >= 0 && fds[inputAt].revents != 0)
        ReadInput();
}

int TakeInputLine(char *line, size_t size) {
    const char *newline = static_cast<const char *>(memchr(Input.buffer, '\n', Input.used));
    size_t length, taken;
    if (newline != nullptr) {
        length = static_cast<size_t>(newline - Input.buffer);
        taken = length + 1;
    } else if (Input.used == sizeof Input.buffer || (Input.ended && Input.used > 0)) {
        length = taken = Input.used;
    } else {
        return 0;
    }
    size_t kept = length < size - 1 ? length : size - 1;
    memcpy(line, Input.buffer, kept);
    line[kept] = '\0';
    memmove(Input.buffer, Input.buffer + taken, Input.used - taken);
    Input.used -= taken;
    return 1;
}

ReadResult ReadAnswer(char *line, size_t size, FILE *echo) {
    int window = Input.keyboardTaken;
    RestoreKeyboard();
    fflush(stdout);
    fflush(stderr);
    ReadResult result;
    for (;;) {
        if (Input.interrupts > 0) {
            Input.interrupts = 0;
            result = READ_INTERRUPT;
            break;
        }
        if (TakeInputLine(line, size)) {
            result = READ_LINE;
            break;
        }
        if (Input.hangup || Input.ended) {
            result = READ_END;
            break;
        }
        FillInput(-1, 1);
    }
    if (window)
        TakeKeyboard();
    if (result == READ_LINE && !Input.isTerminal) {
        char clean[ECHO_SIZE];
        fprintf(echo, "%s\n", SanitizeText(line, clean, sizeof clean));
    } else if (result != READ_LINE) {
        line[0] = '\0';
        fprintf(echo, "\n");
    }
    fflush(echo);
    return result;
}

int ReadKey() {
    struct termios saved;
    if (tcgetattr(STDIN_FILENO, &saved) != 0)
        return 0;
    struct termios modes = KeyModes(&saved, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &modes);
    int key = 0;
    while (Input.interrupts == 0 && !Input.hangup) {
        if (Input.used > 0) {
            key = static_cast<unsigned char>(Input.buffer[0]);
            memmove(Input.buffer, Input.buffer + 1, --Input.used);
            break;
        }
        if (Input.ended)
            break;
        FillInput(-1, 1);
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    Input.interrupts = 0;
    return key == '\x04' ? 0 : key;
}
