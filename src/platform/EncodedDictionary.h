#pragma once

#include "platform/Archivable.h"

#include <functional>
#include <memory>
#include <vector>

namespace scrivane {

class KeyedUnarchiver;

// The read-only stand-in for an archived object whose class cannot be
// built here: a class nobody registered, or one mapped to this class on
// purpose (KeyedUnarchiver::setGlobalClass with `decode`), as a reader that
// only needs the stored dictionaries does for every model class.  It keeps
// the stored values; `object` is the one unkeyed value (the dictionary a
// model object stores), and writing the placeholder into an archive stores
// the same class and values again.
class EncodedDictionary : public Archivable {
public:
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);

    // The first unkeyed value ("$0"), null when there is none.
    PropertyList object() const;
    // The value under `key` in that dictionary; null when absent.
    PropertyList objectForKey(const QString &key) const;
    QString description() const;
    const std::vector<ArchivedEntry> &entries() const { return m_entries; }

    QString archiveClassName() const override { return m_className; }
    QStringList archiveClassHierarchy() const override { return m_hierarchy; }
    void encode(KeyedArchiver &archiver) const override;

    // Process-wide: set when a placeholder is read, so that a document can
    // tell that it was loaded without some of its objects (a new document
    // clears it).  The warning hook is called with the class name when a
    // placeholder is read while the flag is clear, at most once until the
    // flag is cleared again.
    static bool filtersLost();
    static void setFiltersLost(bool lost);
    using WarningHook = std::function<void(const QString &className)>;
    static void setWarningHook(WarningHook hook);

private:
    QString m_className;
    QStringList m_hierarchy;
    std::vector<ArchivedEntry> m_entries;
};

} // namespace scrivane
