#include "platform/ArchivedDictionary.h"

#include "platform/KeyedUnarchiver.h"

#include <cstring>

namespace scrivane {

ArchivedDictionary::ArchivedDictionary(KeyedUnarchiver &unarchiver) : m_unarchiver(unarchiver)
{
    if (unarchiver.m_frames.empty())
        return;
    const size_t begin = unarchiver.m_stored.size();
    bool inPlace = true;
    m_whole = unarchiver.decodeKeyed(unarchiver.unkeyedName(), &inPlace);
    if (inPlace && !unarchiver.failed()) {
        m_inPlace = true;
        m_begin = begin;
        m_end = unarchiver.m_stored.size();
    }
}

ArchivedDictionary::~ArchivedDictionary()
{
    auto &stored = m_unarchiver.m_stored;
    if (m_inPlace && stored.size() == m_end)
        stored.erase(stored.begin() + qsizetype(m_begin), stored.end());
}

const PropertyList *ArchivedDictionary::find(const QString &key) const
{
    if (!m_inPlace) {
        const PropertyList::Dictionary &entries = m_whole.toDictionary();
        const auto it = entries.find(key);
        return it == entries.end() ? nullptr : &it->second;
    }
    const auto &stored = m_unarchiver.m_stored;
    const qsizetype size = key.size();
    for (size_t i = m_end; i > m_begin; --i) {
        const QString &candidate = stored[i - 1].key;
        if (candidate.size() == size &&
            std::memcmp(candidate.constData(), key.constData(), size_t(size) * sizeof(QChar)) == 0)
            return &stored[i - 1].value;
    }
    return nullptr;
}

} // namespace scrivane
