#pragma once

#include "platform/Archivable.h"
#include "platform/effects/EffectRect.h"
#include "platform/effects/EffectValue.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace scrivane {

class KeyedUnarchiver;

// The stored form of filter input values (docs/file-format.md).  Numbers
// are plain reals and strings plain strings; transforms are
// "TDAffineTransform" objects; vectors, colours and images are objects of
// the classes below, each with keyed entries:
//
//   "TDEffectVector": "x", "y", "z", "w" reals, as many as the vector has
//                     components (the first ones, in that order).
//   "TDEffectColor":  "red", "green", "blue", "alpha" reals (device RGB,
//                     not premultiplied).
//   "TDEffectImage":  "png" data (the image over its extent, one pixel an
//                     effect unit), "x" and "y" reals (where its top-left
//                     pixel lies in effect space).
//
// Components that are not finite numbers are read as they are; the filter
// that is given such a value refuses it.  An image whose data does not
// decode, or decodes into more pixels than a raster may hold, reads as no
// image.
class ArchivedEffectValue : public Archivable {
public:
    // The stored form of a value; null for no value and for images that
    // cannot be stored (an extent that is empty, infinite or larger than a
    // raster may be).
    static PropertyList value(const EffectValue &value);
    // The value a stored form holds; nothing when it holds none.
    static std::optional<EffectValue> fromValue(const PropertyList &stored);

    // Registers the three classes with the keyed unarchiver (once).
    static void registerArchiveClasses();

    const EffectValue &effectValue() const { return m_value; }

    QString archiveClassName() const override;
    void encode(KeyedArchiver &archiver) const override;
    bool isEqualTo(const Archivable &other) const override;

    // Images come with their stored data and origin.
    explicit ArchivedEffectValue(EffectValue value, QByteArray png = {}, EffectPoint origin = {});

private:
    static std::shared_ptr<Archivable> decodeVector(KeyedUnarchiver &unarchiver);
    static std::shared_ptr<Archivable> decodeColor(KeyedUnarchiver &unarchiver);
    static std::shared_ptr<Archivable> decodeImage(KeyedUnarchiver &unarchiver);

    EffectValue m_value;
    QByteArray m_png; // images: the stored data
    EffectPoint m_origin;
};

} // namespace scrivane
