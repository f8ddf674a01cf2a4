// The sample archive program's registrations, made by a setup that has no CONFIG 3.
// The builder leaves CONFIG 3 out when a product's registrations are exactly these,
// which keeps the sample's resources as they always were.
#pragma once

struct BuiltinFileType {
  const char* extension;
  const char* typeName;  // one per extension, so each can be taken back on its own
  const char* kind;      // display name without the word for "Archive"
  int iconIndex;         // negative: the icon resource with that number
};

struct BuiltinSoundEvent {
  const char* event;
  const char* english;
  const char* japanese;  // code page 932
};

constexpr int kBuiltinFileTypeCount = 18;
constexpr int kBuiltinSoundEventCount = 2;

// In the order the keys are written.
extern const BuiltinFileType kBuiltinFileTypes[kBuiltinFileTypeCount];
extern const BuiltinSoundEvent kBuiltinSoundEvents[kBuiltinSoundEventCount];

// The display name is the kind followed by one of these; Japanese when the thread
// locale is.
constexpr char kBuiltinTypeWord[] = " Archive";
constexpr char kBuiltinTypeWordJapanese[] = " \xB1\xB0\xB6\xB2\xCC\xDE";  // half-width katakana

constexpr char kBuiltinMainProgram[] = "$(Destination)\\quorbex.exe";
constexpr char kBuiltinUninstaller[] = "$(Destination)\\uninstaller.exe";
constexpr char kBuiltinLog[] = "$(Destination)\\uninstal.l0g";
// The program path stays unquoted; the file name is quoted.
constexpr char kBuiltinOpenCommand[] = "$(Destination)\\quorbex.exe \"%1\"";
constexpr char kBuiltinDdeCommand[] = "[open(\"%1\")]";
constexpr char kBuiltinDdeApplication[] = "QUORBEX";
constexpr char kBuiltinDdeTopic[] = "system";
constexpr char kBuiltinSoundApp[] = "TORVQuorbex32";
constexpr char kBuiltinSoundAppName[] = "Quorbex32 Ovalis";  // both languages
