#include "app/TDSnapPanel.h"

#include "app/TDDocumentController.h"
#include "app/TDDocumentWindow.h"
#include "app/TDResizeView.h"
#include "app/TDSnapGeometry.h"
#include "app/TDSnapTitleBar.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QStringList>
#include <QVariantMap>
#include <QWindow>

#include <algorithm>

namespace scrivane {

namespace {

// Every palette of the process, in the order they were made.
std::vector<TDSnapPanel *> &allPalettes()
{
    static std::vector<TDSnapPanel *> list;
    return list;
}

// The palette the person pressed last (or the one being jogged); only it
// reacts to moves, so that the moves snapping makes do not snap again.
TDSnapPanel *g_active = nullptr;
// Set while the chains are restored at launch.
bool g_loading = false;

const QString LinksKey = QStringLiteral("inspector links");

constexpr int DefaultWidth = 240;

std::vector<TDSnapPanel *> sortedTopDown()
{
    std::vector<TDSnapPanel *> sorted = allPalettes();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TDSnapPanel *a, const TDSnapPanel *b) { return a->y() < b->y(); });
    return sorted;
}

QRect primaryArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

TDSnapPanel::TDSnapPanel(const QString &name, const QString &title, QWidget *content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), m_name(name)
{
    setWindowTitle(title);
    setObjectName(name);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    m_titleBar = new TDSnapTitleBar(this);
    allPalettes().push_back(this);
    // Undo and redo typed in a palette act on the front document.
    const std::pair<QKeySequence::StandardKey, QString> edits[] = {{QKeySequence::Undo, QStringLiteral("undo")},
                                                                   {QKeySequence::Redo, QStringLiteral("redo")}};
    for (const auto &[key, name] : edits) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setObjectName(name);
        connect(shortcut, &QShortcut::activated, this, [name] {
            TDDocumentController *controller = TDDocumentController::shared();
            TDDocument *document = controller ? controller->currentDocument() : nullptr;
            TDDocumentWindow *window = document ? controller->windowForDocument(document) : nullptr;
            if (QAction *action = window ? window->action(name) : nullptr)
                action->trigger();
        });
    }

    setContent(content);
    const double size = UserDefaults::standard().real(key(" size"));
    int height = size > TDSnapGeometry::TitleHeight ? int(size) : 0;
    if (height <= 0)
        height = (m_content ? m_content->sizeHint().height() : 120) + TDSnapGeometry::TitleHeight;
    height = std::min(height, primaryArea().height());
    const int width = std::max(DefaultWidth, m_content ? m_content->sizeHint().width() : 0);
    resize(width, height);
    m_oldHeight = height;
    restoreFrame();
    if (!UserDefaults::standard().object(key(" toggle")).isNull() && !UserDefaults::standard().boolean(key(" toggle"))) {
        shrinkNow();
        m_titleBar->shrinkNow();
    }
    g_active = this;
}

TDSnapPanel::~TDSnapPanel()
{
    // Going away is no choice of the person: the stored links stay.
    if (m_parent && m_parent->m_child == this)
        m_parent->m_child = nullptr;
    if (m_child && m_child->m_parent == this)
        m_child->m_parent = nullptr;
    std::erase(allPalettes(), this);
    if (g_active == this)
        g_active = allPalettes().empty() ? nullptr : allPalettes().back();
}

QString TDSnapPanel::key(const char *suffix) const
{
    return m_name + QLatin1String(suffix);
}

void TDSnapPanel::setContent(QWidget *content)
{
    if (content == m_content)
        return;
    delete m_content;
    m_content = content;
    if (content) {
        content->setParent(this);
        content->show();
    }
    if (m_grip)
        m_grip->raise();
    layoutParts();
}

void TDSnapPanel::setResizable(bool resizable)
{
    if (resizable == isResizable())
        return;
    if (resizable) {
        m_grip = new TDResizeView(this);
        m_grip->show();
    } else {
        delete m_grip;
        m_grip = nullptr;
    }
    layoutParts();
}

// --- Layout ---------------------------------------------------------------------------------------

