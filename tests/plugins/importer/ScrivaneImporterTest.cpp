// The text plug-in loaded by path and driven through its factory, and
// scrivane-extract run as a desktop-search tool runs it, on packages the
// document code saved and on hostile ones.

#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/KeyedArchiver.h"
#include "platform/MetadataAttributeTable.h"
#include "platform/PluginModule.h"
#include "platform/PluginUUID.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

// An attributed string as an archive stores it: its characters under
// "NSString", beside attributes the plug-in does not read.
class AttributedText : public Archivable {
public:
    explicit AttributedText(QString text) : m_text(std::move(text)) {}
    QString archiveClassName() const override { return QStringLiteral("NSAttributedString"); }
    void encode(KeyedArchiver &archiver) const override
    {
        archiver.encodeObject(PropertyList(m_text), QStringLiteral("NSString"));
        PropertyList attributes{PropertyList::Dictionary()};
        attributes.insert(QStringLiteral("NSFont"), PropertyList(QStringLiteral("DejaVu Sans 12")));
        archiver.encodeObject(attributes, QStringLiteral("NSAttributes"));
    }

private:
    QString m_text;
};

QByteArray archivedText(const QString &text)
{
    return KeyedArchiver::archivedData(PropertyList(std::make_shared<AttributedText>(text))).value_or(QByteArray());
}

// A rectangle with a text fill and/or a text stroke (empty: none).
TDGraphicPtr textGraphic(const QString &fillText, const QString &strokeText = QString())
{
    auto graphic = std::make_shared<TDRectangle>();
    graphic->setTransformation(TDGraphic::transformForBounds(Rect(10, 10, 100, 40)));
    if (!fillText.isEmpty()) {
        PropertyList fill{PropertyList::Dictionary()};
        fill.insert(QStringLiteral("FillStyle"), TDFillStyle::TextFill);
        fill.insert(QStringLiteral("FillTextKey"), PropertyList(archivedText(fillText)));
        graphic->fillStyle()->initWithDictionary(fill);
    }
    if (!strokeText.isEmpty()) {
        PropertyList stroke{PropertyList::Dictionary()};
        stroke.insert(QStringLiteral("StrokeStyle"), TDStrokeStyle::TextStroke);
        stroke.insert(QStringLiteral("text"), PropertyList(archivedText(strokeText)));
        graphic->strokeStyle()->initWithDictionary(stroke);
    }
    return graphic;
}

TDGraphicPtr plainGraphic()
{
    auto graphic = std::make_shared<TDRectangle>();
    graphic->setTransformation(TDGraphic::transformForBounds(Rect(0, 0, 5, 5)));
    return graphic;
}

QString folder()
{
    return QString::fromStdString(test::temporaryFolder());
}

// Saves a document whose layers hold the given graphics.
QString save(const std::vector<TDGraphicArray> &layers, const QString &name)
{
    TDModelArchiving::registerClasses();
    TDDocument document;
    std::vector<std::shared_ptr<TDLayer>> all;
    for (size_t i = 0; i < layers.size(); ++i) {
        auto layer = TDLayer::layerWithName(QStringLiteral("Layer %1").arg(i + 1), &document);
        for (const auto &graphic : layers[i])
            layer->addGraphicVeryQuietly(graphic);
        all.push_back(layer);
    }
    document.setLayers(all);
    const QString path = QDir(folder()).filePath(name);
    EXPECT_TRUE(document.saveDocumentTo(path, TDDocument::ScrivaneType)) << document.lastError().toStdString();
    return path;
}

