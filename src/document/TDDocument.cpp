#include "document/TDDocument.h"

#include "document/TDGlobalImageStore.h"
#include "document/TDPackageWrapper.h"
#include "model/TDApplicationServices.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "platform/ArchivedColor.h"
#include "platform/EncodedDictionary.h"
#include "platform/KeyedArchiver.h"
#include "platform/UserDefaults.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace scrivane {

const QString TDDocument::ScrivaneType = QStringLiteral("Scrivane Document");
const QString TDDocument::VerdaneType = QStringLiteral("Verdane Document");
const QString TDDocument::TypeIdentifier = QStringLiteral("com.quelmont.scrivane.scrivane");
const QString TDDocument::UntitledType = QStringLiteral("Untitled Document");
const QString TDDocument::DxfType = QStringLiteral("dxf");

bool TDDocument::needsSaveName() const
{
    return fileName().isEmpty() || fileType() == UntitledType || fileType() == DxfType;
}

namespace {
float g_renderScale = 1;

const QStringList InfoKeys = {QStringLiteral("title"), QStringLiteral("author"), QStringLiteral("keywords"),
                              QStringLiteral("keyColor"), QStringLiteral("colorizationMethod")};

PropertyList defaultInfoDictionary()
{
    PropertyList info{PropertyList::Dictionary()};
    info.insert(QStringLiteral("title"), QString(""));
    info.insert(QStringLiteral("author"), QString(""));
    info.insert(QStringLiteral("keywords"), QString(""));
    info.insert(QStringLiteral("colorizationMethod"), 0);
    const auto blue = KeyedArchiver::archivedData(ArchivedColor::value(Color::calibratedRGB(0, 0, 1)));
    info.insert(QStringLiteral("keyColor"), blue.value_or(QByteArray()));
    return info;
}
} // namespace

TDDocument::TDDocument() : m_undoManager(std::make_unique<TDUndoManager>())
{
    auto layer = TDLayer::layerWithName(QStringLiteral("Layer 1"), this);
    m_layers.push_back(layer);
    m_currentLayer = layer.get();
    m_infoDictionary = defaultInfoDictionary();
    registerBrushDocumentReader();
    EncodedDictionary::setFiltersLost(false);
    TDGlobalImageStore::instance();
    m_printInfo = TDPrintInfo::defaultPrintInfo();
    m_customSize = pageBounds().size;
    observeUndoManager();
}

TDDocument::~TDDocument()
{
    closeLinkIfNeeded();
    NotificationCenter::defaultCenter().removeObserver(this);
    // Graphics may outlive the document (undo closures, the pasteboard):
    // they must not keep a reference to it.
    for (const auto &layer : m_layers)
        layer->setDocument(nullptr);
    releaseDocumentImages(this);
}

void TDDocument::observeUndoManager()
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    const void *manager = static_cast<const UndoManager *>(m_undoManager.get());
    // A step that only changed the selection is undoable, but the drawing
    // is as it was: it must not ask to be saved.
    const auto count = [this](ChangeKind kind) {
        if (m_undoManager->stepChangedContents())
            updateChangeCount(kind);
    };
    center.addObserver(this, UndoManager::didCloseUndoGroupNotification, manager,
                       [count](const Notification &) { count(ChangeKind::Done); });
    center.addObserver(this, UndoManager::didUndoChangeNotification, manager,
                       [count](const Notification &) { count(ChangeKind::Undone); });
    center.addObserver(this, UndoManager::didRedoChangeNotification, manager,
                       [count](const Notification &) { count(ChangeKind::Redone); });
}

void TDDocument::redisplay() const
{
    if (m_graphicView)
        m_graphicView->setNeedsDisplay();
}

// --- Layers ------------------------------------------------------------------------

TDGraphicArray TDDocument::graphics() const
{
    return TDGraphicArray(m_layers.begin(), m_layers.end());
}

