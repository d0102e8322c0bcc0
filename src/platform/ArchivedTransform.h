#pragma once

#include "platform/AffineTransform.h"
#include "platform/Archivable.h"

#include <optional>

namespace scrivane {

class KeyedUnarchiver;

// An affine transformation as an archivable value ("TDAffineTransform"):
// the six coefficients as keyed reals "m11", "m12", "m21", "m22", "tX",
// "tY" (a missing one takes the identity's value).  Coefficients that are
// not finite numbers are refused when read: drawing with such a matrix
// would blank everything drawn after it.
class ArchivedTransform : public Archivable {
public:
    explicit ArchivedTransform(const AffineTransform &transform) : m_transform(transform) {}

    const AffineTransform &transform() const { return m_transform; }

    static PropertyList value(const AffineTransform &transform);
    static std::optional<AffineTransform> fromValue(const PropertyList &value);

    static QString className() { return QStringLiteral("TDAffineTransform"); }
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);

    QString archiveClassName() const override { return className(); }
    void encode(KeyedArchiver &archiver) const override;
    bool isEqualTo(const Archivable &other) const override;

private:
    AffineTransform m_transform;
};

} // namespace scrivane
