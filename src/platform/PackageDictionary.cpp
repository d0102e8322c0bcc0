#include "PackageDictionary.h"

#include "platform/KeyedUnarchiver.h"
#include "platform/PackageFolder.h"
#include "platform/WorkBudget.h"

namespace scrivane {

namespace {
const QString DataEntry = QStringLiteral("data");
const QString YamlEntry = QStringLiteral("data.yaml");

std::nullopt_t fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return std::nullopt;
}
} // namespace

std::optional<PropertyList> PackageDictionary::fromYamlText(const QByteArray &text,
                                                            const PropertyListLimits &limits, QString *error)
{
    auto parsed = PropertyList::fromYaml(text, limits, error);
    if (!parsed)
        return std::nullopt;
    if (!parsed->isDictionary())
        return fail(error, QStringLiteral("the text holds no dictionary"));
    return parsed;
}

std::optional<PackageDictionary::Contents> PackageDictionary::read(const PackageFolder &package, WorkBudget *budget,
                                                                   QString *error)
{
    const PropertyListLimits limits = budget ? budget->propertyListLimits() : PropertyListLimits();
    Contents contents;
    contents.fromYaml = package.contains(YamlEntry);
    const QString &entry = contents.fromYaml ? YamlEntry : DataEntry;
    if (!package.contains(entry))
        return fail(error,
                    QStringLiteral("The document package has no “data” file: it is damaged or not a drawing."));
    QString why;
    const auto data = package.read(entry, limits.maxInputSize, budget, &why);
    std::optional<PropertyList> dictionary;
    if (data && contents.fromYaml) {
        dictionary = fromYamlText(*data, limits, &why);
    } else if (data) {
        KeyedUnarchiver unarchiver(*data, limits);
        unarchiver.setBudget(budget);
        dictionary = unarchiver.decodeRoot();
        why = unarchiver.errorString();
        if (budget && budget->exhausted())
            return fail(error, QStringLiteral("The document cannot be read: %1.").arg(budget->failure()));
        if (dictionary && !dictionary->isDictionary())
            return fail(error, QStringLiteral("The document's “data” file holds no drawing."));
    }
    if (!dictionary)
        return fail(error, contents.fromYaml
                               ? QStringLiteral("The document's “data.yaml” cannot be read: %1").arg(why)
                               : QStringLiteral("The document's “data” file cannot be read: %1").arg(why));
    if (!dictionary->value(QStringLiteral("Layers")).isArray())
        return fail(error, QStringLiteral("The document's “%1” holds no list of layers.").arg(entry));
    contents.dictionary = std::move(*dictionary);
    return contents;
}

} // namespace scrivane
