#include <cstdio>
#include <cstring>

#include "tools/mksetup/verbs.h"

namespace {

struct Verb {
  const char* name;
  const char* usage;
  int (*run)(int argc, char** argv);
};

const Verb kVerbs[] = {
    {"build", "build PRODUCT.toml -o SETUP.exe|DIR [--arch i686|x86_64] [--sign CERT.pfx] ...", RunBuildVerb},
    {"list", "list SETUP.exe", RunListVerb},
    {"extract", "extract SETUP.exe DIR", RunExtractVerb},
    {"inflate", "inflate IN OUT   decode the raw Deflate file IN into OUT", RunInflateVerb},
};

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: mksetup VERB ARGS...\n");
  for (const Verb& verb : kVerbs) std::fprintf(out, "  mksetup %s\n", verb.usage);
  std::fprintf(out, "  mksetup --help | --version\n"
                    "'mksetup VERB --help' tells more about a verb; see also mksetup(1).\n");
}

bool IsHelp(const char* arg) { return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return kToolFailure;
  }
  if (IsHelp(argv[1])) {
    PrintUsage(stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("mksetup %s\n", kMksetupVersion);
    return 0;
  }
  for (const Verb& verb : kVerbs) {
    if (std::strcmp(argv[1], verb.name) != 0) continue;
    for (int i = 2; i < argc; ++i) {
      if (IsHelp(argv[i]) && std::strcmp(verb.name, "build") != 0) {
        std::printf("usage: mksetup %s\n", verb.usage);
        return 0;
      }
    }
    return verb.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "mksetup: unknown verb '%s'\n", argv[1]);
  PrintUsage(stderr);
  return kToolFailure;
}