void TDDocument::setLayers(const std::vector<std::shared_ptr<TDLayer>> &layers)
{
    for (const auto &old : m_layers) {
        if (std::find(layers.begin(), layers.end(), old) == layers.end())
            old->setDocument(nullptr);
    }
    m_layers = layers;
    if (m_layers.empty())
        m_layers.push_back(TDLayer::layerWithName(QStringLiteral("Layer 1"), this));
    for (const auto &layer : m_layers)
        layer->setDocument(this);
    m_currentLayer = m_layers.front().get();
}

bool TDDocument::replaceLayers(const std::vector<std::shared_ptr<TDLayer>> &layers)
{
    if (layers.empty() || std::find(layers.begin(), layers.end(), nullptr) != layers.end())
        return false;
    for (auto it = layers.begin(); it != layers.end(); ++it)
        if (std::find(std::next(it), layers.end(), *it) != layers.end())
            return false;
    for (const auto &old : m_layers)
        if (std::find(layers.begin(), layers.end(), old) == layers.end())
            old->setDocument(nullptr);
    m_layers = layers;
    for (const auto &layer : m_layers) {
        // A layer stands in no group.
        layer->setLayer(nullptr);
        if (layer->document() != this)
            layer->setDocument(this);
    }
    // The current layer (or isolated group) must still lie in a layer.
    const TDGroup *top = m_currentLayer;
    for (size_t steps = 0; top && top->layer() && steps < 4096; ++steps)
        top = top->layer().get();
    if (!top || indexOfLayer(top) == TDNotFound)
        m_currentLayer = m_layers.back().get();
    redisplay();
    return true;
}

std::shared_ptr<TDLayer> TDDocument::layerNamed(const QString &name) const
{
    for (const auto &layer : m_layers)
        if (layer->name() == name)
            return layer;
    return nullptr;
}

void TDDocument::setCurrentLayer(TDGroup *group)
{
    m_currentLayer = group;
    if (TDLayerControllerInterface *controller = TDApplicationServices::layerController())
        controller->invalidate();
    if (m_graphicView) {
        m_graphicView->setIsolation(group && group->layer() != nullptr);
        m_graphicView->setNeedsDisplay();
    }
}

void TDDocument::setCurrentLayerIndex(int index)
{
    if (index < 0 || size_t(index) >= m_layers.size())
        return;
    if (m_currentLayer)
        redisplay();
    m_currentLayer = m_layers[size_t(index)].get();
}

int TDDocument::indexOfLayer(const TDGroup *group) const
{
    for (size_t i = 0; i < m_layers.size(); ++i)
        if (m_layers[i].get() == group)
            return int(i);
    return TDNotFound;
}

bool TDDocument::removeFromGraphics(TDGraphic *graphic)
{
    const auto it = std::find_if(m_layers.begin(), m_layers.end(),
                                 [graphic](const auto &layer) { return layer.get() == graphic; });
    if (it == m_layers.end())
        return false;
    const std::shared_ptr<TDLayer> removed = *it;
    m_layers.erase(it);
    // The current layer never dangles, and a document always has a layer.
    if (m_layers.empty())
        m_layers.push_back(TDLayer::layerWithName(QStringLiteral("Layer 1"), this));
    if (m_currentLayer) {
        for (TDGroup *g = m_currentLayer; g; g = g->layer().get()) {
            if (g == removed.get()) {
                m_currentLayer = m_layers.front().get();
                break;
            }
        }
    }
    return true;
}

// --- Lists of graphics -------------------------------------------------------------------

bool TDDocument::EditableScope::editable(const TDGraphic &graphic) const
{
    return !graphic.locked() && graphic.visible() &&
           std::find(excluded.begin(), excluded.end(), &graphic) == excluded.end();
}

