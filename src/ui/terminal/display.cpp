#include "ui/terminal/display.h"

#include "ui/resource.h"
#include "ui/terminal/pager.h"
#include "ui/terminal/screen.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

struct DisplayState {
    int draws;
    int colour;
    unsigned drawnCount;            // the model's change count when last drawn
    int linesDrawn;                 // of the last drawing; 0 before the first
    char lastLine[MODEL_TEXT_SIZE]; // the status text just written as a line
};

static DisplayState Drawing;

void DisplayReset(int draws, int colour) {
    memset(&Drawing, 0, sizeof Drawing);
    Drawing.draws = draws;
    Drawing.colour = colour;
}

int Redraw(ModelWindow *window, int all) {
    if (!Drawing.draws || window == nullptr)
        return 0;
    unsigned count = ModelChangeCount();
    if (Drawing.linesDrawn > 0 && count == Drawing.drawnCount && !all)
        return 0;
    ScreenState state;
    state.title = window->text;
    state.destination = ModelItemText(window, IDC_DESTINATION_TEXT);
    state.status = ModelItemText(window, IDC_STATUS_TEXT);
    state.resourcesEnabled = ModelItemEnabled(window, IDC_RESOURCES_LABEL);
    ModelWindow *bar = ModelItem(window, IDC_PROGRESS_BAR);
    state.bar = bar != nullptr ? bar->bar : ProgressState{0, 100, 0, 1};
    state.cancelEnabled = ModelItemEnabled(window, IDC_CANCEL_BUTTON);
    state.finishEnabled = ModelItemEnabled(window, IDC_FINISH_BUTTON);
    static ScreenLines lines;
    ComposeProgressScreen(&state, UsableWidth(STDOUT_FILENO), Drawing.colour, &lines);
    if (all && Drawing.linesDrawn > 0)
        fputs("\x1b[H\x1b[2J", stdout);
    else if (Drawing.linesDrawn > 0)
        printf("\r\x1b[%dA", Drawing.linesDrawn);
    for (int i = 0; i < lines.count; i++)
        printf("%s\x1b[K\n", lines.line[i]);
    fputs("\x1b[J", stdout);
    fflush(stdout);
    Drawing.linesDrawn = lines.count;
    Drawing.drawnCount = count;
    return 1;
}

void DisplayWindow(ModelWindow *window) {
    if (Drawing.draws) {
        printf("\n");
        Redraw(window, 0);
        return;
    }
    char clean[MODEL_TEXT_SIZE];
    printf("%s\n", SanitizeText(window->text, clean, sizeof clean));
    printf("Destination Directory: %s\n",
           SanitizeText(ModelItemText(window, IDC_DESTINATION_TEXT), clean, sizeof clean));
    fflush(stdout);
}

void DisplayAfterBox(int question) {
    if (question)
        Drawing.lastLine[0] = '\0';
    if (Drawing.draws && Drawing.linesDrawn > 0) {
        Drawing.linesDrawn = 0;
        printf("\n");
    }
}

void DisplayStatusLine(const char *text) {
    char clean[MODEL_TEXT_SIZE];
    SanitizeText(text, clean, sizeof clean);
    if (Drawing.draws || strcmp(clean, Drawing.lastLine) == 0)
        return;
    printf("%s\n", clean);
    fflush(stdout);
    snprintf(Drawing.lastLine, sizeof Drawing.lastLine, "%s", clean);
}

void DisplayFinishHint() {
    if (Drawing.draws)
        return;
    printf("Press Enter to finish.\n");
    Drawing.lastLine[0] = '\0';
}
