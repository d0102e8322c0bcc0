#include "app/TDDocumentWindow.h"

#include "app/TDAppDelegate.h"
#include "app/TDDocumentController.h"
#include "app/TDFontManager.h"
#include "app/TDPrintOperation.h"
#include "app/UnitsTransformer.h"
#include "canvas/ScalingScrollView.h"
#include "canvas/TDDocumentToolbar.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

#include <functional>

namespace scrivane {

namespace {
const QString WindowRectKey = QStringLiteral("window rect");
const QString VisibleRectKey = QStringLiteral("visible rect");
const QString WindowZoomKey = QStringLiteral("window zoom");

// Room for the scroller and the window's frame beside the page.
constexpr int ScrollerAllowance = 17;
constexpr int TitleAllowance = 27;

std::optional<Rect> rectFrom(const PropertyList &value)
{
    if (!value.isString())
        return std::nullopt;
    return Rect::fromString(value.toString());
}
} // namespace

TDDocumentWindow::TDDocumentWindow(std::unique_ptr<TDDocument> document, TDDocumentController *controller)
    : m_document(std::move(document)), m_controller(controller)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setObjectName(QStringLiteral("documentWindow"));

    m_scrollView = new ScalingScrollView(this);
    m_graphicView = new TDGraphicView;
    m_scrollView->setDocumentView(m_graphicView);
    m_graphicView->setDocument(m_document.get());
    setCentralWidget(m_scrollView);

    m_toolbar = new TDDocumentToolbar(this);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    connect(m_toolbar, &TDDocumentToolbar::showFontsRequested, this,
            [] { TDFontManager::shared().orderFrontFontPanel(); });

    m_statusField = new QLabel(this);
    m_statusField->setObjectName(QStringLiteral("statusField"));
    m_statusField->setTextFormat(Qt::RichText);
    statusBar()->addWidget(m_statusField, 1);
    QPointer<QLabel> field = m_statusField;
    m_document->setStatusSink([field](const QString &richText) {
        if (field)
            field->setText(richText);
    });

    // The title's edited mark and the undo items follow every change of the
    // undo stack.
    NotificationCenter &center = NotificationCenter::defaultCenter();
    const void *manager = static_cast<const UndoManager *>(m_document->undoManager());
    for (const QString &name : {UndoManager::didCloseUndoGroupNotification, UndoManager::didUndoChangeNotification,
                                UndoManager::didRedoChangeNotification})
        center.addObserver(this, name, manager, [this](const Notification &) { documentStateChanged(); });

    buildMenus();
    if (m_controller)
        connect(m_controller, &TDDocumentController::recentDocumentsChanged, this,
                &TDDocumentWindow::rebuildRecentMenu);
    resize(800, 640);
    documentStateChanged();
}

TDDocumentWindow::~TDDocumentWindow()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    // The canvas and the tool strip refer to the document: they go first.
    m_document->setStatusSink({});
    m_document->setGraphicView(nullptr);
    delete m_toolbar;
    m_toolbar = nullptr;
    delete m_scrollView;
    m_scrollView = nullptr;
    m_graphicView = nullptr;
    m_document.reset();
}

QString TDDocumentWindow::userName()
{
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("LOGNAME");
    if (name.isEmpty())
        name = QDir::home().dirName();
    return name;
}

// --- Loading ----------------------------------------------------------------------

void TDDocumentWindow::windowControllerDidLoadNib()
{
    m_toolbar->setupToolbar(m_document.get(), m_graphicView);
    setupToolbarItems();
    m_graphicView->awakeFromNib();

    // Window states whose rectangles are not text are dropped.
    PropertyList preferences = m_document->userPreferences();
    if (preferences.isDictionary()) {
        PropertyList cleaned{PropertyList::Dictionary()};
        for (const auto &[user, entry] : preferences.toDictionary())
            if (entry.value(WindowRectKey).isString() && entry.value(VisibleRectKey).isString())
                cleaned.insert(user, entry);
        if (cleaned.size() != preferences.size())
            m_document->setUserPreferences(cleaned);
    }

    m_graphicView->calculateSize();
    restoreWindowState();

    if (!m_document->horizontalMarkers().empty())
        m_graphicView->addMarkers(m_document->horizontalMarkers(), true);
    if (!m_document->verticalMarkers().empty())
        m_graphicView->addMarkers(m_document->verticalMarkers(), false);

    m_document->undoManager()->removeAllActions();
    // A document whose effects could not all be read back must not be
    // written over under its old name.
    if (m_document->docHasWarnedAboutCI())
        m_document->setFileType(TDDocument::UntitledType);
    documentStateChanged();
}