TDDocument::EditableScope TDDocument::editableScope() const
{
    EditableScope scope;
    if (!m_currentLayer)
        return scope;
    scope.containers.push_back(m_currentLayer);
    for (const TDGraphic *container = m_currentLayer; container; container = container->layer().get())
        scope.excluded.push_back(container);
    if (m_graphicView && m_graphicView->isolationState())
        return scope;
    for (const auto &layer : m_layers)
        if (layer.get() != m_currentLayer && !layer->locked() && layer->visible())
            scope.containers.push_back(layer.get());
    return scope;
}

TDGraphicArray TDDocument::editableGraphics() const
{
    const EditableScope scope = editableScope();
    TDGraphicArray result;
    for (const TDGroup *container : scope.containers)
        for (const auto &graphic : container->graphics())
            if (scope.editable(*graphic))
                result.push_back(graphic);
    return result;
}

TDGraphicArray TDDocument::visibleGraphics() const
{
    if (m_graphicView && m_graphicView->isolationState() && m_currentLayer)
        return m_currentLayer->graphics();
    return semiVisibleGraphics();
}

TDGraphicArray TDDocument::semiVisibleGraphics() const
{
    TDGraphicArray result;
    for (const auto &layer : m_layers) {
        if (!layer->visible())
            continue;
        result.insert(result.end(), layer->graphics().begin(), layer->graphics().end());
    }
    return result;
}

TDGraphicArray TDDocument::sortedSelectedGraphics() const
{
    if (!m_graphicView)
        return {};
    TDGraphicArray selection = m_graphicView->selectedGraphics();
    // Stacking order: the indexes from the layer array down to the graphic.
    // Graphics not in the document keep their selection order, last.
    auto place = [this](const TDGraphic *graphic) {
        std::vector<int> path;
        const TDGraphic *g = graphic;
        for (std::shared_ptr<TDGroup> parent = g->layer(); parent; parent = parent->layer()) {
            path.push_back(parent->indexOfGraphic(g));
            g = parent.get();
        }
        const int top = indexOfLayer(dynamic_cast<const TDGroup *>(g));
        if (top == TDNotFound)
            return std::vector<int>();
        path.push_back(top);
        std::reverse(path.begin(), path.end());
        return path;
    };
    std::vector<std::pair<std::vector<int>, TDGraphicPtr>> keyed;
    keyed.reserve(selection.size());
    for (const auto &graphic : selection)
        keyed.emplace_back(place(graphic.get()), graphic);
    // Graphics outside the document (an empty place) go last.
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        if (a.first.empty() || b.first.empty())
            return !a.first.empty() && b.first.empty();
        return a.first < b.first;
    });
    TDGraphicArray result;
    for (auto &[key, graphic] : keyed)
        result.push_back(std::move(graphic));
    return result;
}

// --- Editing ----------------------------------------------------------------------------------

void TDDocument::addGraphic(const TDGraphicPtr &graphic)
{
    if (m_currentLayer && graphic)
        m_currentLayer->addGraphic(graphic);
}

void TDDocument::addGraphic(const TDGraphicPtr &graphic, const TDGraphic *existing)
{
    if (!graphic || !existing)
        return;
    if (const auto parent = existing->layer())
        parent->addGraphic(graphic, existing);
}

void TDDocument::removeGraphic(TDGraphic *graphic)
{
    if (!graphic)
        return;
    if (m_graphicView)
        m_graphicView->deselectGraphic(graphic);
    if (const auto parent = graphic->layer())
        parent->removeGraphic(graphic);
}

void TDDocument::replaceGraphic(TDGraphic *old, const TDGraphicPtr &replacement)
{
    if (!old || !replacement)
        return;
    if (m_graphicView)
        m_graphicView->deselectGraphic(old);
    if (const auto parent = old->layer())
        parent->replaceGraphic(old, replacement);
}

void TDDocument::invalidateGraphic(TDGraphic *graphic)
{
    if (m_graphicView)
        m_graphicView->invalidateGraphic(graphic);
}

void TDDocument::invalidateRect(const Rect &rect)
{
    if (m_graphicView)
        m_graphicView->setNeedsDisplayInRect(rect);
}

