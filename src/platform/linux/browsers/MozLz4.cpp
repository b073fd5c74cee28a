#include "platform/linux/browsers/MozLz4.h"

#include <QtEndian>

#include <lz4.h>

#include <cstring>

namespace stirwell::MozLz4 {

namespace {
constexpr char kMagic[8] = {'m', 'o', 'z', 'L', 'z', '4', '0', '\0'};
constexpr qsizetype kHeaderSize = 12;
} // namespace

std::optional<QByteArray> decompress(const QByteArray &file)
{
    if (file.size() < kHeaderSize || std::memcmp(file.constData(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    const quint32 announced = qFromLittleEndian<quint32>(file.constData() + 8);
    if (announced > static_cast<quint32>(kMaxDecompressedSize) || file.size() - kHeaderSize > LZ4_MAX_INPUT_SIZE)
        return std::nullopt;
    QByteArray out(static_cast<qsizetype>(announced), Qt::Uninitialized);
    const int produced = LZ4_decompress_safe(file.constData() + kHeaderSize, out.data(),
                                             static_cast<int>(file.size() - kHeaderSize), static_cast<int>(announced));
    if (produced < 0 || static_cast<quint32>(produced) != announced)
        return std::nullopt;
    return out;
}

QByteArray compress(const QByteArray &data)
{
    const int bound = LZ4_compressBound(static_cast<int>(data.size()));
    QByteArray file(kHeaderSize + bound, Qt::Uninitialized);
    std::memcpy(file.data(), kMagic, sizeof kMagic);
    qToLittleEndian<quint32>(static_cast<quint32>(data.size()), file.data() + 8);
    const int written =
        LZ4_compress_default(data.constData(), file.data() + kHeaderSize, static_cast<int>(data.size()), bound);
    file.resize(kHeaderSize + (written > 0 ? written : 0));
    return file;
}

} // namespace stirwell::MozLz4
