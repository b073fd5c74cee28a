#pragma once

#include <QByteArray>

#include <optional>

namespace stirwell {

// Firefox's compressed JSON files (.jsonlz4, .baklz4): the magic
// "mozLz40\0", the decompressed size as a little-endian uint32, then one raw
// LZ4 block.
namespace MozLz4 {

// Refuses to inflate beyond this, whatever the header claims.
inline constexpr qsizetype kMaxDecompressedSize = 256 * 1024 * 1024;

// The decompressed bytes; nothing for a wrong magic, a size above the cap,
// a corrupt or truncated block, or a block that does not inflate to exactly
// the announced size.
[[nodiscard]] std::optional<QByteArray> decompress(const QByteArray &file);
// The file form of `data` (used by tests and tools).
[[nodiscard]] QByteArray compress(const QByteArray &data);

} // namespace MozLz4

} // namespace stirwell