// --- Grid ------------------------------------------------------------------------------------

void TDDocument::setDrawsGrid(bool on)
{
    m_drawsGrid = on;
    redisplay();
}

void TDDocument::setNumberOfSubGrids(int count)
{
    m_numberOfSubGrids = std::max(1, count);
    redisplay();
}

void TDDocument::setDrawsGridInFront(bool on)
{
    m_drawsGridInFront = on;
    redisplay();
}

void TDDocument::setGridColor(const Color &color)
{
    m_gridColor = color;
    redisplay();
}

void TDDocument::setGridSpacing(float spacing)
{
    m_gridSpacing = std::isfinite(spacing) ? std::max(1.0f, spacing) : 1.0f;
    redisplay();
}

// --- Page and print ------------------------------------------------------------------------------

void TDDocument::setPrintInfo(const TDPrintInfo &info)
{
    m_printInfo = info;
    updateLayout();
}

void TDDocument::setSizeInPages(bool on)
{
    m_sizeInPages = on;
    updateLayout();
}

void TDDocument::setWidth(float width)
{
    if (std::isfinite(width))
        m_customSize.width = std::clamp(width, 1.0f, 100000.0f);
    updateLayout();
}

void TDDocument::setHeight(float height)
{
    if (std::isfinite(height))
        m_customSize.height = std::clamp(height, 1.0f, 100000.0f);
    updateLayout();
}

void TDDocument::setPagesWide(int pages)
{
    m_pagesWide = std::max(1, pages);
    updateLayout();
}

void TDDocument::setPagesHigh(int pages)
{
    m_pagesHigh = std::max(1, pages);
    updateLayout();
}

void TDDocument::updateLayout()
{
    if (m_graphicView) {
        m_graphicView->calculateSize();
        m_graphicView->setNeedsDisplay();
    }
}

Rect TDDocument::pageBounds() const
{
    const Size paper = m_printInfo.paperSize();
    return Rect(0, 0, paper.width - m_printInfo.leftMargin() - m_printInfo.rightMargin(),
                paper.height - m_printInfo.topMargin() - m_printInfo.bottomMargin());
}

Rect TDDocument::paperBounds() const
{
    if (m_sizeInPages) {
        const Rect page = pageBounds();
        return Rect(0, 0, page.width() * float(m_pagesWide), page.height() * float(m_pagesHigh));
    }
    return Rect(0, 0, m_customSize.width, m_customSize.height);
}

// --- Status line -------------------------------------------------------------------------------

void TDDocument::setStatusText(const QString &text)
{
    if (text.isNull() || !m_statusSink)
        return;
    m_statusSink(statusRichText(text, UserDefaults::standard().string(QStringLiteral("stroke scale key"))));
}