void TDSnapPanel::layoutParts()
{
    const int title = TDSnapGeometry::TitleHeight;
    m_titleBar->setGeometry(0, 0, width(), title);
    const bool open = height() > title;
    if (m_content) {
        // While rolling the content keeps its size and the window clips it.
        if (!m_rolling)
            m_content->setGeometry(0, title, width(), std::max(0, height() - title));
        m_content->setVisible(open || m_rolling);
    }
    if (m_grip) {
        m_grip->move(width() - m_grip->width(), height() - m_grip->height());
        m_grip->setVisible(open && !m_rolling);
        m_grip->raise();
    }
}

void TDSnapPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

// --- The palettes of the process ----------------------------------------------------------

std::vector<TDSnapPanel *> TDSnapPanel::palettes()
{
    return allPalettes();
}

TDSnapPanel *TDSnapPanel::named(const QString &name)
{
    for (TDSnapPanel *palette : allPalettes())
        if (palette->name() == name)
            return palette;
    return nullptr;
}

bool TDSnapPanel::canPlaceWindows()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void TDSnapPanel::finishLoading()
{
    const std::vector<TDSnapPanel *> shown = allPalettes();
    if (!canPlaceWindows()) {
        for (TDSnapPanel *palette : shown)
            palette->showIfVisible();
        return;
    }
    g_loading = true;
    for (TDSnapPanel *palette : shown)
        palette->showIfVisible();

    const std::vector<TDSnapPanel *> sorted = sortedTopDown();
    QStringList names;
    std::vector<QRect> frames;
    for (const TDSnapPanel *palette : sorted) {
        names << palette->name();
        frames.push_back(palette->geometry());
    }
    QMap<QString, QString> links;
    const QVariantMap stored = UserDefaults::standard().dictionary(LinksKey);
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        links.insert(it.key(), it.value().toString());
    const TDSnapGeometry::Restored restored = TDSnapGeometry::restoreChains(names, frames, links);
    for (size_t k = 0; k < sorted.size(); ++k)
        sorted[k]->move(restored.frames[k].topLeft());
    // Chains form between shown palettes; a hidden one keeps its link in
    // the defaults until it is shown and moved.
    for (size_t k = 0; k < sorted.size(); ++k) {
        const int parent = restored.parents[k];
        if (parent >= 0 && sorted[k]->isVisible() && sorted[size_t(parent)]->isVisible())
            sorted[size_t(parent)]->setChildPalette(sorted[k]);
    }
    jogAll();
    for (TDSnapPanel *palette : allPalettes())
        palette->showIfVisible();
    g_loading = false;
}

void TDSnapPanel::jogAll()
{
    for (TDSnapPanel *palette : sortedTopDown())
        palette->jog();
}

// --- Showing ---------------------------------------------------------------------------------

void TDSnapPanel::showIfVisible()
{
    if (UserDefaults::standard().boolean(key(" visible")))
        orderFront();
}

void TDSnapPanel::orderFront()
{
    UserDefaults::standard().setBool(key(" visible"), true);
    show();
    raiseChain();
    if (!g_loading)
        jogAll();
}

void TDSnapPanel::closePalette()
{
    UserDefaults::standard().setBool(key(" visible"), false);
    if (m_parent)
        m_parent->removeChildPalette();
    removeChildPalette();
    hide();
}

void TDSnapPanel::closeEvent(QCloseEvent *event)
{
    // The window system's close (a key or the task bar) is the close button's.
    closePalette();
    event->accept();
}

void TDSnapPanel::raiseChain()
{
    TDSnapPanel *top = this;
    for (size_t steps = 0; top->m_parent && steps < allPalettes().size(); ++steps)
        top = top->m_parent;
    // A child stands above its parent.
    TDSnapPanel *palette = top;
    for (size_t steps = 0; palette && steps <= allPalettes().size(); ++steps) {
        if (palette->isVisible())
            palette->raise();
        palette = palette->m_child;
    }
}

// --- Chains ---------------------------------------------------------------------------------------

void TDSnapPanel::setChildPalette(TDSnapPanel *palette)
{
    if (!palette || palette == this || m_child || palette->m_parent)
        return;
    // Hanging an ancestor under this palette would close a ring.
    for (const TDSnapPanel *above = m_parent; above; above = above->m_parent)
        if (above == palette)
            return;
    m_child = palette;
    palette->setParentPalette(this);
    raiseChain();
}

