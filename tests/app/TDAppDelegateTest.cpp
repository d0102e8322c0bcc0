// The application delegate: the registered defaults, the launch steps, the
// filter plug-in loaded at start, the menu key assignments while text is
// edited, and the export accessory the exporters read.

#include "AppTestSupport.h"
#include "TestEnvironment.h"

#include "app/TDExportPane.h"
#include "canvas/TDGraphicView.h"
#include "model/TDRectangle.h"
#include "platform/KeyedArchiver.h"
#include "platform/LinkService.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"
#include "platform/Profile.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/effects/EffectRegistry.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QUrl>

#include <functional>

using namespace scrivane;
using namespace scrivane::apptest;

namespace {
using DelegateTest = AppFixture;
using Item = TDAppDelegate::MenuItem;
} // namespace

TEST_F(DelegateTest, RegistersTheDefaultsTable)
{
    struct Case {
        const char *key;
        const char *value;
    };
    const Case cases[] = {
        {"fill visible", "YES"},       {"transform visible", "NO"},   {"effects toggle", "NO"},
        {"transform toggle", "YES"},   {"filters visible", "NO"},     {"autolockTools", "YES"},
        {"auto center", "YES"},        {"measurementUnits", "0"},     {"stroke scale key", "Z"},
        {"shape scale key", "`~"},     {"select new graphics", "YES"}, {"use pressure", "NO"},
        {"proof color space", "Generic CMYK Profile"},
        {"NSWindow Frame fill", "11 1024 220 146 0 0 1920 1178 "},
    };
    UserDefaults &defaults = UserDefaults::standard();
    for (const Case &c : cases)
        EXPECT_EQ(defaults.string(QString::fromUtf8(c.key)), QString::fromUtf8(c.value)) << c.key;
    EXPECT_EQ(TDAppDelegate::defaultsTable().size(), 27);

    const QVariantMap links = defaults.dictionary(QStringLiteral("inspector links"));
    EXPECT_EQ(links.size(), 7);
    EXPECT_EQ(links.value(QStringLiteral("text")).toString(), QStringLiteral("transform"));
    EXPECT_EQ(links.value(QStringLiteral("layers")).toString(), QStringLiteral("effects"));

    // Stored, not merely registered.
    EXPECT_EQ(defaults.integer(QStringLiteral("AppleAntiAliasingThreshold")), 1);
}

TEST_F(DelegateTest, AValueTheUserStoredOverridesTheRegisteredOne)
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setString(QStringLiteral("copy opaque background"), QStringLiteral("YES"));
    delegate->applicationWillFinishLaunching();
    EXPECT_EQ(defaults.string(QStringLiteral("copy opaque background")), QStringLiteral("YES"));
    defaults.removeObject(QStringLiteral("copy opaque background"));
    // The registered value follows the preferences file of the home folder,
    // which the test machine does not have.
    const bool word = QFileInfo::exists(
        QDir::home().filePath(QStringLiteral("Library/Preferences/com.microsoft.Word.plist")));
    EXPECT_EQ(defaults.string(QStringLiteral("copy opaque background")),
              word ? QStringLiteral("YES") : QStringLiteral("NO"));
}

TEST_F(DelegateTest, LaunchOpensAWindowAndAutosavesEveryFiveMinutes)
{
    EXPECT_EQ(TDApplicationServices::appDelegate(), delegate.get());
    EXPECT_NE(TDApplicationServices::unitsTransformer(), nullptr);
    delegate->launch({});
    EXPECT_TRUE(delegate->didFinishLaunching());
    ASSERT_EQ(controller->documents().size(), 1u);
    EXPECT_TRUE(controller->windows().front()->isVisible());
    EXPECT_EQ(controller->autosavingDelay(), 300);
    EXPECT_TRUE(delegate->exportPane()->isFormatEnabled(6));
    EXPECT_TRUE(delegate->exportPane()->isFormatEnabled(3));
}

