#include "app/TDAppDelegate.h"

#include "app/TDDocumentController.h"
#include "app/TDDocumentWindow.h"
#include "app/TDExportPane.h"
#include "app/TDScriptingService.h"
#include "app/TDInspectorController.h"
#include "app/TDSnapPanel.h"
#include "app/UnitsTransformer.h"
#include "app/UnitsTransformerService.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "document/TDSvgImportPlugin.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"

#include <QAction>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QDebug>
#include <QDir>
#include <QCoreApplication>
#include <QUrl>
#include <QStandardPaths>
#include <QFileInfo>

// Where the installed program's plug-ins lie, from the program's folder.
#ifndef SCRIVANE_INSTALLED_PLUGIN_DIR
#define SCRIVANE_INSTALLED_PLUGIN_DIR "../lib/scrivane/plugins"
#endif

namespace scrivane {

namespace {
TDAppDelegate *g_shared = nullptr;

const QString RulerUnitsDidChange = QStringLiteral("Ruler units did change");
} // namespace

TDAppDelegate::TDAppDelegate(QObject *parent)
    : QObject(parent), m_units(std::make_unique<UnitsTransformerService>())
{
    g_shared = this;
    TDApplicationServices::setAppDelegate(this);
    TDApplicationServices::setUnitsTransformer(m_units.get());
    // Every canvas's soft proof shows the profile chosen here.
    TDGraphicView::setProofProfileSource([] {
        return g_shared ? g_shared->proofProfile() : nullptr;
    });
}

TDAppDelegate::~TDAppDelegate()
{
    if (TDApplicationServices::appDelegate() == this)
        TDApplicationServices::setAppDelegate(nullptr);
    if (TDApplicationServices::unitsTransformer() == m_units.get())
        TDApplicationServices::setUnitsTransformer(nullptr);
    if (g_shared == this) {
        g_shared = nullptr;
        TDGraphicView::setProofProfileSource({});
    }
}

TDAppDelegate *TDAppDelegate::shared()
{
    return g_shared;
}

// --- Program entry ---------------------------------------------------------------

const QString TDAppDelegate::LumenfoldFileName = QStringLiteral("Lumenfold.so");

QStringList TDAppDelegate::plugInFolders(const QString &applicationDirPath)
{
    QStringList folders;
    const QString fromEnvironment = qEnvironmentVariable("SCRIVANE_PLUGIN_PATH");
    if (!fromEnvironment.isEmpty())
        folders << fromEnvironment;
    const QDir program(applicationDirPath);
    folders << program.filePath(QStringLiteral("plugins"))
            << QDir::cleanPath(program.filePath(QStringLiteral("../plugins")))
            << QDir::cleanPath(program.filePath(QStringLiteral(SCRIVANE_INSTALLED_PLUGIN_DIR)));
    return folders;
}

std::optional<EffectPluginLoad> TDAppDelegate::loadBuiltInPlugIns(const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(LumenfoldFileName);
        if (!QFileInfo::exists(path))
            continue;
        EffectPluginLoad load = EffectRegistry::shared().loadPlugin(path);
        if (!load.ok())
            qWarning().noquote() << QStringLiteral("The filter plug-in “%1” could not be loaded: %2")
                                        .arg(path, load.error);
        return load;
    }
    return std::nullopt;
}

bool TDAppDelegate::loadSvgImporter(const QStringList &folders)
{
    QString error;
    std::shared_ptr<TDSvgImportPlugin> importer = TDSvgImportPlugin::find(folders, &error);
    if (!error.isEmpty())
        qWarning().noquote() << error;
    if (!importer)
        return false;
    TDGraphicView::setSVGImporter([importer](const QByteArray &svg) { return importer->graphicsFromSVG(svg); });
    return true;
}

bool TDAppDelegate::applicationWasActive()
{
    return TDGraphicView::applicationWasActive();
}

void TDAppDelegate::setApplicationWasActive(bool active)
{
    // The canvases read it: a press that activates the application does
    // not reach their tools.
    TDGraphicView::setApplicationWasActive(active);
}

