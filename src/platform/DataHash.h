#pragma once

#include <QByteArray>
#include <QString>

namespace scrivane {

// Digests of data blocks through OpenSSL: the raw digest (16 bytes for MD5,
// 20 for SHA-1 and RIPEMD-160) or its lowercase hexadecimal text.  The MD5
// digest identifies identical image data.
class DataHash {
public:
    static QByteArray md5Digest(const QByteArray &data);
    static QByteArray sha1Digest(const QByteArray &data);
    static QByteArray ripemd160Digest(const QByteArray &data);
    static QString md5DigestString(const QByteArray &data);
    static QString sha1DigestString(const QByteArray &data);
    static QString ripemd160DigestString(const QByteArray &data);
};

} // namespace scrivane