// A package whose "data" holds `data` (none when null).
QString package(const QString &name, const QByteArray &data)
{
    const QString path = QDir(folder()).filePath(name);
    QDir().mkpath(path);
    if (!data.isNull()) {
        QFile file(QDir(path).filePath(QStringLiteral("data")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }
    return path;
}

// A keyed archive in XML whose root is a chain of `depth` dictionaries, the
// first holding the next under "Layers", each other under "Graphics"
// (`fanOut` times over), and each the text fill `text`; with `cycle` the
// last one holds the first again.
QByteArray chainArchive(int depth, bool cycle, const QString &text, int fanOut = 1)
{
    // Objects: 0 $null, 1 dictionary class, 2 array class, 3 "Graphics",
    // 4 "Fill", 5 "FillTextKey", 6 the text data, 7 the fill dictionary,
    // then per level a dictionary (8 + 2i) and its children array (9 + 2i),
    // then "Layers".
    auto uid = [](int n) { return QStringLiteral("<dict><key>CF$UID</key><integer>%1</integer></dict>").arg(n); };
    auto dictionary = [&](const QList<int> &keys, const QList<int> &values) {
        QString keyRefs, valueRefs;
        for (int k : keys)
            keyRefs += uid(k);
        for (int v : values)
            valueRefs += uid(v);
        return QStringLiteral("<dict><key>$class</key>%1<key>NS.keys</key><array>%2</array>"
                              "<key>NS.objects</key><array>%3</array></dict>")
            .arg(uid(1), keyRefs, valueRefs);
    };
    QString objects = QStringLiteral("<string>$null</string>"
                                     "<dict><key>$classname</key><string>NSDictionary</string></dict>"
                                     "<dict><key>$classname</key><string>NSArray</string></dict>"
                                     "<string>Graphics</string><string>Fill</string><string>FillTextKey</string>");
    objects += QStringLiteral("<data>%1</data>").arg(QString::fromLatin1(archivedText(text).toBase64()));
    objects += dictionary({5}, {6});
    const int layersKey = 8 + 2 * depth;
    for (int i = 0; i < depth; ++i) {
        objects += dictionary({i == 0 ? layersKey : 3, 4}, {9 + 2 * i, 7});
        QString children;
        if (i + 1 < depth)
            children = uid(10 + 2 * i).repeated(fanOut);
        else if (cycle)
            children = uid(8);
        objects += QStringLiteral("<dict><key>$class</key>%1<key>NS.objects</key><array>%2</array></dict>")
                       .arg(uid(2), children);
    }
    objects += QStringLiteral("<string>Layers</string>");
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                          "<key>$archiver</key><string>NSKeyedArchiver</string>"
                          "<key>$version</key><integer>100000</integer>"
                          "<key>$top</key><dict><key>root</key>%1</dict>"
                          "<key>$objects</key><array>%2</array></dict></plist>\n")
        .arg(uid(8), objects)
        .toUtf8();
}

const PluginModule &module()
{
    static const std::unique_ptr<PluginModule> loaded = [] {
        QString error;
        auto m = PluginModule::load(QStringLiteral(IMPORTER_PLUGIN), &error);
        if (!m)
            ADD_FAILURE() << error.toStdString();
        return m;
    }();
    if (!loaded)
        std::abort();
    return *loaded;
}

PluginInstance<MetadataImporterInterface> importer(const char *interfaceID = MetadataImporterInterfaceID)
{
    QString error;
    auto instance = module().createInstance<MetadataImporterInterface>(
        "MetadataImporterPluginFactory", PluginUUID::fromString(MetadataImporterTypeID),
        PluginUUID::fromString(interfaceID), &error);
    EXPECT_TRUE(instance) << error.toStdString();
    return instance;
}

struct Extracted {
    int status = -1;
    QString text;
    QString errors;
};

Extracted extract(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral(EXTRACT), {path});
    Extracted result;
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << "scrivane-extract did not finish";
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.text = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

} // namespace

TEST(ScrivaneImporter, GathersTheTextsInDocumentOrderOneNewlineApart)
{
    const struct {
        const char *what;
        std::vector<TDGraphicArray> layers;
        std::optional<QString> text;
    } cases[] = {
        {"one text fill", {{textGraphic("abc")}}, QStringLiteral("abc")},
        {"two layers", {{textGraphic("one")}, {textGraphic("two")}}, QStringLiteral("one\ntwo")},
        {"fill and stroke", {{textGraphic("fill", "stroke")}}, QStringLiteral("fill\nstroke")},
        {"stroke only", {{plainGraphic(), textGraphic(QString(), "path text")}}, QStringLiteral("path text")},
        {"group in a layer",
         {{textGraphic("before"),
           TDGroup::groupWithGraphics({textGraphic("first"), plainGraphic(),
                                       TDGroup::groupWithGraphics({textGraphic("inner")}), textGraphic("last")}),
           textGraphic("after")}},
         QStringLiteral("before\nfirst\ninner\nlast\nafter")},
        {"lines and other scripts", {{textGraphic("two\nlines"), textGraphic("Grüße ✓")}},
         QStringLiteral("two\nlines\nGrüße ✓")},
        {"no text", {{plainGraphic()}, {}}, std::nullopt},
    };
    int n = 0;
    for (const auto &c : cases) {
        const QString path = save(c.layers, QStringLiteral("text%1.scrivane").arg(n++));

        MetadataAttributeTable attributes;
        const auto i = importer();
        ASSERT_TRUE(i);
        EXPECT_TRUE(i->GetMetadataForFile(i.get(), &attributes, "com.quelmont.scrivane.scrivane",
                                          path.toUtf8().constData()))
            << c.what;
        EXPECT_EQ(attributes.contains(QLatin1String(TextContentAttribute)), c.text.has_value()) << c.what;
        if (c.text) {
            EXPECT_EQ(attributes.value(QLatin1String(TextContentAttribute)), *c.text) << c.what;
        }

        // The host prints the same, one piece a line.
        const Extracted run = extract(path);
        EXPECT_EQ(run.status, 0) << c.what << ": " << run.errors.toStdString();
        EXPECT_EQ(run.text, c.text ? *c.text + QLatin1Char('\n') : QString()) << c.what;
        EXPECT_TRUE(run.errors.isEmpty()) << c.what;
    }
}

