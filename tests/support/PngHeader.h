#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace scrivane::test {

// The start of a PNG file declaring `width` × `height` pixels: signature,
// header chunk and an empty image data chunk, no pixels.  What an image
// reader sees of an image before it decodes it.
inline QByteArray pngHeader(quint32 width, quint32 height)
{
    const auto bigEndian = [](quint32 v) {
        const char bytes[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(bytes, 4);
    };
    const auto chunk = [&](const QByteArray &typeAndData) {
        quint32 crc = 0xffffffffu;
        for (const char byte : typeAndData) {
            crc ^= quint8(byte);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
        return bigEndian(quint32(typeAndData.size() - 4)) + typeAndData + bigEndian(~crc);
    };
    return QByteArray("\x89PNG\r\n\x1a\n", 8) +
           chunk("IHDR" + bigEndian(width) + bigEndian(height) + QByteArray("\x08\x06\x00\x00\x00", 5)) +
           chunk("IDAT") + chunk("IEND");
}

} // namespace scrivane::test
