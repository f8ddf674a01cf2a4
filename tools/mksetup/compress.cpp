#include "tools/mksetup/compress.h"

#include <unistd.h>
#include <zlib.h>
#include <zopfli/deflate.h>
#include <zopfli/zopfli.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "text/resource_text.h"
#include "tools/mksetup/decode.h"
#include "tools/mksetup/payload_stream.h"

namespace {

constexpr size_t kHistory = 32768;
// Each segment is compressed and checked on its own, so a stream that happens to hold
// the marker is re-encoded one segment at a time, with the history kept.
constexpr size_t kSegment = 256 * 1024;
constexpr int kAttempts = 8;

void DrawProgress(uint64_t done, uint64_t total) {
  const int width = 40;
  int filled = total == 0 ? width : int(double(done) / double(total) * width);
  std::fprintf(stderr, "\rcompressing [%-*s] %3d%%", width, std::string(size_t(filled), '#').c_str(),
               total == 0 ? 100 : int(double(done) * 100 / double(total)));
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

// Compresses in[start, end) after the history in[0, start), appending to out.
// The encoder stores incompressible data as it stands, so a marker in the input can
// reach the stream: attempts after the first end a block in the middle of every
// marker of the input, and split the segment once more at a point that moves with
// each attempt, which changes every bit that follows the split.
void CompressSegment(const ZopfliOptions& base, int attempt, bool final, const uint8_t* in,
                     size_t start, size_t end, unsigned char* bp, unsigned char** out,
                     size_t* outSize) {
  ZopfliOptions options = base;
  std::vector<size_t> splits;
  if (attempt > 0) {
    options.blocksplitting = attempt % 2;
    for (size_t i = start; i + 4 <= end; ++i) {
      if (std::memcmp(in + i, kInputMarker, 4) == 0) splits.push_back(i + 2);
    }
    splits.push_back(start + (end - start) * size_t(attempt) / (kAttempts + 1));
    std::sort(splits.begin(), splits.end());
  }
  size_t from = start;
  for (size_t split : splits) {
    if (split <= from || split >= end) continue;
    ZopfliDeflatePart(&options, 2, 0, in, from, split, bp, out, outSize);
    from = split;
  }
  ZopfliDeflatePart(&options, 2, final, in, from, end, bp, out, outSize);
}

}  // namespace

bool HoldsMarker(const uint8_t* data, size_t from, size_t to) {
  from = from >= 3 ? from - 3 : 0;
  for (size_t i = from; i + 4 <= to; ++i) {
    if (std::memcmp(&data[i], kInputMarker, 4) == 0) return true;
  }
  return false;
}

std::vector<uint8_t> DeflateOnce(const uint8_t* data, size_t size, int iterations) {
  ZopfliOptions options;
  ZopfliInitOptions(&options);
  options.numiterations = iterations;
  unsigned char* out = nullptr;
  size_t outSize = 0;
  unsigned char bp = 0;
  CompressSegment(options, 0, true, data, 0, size, &bp, &out, &outSize);
  std::vector<uint8_t> stream(out, out + outSize);
  std::free(out);
  return stream;
}

Payload CompressPayload(const std::vector<PayloadFile>& files, const CompressOptions& options) {
  ZopfliOptions zopfli;
  ZopfliInitOptions(&zopfli);
  zopfli.numiterations = options.iterations;

  PayloadStream source(files);
  const uint64_t total = source.Total();
  std::vector<uint8_t> buffer(kHistory + kSegment);
  size_t history = 0;
  uint64_t done = 0;
  uint32_t crc = uint32_t(crc32(0, nullptr, 0));

  unsigned char* out = nullptr;
  size_t outSize = 0;
  unsigned char bp = 0;
  bool finished = false;
  while (!finished) {
    size_t got = source.Read(&buffer[history], kSegment);
    crc = uint32_t(crc32(crc, &buffer[history], uInt(got)));
    done += got;
    finished = done == total;

    const size_t savedSize = outSize;
    const unsigned char savedBp = bp;
    // Bytes before the last, partly filled one were checked with the segment before.
    const size_t checkFrom = savedBp != 0 ? savedSize - 1 : savedSize;
    bool clean = false;
    for (int attempt = 0; attempt < kAttempts && !clean; ++attempt) {
      outSize = savedSize;
      bp = savedBp;
      if (outSize == 0) {
        // The encoder allocates afresh at size 0 rather than reuse the buffer.
        std::free(out);
        out = nullptr;
      }
      if (savedBp != 0) out[outSize - 1] &= uint8_t((1u << savedBp) - 1);
      CompressSegment(zopfli, attempt, finished, buffer.data(), history, history + got, &bp, &out,
                      &outSize);
      // The last byte may still change unless the stream ends here.
      size_t complete = finished || bp == 0 ? outSize : outSize - 1;
      clean = !HoldsMarker(out, checkFrom, complete);
    }
    if (!clean) {
      std::free(out);
      throw PayloadError("could not encode the payload without the bytes F8 F5 23 7C");
    }

    // Keep the last 32 KB as history for the next segment.
    size_t keep = std::min(kHistory, history + got);
    std::memmove(buffer.data(), &buffer[history + got - keep], keep);
    history = keep;
    if (options.progress) DrawProgress(done, total);
  }
  Payload payload{std::vector<uint8_t>(out, out + outSize), crc, total};
  std::free(out);
  VerifyPayload(payload.stream, files, payload.crc);
  return payload;
}

void VerifyPayload(const std::vector<uint8_t>& stream, const std::vector<PayloadFile>& files,
                   uint32_t crc) {
  if (HoldsMarker(stream.data(), 0, stream.size()))
    throw PayloadError("the stream holds the bytes F8 F5 23 7C");
  PayloadStream source(files);
  std::vector<uint8_t> expected(32768);
  uint64_t offset = 0;
  uint32_t decodedCrc = uint32_t(crc32(0, nullptr, 0));
  std::string difference;
  int status = DecodeStream(stream.data(), stream.size(), [&](const uint8_t* data, size_t n) {
    size_t got = source.Read(expected.data(), n);
    if (got != n || std::memcmp(expected.data(), data, n) != 0) {
      difference = "the decoded stream differs from the files near byte " + std::to_string(offset);
      return false;
    }
    decodedCrc = uint32_t(crc32(decodedCrc, data, uInt(n)));
    offset += n;
    return true;
  });
  if (!difference.empty()) throw PayloadError(difference);
  if (status != 0) {
    char* message = LoadResourceText(status + 1);
    std::string text = message != nullptr ? message : "";
    std::free(message);
    throw PayloadError("the setup's decoder rejects the stream: status " + std::to_string(status) +
                       " (" + text + ")");
  }
  if (offset != source.Total())
    throw PayloadError("the stream decodes to " + std::to_string(offset) + " bytes instead of " +
                       std::to_string(source.Total()));
  if (decodedCrc != crc) throw PayloadError("the CRC-32 of the decoded stream does not match");
}
