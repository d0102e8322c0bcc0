// What `cmake --install` puts into a prefix: the program, its plug-ins,
// both command-line hosts, the desktop entry, the MIME type and the
// thumbnailer entry; and the installed thumbnailer works on a package.

#include "TestEnvironment.h"

#include "app/TDAppDelegate.h"
#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDRectangle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

struct Installed {
    QString prefix;
    QString output;
    bool ok = false;
};

// One installation for all the tests of the process.
const Installed &installed()
{
    static const Installed result = [] {
        Installed r;
        r.prefix = QDir(QString::fromStdString(test::temporaryFolder())).filePath(QStringLiteral("prefix"));
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(CMAKE_COMMAND),
                      {QStringLiteral("--install"), QStringLiteral(SCRIVANE_BINARY_DIR), QStringLiteral("--prefix"),
                       r.prefix});
        r.ok = install.waitForFinished(120000) && install.exitStatus() == QProcess::NormalExit &&
               install.exitCode() == 0;
        r.output = QString::fromLocal8Bit(install.readAll());
        return r;
    }();
    return result;
}

QString libraryDir()
{
    return QStringLiteral(SCRIVANE_INSTALL_LIBDIR);
}

} // namespace

TEST(Install, PutsEveryProgramPlugInAndDesktopFileIntoThePrefix)
{
    const Installed &in = installed();
    ASSERT_TRUE(in.ok) << in.output.toStdString();
    const QDir prefix(in.prefix);
    struct Entry {
        QString path;
        bool executable;
    };
    const QString plugins = libraryDir() + QStringLiteral("/scrivane/plugins/");
    const Entry entries[] = {
        {QStringLiteral("bin/scrivane"), true},
        {QStringLiteral("bin/scrivane-thumbnailer"), true},
        {QStringLiteral("bin/scrivane-extract"), true},
        {plugins + QStringLiteral("Lumenfold.so"), false},
        {plugins + QStringLiteral("ScrivanePreview.so"), false},
        {plugins + QStringLiteral("ScrivaneImporter.so"), false},
        {QStringLiteral("share/applications/scrivane.desktop"), false},
        {QStringLiteral("share/mime/packages/scrivane.xml"), false},
        {QStringLiteral("share/thumbnailers/scrivane.thumbnailer"), false},
    };
    for (const Entry &entry : entries) {
        SCOPED_TRACE(entry.path.toStdString());
        const QFileInfo info(prefix.filePath(entry.path));
        EXPECT_TRUE(info.isFile());
        if (entry.executable) {
            EXPECT_TRUE(info.isExecutable());
        }
    }
    // The desktop files name what was installed.
    QFile desktop(prefix.filePath(QStringLiteral("share/applications/scrivane.desktop")));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    EXPECT_TRUE(desktop.readAll().contains("Exec=scrivane "));
    QFile thumbnailer(prefix.filePath(QStringLiteral("share/thumbnailers/scrivane.thumbnailer")));
    ASSERT_TRUE(thumbnailer.open(QIODevice::ReadOnly));
    EXPECT_TRUE(thumbnailer.readAll().contains("Exec=scrivane-thumbnailer "));

    // The installed program finds its filter plug-in from where it lies.
    bool found = false;
    for (const QString &folder : TDAppDelegate::plugInFolders(prefix.filePath(QStringLiteral("bin"))))
        found = found || QFileInfo::exists(QDir(folder).filePath(TDAppDelegate::LumenfoldFileName));
    EXPECT_TRUE(found);
}

TEST(Install, TheInstalledThumbnailerDrawsAPackage)
{
    const Installed &in = installed();
    ASSERT_TRUE(in.ok) << in.output.toStdString();
    const QDir work(QString::fromStdString(test::temporaryFolder()));
    const QString package = work.filePath(QStringLiteral("Red.scrivane"));
    {
        TDDocument document;
        auto rectangle = std::make_shared<TDRectangle>();
        rectangle->setInitialTransformation(TDGraphic::transformForBounds(Rect(0, 0, 200, 100)));
        rectangle->fillStyle()->setStyle(TDFillColor);
        rectangle->fillStyle()->setColor(Color::calibratedRGB(1, 0, 0));
        document.addGraphic(rectangle);
        ASSERT_TRUE(document.saveDocumentAs(package, TDDocument::ScrivaneType))
            << document.lastError().toStdString();
    }
    const QString png = work.filePath(QStringLiteral("thumbnail.png"));
    QProcess thumbnailer;
    thumbnailer.setProcessChannelMode(QProcess::MergedChannels);
    // Run from elsewhere: it must find its plug-in from where it is
    // installed, not from the build tree.
    thumbnailer.setWorkingDirectory(work.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("SCRIVANE_PLUGIN_PATH"));
    thumbnailer.setProcessEnvironment(environment);
    thumbnailer.start(QDir(in.prefix).filePath(QStringLiteral("bin/scrivane-thumbnailer")),
                      {QStringLiteral("-s"), QStringLiteral("64"), package, png});
    ASSERT_TRUE(thumbnailer.waitForFinished(60000));
    EXPECT_EQ(thumbnailer.exitCode(), 0) << thumbnailer.readAll().toStdString();
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(std::max(image.width(), image.height()), 64);
    const QColor middle = image.pixelColor(image.width() / 2, image.height() / 2);
    EXPECT_GT(middle.red(), 200);
    EXPECT_LT(middle.green(), 60);
}
