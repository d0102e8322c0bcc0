#pragma once

#include <QtGlobal>

#include <functional>

namespace scrivane {

// A process-wide serial number that names one object for as long as the
// process runs.  Undo registrations and other bookkeeping compare these
// rather than addresses, which the allocator reuses once an object is gone.
// 0 names nothing.
struct ObjectId {
    quint64 value = 0;

    constexpr ObjectId() = default;
    constexpr explicit ObjectId(quint64 v) : value(v) {}
    constexpr bool isValid() const { return value != 0; }
    friend constexpr bool operator==(ObjectId, ObjectId) = default;
};

// Base of objects that need a stable identity.  A copy is a new object and
// gets a new serial number; assignment keeps the receiver's.
class Identified {
public:
    Identified() : m_objectId(next()) {}
    Identified(const Identified &) : m_objectId(next()) {}
    Identified &operator=(const Identified &) { return *this; }
    virtual ~Identified() = default;

    ObjectId objectId() const { return m_objectId; }

    // A fresh serial number, for objects that cannot derive from this class.
    static ObjectId next();

private:
    ObjectId m_objectId;
};

} // namespace scrivane

template <> struct std::hash<scrivane::ObjectId> {
    size_t operator()(scrivane::ObjectId id) const noexcept { return std::hash<quint64>()(id.value); }
};