// --- Launch and quit ---------------------------------------------------------------

QVariantMap TDAppDelegate::defaultsTable()
{
    const QString yes = QStringLiteral("YES");
    const QString no = QStringLiteral("NO");
    QVariantMap d;
    d.insert(QStringLiteral("fill visible"), yes);
    d.insert(QStringLiteral("stroke visible"), yes);
    d.insert(QStringLiteral("layers visible"), yes);
    d.insert(QStringLiteral("effects visible"), yes);
    d.insert(QStringLiteral("layout visible"), yes);
    d.insert(QStringLiteral("grid visible"), yes);
    d.insert(QStringLiteral("transform visible"), no);
    d.insert(QStringLiteral("fill toggle"), yes);
    d.insert(QStringLiteral("stroke toggle"), yes);
    d.insert(QStringLiteral("layers toggle"), yes);
    d.insert(QStringLiteral("effects toggle"), no);
    d.insert(QStringLiteral("layout toggle"), no);
    d.insert(QStringLiteral("grid toggle"), no);
    d.insert(QStringLiteral("transform toggle"), yes);
    d.insert(QStringLiteral("filters toggle"), yes);
    d.insert(QStringLiteral("filters visible"), no);
    d.insert(QStringLiteral("autolockTools"), yes);
    d.insert(QStringLiteral("auto center"), yes);
    d.insert(QStringLiteral("measurementUnits"), QStringLiteral("0"));
    d.insert(QStringLiteral("stroke scale key"), QStringLiteral("Z"));
    d.insert(QStringLiteral("shape scale key"), QStringLiteral("`~"));
    d.insert(QStringLiteral("select new graphics"), yes);
    d.insert(QStringLiteral("use pressure"), no);
    d.insert(QStringLiteral("NSWindow Frame fill"), QStringLiteral("11 1024 220 146 0 0 1920 1178 "));
    QVariantMap links;
    links.insert(QStringLiteral("effects"), QStringLiteral("stroke"));
    links.insert(QStringLiteral("grid"), QStringLiteral("layout"));
    links.insert(QStringLiteral("layers"), QStringLiteral("effects"));
    links.insert(QStringLiteral("layout"), QStringLiteral("layers"));
    links.insert(QStringLiteral("stroke"), QStringLiteral("fill"));
    links.insert(QStringLiteral("transform"), QStringLiteral("filters"));
    links.insert(QStringLiteral("text"), QStringLiteral("transform"));
    d.insert(QStringLiteral("inspector links"), links);
    d.insert(QStringLiteral("proof color space"), QStringLiteral("Generic CMYK Profile"));
    const QString word = QDir::home().filePath(QStringLiteral("Library/Preferences/com.microsoft.Word.plist"));
    d.insert(QStringLiteral("copy opaque background"), QFileInfo::exists(word) ? yes : no);
    return d;
}

void TDAppDelegate::applicationWillFinishLaunching()
{
    UserDefaults::standard().registerDefaults(defaultsTable());
    // A stored value, not a registered default.
    UserDefaults::standard().setInteger(QStringLiteral("AppleAntiAliasingThreshold"), 1);
}

void TDAppDelegate::launch(const QStringList &documentPaths)
{
    applicationWillFinishLaunching();
    if (TDDocumentController *controller = TDDocumentController::shared()) {
        // What a session that ended without closing its documents left
        // is offered back before anything else opens.
        bool opened = controller->recoverAutosavedDocuments() > 0;
        for (const QString &path : documentPaths)
            opened = controller->openDocument(path) != nullptr || opened;
        if (!opened)
            controller->newDocument();
    }
    applicationDidFinishLaunching();
}