void TDSnapPanel::removeChildPalette()
{
    if (!m_child)
        return;
    TDSnapPanel *child = m_child;
    m_child = nullptr;
    child->setParentPalette(nullptr);
}

void TDSnapPanel::setParentPalette(TDSnapPanel *parent)
{
    m_parent = parent;
    QVariantMap links = UserDefaults::standard().dictionary(LinksKey);
    if (parent) {
        for (auto it = links.begin(); it != links.end();)
            it = it.value().toString() == parent->name() ? links.erase(it) : std::next(it);
        links.insert(m_name, parent->name());
    } else {
        links.remove(m_name);
    }
    UserDefaults::standard().setObject(LinksKey, links);
}

QRect TDSnapPanel::frameWithChild() const
{
    QRect area = geometry();
    const TDSnapPanel *below = m_child;
    for (size_t steps = 0; below && steps < allPalettes().size(); ++steps) {
        area = area.united(below->geometry());
        below = below->m_child;
    }
    return area;
}

void TDSnapPanel::snapChild()
{
    TDSnapPanel *above = this;
    for (size_t steps = 0; above->m_child && steps < allPalettes().size(); ++steps) {
        TDSnapPanel *below = above->m_child;
        below->move(above->x(), above->y() + above->height());
        above = below;
    }
}

void TDSnapPanel::moveChain(const QPoint &topLeft)
{
    move(topLeft);
    snapChild();
}

void TDSnapPanel::jog()
{
    TDSnapPanel *previous = g_active;
    g_active = this;
    windowMoved(false, Qt::NoModifier);
    g_active = previous;
}

QRect TDSnapPanel::screenArea(bool pointer) const
{
    const QScreen *screen = nullptr;
    if (pointer) {
        const QPoint at = QCursor::pos();
        const QList<QScreen *> screens = QGuiApplication::screens();
        for (const QScreen *candidate : screens)
            if (candidate->geometry().adjusted(0, 0, 0, 1).contains(at)) {
                screen = candidate;
                break;
            }
        if (!screen && !screens.isEmpty())
            screen = screens.back();
    } else {
        screen = this->screen();
    }
    return screen ? screen->availableGeometry() : primaryArea();
}

void TDSnapPanel::windowMoved(bool pointer, Qt::KeyboardModifiers modifiers)
{
    const bool reacts = g_active == this || (g_loading && UserDefaults::standard().boolean(key(" visible")));
    if (!reacts || !isVisible() || !canPlaceWindows())
        return;
    if ((modifiers & Qt::AltModifier) || m_snapping)
        return;
    m_snapping = true;
    const std::vector<TDSnapPanel *> &list = allPalettes();
    std::vector<TDSnapGeometry::Palette> described(list.size());
    int self = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        described[i].frame = list[i]->geometry();
        described[i].visible = list[i]->isVisible();
        const auto at = [&list](const TDSnapPanel *palette) {
            const auto found = std::find(list.begin(), list.end(), palette);
            return found == list.end() ? -1 : int(found - list.begin());
        };
        described[i].parent = at(list[i]->m_parent);
        described[i].child = at(list[i]->m_child);
        if (list[i] == this)
            self = int(i);
    }
    const TDSnapGeometry::Snap snap = TDSnapGeometry::snap(described, self, geometry(), screenArea(pointer));
    if (snap.leaveParent && m_parent)
        m_parent->removeChildPalette();
    if (snap.hangUnder >= 0)
        list[size_t(snap.hangUnder)]->setChildPalette(this);
    moveChain(snap.origin);
    m_snapping = false;
}

// --- Rolling up and down ------------------------------------------------------------------

bool TDSnapPanel::isRolledUp() const
{
    return height() < 20;
}

void TDSnapPanel::setHeightKeepingTop(int height)
{
    resize(width(), height);
    snapChild();
}

void TDSnapPanel::animateToHeight(int height)
{
    m_rolling = true;
    for (int step : TDSnapGeometry::rollSteps(this->height(), height)) {
        setHeightKeepingTop(step);
        if (isVisible())
            repaint();
    }
    m_rolling = false;
    layoutParts();
}

void TDSnapPanel::shrinkNow()
{
    if (!isRolledUp())
        m_oldHeight = height();
    setHeightKeepingTop(TDSnapGeometry::TitleHeight);
}

