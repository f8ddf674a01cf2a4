// The wizard driver's page list, walked with scripted answers in place of the pages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/product_data.h"
#include "config/state.h"
#include "setup/wizard.h"
#include "support/config_fixture.h"
#include "text/strings.h"
#include "text/variables.h"

namespace {

// What the scripted user does on the next page: an answer, and an optional change
// made before answering (a choice of type, a click on a component box).
struct Answer {
  PageResult result;
  std::function<void(int* value)> change;
};

std::deque<Answer> gScript;
std::string gTrace;          // codes run, e.g. "1 2 3 6 100 202 204 205"
std::string gNextLabel;      // the Next button's text
std::vector<bool> gBackEnabled;
std::string gInstalledFolder;
int gInstalledAssociate = -1;
// What the pages were offered to start from.
int gOfferedType = -1;
std::string gOfferedFolder;
int gOfferedAssociate = -1;

PageResult Take(const std::string& step, int* value = nullptr) {
  gTrace += (gTrace.empty() ? "" : " ") + step;
  if (gScript.empty()) {
    ADD_FAILURE() << "no answer left for page " << step;
    return pageCancel;
  }
  Answer answer = gScript.front();
  gScript.pop_front();
  if (answer.change) answer.change(value);
  return answer.result;
}

std::string TextStep(const char* text) {
  if (std::strcmp(text, ConfigString(ConfigWord(wordWelcomeText))) == 0) return "1";
  if (std::strcmp(text, ConfigString(ConfigWord(wordInfoText))) == 0) return "3";
  return "text?";
}

const WizardSteps kScripted = {
    [](const char* text) { return Take(TextStep(text)); },
    [](const char*) { return Take("2"); },
    [](int* type) {
      gOfferedType = *type;
      return Take("6", type);
    },
    [] { return Take("7"); },
    [](const char*, const char* variable) { return Take(std::string("100:") + variable); },
    [](char** name) {
      gOfferedFolder = *name;
      PageResult r = Take("202");
      std::free(*name);
      *name = DuplicateString("Chosen Folder");
      return r;
    },
    [](int* associate) {
      gOfferedAssociate = *associate;
      return Take("204", associate);
    },
    [](const char* folder, int associate) {
      gTrace += " 205";
      gInstalledFolder = folder;
      gInstalledAssociate = associate;
      return 3010;
    },
    [](bool enable) { gBackEnabled.push_back(enable); },
    [](const char* text) { gNextLabel = text; },
    [] {},
};

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = ShippedConfig();
    // The typical type installs only the first component, so its choice is visible.
    config_.bytes[964] = 0x01;
    strings_ = ShippedStringList();
    Use();
    gScript.clear();
    gTrace.clear();
    gNextLabel = "&Next >";
    gBackEnabled.clear();
    gInstalledFolder.clear();
    gInstalledAssociate = -1;
  }

  void Use() {
    packed_ = MakeConfigStrings(strings_);
    gConfig = config_.bytes.data();
    gStrings = packed_.data();
    gSelectionBytes = SelectionBytesFor(ConfigWord(wordComponentCount));
    active_.assign(gSelectionBytes, 0xEE);
    custom_.assign(gSelectionBytes, 0);
    gActiveSelection = active_.data();
    gCustomSelection = custom_.data();
    CopySelection(gCustomSelection, ConfigWord(wordSetupTypeBitmap + ConfigWord(wordCustomSetupType)));
    gNextText = next_;
    gFinishText = finish_;
  }

  static Answer Next() { return {pageNext, nullptr}; }
  static Answer Back() { return {pageBack, nullptr}; }
  static Answer Choose(int type) { return {pageNext, [type](int* t) { *t = type; }}; }
  static Answer ChooseAndBack(int type) { return {pageBack, [type](int* t) { *t = type; }}; }

  ConfigImage config_{0};
  std::vector<std::string> strings_;
  std::vector<uint8_t> packed_, active_, custom_;
  char next_[8] = "&Next >";
  char finish_[7] = "Finish";
};

TEST_F(WizardTest, TheRoadOfOneInstallation) {
  gScript = {Next(), Next(), Next(), Choose(0), Next(), Next(), Next()};
  EXPECT_EQ(RunWizardSteps(kScripted), pageNext);
  EXPECT_EQ(gTrace, "1 2 3 6 100:Destination 202 204 205");
  EXPECT_EQ(gActiveSelection[0], 0x01);  // the typical type's bitmap
  EXPECT_EQ(gInstalledFolder, "Chosen Folder");
  EXPECT_EQ(gInstalledAssociate, 1);
  EXPECT_EQ(gNextLabel, "Finish");
  EXPECT_EQ(gBackEnabled, (std::vector<bool>{false, true, true, true, true, true, true, true}));
  EXPECT_TRUE(gScript.empty());
}

TEST_F(WizardTest, WithoutTextsTheSetupTypePageComesFirstAndHasNoBack) {
  strings_[9] = strings_[6] = strings_[8] = "";
  Use();
  gScript = {Choose(0), Next(), Next(), {pageNext, [](int* a) { *a = 0; }}};
  RunWizardSteps(kScripted);
  EXPECT_EQ(gTrace, "6 100:Destination 202 204 205");
  EXPECT_FALSE(gBackEnabled[0]);
  EXPECT_EQ(gInstalledAssociate, 0);
}

