#pragma once

#include "platform/effects/EffectTransform.h"

#include <QString>

#include <functional>
#include <memory>

namespace scrivane {

class TDFilter;

// A transform input of an effect's filter as six separately editable
// numbers.  Setting one writes the whole transform back to the input and
// tells the observer the input key.
class CITransformWrapper {
public:
    using Observer = std::function<void(const QString &key)>;

    // Holds the effect (the filter lives as long as the wrapper does).
    CITransformWrapper(std::shared_ptr<TDFilter> filter, const QString &key, Observer observer = {});

    const std::shared_ptr<TDFilter> &filter() const { return m_filter; }
    const QString &key() const { return m_key; }

    double m11() const { return m_transform.m11; }
    double m12() const { return m_transform.m12; }
    double m21() const { return m_transform.m21; }
    double m22() const { return m_transform.m22; }
    double tX() const { return m_transform.tX; }
    double tY() const { return m_transform.tY; }

    void setM11(double value);
    void setM12(double value);
    void setM21(double value);
    void setM22(double value);
    void setTX(double value);
    void setTY(double value);

private:
    void write();

    std::shared_ptr<TDFilter> m_filter;
    QString m_key;
    Observer m_observer;
    EffectTransform m_transform;
};

} // namespace scrivane