void TDDocumentWindow::restoreWindowState()
{
    const PropertyList entry = m_document->userPreferences().value(userName());
    const std::optional<Rect> windowRect = rectFrom(entry.value(WindowRectKey));
    const std::optional<Rect> visibleRect = rectFrom(entry.value(VisibleRectKey));
    if (entry.isDictionary() && windowRect && visibleRect) {
        QRect frame(int(windowRect->origin.x), int(windowRect->origin.y), int(windowRect->size.width),
                    int(windowRect->size.height));
        // Two windows of the same state would lie exactly on each other.
        if (m_controller)
            for (TDDocumentWindow *other : m_controller->windows())
                if (other != this && other->geometry().topLeft() == frame.topLeft())
                    frame.translate(20, 20);
        placeOnScreen(frame);
        const float zoom = entry.value(WindowZoomKey).toFloat();
        if (zoom > 0)
            m_scrollView->setScaleFactor(zoom, true);
        m_graphicView->scrollRectToVisible(*visibleRect);
        return;
    }
    // A new window: big enough for the page where the screen allows.
    cascade();
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const Size page = m_document->documentSize();
    QRect frame = geometry();
    const int wantedWidth = int(page.width) + ScrollerAllowance;
    if (available.right() > frame.right() && wantedWidth > frame.width())
        frame.setWidth(std::min(wantedWidth, available.right() - frame.x()));
    const int wantedHeight = int(page.height) + ScrollerAllowance + TitleAllowance + m_toolbar->sizeHint().height();
    if (wantedHeight > frame.height())
        frame.setHeight(std::min(wantedHeight, available.bottom() - frame.y()));
    placeOnScreen(frame);
    m_graphicView->scrollRectToVisible(m_document->paperBounds());
}

void TDDocumentWindow::cascade()
{
    if (!m_controller)
        return;
    const auto all = m_controller->windows();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (*it != this && (*it)->isVisible()) {
            move((*it)->pos() + QPoint(20, 20));
            return;
        }
    }
}

void TDDocumentWindow::placeOnScreen(QRect frame)
{
    const QScreen *screen = QGuiApplication::screenAt(frame.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect available = screen->availableGeometry();
        frame.setWidth(std::max(200, std::min(frame.width(), available.width())));
        frame.setHeight(std::max(150, std::min(frame.height(), available.height())));
        if (frame.right() > available.right())
            frame.moveRight(available.right());
        if (frame.bottom() > available.bottom())
            frame.moveBottom(available.bottom());
        if (frame.left() < available.left())
            frame.moveLeft(available.left());
        if (frame.top() < available.top())
            frame.moveTop(available.top());
    }
    setGeometry(frame);
}

void TDDocumentWindow::saveWindowState()
{
    PropertyList entry{PropertyList::Dictionary()};
    const QRect frame = geometry();
    entry.insert(WindowRectKey, Rect(float(frame.x()), float(frame.y()), float(frame.width()), float(frame.height()))
                                    .toString());
    entry.insert(VisibleRectKey, m_graphicView->visibleRect().toString());
    entry.insert(WindowZoomKey, double(m_scrollView->scaleFactor()));
    PropertyList preferences = m_document->userPreferences();
    if (!preferences.isDictionary())
        preferences = PropertyList(PropertyList::Dictionary());
    preferences.insert(userName(), entry);
    m_document->setUserPreferences(preferences);
}