QString TDDocument::statusRichText(const QString &text, const QString &strokeScaleKey)
{
    struct Char {
        QChar c;
        bool blue = false;
        bool bold = false;
        bool literal = false;
    };
    // Escaped characters (a backslash before them) stand for themselves:
    // names put into hints cannot be taken for codes or tags.
    std::vector<Char> chars;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
            chars.push_back({text[++i], false, false, true});
            continue;
        }
        chars.push_back({text[i]});
    }
    auto findText = [&chars](const QString &needle, size_t from) -> size_t {
        for (size_t i = from; i + size_t(needle.size()) <= chars.size(); ++i) {
            bool match = true;
            for (qsizetype j = 0; j < needle.size() && match; ++j)
                match = chars[i + size_t(j)].c == needle[j] && !chars[i + size_t(j)].literal;
            if (match)
                return i;
        }
        return std::string::npos;
    };
    // The keys as Linux names them; a run of codes ("*A*M") is one chord.
    const auto keyName = [&strokeScaleKey](QChar code) -> std::optional<QString> {
        switch (code.unicode()) {
        case 'C':
            return QStringLiteral("Meta");
        case 'S':
            return QStringLiteral("Shift");
        case 'A':
            return QStringLiteral("Alt");
        case 'M':
            return QStringLiteral("Ctrl");
        case 'E':
            return QStringLiteral("Esc");
        case 'D':
            return QStringLiteral("Backspace");
        case 'R':
            return QStringLiteral("Return");
        case 'Z':
            return strokeScaleKey;
        default:
            return std::nullopt;
        }
    };
    std::vector<Char> marked;
    for (size_t i = 0; i < chars.size();) {
        QStringList chord;
        size_t j = i;
        while (j + 1 < chars.size() && chars[j].c == QLatin1Char('*') && !chars[j].literal &&
               !chars[j + 1].literal) {
            const auto name = keyName(chars[j + 1].c);
            if (!name)
                break;
            chord << *name;
            j += 2;
        }
        if (chord.isEmpty()) {
            marked.push_back(chars[i++]);
            continue;
        }
        for (QChar c : chord.join(QLatin1Char('+')) + QLatin1Char(':'))
            marked.push_back({c, true, false, true});
        i = j;
    }
    chars = std::move(marked);
    const size_t open = findText(QStringLiteral("<b>"), 0);
    const size_t close = open == std::string::npos ? std::string::npos : findText(QStringLiteral("</b>"), open);
    if (open != std::string::npos && close != std::string::npos) {
        chars.erase(chars.begin() + qsizetype(close), chars.begin() + qsizetype(close) + 4);
        chars.erase(chars.begin() + qsizetype(open), chars.begin() + qsizetype(open) + 3);
        const size_t length = close - open - 3;
        for (size_t i = open; i < open + length && i < chars.size(); ++i)
            chars[i].bold = true;
    }
    QString html;
    bool blue = false;
    bool bold = false;
    auto closeRun = [&] {
        if (bold)
            html += QStringLiteral("</b>");
        if (blue)
            html += QStringLiteral("</span>");
    };
    for (size_t i = 0; i < chars.size(); ++i) {
        const Char &c = chars[i];
        if (i == 0 || c.blue != blue || c.bold != bold) {
            if (i > 0)
                closeRun();
            blue = c.blue;
            bold = c.bold;
            if (blue)
                html += QStringLiteral("<span style=\"color:#0000ff\">");
            if (bold)
                html += QStringLiteral("<b>");
        }
        html += QString(c.c).toHtmlEscaped();
    }
    if (!chars.empty())
        closeRun();
    return html;
}

// --- Change tracking and info ----------------------------------------------------------------------

void TDDocument::updateChangeCount(ChangeKind kind)
{
    if (m_undoManager && m_undoManager->docChanging())
        TDDocumentBase::updateChangeCount(kind);
}

void TDDocument::setInfoValue(const QString &key, const PropertyList &value)
{
    if (!InfoKeys.contains(key))
        return;
    const PropertyList old = m_infoDictionary.value(key);
    if (old == value)
        return;
    m_infoDictionary.insert(key, value);
    const QString path = QStringLiteral("infoDictionary.") + key;
    m_undoManager->prepareWithInvocationTarget(m_identity, QStringLiteral("setDocumentValue"),
                                               [this, old, path] { setDocumentValue(old, path); });
}

void TDDocument::setDocumentValue(const PropertyList &value, const QString &keyPath)
{
    const QString prefix = QStringLiteral("infoDictionary.");
    if (!keyPath.startsWith(prefix))
        return;
    setInfoValue(keyPath.mid(prefix.size()), value);
}

void TDDocument::setUserPreferences(const PropertyList &preferences)
{
    m_userPreferences = preferences.isDictionary() ? preferences : PropertyList(PropertyList::Dictionary());
}

// --- Drawing target ----------------------------------------------------------------------------------

float TDDocument::renderScale()
{
    return g_renderScale;
}

void TDDocument::setRenderScale(float scale)
{
    g_renderScale = std::isfinite(scale) && scale > 0 ? scale : 1.0f;
}

} // namespace scrivane
