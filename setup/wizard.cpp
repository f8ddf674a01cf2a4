#include "setup/wizard.h"

#include <cstdlib>
#include <cstring>

#include "config/config.h"
#include "config/product_data.h"
#include "config/state.h"
#include "text/strings.h"
#include "text/variables.h"

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
  // Path pages whose folder is still their default: it follows the variables the
  // default names until the user makes it another.
  bool followsDefault[kMaxPathPages] = {};
};

const uint8_t* PathPage(uint32_t k) {
  return ConfigRecord(wordPathPageTable, kPathPageRecordSize, k);
}

// Length of a folder without the separators at its end.
size_t TrimmedLength(const char* folder) {
  size_t n = std::strlen(folder);
  while (n > 0 && (folder[n - 1] == '\\' || folder[n - 1] == '/')) --n;
  return n;
}

bool IsTheDefault(uint32_t k) {
  char* expanded = ExpandVariables(ConfigString(RecordField(PathPage(k), pathDefaultValue)));
  char* value = GetVariable(ConfigString(RecordField(PathPage(k), pathVariable)));
  const bool same = expanded != nullptr && value != nullptr &&
                    TrimmedLength(expanded) == TrimmedLength(value) &&
                    std::strncmp(expanded, value, TrimmedLength(value)) == 0;
  std::free(expanded);
  std::free(value);
  return same;
}

// In page order, so that a default naming a later-following variable sees it new.
void RefreshDefaults(const Choices& choices) {
  for (uint32_t k = 0; k < ConfigWord(wordPathPageCount); ++k) {
    if (!choices.followsDefault[k]) continue;
    char* expanded = ExpandVariables(ConfigString(RecordField(PathPage(k), pathDefaultValue)));
    if (expanded != nullptr) SetVariable(ConfigString(RecordField(PathPage(k), pathVariable)), expanded);
    std::free(expanded);
  }
}

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
    case codeProgramFolder: {
      // Without file types or sounds there is nothing to associate: this page is the
      // last, and its Next is the Finish.
      const bool last = !ProductHasAssociations();
      if (last) steps.setNextText(gFinishText);
      result = steps.runProgramFolderPage(&choices.programFolder);
      CutAfterCurrent();
      Append(last ? codeInstall : codeAssociate);
      if (last && result == pageBack) steps.setNextText(gNextText);
      return result;
    }
    case codeAssociate:
      steps.setNextText(gFinishText);
      result = steps.runAssociatePage(&choices.associate);
      CutAfterCurrent();
      Append(codeInstall);
      if (result == pageBack) steps.setNextText(gNextText);
      return result;
    case codeInstall:
      RefreshDefaults(choices);
      *outcome = steps.runInstallPhase(
          choices.programFolder != nullptr ? choices.programFolder : "", choices.associate);
      return pageNext;
    default: {
      const uint32_t k = uint32_t(code - codeFirstPathPage);
      RefreshDefaults(choices);
      result = steps.runPathPage(ConfigString(RecordField(PathPage(k), pathPageText)),
                                 ConfigString(RecordField(PathPage(k), pathVariable)));
      choices.followsDefault[k] = IsTheDefault(k);
      return result;
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
  // A folder from an earlier installation or the command line is the user's own.
  for (uint32_t k = 0; k < ConfigWord(wordPathPageCount) && k < kMaxPathPages; ++k) {
    choices.followsDefault[k] = IsTheDefault(k);
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