// --- State -------------------------------------------------------------------------------

void TDDocumentWindow::documentReloaded()
{
    m_graphicView->clearSelection();
    // The guides are those of the file read again, or a save would write
    // back the ones it replaced.
    m_graphicView->replaceGuides(m_document->horizontalMarkers(), m_document->verticalMarkers());
    m_graphicView->calculateSize();
    m_graphicView->setNeedsDisplay();
    m_graphicView->updateStatusText();
    m_document->undoManager()->removeAllActions();
    documentStateChanged();
}

void TDDocumentWindow::documentStateChanged()
{
    QString title = m_document->displayName();
    if (!m_document->fileName().isEmpty())
        title = QFileInfo(m_document->fileName()).completeBaseName();
    setWindowTitle(title + QStringLiteral("[*] — Scrivane"));
    setWindowFilePath(m_document->fileName());
    setWindowModified(m_document->isDocumentEdited());
    if (QAction *revert = action(QStringLiteral("revert")))
        revert->setEnabled(!m_document->fileName().isEmpty() && m_document->isDocumentEdited());
    if (QAction *parse = action(QStringLiteral("parsePDF")))
        parse->setEnabled(m_graphicView->canParsePDF());
    updateUndoActions();
    validateMenus();
}

void TDDocumentWindow::inputEventHandled()
{
    m_document->undoManager()->eventHandled();
    documentStateChanged();
}

void TDDocumentWindow::updateUndoActions()
{
    TDUndoManager *undo = m_document->undoManager();
    if (QAction *a = action(QStringLiteral("undo"))) {
        a->setEnabled(undo->canUndo());
        const QString name = undo->undoActionName();
        a->setText(name.isEmpty() ? QStringLiteral("&Undo") : QStringLiteral("&Undo %1").arg(name));
    }
    if (QAction *a = action(QStringLiteral("redo"))) {
        a->setEnabled(undo->canRedo());
        const QString name = undo->redoActionName();
        a->setText(name.isEmpty() ? QStringLiteral("&Redo") : QStringLiteral("&Redo %1").arg(name));
    }
}

// --- Menus -------------------------------------------------------------------------------

QAction *TDDocumentWindow::action(const QString &name) const
{
    return findChild<QAction *>(name);
}

QAction *TDDocumentWindow::addAction(QMenu *menu, const QString &name, const QString &title, const QKeySequence &key,
                                     std::function<void()> slot)
{
    QAction *item = newAction(menu, name, title, key);
    connect(item, &QAction::triggered, this, [slot = std::move(slot)] { slot(); });
    return item;
}

QAction *TDDocumentWindow::addAction(QMenu *menu, const QString &name, const QString &title, const QKeySequence &key,
                                     std::function<void(QAction *)> slot)
{
    QAction *item = newAction(menu, name, title, key);
    connect(item, &QAction::triggered, this, [item, slot = std::move(slot)] { slot(item); });
    return item;
}

QAction *TDDocumentWindow::newAction(QMenu *menu, const QString &name, const QString &title, const QKeySequence &key)
{
    auto *item = new QAction(title, this);
    item->setObjectName(name);
    if (!key.isEmpty())
        item->setShortcut(key);
    menu->addAction(item);
    return item;
}

QAction *TDDocumentWindow::addCommand(QMenu *menu, const QString &name, const QString &title,
                                      const QKeySequence &key, TDGraphicView::MenuTag tag,
                                      std::function<void()> slot)
{
    QPointer<TDGraphicView> canvas = m_graphicView;
    // A key equivalent can reach a command whose menu was last validated
    // long ago: it asks the canvas again.
    QAction *item = addAction(menu, name, title, key, [canvas, tag, slot = std::move(slot)] {
        if (canvas && canvas->validateMenuItem(tag))
            slot();
    });
    TDGraphicView::setValidationTag(item, tag);
    return item;
}

