// The wizard on the program's dialogs.
#include <windows.h>

#include "config/state_win.h"
#include "setup/install_phase.h"
#include "setup/wizard.h"
#include "ui/frame.h"
#include "ui/pages.h"

namespace {

// A page answered as it stands, without being shown.
PageResult TakeText(const char*) { return pageNext; }
PageResult TakeType(int*) { return pageNext; }
PageResult TakeComponents() { return pageNext; }
PageResult TakePath(const char*, const char*) { return pageNext; }
PageResult TakeFolderName(char**) { return pageNext; }

}  // namespace

int RunWizard(const WizardPresets& presets, bool silent) {
  static const WizardSteps kSilent = {
      TakeText, TakeText, TakeType, TakeComponents, TakePath, TakeFolderName, TakeType,
      RunInstallPhase, [](bool) {}, [](const char*) {}, [] {},
  };
  static const WizardSteps kDialogs = {
      RunTextPage,
      RunAgreementPage,
      RunSetupTypePage,
      RunComponentPage,
      RunPathPage,
      RunProgramFolderPage,
      RunAssociatePage,
      RunInstallPhase,
      [](bool enable) { EnableWindow(gBackButton, enable ? TRUE : FALSE); },
      [](const char* text) { SetWindowTextA(gNextButton, text); },
      [] { ShowWindow(gMainDialog, SW_SHOW); },
  };
  int outcome = outcomeCancelled;
  PageResult last = RunWizardSteps(silent ? kSilent : kDialogs, &presets, &outcome);
  return last == pageNext ? outcome : outcomeCancelled;
}