void TDSnapPanel::shrink()
{
    if (!isRolledUp())
        m_oldHeight = height();
    animateToHeight(TDSnapGeometry::TitleHeight);
    m_titleBar->setToggleState(false);
    UserDefaults::standard().setBool(key(" toggle"), false);
}

void TDSnapPanel::grow()
{
    animateToHeight(std::max(m_oldHeight, minimumPaletteHeight()));
    m_titleBar->setToggleState(true);
    UserDefaults::standard().setBool(key(" toggle"), true);
}

void TDSnapPanel::toggleSize()
{
    if (isRolledUp())
        grow();
    else
        shrink();
}

// --- Gestures -----------------------------------------------------------------------------------

void TDSnapPanel::mousePressEvent(QMouseEvent *event)
{
    g_active = this;
    QWidget::mousePressEvent(event);
}

void TDSnapPanel::beginDrag(const QPoint &globalPos)
{
    g_active = this;
    m_dragOffset = globalPos - pos();
    if (!canPlaceWindows())
        if (QWindow *window = windowHandle())
            window->startSystemMove();
}

void TDSnapPanel::dragTo(const QPoint &globalPos, Qt::KeyboardModifiers modifiers)
{
    if (!canPlaceWindows())
        return;
    moveChain(globalPos - m_dragOffset);
    windowMoved(true, modifiers);
}

void TDSnapPanel::endDrag()
{
    jogAll();
    for (const TDSnapPanel *palette : allPalettes())
        palette->saveFrame();
}

int TDSnapPanel::minimumPaletteHeight() const
{
    const int content = m_content ? m_content->minimumSizeHint().height() : 0;
    return TDSnapGeometry::TitleHeight + std::max(24, content);
}

void TDSnapPanel::beginResize(int globalY)
{
    g_active = this;
    m_resizeStartY = globalY;
    m_resizeStartHeight = height();
}

void TDSnapPanel::resizeTo(int globalY)
{
    const int maximum = std::max(minimumPaletteHeight(), screenArea(false).height());
    const int height =
        TDSnapGeometry::resizedHeight(m_resizeStartHeight, globalY - m_resizeStartY, minimumPaletteHeight(), maximum);
    if (height == this->height())
        return;
    setHeightKeepingTop(height);
    m_oldHeight = height;
    Q_EMIT resizedByGrip();
}

void TDSnapPanel::endResize()
{
    UserDefaults::standard().setReal(key(" size"), height());
}

// --- Frame in the defaults ----------------------------------------------------------------------

// Stored as the platform of the registered defaults wrote it: "x y w h" of
// the frame and then of the screen, y counted upwards from the screen's
// bottom.
void TDSnapPanel::saveFrame() const
{
    const QRect area = primaryArea();
    const QRect frame = geometry();
    const int upY = area.height() - (frame.y() - area.y()) - frame.height();
    const QString text = QStringLiteral("%1 %2 %3 %4 0 0 %5 %6 ")
                             .arg(frame.x() - area.x())
                             .arg(upY)
                             .arg(frame.width())
                             .arg(frame.height())
                             .arg(area.width())
                             .arg(area.height());
    UserDefaults::standard().setString(QStringLiteral("NSWindow Frame ") + m_name, text);
}

void TDSnapPanel::restoreFrame()
{
    const QRect area = primaryArea();
    const QStringList parts = UserDefaults::standard()
                                  .string(QStringLiteral("NSWindow Frame ") + m_name)
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int numbers[8] = {};
    bool ok = parts.size() >= 8;
    for (int i = 0; ok && i < 8; ++i)
        numbers[i] = parts[i].toInt(&ok);
    if (!ok) {
        move(area.x() + area.width() - width() - 8, area.y() + 40);
        return;
    }
    const int x = numbers[0] - numbers[4];
    const int upY = numbers[1] - numbers[5];
    const int savedHeight = numbers[3];
    const int screenHeight = numbers[7];
    const int top = screenHeight - upY - savedHeight;
    QRect frame(area.x() + x, area.y() + top, width(), height());
    move(TDSnapGeometry::keepInside(frame, area, 0).topLeft());
}

} // namespace scrivane
