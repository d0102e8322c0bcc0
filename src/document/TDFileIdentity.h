#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace scrivane {

// What stands at a path, as far as telling whether another program
// replaced or changed it goes: the device and inode (through links, so a
// link turned to point elsewhere differs) and the modification time of the
// drawing: the file's own, or for a package folder that of the file its
// drawing is read from ("data.yaml" or "data").  The folder's own time is
// left out: file managers add hidden files to folders they show, which
// changes no drawing.
class TDFileIdentity {
public:
    // Nothing when nothing can be found at the path.
    static std::optional<TDFileIdentity> of(const QString &path);

    friend bool operator==(const TDFileIdentity &, const TDFileIdentity &) = default;

    quint64 device = 0;
    quint64 inode = 0;
    // Nanoseconds since the epoch; -1 for a package without a drawing.
    qint64 modified = -1;
};

} // namespace scrivane
