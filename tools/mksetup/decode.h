// Runs the setup program's own decoder over a raw Deflate stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// sink receives each flushed window; returning false stops the decoder (status 21).
// Returns the decoder's status.
int DecodeStream(const uint8_t* data, size_t size,
                 const std::function<bool(const uint8_t*, size_t)>& sink);

// Inside a sink: the next byte the decoder will fetch, so that what lies before it
// can be let go.
const uint8_t* DecoderInput();
