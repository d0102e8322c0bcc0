#include "app/TDAppDelegate.h"
#include "app/TDDocumentController.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "document/TDFolderIcon.h"

#include <QApplication>
#include <QStringList>

using namespace scrivane;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scrivane"));
    QApplication::setOrganizationName(QStringLiteral("Scrivane"));

    // The filters of the plug-in must be known before the first document
    // reads its effects.
    TDAppDelegate::loadBuiltInPlugIns(TDAppDelegate::plugInFolders(QCoreApplication::applicationDirPath()));
    // SVG goes through an importer that is not part of the program, when
    // one is installed.
    TDAppDelegate::loadSvgImporter(TDAppDelegate::plugInFolders(QCoreApplication::applicationDirPath()));

    // File managers that keep folder pictures in the desktop's file
    // metadata learn of each saved package's picture.
    TDDocument::setIconWriter([](const QString &path, const QImage &) { TDFolderIcon::publishMetadata(path); });

    TDAppDelegate delegate;
    TDDocumentController controller;
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &delegate, [&delegate](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            delegate.applicationDidResignActive();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate] { delegate.applicationWillTerminate(); });

    // The first window shows the start-up splash when it opens empty.
    TDGraphicView::resetSplash(true);

    QStringList paths = QCoreApplication::arguments();
    paths.removeFirst();
    delegate.launch(paths);
    return app.exec();
}
