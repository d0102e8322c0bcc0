#include "app/TDLayerModel.h"

#include "app/TDLayerController.h"
#include "app/TDPanelImages.h"
#include "document/TDDocument.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"

#include <QMimeData>
#include <QPainter>

#include <algorithm>

namespace scrivane {

const QString TDLayerModel::MimeType = QStringLiteral("application/x-scrivane-outline-graphics");

namespace {

// A state picture with the current layer's mark over it, made once.
QImage combined(const QString &base)
{
    static QHash<QString, QImage> made;
    const auto found = made.constFind(base);
    if (found != made.constEnd())
        return found.value();
    const QImage selected = TDPanelImages::imageNamed(QStringLiteral("layer-selected"));
    QImage image(selected.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (!base.isEmpty()) {
        const QImage under = TDPanelImages::imageNamed(base);
        painter.drawImage(base == QLatin1String("layer-partial") ? QPoint(4, 4) : QPoint(0, 0), under);
    }
    painter.drawImage(QPoint(2, 2), TDPanelImages::imageNamed(QStringLiteral("layer-editing")));
    painter.end();
    made.insert(base, image);
    return image;
}

// The partial state alone, placed as in the combined picture.
QImage partialAlone()
{
    static const QImage image = [] {
        const QImage selected = TDPanelImages::imageNamed(QStringLiteral("layer-selected"));
        QImage canvas(selected.size(), QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        painter.drawImage(QPoint(4, 4), TDPanelImages::imageNamed(QStringLiteral("layer-partial")));
        return canvas;
    }();
    return image;
}

} // namespace

TDLayerModel::TDLayerModel(QObject *parent) : QAbstractItemModel(parent) {}

TDLayerModel::~TDLayerModel() = default;

void TDLayerModel::build(Node *node, const TDGroup &group)
{
    const TDGraphicArray &graphics = group.graphics();
    const int count = int(graphics.size());
    node->children.reserve(size_t(count));
    for (int row = 0; row < count; ++row) {
        const TDGraphicPtr &graphic = graphics[size_t(count - 1 - row)];
        if (!graphic)
            continue;
        Node &child = m_nodes.emplace_back();
        child.order = int(m_nodes.size());
        child.graphic = graphic;
        child.parent = node;
        child.row = int(node->children.size());
        const auto *inner = dynamic_cast<const TDGroup *>(graphic.get());
        child.group = inner != nullptr;
        node->children.push_back(&child);
        m_byGraphic.insert(graphic.get(), &child);
        // A group holding itself (a damaged document) is shown once.
        if (inner && inner != &group && inner != node->graphic.get())
            build(&child, *inner);
    }
}

void TDLayerModel::reload(TDDocument *document)
{
    beginResetModel();
    m_byGraphic.clear();
    m_roots.clear();
    m_nodes.clear();
    m_document = document;
    m_currentLayer = document ? document->currentLayer() : nullptr;
    if (document) {
        const auto &layers = document->layers();
        const int count = int(layers.size());
        m_roots.reserve(size_t(count));
        for (int row = 0; row < count; ++row) {
            const auto &layer = layers[size_t(count - 1 - row)];
            if (!layer)
                continue;
            Node &node = m_nodes.emplace_back();
            node.order = int(m_nodes.size());
            node.graphic = layer;
            node.row = int(m_roots.size());
            node.group = true;
            m_roots.push_back(&node);
            m_byGraphic.insert(layer.get(), &node);
            build(&node, *layer);
        }
    }
    endResetModel();
}

TDLayerModel::Node *TDLayerModel::nodeAt(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : nullptr;
}

const std::vector<TDLayerModel::Node *> &TDLayerModel::childrenOf(const QModelIndex &parent) const
{
    if (const Node *node = nodeAt(parent))
        return node->children;
    return m_roots;
}

TDGraphicPtr TDLayerModel::graphicAt(const QModelIndex &index) const
{
    const Node *node = nodeAt(index);
    return node ? node->graphic : nullptr;
}

int TDLayerModel::rowOrder(const QModelIndex &index) const
{
    const Node *node = nodeAt(index);
    return node ? node->order : -1;
}

QModelIndex TDLayerModel::indexOf(const TDGraphic *graphic, int column) const
{
    Node *node = m_byGraphic.value(graphic, nullptr);
    return node ? createIndex(node->row, column, node) : QModelIndex();
}

QModelIndex TDLayerModel::index(int row, int column, const QModelIndex &parent) const
{
    const std::vector<Node *> &children = childrenOf(parent);
    if (row < 0 || size_t(row) >= children.size() || column < 0 || column >= ColumnCount)
        return QModelIndex();
    return createIndex(row, column, children[size_t(row)]);
}

QModelIndex TDLayerModel::parent(const QModelIndex &child) const
{
    const Node *node = nodeAt(child);
    if (!node || !node->parent)
        return QModelIndex();
    return createIndex(node->parent->row, 0, node->parent);
}

int TDLayerModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(childrenOf(parent).size());
}

int TDLayerModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

bool TDLayerModel::hasChildren(const QModelIndex &parent) const
{
    if (const Node *node = nodeAt(parent))
        return parent.column() == 0 && node->group && !node->children.empty();
    return !m_roots.empty();
}

QImage TDLayerModel::statusImage(const TDGraphic *graphic) const
{
    const bool current = graphic && graphic == m_currentLayer;
    QString base;
    if (m_rules.isFirstSelected && m_rules.isFirstSelected(graphic))
        base = QStringLiteral("layer-primary");
    else if (m_rules.isSelected && m_rules.isSelected(graphic))
        base = QStringLiteral("layer-selected");
    else if (m_rules.containsSelected && m_rules.containsSelected(graphic))
        base = QStringLiteral("layer-partial");
    if (current)
        return combined(base);
    if (base == QLatin1String("layer-partial"))
        return partialAlone();
    return base.isEmpty() ? QImage() : TDPanelImages::imageNamed(base);
}

QVariant TDLayerModel::data(const QModelIndex &index, int role) const
{
    const Node *node = nodeAt(index);
    if (!node)
        return QVariant();
    const TDGraphic &graphic = *node->graphic;
    switch (index.column()) {
    case NameColumn:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return graphic.name();
        break;
    case EditingColumn:
        if (role == Qt::DecorationRole) {
            const QImage image = statusImage(&graphic);
            return image.isNull() ? QVariant() : QVariant(image);
        }
        break;
    case VisibleColumn:
        if (role == Qt::CheckStateRole)
            return graphic.visible() ? Qt::Checked : Qt::Unchecked;
        break;
    case LockedColumn:
        if (role == Qt::CheckStateRole)
            return graphic.locked() ? Qt::Checked : Qt::Unchecked;
        break;
    default:
        break;
    }
    return QVariant();
}

bool TDLayerModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const Node *node = nodeAt(index);
    if (!node || !(flags(index) & Qt::ItemIsEnabled) || !m_rules.edit)
        return false;
    const int column = index.column();
    // The edit may take a new snapshot: neither the node nor the index is
    // used after it.
    const TDGraphicPtr graphic = node->graphic;
    if (column == NameColumn && role == Qt::EditRole)
        m_rules.edit(graphic, column, value.toString());
    else if ((column == VisibleColumn || column == LockedColumn) && role == Qt::CheckStateRole)
        m_rules.edit(graphic, column, value.toInt() == Qt::Checked);
    else
        return false;
    return true;
}

Qt::ItemFlags TDLayerModel::flags(const QModelIndex &index) const
{
    const Node *node = nodeAt(index);
    if (!node)
        return Qt::ItemIsDropEnabled;
    const TDGraphic *graphic = node->graphic.get();
    bool enabled = true;
    switch (index.column()) {
    case VisibleColumn:
        enabled = !TDLayerController::graphicInInvisible(graphic);
        break;
    case LockedColumn:
        enabled = !TDLayerController::graphicInLocked(graphic);
        break;
    default:
        enabled = !(m_rules.outsideIsolation && m_rules.outsideIsolation(graphic));
        break;
    }
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (enabled)
        flags |= Qt::ItemIsEnabled;
    if (node->group)
        flags |= Qt::ItemIsDropEnabled;
    if (index.column() == NameColumn)
        flags |= Qt::ItemIsEditable;
    if (index.column() == VisibleColumn || index.column() == LockedColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant TDLayerModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    static const char *const images[] = {nullptr, "layers_editing", "layers_visible", "layers_lock"};
    if (role == Qt::DecorationRole && section > NameColumn && section < ColumnCount)
        return TDPanelImages::imageNamed(QString::fromLatin1(images[section]));
    if (role == Qt::DisplayRole && section == NameColumn)
        return tr("Name");
    if (role == Qt::ToolTipRole) {
        switch (section) {
        case EditingColumn:
            return tr("Selected on the canvas; the layer or group being edited");
        case VisibleColumn:
            return tr("Visible");
        case LockedColumn:
            return tr("Locked");
        default:
            break;
        }
    }
    return QVariant();
}

QStringList TDLayerModel::mimeTypes() const
{
    return {MimeType};
}

QMimeData *TDLayerModel::mimeData(const QModelIndexList &indexes) const
{
    // A row whose ancestor is dragged too travels inside it.
    QSet<const Node *> rows;
    for (const QModelIndex &index : indexes)
        if (const Node *node = nodeAt(index))
            rows.insert(node);
    // In the order the rows show, top first.
    std::vector<const Node *> ordered(rows.begin(), rows.end());
    std::sort(ordered.begin(), ordered.end(), [](const Node *a, const Node *b) { return a->order < b->order; });
    TDGraphicArray dragged;
    for (const Node *node : ordered) {
        bool inside = false;
        for (const Node *up = node->parent; up && !inside; up = up->parent)
            inside = rows.contains(up);
        if (!inside)
            dragged.push_back(node->graphic);
    }
    if (dragged.empty())
        return nullptr;
    if (m_rules.dragStarted)
        m_rules.dragStarted(dragged);
    auto *data = new QMimeData;
    data->setData(MimeType, QByteArrayLiteral("?"));
    return data;
}

Qt::DropActions TDLayerModel::supportedDragActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions TDLayerModel::supportedDropActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

} // namespace scrivane
