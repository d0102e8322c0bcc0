// Feeds arbitrary bytes to the keyed-archive reader and the plain
// property-list reader.  Whatever an archive decodes into must archive
// again, read back, and archive into the same bytes.

#include "platform/Archivable.h"
#include "platform/ArchivedDictionary.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PropertyList.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace scrivane;

namespace {

// A class that reads one value of every keyed kind, as model classes do.
class FuzzShape : public Archivable {
public:
    QString archiveClassName() const override { return QStringLiteral("FuzzShape"); }
    void encode(KeyedArchiver &archiver) const override
    {
        archiver.encodeObject(dictionary);
        archiver.encodeBool(flag, QStringLiteral("flag"));
        archiver.encodeInteger(count, QStringLiteral("count"));
        archiver.encodeDouble(ratio, QStringLiteral("ratio"));
        archiver.encodePoint(point, QStringLiteral("point"));
        archiver.encodeBytes(bytes, QStringLiteral("bytes"));
    }

    PropertyList dictionary;
    bool flag = false;
    qint64 count = 0;
    double ratio = 0;
    Point point;
    QByteArray bytes;
};

void registerFuzzShape()
{
    KeyedUnarchiver::registerClass(QStringLiteral("FuzzShape"),
                                   [](KeyedUnarchiver &u) -> std::shared_ptr<Archivable> {
                                       auto shape = std::make_shared<FuzzShape>();
                                       shape->dictionary = u.decodeObject();
                                       shape->flag = u.decodeBool(QStringLiteral("flag"));
                                       shape->count = u.decodeInteger(QStringLiteral("count"));
                                       shape->ratio = u.decodeDouble(QStringLiteral("ratio"));
                                       shape->point = u.decodePoint(QStringLiteral("point"));
                                       shape->bytes = u.decodeBytes(QStringLiteral("bytes"));
                                       return shape;
                                   });
}

// A class that looks values up in its stored dictionary where the
// unarchiver read them, as the graphic classes do, and keeps what it found.
class FuzzStore : public Archivable {
public:
    QString archiveClassName() const override { return QStringLiteral("FuzzStore"); }
    void encode(KeyedArchiver &archiver) const override { archiver.encodeObject(found); }

    PropertyList found;
};

void registerFuzzStore()
{
    KeyedUnarchiver::registerClass(QStringLiteral("FuzzStore"), [](KeyedUnarchiver &u) -> std::shared_ptr<Archivable> {
        auto store = std::make_shared<FuzzStore>();
        const ArchivedDictionary stored(u);
        if (!stored.isDictionary())
            return store;
        store->found = PropertyList(PropertyList::Dictionary());
        for (const char *key : {"a", "b", "flag", "count", "Name", "Fill"})
            if (const PropertyList *value = stored.find(QString::fromLatin1(key)))
                store->found.insert(QString::fromLatin1(key), *value);
        return store;
    });
}

[[noreturn]] void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "fuzz_keyed_archive: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool registered = (registerFuzzShape(), registerFuzzStore(), true);
    (void)registered;
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    (void)PropertyList::fromData(input);

    QString error;
    const auto root = KeyedUnarchiver::unarchive(input, &error);
    if (!root) {
        if (error.isEmpty())
            fail("an archive was refused without a message", QString());
        return 0;
    }
    const auto first = KeyedArchiver::archivedData(*root, PropertyList::Format::Binary, &error);
    if (!first)
        fail("a decoded archive could not be archived again", error);
    const auto again = KeyedUnarchiver::unarchive(*first, &error);
    if (!again)
        fail("an archive written by the archiver could not be read", error);
    const auto second = KeyedArchiver::archivedData(*again, PropertyList::Format::Binary, &error);
    if (!second || *second != *first)
        fail("archiving is not stable across a round trip", error);
    return 0;
}
