#include "Identified.h"

#include <atomic>

namespace scrivane {

ObjectId Identified::next()
{
    static std::atomic<quint64> counter{0};
    return ObjectId(++counter);
}

} // namespace scrivane