TEST_F(WizardTest, BackFromTheComponentPageKeepsTheCustomEdits) {
  // Custom type, untick component 1 on the tree, Back: the edits are active already.
  gScript = {Next(), Next(), Next(), Choose(1),
             {pageBack, [](int*) { gCustomSelection[0] &= uint8_t(~0x02); }},
             Choose(1), Next(), Next(), Next(), Next()};
  RunWizardSteps(kScripted);
  EXPECT_EQ(gTrace, "1 2 3 6 7 6 7 100:Destination 202 204 205");
  EXPECT_EQ(gActiveSelection[0], 0x01);
}

TEST_F(WizardTest, ANonCustomTypeReplacesTheEditsAndTheCustomTypeShowsThemAgain) {
  uint8_t seenOnReturn = 0;
  gScript = {Next(), Next(), Next(), Choose(1),
             {pageBack, [](int*) { gCustomSelection[0] = 0x02; }},
             Choose(0),           // typical: its own bitmap becomes active
             Back(),              // from the path page back to the setup type page
             Choose(1),
             {pageNext, [&](int*) { seenOnReturn = gCustomSelection[0]; }},
             Next(), Next(), Next()};
  RunWizardSteps(kScripted);
  EXPECT_EQ(gTrace, "1 2 3 6 7 6 100:Destination 6 7 100:Destination 202 204 205");
  EXPECT_EQ(seenOnReturn, 0x02);
  EXPECT_EQ(gActiveSelection[0], 0x02);
}

TEST_F(WizardTest, NoSelectedComponentLeavesThePathPageOut) {
  gScript = {Next(), Next(), Next(), Choose(1), {pageNext, [](int*) { gCustomSelection[0] = 0; }},
             Next(), Next()};
  RunWizardSteps(kScripted);
  EXPECT_EQ(gTrace, "1 2 3 6 7 202 204 205");
}

TEST_F(WizardTest, BackFromTheAssociatePageRestoresNext) {
  gScript = {Next(), Next(), Next(), Choose(0), Next(), Next(), Back()};
  gScript.push_back({pageCancel, [](int*) {
                       EXPECT_EQ(gNextLabel, "&Next >");
                     }});
  EXPECT_EQ(RunWizardSteps(kScripted), pageCancel);
  EXPECT_EQ(gTrace, "1 2 3 6 100:Destination 202 204 202");
}

// Cancel anywhere ends the wizard before the installation; so does the end of the
// application, which must not run the same page again and again.
TEST_F(WizardTest, CancelOrTheEndOfTheApplicationStopsTheWizard) {
  for (PageResult end : {pageCancel, pageNone}) {
    for (size_t page = 0; page < 7; ++page) {
      SetUp();
      gScript = {Next(), Next(), Next(), Choose(0), Next(), Next(), Next()};
      gScript[page].result = end;
      EXPECT_EQ(RunWizardSteps(kScripted), end) << page;
      EXPECT_EQ(gInstalledAssociate, -1) << page;
      EXPECT_TRUE(gScript.size() == 6 - page) << page;
    }
  }
}

// A product with no file types and no sounds has nothing to ask on the associate
// page: the program folder's Next is the Finish, and Back takes its label back.
TEST_F(WizardTest, WithoutAssociationsTheProgramFolderPageIsTheLast) {
  std::vector<uint8_t> data(kProductDataHeaderSize, 0);  // no types, no events
  gProductData = data.data();
  gScript = {Next(), Next(), Next(), Choose(0), Next(), Back()};
  gScript.push_back({pageNext, [](int*) { EXPECT_EQ(gNextLabel, "&Next >"); }});
  gScript.push_back({pageNext, [](int*) { EXPECT_EQ(gNextLabel, "Finish"); }});
  int outcome = -1;
  EXPECT_EQ(RunWizardSteps(kScripted, nullptr, &outcome), pageNext);
  gProductData = nullptr;
  EXPECT_EQ(gTrace, "1 2 3 6 100:Destination 202 100:Destination 202 205");
  EXPECT_EQ(outcome, 3010);
}

// The command line's answers are where the pages start; the installation's outcome
// comes back to the caller.
TEST_F(WizardTest, PresetsAreWhereThePagesStart) {
  struct Case {
    const char* what;
    WizardPresets presets;
    int type;
    std::string folder;
    int associate;
  };
  const std::string byDefault = ConfigString(ConfigWord(wordDefaultProgramFolder));
  const Case cases[] = {
      {"nothing preset", {-1, nullptr, 1}, 0, byDefault, 1},
      {"second type, own folder, no types", {1, "My Tools", 0}, 1, "My Tools", 0},
  };
  for (const Case& c : cases) {
    SetUp();
    gScript = {Next(), Next(), Next(), Next(), Next(), Next(), Next(), Next()};  // one spare
    int outcome = -1;
    EXPECT_EQ(RunWizardSteps(kScripted, &c.presets, &outcome), pageNext) << c.what;
    EXPECT_EQ(gOfferedType, c.type) << c.what;
    EXPECT_EQ(gOfferedFolder, c.folder) << c.what;
    EXPECT_EQ(gOfferedAssociate, c.associate) << c.what;
    EXPECT_EQ(outcome, 3010) << c.what;
  }
}

