#include "config/state.h"

const uint8_t* gConfig = nullptr;
size_t gConfigSize = 0;
const uint8_t* gStrings = nullptr;
size_t gStringsSize = 0;
const uint8_t* gProductData = nullptr;
size_t gProductDataSize = 0;
const uint8_t* gArchive = nullptr;
uint32_t gArchiveSize = 0;
uint8_t* gWindow = nullptr;
uint32_t gSelectionBytes = 0;
uint8_t* gActiveSelection = nullptr;
uint8_t* gCustomSelection = nullptr;
const char* gCompanyName = nullptr;
const char* gProductName = nullptr;
const char* gMainProgramFile = nullptr;
char* gProductKey = nullptr;
const char* gWindowTitle = nullptr;
char* gNextText = nullptr;
char* gFinishText = nullptr;
ReplaceEntry* gReplaceList = nullptr;
int gLogActive = 0;
int gRestartNeeded = 0;
int gCancelRequested = 0;
int gRestartLater = 0;
int gSilent = 0;
int gNoRestart = 0;