TEST_F(DelegateTest, LaunchOpensTheDocumentsNamedAndNoUntitledOneBeside)
{
    TDDocument *document = controller->newDocument();
    addRectangle(document, Rect(10, 10, 50, 40));
    prompter->savePathAnswers.push_back(pathIn(QStringLiteral("Named.scrivane")));
    ASSERT_TRUE(controller->saveDocument(document));
    ASSERT_TRUE(controller->closeDocument(document));
    QCoreApplication::processEvents();

    delegate->launch({pathIn(QStringLiteral("Named.scrivane")), pathIn(QStringLiteral("Missing.scrivane"))});
    ASSERT_EQ(controller->documents().size(), 1u);
    EXPECT_EQ(graphicCount(controller->documents().front()), 1u);
    // The missing one was reported.
    EXPECT_EQ(prompter->errors.size(), 2);
}

TEST(TDAppDelegateProgramEntry, FindsTheFilterPlugInWhereTheBuildPutsIt)
{
    // The program lies in src/ of the build tree, the plug-in in plugins/.
    const QString program = QStringLiteral(SCRIVANE_BINARY_DIR "/src");
    const QString pluginFolder = QFileInfo(QStringLiteral(LUMENFOLD_PLUGIN)).absolutePath();
    QStringList folders;
    for (const QString &folder : TDAppDelegate::plugInFolders(program))
        folders << QFileInfo(folder).absoluteFilePath();
    EXPECT_TRUE(folders.contains(pluginFolder)) << folders.join(QLatin1Char(' ')).toStdString();

    const std::optional<EffectPluginLoad> load = TDAppDelegate::loadBuiltInPlugIns(TDAppDelegate::plugInFolders(program));
    ASSERT_TRUE(load.has_value());
    // Loading twice (the effect tests may have loaded it) registers nothing
    // new but must not fail the program's start.
    if (load->ok()) {
        EXPECT_FALSE(load->registered.isEmpty());
    }
    EXPECT_TRUE(EffectRegistry::shared().contains(QStringLiteral("QVDropShadow")));
    EXPECT_TRUE(EffectRegistry::shared().contains(QStringLiteral("QVReflection")))
        << EffectRegistry::shared().filterNames().join(QLatin1Char(' ')).toStdString();
}

TEST(TDAppDelegateProgramEntry, AMissingPlugInIsSkipped)
{
    EXPECT_FALSE(TDAppDelegate::loadBuiltInPlugIns({QStringLiteral("/nonexistent/plugins")}).has_value());
}

// The SVG importer found at start takes what the canvas is given as SVG;
// without one SVG adds nothing.
TEST_F(DelegateTest, TheSvgImporterFoundAtStartTakesTheSvgThatIsPasted)
{
    EXPECT_FALSE(TDAppDelegate::loadSvgImporter({QStringLiteral("/nonexistent/plugins")}));
    ASSERT_TRUE(TDAppDelegate::loadSvgImporter({QStringLiteral("/nonexistent/plugins"),
                                                QStringLiteral(SVG_IMPORTER_FOLDER)}));
    struct Reset {
        ~Reset() { TDGraphicView::setSVGImporter(nullptr); }
    } reset;

    TDDocument *document = controller->newDocument();
    TDGraphicView *view = controller->windowForDocument(document)->graphicView();
    auto rectangle = std::make_shared<TDRectangle>();
    rectangle->setInitialTransformation(TDGraphic::transformForBounds(Rect(10, 20, 30, 40)));
    const auto archive =
        KeyedArchiver::archivedData(PropertyList(PropertyList::Array{PropertyList(TDGraphicPtr(rectangle))}));
    ASSERT_TRUE(archive);
    // The test importer hands back what it is given.
    const auto svg = Pasteboard::withUniqueName();
    svg->declareTypes({Pasteboard::SVGType});
    svg->setData(*archive, Pasteboard::SVGType);
    view->paste(*svg, nullptr, true, false);
    EXPECT_EQ(graphicCount(document), 1u);
}

