#include "platform/Hyphenator.h"

#include <hyphen.h>

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QStandardPaths>

#include <cstdlib>
#include <map>

namespace scrivane {

namespace {

QStringList dictionaryFolders()
{
    QStringList folders;
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders.append(data + QStringLiteral("/hyphen"));
    if (!folders.contains(QStringLiteral("/usr/share/hyphen")))
        folders.append(QStringLiteral("/usr/share/hyphen"));
    return folders;
}

QString findDictionary(const QStringList &names)
{
    for (const QString &name : names)
        for (const QString &folder : dictionaryFolders()) {
            const QString path = folder + QStringLiteral("/hyph_") + name + QStringLiteral(".dic");
            if (QFileInfo(path).isFile())
                return path;
        }
    return QString();
}

} // namespace

Hyphenator::~Hyphenator()
{
    if (m_dictionary)
        hnj_hyphen_free(m_dictionary);
}

std::unique_ptr<Hyphenator> Hyphenator::load(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return nullptr;
    HyphenDict *dictionary = hnj_hyphen_load(QFile::encodeName(path).constData());
    if (!dictionary)
        return nullptr;
    return std::unique_ptr<Hyphenator>(new Hyphenator(dictionary));
}

const Hyphenator *Hyphenator::forLanguage(const QString &language)
{
    static QMutex mutex;
    static std::map<QString, std::unique_ptr<Hyphenator>> loaded;
    const QString wanted = language.isEmpty() ? QLocale().name() : language;
    const QMutexLocker lock(&mutex);
    if (const auto it = loaded.find(wanted); it != loaded.end())
        return it->second.get();
    QStringList names{wanted};
    if (const qsizetype cut = wanted.indexOf(QLatin1Char('_')); cut > 0)
        names.append(wanted.left(cut));
    names.append(QStringLiteral("en_US"));
    std::unique_ptr<Hyphenator> &slot = loaded[wanted];
    if (const QString path = findDictionary(names); !path.isEmpty())
        slot = load(path);
    return slot.get();
}

std::vector<int> Hyphenator::breaks(QStringView word) const
{
    std::vector<int> answer;
    const int length = int(word.size());
    if (!m_dictionary || length < MinimumBefore + MinimumAfter || length > MaximumWord)
        return answer;
    for (const QChar c : word)
        if (!c.isLetter())
            return answer;
    const QString lower = word.toString().toLower();
    if (lower.size() != word.size())
        return answer;
    const QByteArray bytes = lower.toUtf8();
    // The byte each UTF-16 unit ends at, to turn the patterns' byte
    // offsets into the word's.
    std::vector<int> unitOfByte(size_t(bytes.size()), -1);
    {
        int byte = 0;
        for (int unit = 0; unit < length; ++unit) {
            const QChar c = lower.at(unit);
            int size;
            if (c.isHighSurrogate())
                size = 0; // the pair is counted at its low half
            else if (c.isLowSurrogate())
                size = 4;
            else if (c.unicode() < 0x80)
                size = 1;
            else if (c.unicode() < 0x800)
                size = 2;
            else
                size = 3;
            byte += size;
            if (size > 0 && byte - 1 < bytes.size())
                unitOfByte[size_t(byte - 1)] = unit;
        }
        if (byte != bytes.size())
            return answer;
    }
    std::vector<char> hyphens(size_t(bytes.size()) + 5, 0);
    char **rep = nullptr;
    int *pos = nullptr;
    int *cut = nullptr;
    const int failed = hnj_hyphen_hyphenate3(m_dictionary, bytes.constData(), int(bytes.size()), hyphens.data(),
                                             nullptr, &rep, &pos, &cut, MinimumBefore, MinimumAfter,
                                             MinimumBefore, MinimumAfter);
    if (!failed) {
        for (qsizetype byte = 0; byte < bytes.size(); ++byte) {
            if (!(hyphens[size_t(byte)] & 1) || (rep && rep[byte]))
                continue;
            const int unit = unitOfByte[size_t(byte)];
            // Offsets count the letters before the break.
            const int after = unit + 1;
            if (unit >= 0 && after >= MinimumBefore && length - after >= MinimumAfter)
                answer.push_back(after);
        }
    }
    if (rep) {
        for (qsizetype i = 0; i < bytes.size(); ++i)
            std::free(rep[i]);
        std::free(rep);
    }
    std::free(pos);
    std::free(cut);
    return answer;
}

} // namespace scrivane
