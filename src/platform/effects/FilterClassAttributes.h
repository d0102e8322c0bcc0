#pragma once

#include <QString>
#include <QStringList>

namespace scrivane {

// The attributes of a filter class, given when it is registered: its name
// (the one documents store), the name users see and its categories
// (FilterCategory.h).
struct FilterClassAttributes {
    QString name;
    QString displayName;
    QStringList categories;

    bool hasCategory(const QString &category) const { return categories.contains(category); }
};

} // namespace scrivane