TEST_F(DelegateTest, EditingTextSwapsKeyEquivalentsAndBack)
{
    std::vector<std::unique_ptr<QAction>> actions;
    for (int i = 0; i < int(Item::Count); ++i) {
        actions.push_back(std::make_unique<QAction>());
        delegate->registerMenuItem(Item(i), actions.back().get());
    }
    auto shortcuts = [&] {
        QStringList keys;
        for (const auto &action : actions)
            keys << action->shortcut().toString(QKeySequence::PortableText);
        return keys;
    };
    const QStringList graphics = {"Ctrl++", "Ctrl+-", "", "", "Ctrl+Shift+\\", "", "Ctrl+G", "Ctrl+Shift+G", "", "",
                                  "Ctrl+Alt+V", ""};
    const QStringList text = {"", "", "Ctrl++", "Ctrl+-", "", "Ctrl+Shift+\\", "", "", "Ctrl+G", "Ctrl+Shift+G", "",
                              "Ctrl+Alt+V"};
    EXPECT_EQ(shortcuts(), graphics);
    delegate->setEditingText(true);
    EXPECT_EQ(shortcuts(), text);
    delegate->setEditingText(true);
    EXPECT_EQ(shortcuts(), text);
    delegate->setEditingText(false);
    EXPECT_EQ(shortcuts(), graphics);
}

TEST_F(DelegateTest, ExportAccessoryAnswersTheExporters)
{
    TDExportPane *pane = delegate->exportPane();
    struct Case {
        const char *typed;
        int dpi;
    };
    for (const Case c : {Case{"", 72}, Case{"0", 72}, Case{"abc", 72}, Case{"300", 300}, Case{"1", 1}}) {
        pane->resolutionField()->setText(QString::fromUtf8(c.typed));
        EXPECT_EQ(delegate->exportDPI(), c.dpi) << c.typed;
    }

    // Turning the selection scope off leaves the document scope chosen.
    pane->setScopeTag(0);
    EXPECT_EQ(delegate->exportDocumentBounds(), 0);
    delegate->enableSelectionBounds(false);
    EXPECT_EQ(delegate->exportDocumentBounds(), 1);
    EXPECT_FALSE(pane->selectionCell()->isEnabled());
    delegate->enableSelectionBounds(true);
    EXPECT_EQ(delegate->exportDocumentBounds(), 1);

    // The document follows the chosen format: JPEG has no transparency,
    // PDF no resolution.
    TDDocument *document = controller->newDocument();
    pane->setFormatTag(1);
    EXPECT_EQ(delegate->exportFormat(), 1);
    EXPECT_EQ(document->exportFormat(), (QStringList{"jpg", "jpeg"}));
    EXPECT_FALSE(pane->transparentBox()->isEnabled());
    EXPECT_TRUE(pane->resolutionField()->isEnabled());
    pane->setFormatTag(2);
    EXPECT_EQ(document->exportFormat(), QStringList{"pdf"});
    EXPECT_TRUE(pane->transparentBox()->isEnabled());
    EXPECT_FALSE(pane->resolutionField()->isEnabled());
    pane->transparentBox()->setChecked(true);
    EXPECT_TRUE(delegate->exportTransparent());
}

TEST_F(DelegateTest, ResigningActiveClearsTheFirstClickFlag)
{
    // The flag is the whole process's: the tests after this one in the same
    // process press on canvases and must find it as it was.
    struct Restore {
        bool was = TDAppDelegate::applicationWasActive();
        ~Restore() { TDAppDelegate::setApplicationWasActive(was); }
    } restore;
    TDAppDelegate::setApplicationWasActive(true);
    delegate->applicationDidResignActive();
    EXPECT_FALSE(TDAppDelegate::applicationWasActive());
}