void TDAppDelegate::applicationDidFinishLaunching()
{
    showInspector();
    TDSnapPanel::finishLoading();
    if (TDDocumentController *controller = TDDocumentController::shared())
        controller->setAutosavingDelay(TDDocumentBase::autosaveDelay);
    m_scripting = std::make_unique<TDScriptingService>([] {
        std::vector<TDDocument *> documents;
        if (TDDocumentController *controller = TDDocumentController::shared()) {
            documents = controller->documents();
            if (TDDocument *current = controller->currentDocument()) {
                std::erase(documents, current);
                documents.insert(documents.begin(), current);
            }
        }
        return documents;
    });
    m_scripting->registerOn(QDBusConnection::sessionBus());
    // Other programs send items made here back for editing.
    if (LinkService *links = LinkService::shared())
        links->publishServer(LinkService::ScrivaneServerName, this);
    proofProfiles();
    m_launched = true;
}

void TDAppDelegate::linkClientDidRequestEdit(const std::shared_ptr<Link> &link)
{
    TDDocumentController *controller = TDDocumentController::shared();
    if (!controller || !link)
        return;
    TDDocument *document = controller->documentForLink(link.get());
    if (!document)
        document = controller->openLinkedDocument(link);
    if (TDDocumentWindow *window = document ? controller->windowForDocument(document) : nullptr) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void TDAppDelegate::linkDidClose(const std::shared_ptr<Link> &link)
{
    TDDocumentController *controller = TDDocumentController::shared();
    TDDocument *document = controller ? controller->documentForLink(link.get()) : nullptr;
    if (!document)
        return;
    // The item's owner let it go: what was not sent back has nowhere to go.
    document->closeLinkIfNeeded();
    controller->closeDocument(document);
}

void TDAppDelegate::applicationWillTerminate()
{
    if (m_inspector)
        m_inspector->setMainWindow(nullptr);
    //
    // The pictures the general pasteboard promised for copied graphics are
    // made now, while the documents and the image store still live: the
    // desktop's clipboard keeper asks for them as the program ends.
    Pasteboard &general = Pasteboard::general();
    if (general.hasType(Pasteboard::GraphicsType))
        for (const QString &type : general.types())
            general.dataForType(type);
}

void TDAppDelegate::showInspector()
{
    if (!m_inspector)
        m_inspector = std::make_unique<TDInspectorController>();
    if (TDDocumentController *controller = TDDocumentController::shared())
        if (TDDocument *document = controller->currentDocument())
            m_inspector->setMainWindow(controller->windowForDocument(document));
}

const QString TDAppDelegate::WebsiteAddress = QStringLiteral("https://scrivane.quelmont.com/");

QString TDAppDelegate::manualPath(const QString &applicationDirPath)
{
    const QString name = QStringLiteral("Scrivane Manual.pdf");
    const QString installed =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("doc/scrivane/") + name);
    if (!installed.isEmpty())
        return installed;
    const QDir program(applicationDirPath);
    for (const QString &folder : {QStringLiteral("../share/doc/scrivane"), QStringLiteral("../doc"), QStringLiteral("doc")}) {
        const QString candidate = QDir::cleanPath(program.filePath(folder + QLatin1Char('/') + name));
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    // Where an installation puts it: the desktop reports it missing.
    return QDir::cleanPath(program.filePath(QStringLiteral("../share/doc/scrivane/") + name));
}

void TDAppDelegate::showHelp()
{
    Workspace::openFile(manualPath(QCoreApplication::applicationDirPath()));
}

void TDAppDelegate::gotoWebsite()
{
    Workspace::openURL(QUrl(WebsiteAddress));
}

void TDAppDelegate::showMediaBrowser()
{
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty() || !QFileInfo(pictures).isDir())
        pictures = QDir::homePath();
    Workspace::openFile(pictures);
}

void TDAppDelegate::showInspectorPanelAction(int tag)
{
    if (!m_inspector)
        showInspector();
    m_inspector->showInspector(tag);
}

void TDAppDelegate::applicationDidResignActive()
{
    setApplicationWasActive(false);
}

// --- Menus ------------------------------------------------------------------------------

