// Decoding a small raw Deflate stream of the program's own (its pictures) into
// memory, with the one decoder of the payload. Never while an extraction runs.
#pragma once

#include <cstdint>

// Decodes the whole stream into output, which it must fill exactly. Returns 0, a
// status of the decoder, statusNoMemory, or statusTruncated for a stream that
// decodes to fewer or more bytes than outputSize.
int InflateToMemory(const uint8_t* input, uint32_t inputSize, uint8_t* output, uint32_t outputSize);
