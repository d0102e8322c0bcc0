#include "DataHash.h"

#include <openssl/evp.h>

#include <QDebug>

namespace scrivane {

namespace {

QByteArray digest(const EVP_MD *type, const QByteArray &data)
{
    unsigned char bytes[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!type || EVP_Digest(data.constData(), size_t(data.size()), bytes, &length, type, nullptr) != 1) {
        qWarning("DataHash: OpenSSL could not compute a digest");
        return {};
    }
    return QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(length));
}

} // namespace

QByteArray DataHash::md5Digest(const QByteArray &data)
{
    return digest(EVP_md5(), data);
}

QByteArray DataHash::sha1Digest(const QByteArray &data)
{
    return digest(EVP_sha1(), data);
}

QByteArray DataHash::ripemd160Digest(const QByteArray &data)
{
    return digest(EVP_ripemd160(), data);
}

QString DataHash::md5DigestString(const QByteArray &data)
{
    return QString::fromLatin1(md5Digest(data).toHex());
}

QString DataHash::sha1DigestString(const QByteArray &data)
{
    return QString::fromLatin1(sha1Digest(data).toHex());
}

QString DataHash::ripemd160DigestString(const QByteArray &data)
{
    return QString::fromLatin1(ripemd160Digest(data).toHex());
}

} // namespace scrivane