// The help and web items hand an address to the desktop: the manual to
// its PDF viewer, the web page to the browser, the pictures folder to the
// file manager.
TEST_F(DelegateTest, HelpWebsiteAndMediaBrowserOpenWhatTheDesktopShows)
{
    QList<QUrl> opened;
    Workspace::setOpener([&opened](const QUrl &url) {
        opened.append(url);
        return true;
    });
    struct Reset {
        ~Reset() { Workspace::setOpener(nullptr); }
    } reset;
    TDDocumentWindow *window = controller->windowForDocument(controller->newDocument());
    ASSERT_TRUE(window);

    struct Row {
        const char *item;
        std::function<bool(const QUrl &)> expected;
    };
    const Row rows[] = {
        {"showHelp",
         [](const QUrl &url) {
             return url.isLocalFile() && QFileInfo(url.toLocalFile()).fileName() == QStringLiteral("Scrivane Manual.pdf");
         }},
        {"gotoWebsite", [](const QUrl &url) { return url == QUrl(TDAppDelegate::WebsiteAddress) && url.scheme() == "https"; }},
        {"showMediaBrowser",
         [](const QUrl &url) { return url.isLocalFile() && QFileInfo(url.toLocalFile()).isDir(); }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.item);
        opened.clear();
        QAction *item = window->action(QString::fromLatin1(row.item));
        ASSERT_TRUE(item);
        EXPECT_TRUE(item->isEnabled());
        item->trigger();
        ASSERT_EQ(opened.size(), 1);
        EXPECT_TRUE(row.expected(opened.front())) << opened.front().toString().toStdString();
    }
    EXPECT_EQ(window->action(QStringLiteral("showHelp"))->shortcut(), QKeySequence(QKeySequence::HelpContents));
}

TEST(TDAppDelegateProgramEntry, TheManualIsFoundBesideTheProgramOrWhereItIsInstalled)
{
    const QDir root(QString::fromStdString(test::temporaryFolder()));
    ASSERT_TRUE(root.mkpath(QStringLiteral("bin")) && root.mkpath(QStringLiteral("share/doc/scrivane")));
    const QString program = root.filePath(QStringLiteral("bin"));
    const QString installed = root.filePath(QStringLiteral("share/doc/scrivane/Scrivane Manual.pdf"));
    // Missing: the installed place, for the desktop to report.
    EXPECT_EQ(TDAppDelegate::manualPath(program), installed);
    QFile manual(installed);
    ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    manual.write("%PDF-1.4\n");
    manual.close();
    EXPECT_EQ(TDAppDelegate::manualPath(program), installed);
}

// The soft proof's profile: the one named in the defaults, else the first
// CMYK profile; a choice is remembered by name and announced.
TEST_F(DelegateTest, TheProofProfileIsChosenByItsNameAndAnnounced)
{
    const QString cmykPath = QStringLiteral("/usr/share/color/icc/ghostscript/default_cmyk.icc");
    const ProfilePtr cmyk = Profile::profileWithPath(cmykPath);
    if (!cmyk)
        GTEST_SKIP() << "no CMYK profile installed";
    const ProfilePtr rgb = Profile::profileWithGenericRGB();
    ASSERT_TRUE(rgb);
    ASSERT_NE(rgb->description(), cmyk->description());
    UserDefaults &defaults = UserDefaults::standard();
    struct Restore {
        QString was = UserDefaults::standard().string(QStringLiteral("proof color space"));
        ~Restore() { UserDefaults::standard().setString(QStringLiteral("proof color space"), was); }
    } restore;
    int announced = 0;
    NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("color proof did change"), nullptr,
                                                    [&announced](const Notification &) { ++announced; });

    defaults.setString(QStringLiteral("proof color space"), QStringLiteral("No such profile"));
    delegate->setProofProfiles({rgb, cmyk});
    EXPECT_EQ(delegate->proofProfileIndex(), 1) << "the first CMYK profile stands in";
    defaults.setString(QStringLiteral("proof color space"), rgb->description());
    delegate->setProofProfiles({rgb, cmyk});
    EXPECT_EQ(delegate->proofProfile(), rgb);
    EXPECT_EQ(announced, 0);

    delegate->setProofProfile(1);
    EXPECT_EQ(delegate->proofProfile(), cmyk);
    EXPECT_EQ(defaults.string(QStringLiteral("proof color space")), cmyk->description());
    EXPECT_EQ(announced, 1);
    // Out of the list: none, the stored name kept.
    delegate->setProofProfile(2);
    EXPECT_EQ(delegate->proofProfile(), nullptr);
    EXPECT_EQ(defaults.string(QStringLiteral("proof color space")), cmyk->description());
    EXPECT_EQ(announced, 2);
    NotificationCenter::defaultCenter().removeObserver(this);
}

