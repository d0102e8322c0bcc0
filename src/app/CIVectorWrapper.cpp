#include "app/CIVectorWrapper.h"

#include "model/TDFilter.h"
#include "platform/effects/EffectFilter.h"

namespace scrivane {

CIVectorWrapper::CIVectorWrapper(std::shared_ptr<TDFilter> filter, const QString &key, Observer observer)
    : m_filter(std::move(filter)), m_key(key), m_observer(std::move(observer))
{
    const EffectFilter *engine = m_filter ? m_filter->filter() : nullptr;
    if (!engine || !engine->hasInput(key))
        return;
    const EffectVector vector = engine->vector(key);
    m_x = vector.count > 0 ? vector.x : 0;
    m_y = vector.count > 1 ? vector.y : 0;
    m_z = vector.count > 2 ? vector.z : 0;
    m_w = vector.count > 3 ? vector.w : 0;
}

double CIVectorWrapper::component(int i) const
{
    switch (i) {
    case 0:
        return m_x;
    case 1:
        return m_y;
    case 2:
        return m_z;
    case 3:
        return m_w;
    default:
        return 0;
    }
}

void CIVectorWrapper::setX(double x)
{
    m_x = x;
    write();
}

void CIVectorWrapper::setY(double y)
{
    m_y = y;
    write();
}

void CIVectorWrapper::setZ(double z)
{
    m_z = z;
    write();
}

void CIVectorWrapper::setW(double w)
{
    m_w = w;
    write();
}

void CIVectorWrapper::setComponent(int i, double value)
{
    switch (i) {
    case 0:
        setX(value);
        break;
    case 1:
        setY(value);
        break;
    case 2:
        setZ(value);
        break;
    case 3:
        setW(value);
        break;
    default:
        break;
    }
}

void CIVectorWrapper::setXY(double x, double y)
{
    m_x = x;
    m_y = y;
    write();
}

void CIVectorWrapper::write()
{
    EffectFilter *engine = m_filter ? m_filter->filter() : nullptr;
    if (!engine)
        return;
    // A value the input refuses (not finite) leaves it as it was, and
    // nobody is told of a change.
    if (engine->setValue(m_key, EffectVector(m_x, m_y, m_z, m_w)) != ValueCheck::Accepted) {
        *this = CIVectorWrapper(m_filter, m_key, m_observer);
        return;
    }
    if (m_observer)
        m_observer(m_key);
}

} // namespace scrivane
