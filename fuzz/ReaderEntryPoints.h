#pragma once

#include <cstddef>
#include <cstdint>

namespace quillstack::fuzz {

// The readers as the fuzz targets drive them, shared with the test that replays the corpus.
// Each reads the bytes as the program reads its file; when they decode, what the writer makes
// of the result must read back and write again to the same bytes. False when that fails.
bool readHistory(const std::uint8_t* data, std::size_t size);
bool readSettings(const std::uint8_t* data, std::size_t size);

} // namespace quillstack::fuzz