template <size_t N>
void TDAppDelegate::prune(std::array<std::vector<QPointer<QAction>>, N> &lists)
{
    for (auto &list : lists)
        std::erase_if(list, [](const QPointer<QAction> &action) { return action.isNull(); });
}

void TDAppDelegate::registerMenuItem(MenuItem item, QAction *action)
{
    if (!action || item == MenuItem::Count)
        return;
    prune(m_menuItems);
    m_menuItems[size_t(item)].push_back(action);
    action->setShortcuts(keyEquivalents(item, m_editingText));
}

void TDAppDelegate::registerCheckItem(CheckItem item, QAction *action)
{
    if (!action || item == CheckItem::Count)
        return;
    prune(m_checkItems);
    action->setCheckable(true);
    m_checkItems[size_t(item)].push_back(action);
}

QKeySequence TDAppDelegate::keyEquivalent(MenuItem item, bool editingText)
{
    // Command is always in the mask; Shift and Option only where named.
    const int command = Qt::CTRL;
    const int shiftCommand = Qt::CTRL | Qt::SHIFT;
    const int optionCommand = Qt::CTRL | Qt::ALT;
    auto when = [editingText](bool editing, int key) {
        return editing == editingText ? QKeySequence(key) : QKeySequence();
    };
    switch (item) {
    case MenuItem::ZoomIn:
        return when(false, command | Qt::Key_Plus);
    case MenuItem::ZoomOut:
        return when(false, command | Qt::Key_Minus);
    case MenuItem::BiggerText:
        return when(true, command | Qt::Key_Plus);
    case MenuItem::SmallerText:
        return when(true, command | Qt::Key_Minus);
    case MenuItem::CenterObjects:
        return when(false, shiftCommand | Qt::Key_Backslash);
    case MenuItem::CenterText:
        return when(true, shiftCommand | Qt::Key_Backslash);
    case MenuItem::Group:
        return when(false, command | Qt::Key_G);
    case MenuItem::Ungroup:
        return when(false, shiftCommand | Qt::Key_G);
    case MenuItem::FindNext:
        return when(true, command | Qt::Key_G);
    case MenuItem::FindPrevious:
        return when(true, shiftCommand | Qt::Key_G);
    case MenuItem::PasteAlternative:
        return when(false, optionCommand | Qt::Key_V);
    case MenuItem::PasteStyle:
        return when(true, optionCommand | Qt::Key_V);
    case MenuItem::Count:
        break;
    }
    return QKeySequence();
}

QList<QKeySequence> TDAppDelegate::keyEquivalents(MenuItem item, bool editingText)
{
    const QKeySequence key = keyEquivalent(item, editingText);
    if (key.isEmpty())
        return {};
    if (key == QKeySequence(Qt::CTRL | Qt::Key_Plus))
        return {key, QKeySequence(Qt::CTRL | Qt::Key_Equal)};
    return {key};
}

void TDAppDelegate::setEditingText(bool editing)
{
    if (editing == m_editingText)
        return;
    m_editingText = editing;
    applyKeyEquivalents();
}

void TDAppDelegate::applyKeyEquivalents()
{
    prune(m_menuItems);
    // Shortcuts are cleared before they are set, so that one key never
    // belongs to two items at once.
    for (size_t i = 0; i < m_menuItems.size(); ++i) {
        if (keyEquivalent(MenuItem(i), m_editingText).isEmpty())
            for (const auto &action : m_menuItems[i])
                action->setShortcuts({});
    }
    for (size_t i = 0; i < m_menuItems.size(); ++i) {
        const QList<QKeySequence> keys = keyEquivalents(MenuItem(i), m_editingText);
        if (!keys.isEmpty())
            for (const auto &action : m_menuItems[i])
                action->setShortcuts(keys);
    }
}

void TDAppDelegate::setMenuStates(bool cmykPreview, bool outlineView, bool isolation)
{
    prune(m_checkItems);
    const bool states[] = {cmykPreview, outlineView, isolation};
    for (size_t i = 0; i < m_checkItems.size(); ++i)
        for (const auto &action : m_checkItems[i])
            action->setChecked(states[i]);
}

