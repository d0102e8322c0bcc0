#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace scrivane {

class TDFilter;

// A vector input of an effect's filter as four separately editable numbers
// X, Y, Z and W (a component the vector lacks reads 0).  Setting one writes
// the whole vector back to the input and tells the observer the input key.
class CIVectorWrapper {
public:
    using Observer = std::function<void(const QString &key)>;

    // Holds the effect (the filter lives as long as the wrapper does).
    CIVectorWrapper(std::shared_ptr<TDFilter> filter, const QString &key, Observer observer = {});

    const std::shared_ptr<TDFilter> &filter() const { return m_filter; }
    const QString &key() const { return m_key; }

    double X() const { return m_x; }
    double Y() const { return m_y; }
    double Z() const { return m_z; }
    double W() const { return m_w; }
    // Component i (0 to 3: X, Y, Z, W).
    double component(int i) const;

    void setX(double x);
    void setY(double y);
    void setZ(double z);
    void setW(double w);
    void setComponent(int i, double value);
    // Both at once, one write and one report.
    void setXY(double x, double y);

private:
    void write();

    std::shared_ptr<TDFilter> m_filter;
    QString m_key;
    Observer m_observer;
    double m_x = 0;
    double m_y = 0;
    double m_z = 0;
    double m_w = 0;
};

} // namespace scrivane