void TDDocumentWindow::buildHelpMenu()
{
    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("help"));
    addAction(help, QStringLiteral("showHelp"), QStringLiteral("Scrivane &Help"), QKeySequence::HelpContents,
              [] { TDAppDelegate::showHelp(); });
    addAction(help, QStringLiteral("gotoWebsite"), QStringLiteral("Scrivane &Website"), QKeySequence(),
              [] { TDAppDelegate::gotoWebsite(); });
}

void TDDocumentWindow::validateMenus()
{
    if (!m_graphicView)
        return;
    for (QAction *top : menuBar()->actions())
        if (QMenu *menu = top->menu())
            m_graphicView->validateMenuItems(menu->actions());
}

void TDDocumentWindow::buildMenus()
{
    TDDocumentController *controller = m_controller;
    TDDocument *document = m_document.get();
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    addAction(file, QStringLiteral("new"), QStringLiteral("&New"), QKeySequence::New, [controller] {
        if (controller)
            controller->newDocument();
    });
    addAction(file, QStringLiteral("open"), QStringLiteral("&Open…"), QKeySequence::Open, [controller] {
        if (controller)
            controller->openDocumentWithDialog();
    });
    m_recentMenu = file->addMenu(QStringLiteral("Open &Recent"));
    m_recentMenu->setObjectName(QStringLiteral("recentDocuments"));
    rebuildRecentMenu();
    file->addSeparator();
    addAction(file, QStringLiteral("close"), QStringLiteral("&Close"), QKeySequence::Close, [this] { close(); });
    addAction(file, QStringLiteral("save"), QStringLiteral("&Save"), QKeySequence::Save, [controller, document] {
        if (controller)
            controller->saveDocument(document);
    });
    addAction(file, QStringLiteral("saveAs"), QStringLiteral("Save &As…"), QKeySequence(QStringLiteral("Ctrl+Shift+S")),
              [controller, document] {
                  if (controller)
                      controller->saveDocumentAs(document);
              });
    addAction(file, QStringLiteral("revert"), QStringLiteral("Re&vert to Saved"), QKeySequence(),
              [controller, document] {
                  if (controller)
                      controller->revertDocument(document);
              });
    file->addSeparator();
    addAction(file, QStringLiteral("export"), QStringLiteral("&Export…"), QKeySequence(QStringLiteral("Ctrl+E")),
              [controller, document] {
                  if (controller)
                      controller->exportDocument(document);
              });
    addAction(file, QStringLiteral("import"), QStringLiteral("&Import…"), QKeySequence(QStringLiteral("Ctrl+Shift+I")),
              [controller, document] {
                  if (controller)
                      controller->importFiles(document);
              });
    addAction(file, QStringLiteral("showMediaBrowser"), QStringLiteral("&Media Browser…"), QKeySequence(),
              [] { TDAppDelegate::showMediaBrowser(); });
    addAction(file, QStringLiteral("parsePDF"), QStringLiteral("Parse PDF"), QKeySequence(), [this] {
        m_graphicView->parsePDF();
        documentStateChanged();
    });
    file->addSeparator();
    addAction(file, QStringLiteral("runPageLayout"), QStringLiteral("Page Set&up…"), QKeySequence(),
              [this, document] { TDPrintOperation::runPageLayout(*document, this); });
    addAction(file, QStringLiteral("print"), QStringLiteral("&Print…"), QKeySequence::Print,
              [this, document] { TDPrintOperation::printShowingPrintPanel(*document, true, this); });
    file->addSeparator();
    QAction *quit = addAction(file, QStringLiteral("quit"), QStringLiteral("&Quit"), QKeySequence::Quit, [controller] {
        if (controller)
            controller->terminate();
    });
    quit->setMenuRole(QAction::QuitRole);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    addAction(edit, QStringLiteral("undo"), QStringLiteral("&Undo"), QKeySequence::Undo, [document] {
        if (document->undoManager()->canUndo())
            document->undoManager()->undo();
    });
    addAction(edit, QStringLiteral("redo"), QStringLiteral("&Redo"), QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
              [document] {
                  if (document->undoManager()->canRedo())
                      document->undoManager()->redo();
              });
    edit->addSeparator();
    TDGraphicView *graphics = m_graphicView;
    using Tag = TDGraphicView::MenuTag;
    QAction *cut = addCommand(edit, QStringLiteral("cut"), QStringLiteral("Cu&t"), QKeySequence::Cut,
                              Tag::Selection, [graphics] { graphics->cut(); });
    QAction *copy = addCommand(edit, QStringLiteral("copy"), QStringLiteral("&Copy"), QKeySequence::Copy,
                               Tag::Selection, [graphics] { graphics->copy(); });
    QAction *paste = addAction(edit, QStringLiteral("paste"), QStringLiteral("&Paste"), QKeySequence::Paste,
                               [graphics] { graphics->paste(false); });
    QAction *pasteInPlace = addAction(edit, QStringLiteral("pasteInPlace"), QStringLiteral("Paste in Pla&ce"),
                                      QKeySequence(), [graphics] { graphics->paste(true); });
    QAction *duplicate = addCommand(edit, QStringLiteral("duplicate"), QStringLiteral("&Duplicate"),
                                    QKeySequence(QStringLiteral("Ctrl+D")), Tag::Selection,
                                    [graphics] { graphics->duplicate(false); });
    QAction *remove =
        addCommand(edit, QStringLiteral("delete"), QStringLiteral("De&lete"), QKeySequence::Delete,
                   Tag::Selection, [graphics] { graphics->deleteSelection(); });
    remove->setShortcuts({QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Backspace)});
    edit->addSeparator();
    QAction *selectAll = addAction(edit, QStringLiteral("selectAll"), QStringLiteral("Select &All"),
                                   QKeySequence::SelectAll, [graphics] { graphics->selectAll(); });
    QAction *selectNone = addCommand(edit, QStringLiteral("selectNone"), QStringLiteral("Select &None"),
                                     QKeySequence(QStringLiteral("Ctrl+Shift+A")), Tag::Selection,
                                     [graphics] { graphics->selectNone(); });

    // The contextual menus of the canvas share the window's actions.
    auto *selectMenu = new QMenu(this);
    selectMenu->setObjectName(QStringLiteral("selectContextualMenu"));
    for (QAction *item : {cut, copy, paste, duplicate, remove})
        selectMenu->addAction(item);
    selectMenu->addSeparator();
    selectMenu->addAction(selectAll);
    selectMenu->addAction(selectNone);
    auto *editMenu = new QMenu(this);
    editMenu->setObjectName(QStringLiteral("editContextualMenu"));
    for (QAction *item : {cut, copy, paste, remove})
        editMenu->addAction(item);
    editMenu->addSeparator();
    editMenu->addAction(selectAll);
    editMenu->addAction(selectNone);
    m_graphicView->setContextualMenus(editMenu, selectMenu);

    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    TDGraphicView *canvas = m_graphicView;
    QAction *zoomIn =
        addAction(view, QStringLiteral("zoomIn"), QStringLiteral("Zoom &In"), QKeySequence(), [canvas] { canvas->zoomIn(); });
    QAction *zoomOut = addAction(view, QStringLiteral("zoomOut"), QStringLiteral("Zoom &Out"), QKeySequence(),
                                 [canvas] { canvas->zoomOut(); });
    addAction(view, QStringLiteral("actualSize"), QStringLiteral("&Actual Size"), QKeySequence(QStringLiteral("Ctrl+0")),
              [canvas] { canvas->actualSize(); });
    addAction(view, QStringLiteral("zoomToFit"), QStringLiteral("Zoom to &Fit"), QKeySequence(),
              [canvas] { canvas->zoomToFit(); });
    view->addSeparator();
    QAction *outline = addAction(view, QStringLiteral("outlineView"), QStringLiteral("Ou&tline View"), QKeySequence(),
                                 [canvas](QAction *item) { canvas->outlineView(item); });
    outline->setCheckable(true);
    QAction *isolation = addAction(view, QStringLiteral("isolation"), QStringLiteral("&Isolation Mode"), QKeySequence(),
                                   [canvas](QAction *item) { canvas->toggleIsolationMenu(item); });
    isolation->setCheckable(true);

    QAction *proof = addAction(view, QStringLiteral("cmykPreview"), QStringLiteral("&Soft Proof"), QKeySequence(),
                               [canvas](QAction *item) { canvas->cmykPreview(item); });
    proof->setCheckable(true);
    // The profiles the soft proof can show; the chosen one is checked.
    QMenu *proofProfiles = view->addMenu(QStringLiteral("Proof &Profile"));
    proofProfiles->setObjectName(QStringLiteral("proofProfiles"));
    connect(proofProfiles, &QMenu::aboutToShow, proofProfiles, [proofProfiles] {
        proofProfiles->clear();
        TDAppDelegate *delegate = TDAppDelegate::shared();
        if (!delegate)
            return;
        const std::vector<ProfilePtr> &profiles = delegate->proofProfiles();
        for (size_t i = 0; i < profiles.size(); ++i) {
            QAction *item = proofProfiles->addAction(profiles[i]->description());
            item->setCheckable(true);
            item->setChecked(int(i) == delegate->proofProfileIndex());
            connect(item, &QAction::triggered, proofProfiles, [i] {
                if (TDAppDelegate *d = TDAppDelegate::shared())
                    d->setProofProfile(int(i));
            });
        }
        if (profiles.empty())
            proofProfiles->addAction(QStringLiteral("No Profiles Installed"))->setEnabled(false);
    });

    view->addSeparator();
    QAction *rulers = addAction(view, QStringLiteral("toggleRuler"), QStringLiteral("Show &Rulers"),
                                QKeySequence(QStringLiteral("Ctrl+R")), [canvas] { canvas->toggleRuler(); });
    rulers->setCheckable(true);
    connect(view, &QMenu::aboutToShow, rulers, [canvas, rulers] { rulers->setChecked(canvas->rulersVisible()); });
    QAction *guides = addAction(view, QStringLiteral("toggleGuides"), QStringLiteral("Hide Guides"),
                                QKeySequence(QStringLiteral("Ctrl+;")), [canvas] { canvas->toggleGuides(); });
    canvas->setGuidesMenuItem(guides);
    addAction(view, QStringLiteral("clearGuides"), QStringLiteral("C&lear Guides"), QKeySequence(),
              [canvas] { canvas->clearGuides(); });

    view->addSeparator();
    // The unit of lengths shown in the status line and panels, for every
    // window at once.
    QMenu *units = view->addMenu(QStringLiteral("&Units"));
    units->setObjectName(QStringLiteral("units"));
    auto *unitGroup = new QActionGroup(units);
    const QString unitNames[] = {QStringLiteral("Inches"), QStringLiteral("Centimeters"), QStringLiteral("Points"),
                                 QStringLiteral("Picas"), QStringLiteral("Millimeters")};
    for (int code = 0; code < 5; ++code) {
        QAction *unit = units->addAction(unitNames[code]);
        unit->setCheckable(true);
        unit->setData(code);
        unitGroup->addAction(unit);
        connect(unit, &QAction::triggered, this, [code] {
            if (TDAppDelegate *delegate = TDAppDelegate::shared())
                delegate->setMeasurementUnits(code);
            else
                UserDefaults::standard().setInteger(QStringLiteral("measurementUnits"), code);
        });
    }
    connect(units, &QMenu::aboutToShow, units, [units] {
        const int current = UnitsTransformer::currentUnits();
        for (QAction *unit : units->actions())
            unit->setChecked(unit->data().toInt() == (current >= 0 && current < 5 ? current : 0));
    });
    QAction *center = addAction(view, QStringLiteral("autoCenter"), QStringLiteral("&Center Drawing"), QKeySequence(),
                                [controller](QAction *item) {
        UserDefaults::standard().setBool(QStringLiteral("auto center"), item->isChecked());
        if (TDAppDelegate *delegate = TDAppDelegate::shared())
            delegate->changeCentering();
        else if (controller)
            controller->recenterCanvases();
    });
    center->setCheckable(true);
    center->setChecked(UserDefaults::standard().boolean(QStringLiteral("auto center")));

    buildCommandMenus();
    buildPanelMenu();
    buildHelpMenu();

    // Items follow the selection and the tool; a menu is validated again
    // as it opens.
    for (QAction *top : menuBar()->actions())
        if (QMenu *menu = top->menu())
            connect(menu, &QMenu::aboutToShow, this, [this, menu] {
                if (m_graphicView)
                    m_graphicView->validateMenuItems(menu->actions());
            });
    connect(m_graphicView, &TDGraphicView::validationNeeded, this, &TDDocumentWindow::validateMenus);
    validateMenus();

    if (TDAppDelegate *delegate = TDAppDelegate::shared()) {
        delegate->registerMenuItem(TDAppDelegate::MenuItem::ZoomIn, zoomIn);
        delegate->registerMenuItem(TDAppDelegate::MenuItem::ZoomOut, zoomOut);
        delegate->registerMenuItem(TDAppDelegate::MenuItem::PasteAlternative, pasteInPlace);
        delegate->registerCheckItem(TDAppDelegate::CheckItem::CmykPreview, proof);
        delegate->registerCheckItem(TDAppDelegate::CheckItem::OutlineView, outline);
        delegate->registerCheckItem(TDAppDelegate::CheckItem::Isolation, isolation);
    } else {
        zoomIn->setShortcuts(TDAppDelegate::keyEquivalents(TDAppDelegate::MenuItem::ZoomIn, false));
        zoomOut->setShortcuts(TDAppDelegate::keyEquivalents(TDAppDelegate::MenuItem::ZoomOut, false));
        pasteInPlace->setShortcuts(TDAppDelegate::keyEquivalents(TDAppDelegate::MenuItem::PasteAlternative, false));
    }
}

