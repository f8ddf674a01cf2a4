// Answers of the Extract and restart dialogs, read by the extraction and the
// install phase on the same thread.
#pragma once

extern int gCancelRequested;  // 1 once the user confirmed Cancel in the Extract dialog
extern int gRestartLater;     // restart dialog: 0 restart now, 1 restart later
