// A built setup program opened for reading: its configuration and payload.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SetupFile {
  std::vector<uint8_t> config;
  std::vector<uint8_t> englishStrings;
  std::vector<uint8_t> japaneseStrings;
  std::vector<uint8_t> productData;  // CONFIG 3; empty: the built-in registrations
  std::string path;
  uint64_t archiveOffset = 0, archiveSize = 0;  // the payload, left in the file
};

// Throws std::runtime_error with a clear message when the file is not a setup or a
// table or string number of its configuration lies outside its resource.
SetupFile OpenSetupFile(const std::string& path);

// Makes the configuration and the given language's strings current (gConfig, gStrings,
// gSelectionBytes) for the readers of config/config.h.
void UseConfiguration(const SetupFile& setup, const std::vector<uint8_t>& strings);

// Decodes the payload from the file, handing each window to sink; throws when the
// decoder fails or the length or CRC-32 differ from the configuration.
void DecodePayload(const SetupFile& setup, const std::function<void(const uint8_t*, size_t)>& sink);

// The same, the decoded payload whole.
std::vector<uint8_t> DecodePayload(const SetupFile& setup);
