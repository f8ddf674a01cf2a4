// Compresses the payload into one raw Deflate stream that the setup program's decoder
// accepts, and proves it by decoding it again.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/mksetup/description.h"
#include "tools/mksetup/mapped_file.h"

struct PayloadError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct CompressOptions {
  bool best = false;        // the strongest encoder: a little smaller, many times slower
  int iterations = 15;      // its optimisation passes per block; more is smaller and slower
  int threads = 0;          // segments encoded at once; 0: one per processor, at most 16
  bool progress = false;    // draw a progress bar on stderr
};

struct Payload {
  uint32_t crc;             // CRC-32 of the decoded stream
  uint64_t size;            // decoded length
  uint64_t streamSize;      // bytes of the stream
};

// Writes the stream to streamPath as its segments are done, then decodes it from there
// and compares it with the files. Throws PayloadError when no acceptable stream could
// be made, std::runtime_error when the file cannot be written.
Payload CompressPayload(const std::vector<PayloadFile>& files, const CompressOptions& options,
                        const std::string& streamPath);

// The stream that one plain encoding of data gives, before any check for the marker
// (what CompressPayload starts from for a payload of one segment).
std::vector<uint8_t> DeflateOnce(const uint8_t* data, size_t size, const CompressOptions& options);

// The four bytes after which the decoder reads at most 30 more bytes.
constexpr uint8_t kInputMarker[4] = {0xF8, 0xF5, 0x23, 0x7C};

// True when data[from, to) holds the marker (it may start before from).
bool HoldsMarker(const uint8_t* data, size_t from, size_t to);

// Decodes stream with the setup program's decoder and compares it with the files;
// throws PayloadError naming the first difference. A stream that lies in mapped is
// given back to it as the decoder passes.
void VerifyPayload(const uint8_t* stream, size_t size, const std::vector<PayloadFile>& files,
                   uint32_t crc, MappedFile* mapped = nullptr);
