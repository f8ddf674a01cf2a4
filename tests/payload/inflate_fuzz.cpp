// Fuzz target for the decoder. Every input must end (no hang, no sanitizer report),
// flush only whole windows before the final one, and agree with an independent
// decoder wherever both accept the stream under the rules they share.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "config/state.h"
#include "payload/inflate.h"
#include "payload/writer_state.h"
#include "text/status.h"

namespace {

constexpr size_t kOutputCap = size_t(64) << 20;

struct Run {
  int status;
  std::vector<uint8_t> output;
  std::vector<size_t> flushes;
  bool capped;
};

Run* gRun = nullptr;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "inflate fuzz: %s\n", what);
    std::abort();
  }
}

Run Decode(const uint8_t* data, size_t size) {
  static uint8_t* window = static_cast<uint8_t*>(std::malloc(kWindowSize));
  gWindow = window;
  // A block of exactly the input's size, so a read past its end is caught.
  std::unique_ptr<uint8_t[]> input(new uint8_t[size + (size == 0 ? 1 : 0)]);
  if (size != 0) std::memcpy(input.get(), data, size);
  gInput = input.get();
  gInputLeft = static_cast<int32_t>(size);
  gWriteFailed = 0;
  Run run{};
  gRun = &run;
  run.status = Inflate();
  gRun = nullptr;
  return run;
}

bool ContainsMarkerBefore(const uint8_t* data, size_t end) {
  static const uint8_t kMarker[4] = {0xF8, 0xF5, 0x23, 0x7C};
  return std::search(data, data + end, kMarker, kMarker + 4) != data + end;
}

// The other decoder: true when it reaches the end of the final block.
bool ReferenceDecode(const uint8_t* data, size_t size, std::vector<uint8_t>* out,
                     size_t* consumed, bool* capped) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  uint8_t chunk[65536];
  int ret;
  do {
    z.next_out = chunk;
    z.avail_out = sizeof chunk;
    ret = inflate(&z, Z_NO_FLUSH);
    out->insert(out->end(), chunk, chunk + (sizeof chunk - z.avail_out));
    if (out->size() > kOutputCap) {
      *capped = true;
      break;
    }
  } while (ret == Z_OK);
  *consumed = z.total_in;
  inflateEnd(&z);
  return ret == Z_STREAM_END;
}

bool IsPrefix(const std::vector<uint8_t>& part, const std::vector<uint8_t>& whole) {
  return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

}  // namespace

int FlushWindow() {
  gRun->flushes.push_back(gWindowFill);
  if (gRun->output.size() < kOutputCap) {
    gRun->output.insert(gRun->output.end(), gWindow, gWindow + gWindowFill);
  } else {
    gRun->capped = true;
  }
  return statusOk;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run run = Decode(data, size);

  // Whole windows, then on success one final flush of what is left.
  size_t whole = run.status == statusOk && !run.flushes.empty() ? run.flushes.size() - 1
                                                                 : run.flushes.size();
  for (size_t i = 0; i < whole; ++i) Check(run.flushes[i] == kWindowSize, "partial window");
  if (run.status == statusOk) {
    Check(!run.flushes.empty() && run.flushes.back() < kWindowSize, "no final flush");
  }

  // Unless the stream ran out, bytes after it change nothing: and with them the
  // decoder takes its word-at-a-time path further.
  if (run.status != statusTruncated && !run.capped) {
    std::vector<uint8_t> longer(data, data + size);
    longer.insert(longer.end(), 64, 0);
    Run again = Decode(longer.data(), longer.size());
    Check(again.status == run.status, "trailing bytes changed the status");
    Check(again.flushes == run.flushes && again.output == run.output,
          "trailing bytes changed the output");
  }

  std::vector<uint8_t> expected;
  size_t consumed = 0;
  bool capped = false;
  if (!ReferenceDecode(data, size, &expected, &consumed, &capped) || capped || run.capped) {
    return 0;
  }
  switch (run.status) {
    case statusOk:
      Check(run.output == expected, "output differs from the reference");
      break;
    case statusAllCodesZero:
      // A dynamic block without distance codes: the reference accepts it, this
      // decoder does not.
      Check(IsPrefix(run.output, expected), "output before the failure differs");
      break;
    case statusTruncated:
      // The marker ended the input early.
      Check(ContainsMarkerBefore(data, consumed), "truncated without a marker");
      Check(IsPrefix(run.output, expected), "output before the end differs");
      break;
    default:
      std::fprintf(stderr, "inflate fuzz: status %d for a stream the reference accepts\n",
                   run.status);
      std::abort();
  }
  return 0;
}
