#include "ui/flags.h"

int gCancelRequested = 0;
int gRestartLater = 0;