// A second path page whose default names the first page's variable follows it until
// the user makes it another folder; the installation gets the folders as they stand.
class FollowingDefaultTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    // The path pages move to the end: Destination, then Notes under it.
    const size_t table = config_.bytes.size();
    config_.bytes.resize(table + 2 * kPathPageRecordSize);
    config_.Word(wordPathPageCount, 2);
    config_.Word(wordPathPageTable, uint32_t(table));
    strings_[12] = "C:\\Apps\\Q";
    strings_.push_back("Notes");
    strings_.push_back("$(Destination)\\Notes");
    const uint32_t pages[2][3] = {{11, 12, 21}, {48, 49, 21}};
    for (size_t k = 0; k < 2; ++k) {
      const size_t r = table + k * kPathPageRecordSize;
      config_.Put(r + pathVariable, pages[k][0]);
      config_.Put(r + pathDefaultValue, pages[k][1]);
      config_.Put(r + pathPageText, pages[k][2]);
      config_.Put(r + pathBitmap, 966);
    }
    Use();
    ASSERT_EQ(CreateVariableTable(), 0);
    SetVariable("Destination", "C:\\Apps\\Q");
    SetVariable("Notes", "C:\\Apps\\Q\\Notes");
    gOffered.clear();
    gEdits.clear();
  }
  void TearDown() override { DestroyVariableTableForTest(); }

  // What each path page offered, and the folder the user types there ("" keeps it).
  static std::vector<std::string> gOffered;
  static std::deque<std::string> gEdits;

  static WizardSteps Steps() {
    WizardSteps steps = kScripted;
    steps.runPathPage = [](const char*, const char* variable) {
      char* value = GetVariable(variable);
      gOffered.push_back(std::string(variable) + "=" + (value != nullptr ? value : "<none>"));
      std::free(value);
      if (!gEdits.empty()) {
        if (!gEdits.front().empty()) SetVariable(variable, gEdits.front().c_str());
        gEdits.pop_front();
      }
      return Take(std::string("100:") + variable);
    };
    steps.runInstallPhase = [](const char*, int) {
      for (const char* name : {"Destination", "Notes"}) {
        char* value = GetVariable(name);
        gOffered.push_back(std::string("installed ") + name + "=" + (value != nullptr ? value : ""));
        std::free(value);
      }
      return 0;
    };
    return steps;
  }
};

std::vector<std::string> FollowingDefaultTest::gOffered;
std::deque<std::string> FollowingDefaultTest::gEdits;

TEST_F(FollowingDefaultTest, ALaterDefaultFollowsUntilTheUserEditsIt) {
  // Destination moved, Notes kept, back; Destination moved again; Notes edited; on to
  // the program folder and back to Destination, moved once more; then to the end.
  gEdits = {"D:\\Moved", "", "E:\\Again", "F:\\My Notes", "", "G:\\Last", ""};
  gScript = {Next(), Next(), Next(), Choose(0), Next(), Back(), Next(), Next(),
             Back(), Back(), Next(), Next(), Next(), Next()};
  ASSERT_EQ(RunWizardSteps(Steps()), pageNext) << gTrace;
  const std::vector<std::string> expected = {
      "Destination=C:\\Apps\\Q", "Notes=D:\\Moved\\Notes", "Destination=D:\\Moved",
      "Notes=E:\\Again\\Notes",  "Notes=F:\\My Notes",       "Destination=E:\\Again",
      "Notes=F:\\My Notes",        "installed Destination=G:\\Last",
      "installed Notes=F:\\My Notes"};
  EXPECT_EQ(gOffered, expected) << gTrace;
}

TEST_F(FollowingDefaultTest, AFolderFromTheCommandLineOrAnEarlierInstallationStays) {
  struct Case {
    const char* what;
    const char* notes;   // Notes as start-up left it
    const char* installedNotes;
  };
  const Case cases[] = {
      {"default", "C:\\Apps\\Q\\Notes\\", "D:\\Moved\\Notes"},  // a trailing separator is still it
      {"own folder", "C:\\Earlier", "C:\\Earlier"},
  };
  for (const Case& c : cases) {
    SetUp();
    SetVariable("Notes", c.notes);
    // Silent-like: Destination changed on its page, Notes never shown.
    gCustomSelection[0] = 0x01;
    gEdits = {"D:\\Moved", ""};
    gScript = {Next(), Next(), Next(), Next(), Next(), Next(), Next(), Next()};
    ASSERT_EQ(RunWizardSteps(Steps()), pageNext) << c.what;
    EXPECT_EQ(gOffered.back(), std::string("installed Notes=") + c.installedNotes) << c.what;
  }
}

}  // namespace

