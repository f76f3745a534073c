#pragma once

// The two inputs Tarn takes from outside, as fuzz targets: a saved state handed back by a host,
// and an audio file given to the analyser. Each returns normally on any input; a broken promise
// (a setting out of range, a reading that is not finite) aborts, so the fuzzer keeps the input.

#include <cstddef>
#include <cstdint>

namespace tarn::fuzz
{
// First byte 0: the rest is the chunk as the host hands it over. Otherwise the rest is XML text,
// wrapped in the chunk header the processor writes, so the fuzzer reaches the XML reader.
void stateChunk (const std::uint8_t* data, std::size_t size);

// First byte: bits 0-1 the file's extension (.wav .aiff .flac .ogg), bits 2-4 the block length
// (16 << value, 16 to 2048 samples); the rest is the file.
void audioFile (const std::uint8_t* data, std::size_t size);
} // namespace tarn::fuzz