// The delegate serves the link server: a request opens the item in a
// window of its own, a request for the same item shows that window again,
// and the client's close closes the document.
TEST_F(DelegateTest, ALinkEditOpensOneWindowThatTheLinksCloseCloses)
{
    QDBusConnection serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "delegate-link-server");
    QDBusConnection clientBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "delegate-link-client");
    struct Disconnect {
        ~Disconnect()
        {
            QDBusConnection::disconnectFromBus("delegate-link-server");
            QDBusConnection::disconnectFromBus("delegate-link-client");
        }
    } disconnect;
    if (!serverBus.isConnected() || !clientBus.isConnected())
        GTEST_SKIP() << "no session bus (run the tests inside dbus-run-session)";
    struct Client : LinkClientDelegate {
        void linkServerDidSendEdit(Link &) override {}
        void linkDidClose(Link &) override {}
    } client;
    {
        // Unique on the bus, so that test processes side by side do not
        // answer each other.
        const QString name = QStringLiteral("delegatetest%1").arg(QCoreApplication::applicationPid());
        LinkService server(serverBus);
        LinkService clientService(clientBus);
        ASSERT_TRUE(server.publishServer(name, delegate.get()));

        TDDocument source;
        auto item = std::make_shared<TDRectangle>();
        item->setTransformation(TDGraphic::transformForBounds(Rect(0, 0, 40, 20)));
        source.addGraphic(item);
        const auto bytes = TDDocument::linkDataForGraphics({item});
        ASSERT_TRUE(bytes);
        const PropertyList data =
            LinkService::linkDataWithServerName(name, LinkService::appData(*PropertyList::fromData(*bytes)));
        const size_t before = controller->documents().size();
        const QString key = LinkService::uniqueItemKey();

        const auto link = clientService.editLinkData(data, QStringLiteral("Client drawing"), &client, key);
        ASSERT_TRUE(link);
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller->documents().size() == before + 1; }, 5000));
        TDDocument *editing = controller->documents().back();
        ASSERT_TRUE(editing->link());
        EXPECT_EQ(graphicCount(editing), 1u);
        ASSERT_TRUE(controller->windowForDocument(editing));
        EXPECT_TRUE(controller->windowForDocument(editing)->isVisible());

        // Asked again for the same item: the same document, no second one.
        const auto again = clientService.editLinkData(data, QStringLiteral("Client drawing"), &client, key);
        ASSERT_TRUE(again);
        QDBusMessage ping = QDBusMessage::createMethodCall(serverBus.baseService(), LinkService::ObjectPath,
                                                           QStringLiteral("org.freedesktop.DBus.Peer"),
                                                           QStringLiteral("Ping"));
        clientBus.call(ping, QDBus::BlockWithGui, 5000);
        QTest::qWait(20);
        EXPECT_EQ(controller->documents().size(), before + 1);

        again->closeLink();
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller->documents().size() == before; }, 5000));
    }
}
