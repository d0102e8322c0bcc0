#include "app/TDFontManager.h"

#include "app/TDDocumentController.h"
#include "app/TDDocumentWindow.h"
#include "canvas/TDGraphicView.h"
#include "model/TDAttributedText.h"

#include <QApplication>
#include <QFontDialog>
#include <QSignalBlocker>

namespace scrivane {

namespace {

TDFontManager *g_shared = nullptr;

TDGraphicView *activeCanvas()
{
    // The panel itself is the active window while it is used: the document
    // window that was active last is meant, as the controller keeps it.
    TDDocumentController *controller = TDDocumentController::shared();
    TDDocument *document = controller ? controller->currentDocument() : nullptr;
    TDDocumentWindow *window = document ? controller->windowForDocument(document) : nullptr;
    return window ? window->graphicView() : nullptr;
}

} // namespace

TDFontManager &TDFontManager::shared()
{
    if (!g_shared)
        g_shared = new TDFontManager(qApp);
    return *g_shared;
}

TDFontManager::TDFontManager(QObject *parent) : QObject(parent), m_selected(TDAttributedText::defaultFont())
{
    m_targetFinder = activeCanvas;
    // The panel is a window of its own: it goes before the application
    // does, which would not delete it.
    if (QCoreApplication *application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, [this] { delete m_panel; });
}

TDFontManager::~TDFontManager()
{
    delete m_panel;
    if (g_shared == this)
        g_shared = nullptr;
}

void TDFontManager::setSelectedFont(const QFont &font, bool multiple)
{
    m_selected = font;
    m_multiple = multiple;
    if (m_panel) {
        const QSignalBlocker quiet(m_panel.data());
        m_showing = true;
        m_panel->setCurrentFont(font);
        m_showing = false;
    }
}

QFont TDFontManager::convertFont(const QFont &font) const
{
    QFont converted = font;
    const Conversion &c = m_conversion;
    if (c.family)
        converted.setFamilies(QStringList{*c.family});
    if (c.styleName)
        converted.setStyleName(*c.styleName);
    if (c.weight)
        converted.setWeight(QFont::Weight(*c.weight));
    if (c.italic)
        converted.setItalic(*c.italic);
    if (c.size && *c.size > 0)
        converted.setPointSizeF(std::min(*c.size, TDAttributedText::MaxFontSize));
    return converted;
}

void TDFontManager::modifyFontViaPanel()
{
    Conversion whole;
    whole.family = m_selected.family();
    whole.styleName = m_selected.styleName();
    whole.weight = m_selected.weight();
    whole.italic = m_selected.italic();
    if (m_selected.pointSizeF() > 0)
        whole.size = m_selected.pointSizeF();
    m_conversion = whole;
    send();
}

void TDFontManager::panelChangedFont(const QFont &font)
{
    Conversion change;
    if (font.family() != m_selected.family())
        change.family = font.family();
    if (font.styleName() != m_selected.styleName() || font.weight() != m_selected.weight() ||
        font.italic() != m_selected.italic()) {
        change.styleName = font.styleName();
        change.weight = font.weight();
        change.italic = font.italic();
    }
    if (font.pointSizeF() > 0 && font.pointSizeF() != m_selected.pointSizeF())
        change.size = font.pointSizeF();
    m_selected = font;
    m_multiple = false;
    m_conversion = change;
    noteRecentlyUsed(font);
    send();
}

void TDFontManager::send()
{
    if (TDGraphicView *view = m_targetFinder ? m_targetFinder() : nullptr)
        view->changeFont([this](const QFont &font) { return convertFont(font); });
    Q_EMIT fontChanged();
}

void TDFontManager::noteRecentlyUsed(const QFont &font)
{
    std::erase(m_recent, font);
    m_recent.push_back(font);
    if (m_recent.size() > size_t(RecentLimit))
        m_recent.erase(m_recent.begin());
}

QFontDialog *TDFontManager::fontPanel()
{
    if (!m_panel) {
        m_panel = new QFontDialog(m_selected);
        m_panel->setWindowTitle(tr("Fonts"));
        m_panel->setObjectName(QStringLiteral("FontPanel"));
        m_panel->setWindowFlag(Qt::Tool);
        m_panel->setOption(QFontDialog::NoButtons);
        m_panel->setModal(false);
        connect(m_panel.data(), &QFontDialog::currentFontChanged, this, [this](const QFont &font) {
            if (!m_showing)
                panelChangedFont(font);
        });
    }
    return m_panel;
}

void TDFontManager::orderFrontFontPanel()
{
    QFontDialog *panel = fontPanel();
    setSelectedFont(m_selected, m_multiple);
    panel->show();
    panel->raise();
}

} // namespace scrivane
