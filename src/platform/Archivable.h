#pragma once

#include "platform/PropertyList.h"

#include <QString>
#include <QStringList>

namespace scrivane {

class KeyedArchiver;

// An object that a keyed archive can hold.  It names its class (the name is
// stored in the archive and chooses the decoder when the archive is read,
// see KeyedUnarchiver::registerClass) and writes its values into the
// archiver.
class Archivable {
public:
    virtual ~Archivable() = default;

    // The class name stored in the archive, for example "TDRectangle".
    virtual QString archiveClassName() const = 0;
    // The class and the classes it derives from, most specific first; stored
    // once per class as its description.  The default is the class alone.
    virtual QStringList archiveClassHierarchy() const { return {archiveClassName()}; }
    // Writes the object's values with the archiver's encode functions.
    virtual void encode(KeyedArchiver &archiver) const = 0;
    // Value objects (colours, points, transformations) compare by value;
    // other objects are equal only to themselves.
    virtual bool isEqualTo(const Archivable &other) const { return this == &other; }
};

// One stored value of an archived object as it stands in the archive: a
// value written in place, a reference to another archived value, or an
// array of references.  Placeholders keep these so that an object of a
// class nobody can build is written back exactly as it was read.
struct ArchivedEntry {
    enum class Form : quint8 { Inline, Reference, ReferenceArray };
    QString key;
    PropertyList value;
    Form form = Form::Reference;

    friend bool operator==(const ArchivedEntry &, const ArchivedEntry &) = default;
};

} // namespace scrivane
