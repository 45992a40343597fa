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

static DisplayState D;

void DisplayReset(int draws, int colour) {
    memset(&D, 0, sizeof D);
    D.draws = draws;
    D.colour = colour;
}

static const char *ItemText(ModelWindow *dialog, int id) {
    ModelWindow *item = ModelItem(dialog, id);
    return item != nullptr ? item->text : "";
}

static int ItemEnabled(ModelWindow *dialog, int id) {
    ModelWindow *item = ModelItem(dialog, id);
    return item != nullptr && item->enabled;
}

int Redraw(ModelWindow *window, int all) {
    if (!D.draws || window == nullptr)
        return 0;
    unsigned count = ModelChangeCount();
    if (D.linesDrawn > 0 && count == D.drawnCount && !all)
        return 0;
    ScreenState state;
    state.title = window->text;
    state.destination = ItemText(window, IDC_DESTINATION_TEXT);
    state.status = ItemText(window, IDC_STATUS_TEXT);
    state.resourcesEnabled = ItemEnabled(window, IDC_RESOURCES_LABEL);
    ModelWindow *bar = ModelItem(window, IDC_PROGRESS_BAR);
    state.bar = bar != nullptr ? bar->bar : ProgressState{0, 100, 0, 1};
    state.cancelEnabled = ItemEnabled(window, IDC_CANCEL_BUTTON);
    state.finishEnabled = ItemEnabled(window, IDC_FINISH_BUTTON);
    static ScreenLines lines;
    ComposeProgressScreen(&state, UsableWidth(STDOUT_FILENO), D.colour, &lines);
    if (all && D.linesDrawn > 0)
        fputs("\x1b[H\x1b[2J", stdout);
    else if (D.linesDrawn > 0)
        printf("\r\x1b[%dA", D.linesDrawn);
    for (int i = 0; i < lines.count; i++)
        printf("%s\x1b[K\n", lines.line[i]);
    fputs("\x1b[J", stdout);
    fflush(stdout);
    D.linesDrawn = lines.count;
    D.drawnCount = count;
    return 1;
}

void DisplayWindow(ModelWindow *window) {
    if (D.draws) {
        printf("\n");
        Redraw(window, 0);
        return;
    }
    char clean[MODEL_TEXT_SIZE];
    printf("%s\n", SanitizeText(window->text, clean, sizeof clean));
    printf("Destination Directory: %s\n",
           SanitizeText(ItemText(window, IDC_DESTINATION_TEXT), clean, sizeof clean));
    fflush(stdout);
}

void DisplayAfterBox(int question) {
    if (question)
        D.lastLine[0] = '\0';
    if (D.draws && D.linesDrawn > 0) {
        D.linesDrawn = 0;
        printf("\n");
    }
}

void DisplayStatusLine(const char *text) {
    char clean[MODEL_TEXT_SIZE];
    SanitizeText(text, clean, sizeof clean);
    if (D.draws || strcmp(clean, D.lastLine) == 0)
        return;
    printf("%s\n", clean);
    fflush(stdout);
    snprintf(D.lastLine, sizeof D.lastLine, "%s", clean);
}

void DisplayFinishHint() {
    if (D.draws)
        return;
    printf("Press Enter to finish.\n");
    D.lastLine[0] = '\0';
}
