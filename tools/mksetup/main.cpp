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
    {"build", "build PRODUCT.toml -o DIR [-L FOLDER]... [--iterations N] [--progress]", RunBuildVerb},
    {"list", "list SETUP.exe", RunListVerb},
    {"extract", "extract SETUP.exe DIR", RunExtractVerb},
    {"inflate", "inflate IN OUT   decode the raw Deflate file IN into OUT", RunInflateVerb},
};

int Usage() {
  std::fprintf(stderr, "usage: mksetup VERB ARGS...\n");
  for (const Verb& verb : kVerbs) std::fprintf(stderr, "  mksetup %s\n", verb.usage);
  return kToolFailure;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  for (const Verb& verb : kVerbs) {
    if (std::strcmp(argv[1], verb.name) == 0) return verb.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "mksetup: unknown verb '%s'\n", argv[1]);
  return Usage();
}
