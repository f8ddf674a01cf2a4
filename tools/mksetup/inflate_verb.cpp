#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text/resource_text.h"
#include "text/status.h"
#include "tools/mksetup/verbs.h"
#include "tools/mksetup/decode.h"

namespace {

// The whole file in a heap block of exactly its size; none on failure.
uint8_t* ReadWholeFile(const char* path, size_t* size) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return nullptr;
  uint8_t* data = nullptr;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length >= 0 && std::fseek(file, 0, SEEK_SET) == 0) {
    data = static_cast<uint8_t*>(std::malloc(length > 0 ? static_cast<size_t>(length) : 1));
    if (data != nullptr &&
        std::fread(data, 1, static_cast<size_t>(length), file) != static_cast<size_t>(length)) {
      std::free(data);
      data = nullptr;
    }
  }
  std::fclose(file);
  *size = static_cast<size_t>(length);
  return data;
}

}  // namespace

int RunInflateVerb(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mksetup inflate IN OUT\n");
    return kToolFailure;
  }
  const char* inPath = argv[0];
  const char* outPath = argv[1];
  size_t size = 0;
  uint8_t* input = ReadWholeFile(inPath, &size);
  if (input == nullptr) {
    std::fprintf(stderr, "mksetup: cannot read %s\n", inPath);
    return kToolFailure;
  }
  if (size > 0x7FFFFFFF) {
    std::fprintf(stderr, "mksetup: %s is too large\n", inPath);
    std::free(input);
    return kToolFailure;
  }
  std::FILE* out = std::fopen(outPath, "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "mksetup: cannot create %s\n", outPath);
    std::free(input);
    return kToolFailure;
  }

  bool writeFailed = false;
  int status = DecodeStream(input, size, [&](const uint8_t* data, size_t n) {
    writeFailed = std::fwrite(data, 1, n, out) != n;
    return !writeFailed;  // stops the decoder
  });
  if (std::fclose(out) != 0) writeFailed = true;
  if (writeFailed) status = statusWriteFailed;
  // Never leave half a file behind under the name of a whole one.
  if (status != statusOk) std::remove(outPath);

  char* text = LoadResourceText(status + 1);
  std::printf("status %d: %s\n", status, text != nullptr ? text : "");
  std::free(text);
  std::free(input);
  return status;
}
