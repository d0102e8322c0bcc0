#include "app/CITransformWrapper.h"

#include "model/TDFilter.h"
#include "platform/effects/EffectFilter.h"

namespace scrivane {

CITransformWrapper::CITransformWrapper(std::shared_ptr<TDFilter> filter, const QString &key, Observer observer)
    : m_filter(std::move(filter)), m_key(key), m_observer(std::move(observer))
{
    if (const EffectFilter *engine = m_filter ? m_filter->filter() : nullptr; engine && engine->hasInput(key))
        m_transform = engine->transform(key);
}

void CITransformWrapper::setM11(double value)
{
    m_transform.m11 = value;
    write();
}

void CITransformWrapper::setM12(double value)
{
    m_transform.m12 = value;
    write();
}

void CITransformWrapper::setM21(double value)
{
    m_transform.m21 = value;
    write();
}

void CITransformWrapper::setM22(double value)
{
    m_transform.m22 = value;
    write();
}

void CITransformWrapper::setTX(double value)
{
    m_transform.tX = value;
    write();
}

void CITransformWrapper::setTY(double value)
{
    m_transform.tY = value;
    write();
}

void CITransformWrapper::write()
{
    EffectFilter *engine = m_filter ? m_filter->filter() : nullptr;
    if (!engine)
        return;
    if (engine->setValue(m_key, m_transform) != ValueCheck::Accepted) {
        m_transform = engine->transform(m_key);
        return;
    }
    if (m_observer)
        m_observer(m_key);
}

} // namespace scrivane
