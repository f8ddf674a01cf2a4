// The wizard on the program's dialogs.
#include <windows.h>

#include "config/state_win.h"
#include "setup/install_phase.h"
#include "setup/wizard.h"
#include "ui/frame.h"
#include "ui/pages.h"

PageResult RunWizard() {
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
  return RunWizardSteps(kDialogs);
}