void TDAppDelegate::changeUnits()
{
    NotificationCenter::defaultCenter().post(RulerUnitsDidChange, this);
}

void TDAppDelegate::setMeasurementUnits(int units)
{
    UserDefaults::standard().setInteger(QStringLiteral("measurementUnits"), units);
    changeUnits();
}

// --- Soft proof -----------------------------------------------------------------------------------

const std::vector<ProfilePtr> &TDAppDelegate::proofProfiles()
{
    if (!m_proofProfiles) {
        std::vector<ProfilePtr> listed;
        for (ProfilePtr &profile : Profile::arrayOfAllProfiles()) {
            const uint32_t space = profile->spaceType();
            if (space == Profile::graySpace || space == Profile::rgbSpace || space == Profile::cmykSpace)
                listed.push_back(std::move(profile));
        }
        setProofProfiles(std::move(listed));
    }
    return *m_proofProfiles;
}

void TDAppDelegate::setProofProfiles(std::vector<ProfilePtr> profiles)
{
    m_proofProfiles = std::move(profiles);
    m_proofIndex = -1;
    const QString chosen = UserDefaults::standard().string(QStringLiteral("proof color space"));
    for (size_t i = 0; i < m_proofProfiles->size(); ++i)
        if ((*m_proofProfiles)[i]->description() == chosen)
            m_proofIndex = int(i);
    // The registered name is another system's: without it, the first
    // CMYK profile installed stands in.
    if (m_proofIndex < 0)
        for (size_t i = 0; i < m_proofProfiles->size() && m_proofIndex < 0; ++i)
            if ((*m_proofProfiles)[i]->spaceType() == Profile::cmykSpace)
                m_proofIndex = int(i);
}

void TDAppDelegate::setProofProfile(int index)
{
    const std::vector<ProfilePtr> &profiles = proofProfiles();
    m_proofIndex = index >= 0 && size_t(index) < profiles.size() ? index : -1;
    if (m_proofIndex >= 0)
        UserDefaults::standard().setString(QStringLiteral("proof color space"), profiles[size_t(m_proofIndex)]->description());
    NotificationCenter::defaultCenter().post(QStringLiteral("color proof did change"), this);
}

ProfilePtr TDAppDelegate::proofProfile() const
{
    if (!m_proofProfiles || m_proofIndex < 0 || size_t(m_proofIndex) >= m_proofProfiles->size())
        return nullptr;
    return (*m_proofProfiles)[size_t(m_proofIndex)];
}

void TDAppDelegate::changeCentering()
{
    if (TDDocumentController *controller = TDDocumentController::shared())
        controller->recenterCanvases();
}

// --- Export accessory -----------------------------------------------------------------------

TDExportPane *TDAppDelegate::exportPane()
{
    if (!m_exportPane)
        m_exportPane = std::make_unique<TDExportPane>();
    return m_exportPane.get();
}

int TDAppDelegate::exportFormat() const
{
    return m_exportPane ? m_exportPane->formatTag() : 3;
}

int TDAppDelegate::exportDocumentBounds() const
{
    return m_exportPane ? m_exportPane->scopeTag() : 1;
}

void TDAppDelegate::enableSelectionBounds(bool enable)
{
    exportPane()->enableSelectionBounds(enable);
}

void TDAppDelegate::enableResolution(bool enable)
{
    exportPane()->enableResolution(enable);
}

void TDAppDelegate::enableTransparent(bool enable)
{
    exportPane()->enableTransparent(enable);
}

int TDAppDelegate::exportDPI() const
{
    return m_exportPane ? m_exportPane->dpi() : 72;
}

bool TDAppDelegate::exportTransparent() const
{
    return m_exportPane && m_exportPane->transparent();
}

void TDAppDelegate::setExportFormatTitle(int tag, const QString &title)
{
    exportPane()->setFormatTitle(tag, title);
}

} // namespace scrivane
