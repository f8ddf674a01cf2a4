#include <windows.h>

#include <cstdlib>

#include "config/state.h"
#include "resources/resource_ids.h"
#include "text/resource_text.h"
#include "ui/dialogs.h"

bool ConfirmQuit(HWND owner) {
  char* text = FormatResourceMessage(IDS_QUIT_QUESTION, gWindowTitle != nullptr ? gWindowTitle : "");
  char* caption = LoadResourceText(IDS_CONFIRM);
  // A box that cannot be shown answers 0, which keeps the program running.
  int answer = MessageBoxA(owner, text != nullptr ? text : "", caption != nullptr ? caption : "",
                           MB_YESNO | MB_ICONQUESTION);
  std::free(text);
  std::free(caption);
  return answer == IDYES;
}
