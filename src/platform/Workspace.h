#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace scrivane {

// The desktop's handling of files and addresses: a file opens in the
// application the user chose for its type, an address in the default web
// browser, a folder in the file manager.  What cannot be opened is the
// desktop's to report.  Tests put their own opener in place.
class Workspace {
public:
    using Opener = std::function<bool(const QUrl &)>;

    // Hands the address to the desktop; false when it refused at once.
    static bool openURL(const QUrl &url);
    static bool openFile(const QString &path);
    // Replaces the desktop's opener; null puts it back.
    static void setOpener(Opener opener);
};

} // namespace scrivane
