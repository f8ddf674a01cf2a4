#include "setup/wizard.h"

#include <cstdlib>

#include "config/config.h"
#include "config/state.h"
#include "text/strings.h"

int32_t gPageList[kMaxPageCodes];
int gPageIndex = 0;
int gPageCount = 0;

namespace {

void Append(int32_t code) {
  if (gPageCount < kMaxPageCodes) gPageList[gPageCount++] = code;
}

// Everything after the current page goes.
void CutAfterCurrent() { gPageCount = gPageIndex + 1; }

// The path pages the active selection asks for, then the program folder.
void RebuildTail() {
  CutAfterCurrent();
  for (uint32_t k = 0; k < ConfigWord(wordPathPageCount); ++k) {
    const uint8_t* page = ConfigRecord(wordPathPageTable, kPathPageRecordSize, k);
    if (SelectionIntersects(RecordField(page, pathBitmap), gActiveSelection)) {
      Append(codeFirstPathPage + int32_t(k));
    }
  }
  Append(codeProgramFolder);
}

void BuildFirstList() {
  gPageIndex = 0;
  gPageCount = 0;
  if (*ConfigString(ConfigWord(wordWelcomeText)) != '\0') Append(codeWelcome);
  if (*ConfigString(ConfigWord(wordAgreementText)) != '\0') Append(codeAgreement);
  if (*ConfigString(ConfigWord(wordInfoText)) != '\0') Append(codeInformation);
  Append(codeSetupType);
}

// The choices the driver keeps for the whole wizard, so that a page shows the
// previous answer when it is visited again.
struct Choices {
  int type = 0;
  char* programFolder = nullptr;
  int associate = 1;
};

PageResult RunStep(const WizardSteps& steps, int32_t code, Choices& choices, int* outcome) {
  PageResult result = pageNone;
  switch (code) {
    case codeWelcome:
      return steps.runTextPage(ConfigString(ConfigWord(wordWelcomeText)));
    case codeAgreement:
      return steps.runAgreementPage(ConfigString(ConfigWord(wordAgreementText)));
    case codeInformation:
      return steps.runTextPage(ConfigString(ConfigWord(wordInfoText)));
    case codeSetupType:
      result = steps.runSetupTypePage(&choices.type);
      if (uint32_t(choices.type) == ConfigWord(wordCustomSetupType)) {
        CutAfterCurrent();
        Append(codeComponents);
      } else {
        CopySelection(gActiveSelection, ConfigWord(wordSetupTypeBitmap + choices.type));
        RebuildTail();
      }
      return result;
    case codeComponents:
      result = steps.runComponentPage();
      for (uint32_t k = 0; k < gSelectionBytes; ++k) gActiveSelection[k] = gCustomSelection[k];
      RebuildTail();
      return result;
    case codeProgramFolder:
      result = steps.runProgramFolderPage(&choices.programFolder);
      CutAfterCurrent();
      Append(codeAssociate);
      return result;
    case codeAssociate:
      steps.setNextText(gFinishText);
      result = steps.runAssociatePage(&choices.associate);
      CutAfterCurrent();
      Append(codeInstall);
      if (result == pageBack) steps.setNextText(gNextText);
      return result;
    case codeInstall:
      *outcome = steps.runInstallPhase(
          choices.programFolder != nullptr ? choices.programFolder : "", choices.associate);
      return pageNext;
    default: {
      const uint8_t* page =
          ConfigRecord(wordPathPageTable, kPathPageRecordSize, uint32_t(code - codeFirstPathPage));
      return steps.runPathPage(ConfigString(RecordField(page, pathPageText)),
                               ConfigString(RecordField(page, pathVariable)));
    }
  }
}

}  // namespace

PageResult RunWizardSteps(const WizardSteps& steps, const WizardPresets* presets,
                          int* installOutcome) {
  Choices choices;
  const bool presetFolder = presets != nullptr && presets->programFolder != nullptr;
  choices.programFolder = DuplicateString(
      presetFolder ? presets->programFolder : ConfigString(ConfigWord(wordDefaultProgramFolder)));
  if (presets != nullptr) {
    if (presets->type >= 0) choices.type = presets->type;
    choices.associate = presets->associate;
  }
  int outcome = 0;
  BuildFirstList();
  steps.showFrame();

  PageResult result = pageNone;
  for (;;) {
    steps.enableBack(gPageIndex != 0);
    const int32_t code = gPageList[gPageIndex];
    result = RunStep(steps, code, choices, &outcome);
    if (code == codeInstall) break;
    if (result == pageNext && gPageIndex + 1 < gPageCount) {
      ++gPageIndex;
    } else if (result == pageBack && gPageIndex > 0) {
      --gPageIndex;
    } else if (result != pageNext && result != pageBack) {
      // Cancel, or the application is ending: a page that can no longer run must not
      // be run again.
      break;
    }
  }
  std::free(choices.programFolder);
  if (installOutcome != nullptr) *installOutcome = outcome;
  return result;
}
