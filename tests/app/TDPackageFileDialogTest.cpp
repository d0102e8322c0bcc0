// The open and save dialogs treat document packages as documents: choosing
// one picks it instead of entering it, while plain folders are entered.

#include "app/TDDocumentController.h"
#include "app/TDPackageFileDialog.h"
#include "app/TDPackageProxyModel.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

using Purpose = TDPackageFileDialog::Purpose;

class PackageDialogTest : public ::testing::Test {
protected:
    PackageDialogTest() : folder(QString::fromStdString(test::temporaryFolder()))
    {
        QDir root(folder);
        root.mkpath(QStringLiteral("Drawing.scrivane"));
        root.mkpath(QStringLiteral("Old.verdane"));
        root.mkpath(QStringLiteral("Plain"));
        QFile note(root.filePath(QStringLiteral("note.txt")));
        note.open(QIODevice::WriteOnly);
        note.write("x");
    }

    QString path(const QString &name) const { return QDir(folder).filePath(name); }

    QString folder;
};

} // namespace

TEST_F(PackageDialogTest, PackagesAreFoldersWithADocumentExtension)
{
    const QStringList extensions = TDDocumentController::packageExtensions();
    EXPECT_TRUE(TDPackageProxyModel::isPackage(path(QStringLiteral("Drawing.scrivane")), extensions));
    EXPECT_TRUE(TDPackageProxyModel::isPackage(path(QStringLiteral("Old.verdane")), extensions));
    EXPECT_FALSE(TDPackageProxyModel::isPackage(path(QStringLiteral("Plain")), extensions));
    EXPECT_FALSE(TDPackageProxyModel::isPackage(path(QStringLiteral("note.txt")), extensions));
    EXPECT_FALSE(TDPackageProxyModel::isPackage(path(QStringLiteral("Missing.scrivane")), extensions));
}

TEST_F(PackageDialogTest, OpenChoosesAPackageAndEntersAPlainFolder)
{
    TDPackageFileDialog dialog(nullptr, Purpose::OpenDocuments, TDDocumentController::packageExtensions());
    dialog.setDirectory(folder);

    dialog.selectFile(path(QStringLiteral("Plain")));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(QFileInfo(dialog.directory().absolutePath()), QFileInfo(path(QStringLiteral("Plain"))));
    EXPECT_TRUE(dialog.chosenPaths().isEmpty());

    dialog.setDirectory(folder);
    dialog.selectFile(path(QStringLiteral("Drawing.scrivane")));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenPaths(), QStringList{path(QStringLiteral("Drawing.scrivane"))});
}

TEST_F(PackageDialogTest, EnteringAPackageChoosesItInstead)
{
    TDPackageFileDialog dialog(nullptr, Purpose::OpenDocuments, TDDocumentController::packageExtensions());
    dialog.setDirectory(folder);
    // What a double click on the package does in the list.
    Q_EMIT dialog.directoryEntered(path(QStringLiteral("Old.verdane")));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenPaths(), QStringList{path(QStringLiteral("Old.verdane"))});
    EXPECT_EQ(QFileInfo(dialog.directory().absolutePath()), QFileInfo(folder));
}

TEST_F(PackageDialogTest, SaveEndsInThePackageExtensionAndAsksBeforeReplacing)
{
    struct Case {
        const char *typed;
        bool replace;
        bool accepted;
        const char *chosen;
    };
    const Case cases[] = {
        {"New", false, true, "New.scrivane"},
        {"New.scrivane", false, true, "New.scrivane"},
        {"Drawing", false, false, ""},
        {"Drawing", true, true, "Drawing.scrivane"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        TDPackageFileDialog dialog(nullptr, Purpose::SaveDocument, TDDocumentController::packageExtensions());
        QStringList asked;
        dialog.confirmReplace = [&](const QString &p) {
            asked << p;
            return c.replace;
        };
        dialog.setDirectory(folder);
        dialog.selectFile(QString::fromUtf8(c.typed));
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(dialog.chosenPaths(), QStringList{path(QString::fromUtf8(c.chosen))});
        }
        const bool exists = QString::fromUtf8(c.typed).startsWith(QStringLiteral("Drawing"));
        EXPECT_EQ(asked.size(), exists ? 1 : 0);
    }
}

TEST(TDPackageFileDialog, ExportNamesEndInAnExtensionOfTheFormat)
{
    const QStringList jpeg = {QStringLiteral("jpg"), QStringLiteral("jpeg")};
    EXPECT_EQ(TDPackageFileDialog::withExtension(QStringLiteral("/a/b"), jpeg), QStringLiteral("/a/b.jpg"));
    EXPECT_EQ(TDPackageFileDialog::withExtension(QStringLiteral("/a/b.JPEG"), jpeg), QStringLiteral("/a/b.JPEG"));
    EXPECT_EQ(TDPackageFileDialog::withExtension(QStringLiteral("/a/b.png"), jpeg), QStringLiteral("/a/b.png.jpg"));
    EXPECT_EQ(TDPackageFileDialog::withExtension(QStringLiteral("/a/b"), {}), QStringLiteral("/a/b"));
}
