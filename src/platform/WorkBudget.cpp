#include "WorkBudget.h"

#include "platform/PropertyList.h"

#include <algorithm>

namespace scrivane {

WorkBudget::WorkBudget() : WorkBudget(Limits()) {}

WorkBudget::WorkBudget(const Limits &limits, Clock clock)
    : m_limits(limits), m_clock(clock ? std::move(clock) : Clock(&std::chrono::steady_clock::now))
{
    m_start = m_clock();
}

PropertyListLimits WorkBudget::propertyListLimits() const
{
    PropertyListLimits limits;
    limits.maxNodes = std::min(limits.maxNodes, m_limits.values);
    return limits;
}

bool WorkBudget::charge(qint64 &spent, qint64 amount, qint64 limit, const QString &what)
{
    if (exhausted())
        return false;
    if (amount < 0 || amount > limit - spent) {
        m_failure = QStringLiteral("the file needs more than the %1 %2 allowed").arg(limit).arg(what);
        spent = limit;
        return false;
    }
    spent += amount;
    return true;
}

bool WorkBudget::chargeBytes(qint64 bytes)
{
    return charge(m_bytes, bytes, m_limits.bytes, QStringLiteral("bytes of memory"));
}

bool WorkBudget::chargeImagePixels(qint64 pixels)
{
    return charge(m_imagePixels, pixels, m_limits.imagePixels, QStringLiteral("image pixels"));
}

bool WorkBudget::chargePathElements(qint64 elements)
{
    return charge(m_pathElements, elements, m_limits.pathElements, QStringLiteral("path elements"));
}

bool WorkBudget::chargePathElementsInAll(qint64 total)
{
    return chargePathElements(std::max<qint64>(0, total - m_pathElements));
}

bool WorkBudget::chargeRasterRows(qint64 rows)
{
    return charge(m_rasterRows, rows, m_limits.rasterRows, QStringLiteral("rows of path drawing"));
}

bool WorkBudget::checkTime()
{
    if (exhausted())
        return false;
    if (m_clock() - m_start > m_limits.time) {
        m_failure = QStringLiteral("the file takes more than the %1 seconds allowed")
                        .arg(double(m_limits.time.count()) / 1000.0);
        return false;
    }
    return true;
}

} // namespace scrivane
