#include "MetadataImport.h"

#include "platform/EncodedDictionary.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PackageDictionary.h"
#include "platform/PackageFolder.h"
#include "platform/WorkBudget.h"

#include <QHash>

namespace scrivane {

namespace {

// A value of a model object: from its dictionary, or from the dictionary
// its placeholder keeps.  Null for anything else.
PropertyList valueOf(const PropertyList &object, const QString &key)
{
    if (object.isDictionary())
        return object.value(key);
    if (const auto placeholder = object.objectAs<EncodedDictionary>())
        return placeholder->objectForKey(key);
    return PropertyList();
}

class Gatherer {
public:
    std::optional<QString> contents(const PropertyList &d, int depth)
    {
        std::optional<QString> r;
        addPiece(r, textUnder(valueOf(d, QStringLiteral("Fill")), QStringLiteral("FillTextKey")));
        addPiece(r, textUnder(valueOf(d, QStringLiteral("Stroke")), QStringLiteral("text")));
        PropertyList children = valueOf(d, QStringLiteral("Graphics"));
        if (children.isNull())
            children = valueOf(d, QStringLiteral("Layers"));
        if (!children.isArray() || depth >= MetadataImport::MaxNesting)
            return r;
        for (const PropertyList &child : children.toArray()) {
            if (m_full)
                break;
            addPiece(r, contents(child, depth + 1));
        }
        return r;
    }

private:
    std::optional<QString> textUnder(const PropertyList &style, const QString &key)
    {
        const PropertyList data = valueOf(style, key);
        if (data.kind() != PropertyList::Kind::Data)
            return std::nullopt;
        // Styles are often shared: each text is decoded once.
        const QByteArray bytes = data.toData();
        const auto known = m_decoded.constFind(bytes);
        if (known != m_decoded.constEnd())
            return *known;
        auto text = MetadataImport::plainTextOfArchivedText(bytes);
        m_decoded.insert(bytes, text);
        return text;
    }

    void addPiece(std::optional<QString> &r, const std::optional<QString> &piece)
    {
        if (!piece || m_full)
            return;
        const qsizetype added = piece->size() + (r ? 1 : 0);
        if (m_length + added > MetadataImport::MaxTextLength) {
            m_full = true;
            return;
        }
        m_length += added;
        if (r) {
            r->append(QLatin1Char('\n'));
            r->append(*piece);
        } else {
            r = *piece;
        }
    }

    QHash<QByteArray, std::optional<QString>> m_decoded;
    qsizetype m_length = 0;
    bool m_full = false;
};

} // namespace

void MetadataImport::decodeModelClassesAsDictionaries()
{
    static const char *const names[] = {"TDLayer",         "TDGroup",     "TDGraphic",     "TDBezierGraphic",
                                        "TDBezierPath",    "TDRectangle", "TDOval",        "TDFillStyle",
                                        "TDStrokeStyle",   "TDFilter",    "TDGradient",    "TDGradientMarker",
                                        "TDLinkBackGraphic"};
    for (const char *name : names)
        KeyedUnarchiver::setGlobalClass(&EncodedDictionary::decode, QLatin1String(name));
}

bool MetadataImport::getMetadataForFile(const QString &path, std::optional<QString> *text, QString *error)
{
    decodeModelClassesAsDictionaries();
    text->reset();
    // The package is read as the thumbnailer reads it: the same entries,
    // the same checks of their kind and size, the same refusals.
    const auto package = PackageFolder::open(path, error);
    if (!package)
        return false;
    WorkBudget budget;
    const auto contents = PackageDictionary::read(*package, &budget, error);
    if (!contents)
        return false;
    *text = GetContentsFromGraphics(contents->dictionary);
    return true;
}

std::optional<QString> MetadataImport::GetContentsFromGraphics(const PropertyList &d)
{
    return Gatherer().contents(d, 0);
}

std::optional<QString> MetadataImport::plainTextOfArchivedText(const QByteArray &data)
{
    const auto root = KeyedUnarchiver::unarchive(data);
    if (!root)
        return std::nullopt;
    if (root->isString())
        return root->toString();
    // An attributed string keeps its characters under "NSString".
    if (const auto placeholder = root->objectAs<EncodedDictionary>()) {
        for (const ArchivedEntry &entry : placeholder->entries()) {
            if (entry.key == QLatin1String("NSString") && entry.value.isString())
                return entry.value.toString();
        }
    }
    return std::nullopt;
}

} // namespace scrivane
