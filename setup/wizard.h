// The wizard driver: a list of page codes and an index into it. The setup-type,
// component and program-folder pages rewrite the rest of the list from the user's
// choice; the last code of every list is the installation.
#pragma once

#include <cstdint>

#include "ui/page_result.h"

enum PageCode {
  codeWelcome = 1,
  codeAgreement = 2,
  codeInformation = 3,
  codeSetupType = 6,
  codeComponents = 7,
  codeFirstPathPage = 100,  // path page k has code 100 + k
  codeLastPathPage = 110,
  codeProgramFolder = 202,
  codeAssociate = 204,
  codeInstall = 205,
};

// Three text pages, 6, 7, eleven path pages, 202, 204, 205.
constexpr int kMaxPageCodes = 19;

extern int32_t gPageList[kMaxPageCodes];
extern int gPageIndex;
extern int gPageCount;

// What each page code runs. The program binds these to its dialogs and the
// installation; tests bind them to scripts.
struct WizardSteps {
  PageResult (*runTextPage)(const char* text);
  PageResult (*runAgreementPage)(const char* text);
  PageResult (*runSetupTypePage)(int* type);
  PageResult (*runComponentPage)();
  PageResult (*runPathPage)(const char* prompt, const char* variable);
  PageResult (*runProgramFolderPage)(char** name);  // replaces *name with a new heap string
  PageResult (*runAssociatePage)(int* associate);
  int (*runInstallPhase)(const char* programFolder, int associate);  // how it ended
  void (*enableBack)(bool enable);
  void (*setNextText)(const char* text);
  void (*showFrame)();
};

// Answers the pages start from instead of their defaults (the command line's).
struct WizardPresets {
  int type;                   // setup type index; -1 for the first
  const char* programFolder;  // none for the configured default
  int associate;              // 1 yes, 0 no
};

// Runs the wizard from its first page to the installation or a cancel, and returns
// the last result: pageCancel, or pageNext after the installation, whose outcome
// goes to *installOutcome.
PageResult RunWizardSteps(const WizardSteps& steps, const WizardPresets* presets = nullptr,
                          int* installOutcome = nullptr);

// The wizard of the program, on its dialogs, or with silent the same road with every
// page answered from the presets and none shown. Returns the run's outcome: the
// installation's, or 1 when the user cancelled.
int RunWizard(const WizardPresets& presets, bool silent);
