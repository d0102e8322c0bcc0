#include "platform/Workspace.h"

#include <QDesktopServices>

#include <utility>

namespace scrivane {

namespace {
Workspace::Opener &replacement()
{
    static Workspace::Opener opener;
    return opener;
}
} // namespace

bool Workspace::openURL(const QUrl &url)
{
    if (!url.isValid())
        return false;
    if (const Opener &opener = replacement())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

bool Workspace::openFile(const QString &path)
{
    return !path.isEmpty() && openURL(QUrl::fromLocalFile(path));
}

void Workspace::setOpener(Opener opener)
{
    replacement() = std::move(opener);
}

} // namespace scrivane