TEST(ScrivaneImporter, FactoryAnswersTheImporterAndBaseInterfacesOnly)
{
    EXPECT_TRUE(importer(PluginBaseInterfaceID));
    QString error;
    EXPECT_FALSE(module().createInstance<MetadataImporterInterface>(
        "MetadataImporterPluginFactory", PluginUUID::fromString(MetadataImporterTypeID),
        PluginUUID::fromString(PreviewGeneratorCallbacksInterfaceID), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("lacks the interface"))) << error.toStdString();
    EXPECT_FALSE(module().createInstance<MetadataImporterInterface>(
        "MetadataImporterPluginFactory", PluginUUID::fromString(PreviewGeneratorTypeID),
        PluginUUID::fromString(MetadataImporterInterfaceID), &error));

    const auto i = importer();
    ASSERT_TRUE(i);
    EXPECT_EQ(i->AddRef(i.get()), 2u);
    EXPECT_EQ(i->Release(i.get()), 1u);
}

TEST(ScrivaneImporter, UnreadablePackagesFailWithOneLine)
{
    const struct {
        const char *what;
        QString path;
    } cases[] = {
        {"package without data", package(QStringLiteral("nodata.scrivane"), QByteArray())},
        {"data that is no archive", package(QStringLiteral("junk.scrivane"), QByteArrayLiteral("junk"))},
        {"archive that contains itself", package(QStringLiteral("cycle.scrivane"), chainArchive(3, true, "x"))},
        {"archive nested too deep", package(QStringLiteral("deep.scrivane"), chainArchive(5000, false, "x"))},
        // 60 small objects that unfold into 2^60 graphics.
        {"archive unfolding without end",
         package(QStringLiteral("unfold.scrivane"), chainArchive(60, false, "x", 2))},
        {"missing path", QDir(folder()).filePath(QStringLiteral("missing.scrivane"))},
    };
    for (const auto &c : cases) {
        MetadataAttributeTable attributes;
        const auto i = importer();
        ASSERT_TRUE(i);
        EXPECT_FALSE(i->GetMetadataForFile(i.get(), &attributes, "com.quelmont.scrivane.scrivane",
                                           c.path.toUtf8().constData()))
            << c.what;
        EXPECT_TRUE(attributes.values().isEmpty()) << c.what;
        EXPECT_FALSE(attributes.failure().isEmpty()) << c.what;

        const Extracted run = extract(c.path);
        EXPECT_EQ(run.status, 1) << c.what;
        EXPECT_TRUE(run.text.isEmpty()) << c.what;
        EXPECT_TRUE(run.errors.startsWith(QStringLiteral("scrivane-extract: "))) << c.what;
        EXPECT_EQ(run.errors.count(QLatin1Char('\n')), 1) << c.what << ": " << run.errors.toStdString();
    }
}

TEST(ScrivaneImporter, ReadsNestingAsDeepAsAnArchiveMayHold)
{
    // A chain as deep as the archive reader accepts reads whole, every level
    // in order.
    const Extracted run = extract(package(QStringLiteral("chain.scrivane"), chainArchive(150, false, "t")));
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_EQ(run.text.count(QLatin1Char('t')), 150);
}
