// The SVG importer found at run time: where it is looked for, what is
// refused as one, and that what it hands back is read as an archive from
// outside (junk gives nothing).  The test importer echoes its input.

#include "DocumentTestSupport.h"
#include "TestEnvironment.h"

#include "document/TDSvgImportPlugin.h"
#include "model/TDModelArchiving.h"
#include "model/TDRectangle.h"
#include "platform/KeyedArchiver.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {
const QString folder = QStringLiteral(SVG_IMPORTER_FOLDER);
} // namespace

TEST(TDSvgImportPlugin, IsFoundInTheFirstFolderThatHoldsIt)
{
    QString error;
    const QString empty = QString::fromStdString(test::temporaryFolder());
    EXPECT_FALSE(TDSvgImportPlugin::find({empty}, &error));
    EXPECT_TRUE(error.isEmpty()) << "no importer is no error";

    const auto plugin = TDSvgImportPlugin::find({empty, folder, empty}, &error);
    ASSERT_TRUE(plugin) << error.toStdString();
    EXPECT_EQ(plugin->path(), QDir(folder).filePath(QStringLiteral("SVG.so")));
}

TEST(TDSvgImportPlugin, AModuleThatIsNoImporterIsRefusedWithTheReason)
{
    // A file of that name that is no module at all.
    const QString junk = QString::fromStdString(test::temporaryFolder());
    QFile file(QDir(junk).filePath(QStringLiteral("SVG.so")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a module");
    file.close();
    QString error;
    EXPECT_FALSE(TDSvgImportPlugin::find({junk, folder}, &error)) << "the first one found is the one";
    EXPECT_TRUE(error.contains(QStringLiteral("cannot be loaded"))) << error.toStdString();
}

TEST(TDSvgImportPlugin, GraphicsComeBackThroughTheArchiveReader)
{
    TDModelArchiving::registerClasses();
    const auto plugin = TDSvgImportPlugin::find({folder});
    ASSERT_TRUE(plugin);

    auto rectangle = std::make_shared<TDRectangle>();
    rectangle->setInitialTransformation(TDGraphic::transformForBounds(Rect(10, 20, 30, 40)));
    const auto archive =
        KeyedArchiver::archivedData(PropertyList(PropertyList::Array{PropertyList(TDGraphicPtr(rectangle))}));
    ASSERT_TRUE(archive);

    const TDGraphicArray graphics = plugin->graphicsFromSVG(*archive);
    ASSERT_EQ(graphics.size(), 1u);
    ASSERT_TRUE(std::dynamic_pointer_cast<TDRectangle>(graphics.front()));
    EXPECT_EQ(graphics.front()->bounds(), Rect(10, 20, 30, 40));

    struct Row {
        const char *name;
        QByteArray input;
    };
    const Row rows[] = {
        {"refused by the importer", QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"/>")},
        {"nothing", QByteArray()},
        {"junk that looks like an archive", QByteArray("bplist00") + QByteArray(64, '\xff')},
        {"an archive of no graphics", *KeyedArchiver::archivedData(PropertyList(QStringLiteral("text")))},
    };
    for (const Row &row : rows)
        EXPECT_TRUE(plugin->graphicsFromSVG(row.input).empty()) << row.name;
}