void TDDocumentWindow::rebuildRecentMenu()
{
    if (!m_recentMenu)
        return;
    m_recentMenu->clear();
    const QStringList recent = m_controller ? m_controller->recentDocuments() : QStringList();
    TDDocumentController *controller = m_controller;
    for (const QString &path : recent) {
        QAction *item = m_recentMenu->addAction(QFileInfo(path).fileName());
        item->setToolTip(path);
        item->setData(path);
        connect(item, &QAction::triggered, this, [controller, path] {
            if (controller)
                controller->openDocument(path);
        });
    }
    m_recentMenu->addSeparator();
    QAction *clear = m_recentMenu->addAction(QStringLiteral("Clear Menu"));
    clear->setEnabled(!recent.isEmpty());
    connect(clear, &QAction::triggered, this, [controller] {
        if (controller)
            controller->clearRecentDocuments();
    });
}

// --- Events ------------------------------------------------------------------------------

void TDDocumentWindow::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    if (m_controller && !m_controller->canCloseDocument(m_document.get())) {
        event->ignore();
        return;
    }
    m_closed = true;
    event->accept();
    if (m_controller)
        m_controller->windowDidClose(this);
}

void TDDocumentWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            if (m_controller)
                m_controller->windowDidBecomeActive(this);
            windowDidBecomeKey();
        } else {
            windowDidResignKey();
        }
    }
    QMainWindow::changeEvent(event);
}

void TDDocumentWindow::windowDidBecomeKey()
{
    TDAppDelegate *delegate = TDAppDelegate::shared();
    if (!delegate)
        return;
    delegate->setMenuStates(m_graphicView->cmykPreview(), m_graphicView->outlineView(),
                            m_graphicView->isolationState());
    // Text edited in place keeps the keys that text fields use.
    if (!m_graphicView->textEditor())
        delegate->setEditingText(false);
}

void TDDocumentWindow::windowDidResignKey()
{
    if (TDAppDelegate *delegate = TDAppDelegate::shared())
        delegate->setEditingText(true);
}

} // namespace scrivane
