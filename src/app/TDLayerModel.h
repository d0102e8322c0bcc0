#pragma once

#include "model/TDModelTypes.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QImage>
#include <QSet>

#include <deque>
#include <functional>
#include <vector>

namespace scrivane {

class TDDocument;
class TDGroup;

// The tree of the layers panel: the document's layers with every graphic
// inside them, topmost first (child i of a node shows element count - 1 - i
// of its group's array).  The tree is a snapshot taken at each reload: it
// holds the graphics it shows, so a row never points at a graphic that went
// away between two reloads, however the document changed meanwhile.
//
// Columns: the name (editable), the editing state (what is selected on the
// canvas, and the current layer), and the visible and locked check boxes.
// Cells that may not be changed (outside the isolated group, under a hidden
// or locked container) are disabled; the rules are the controller's.
class TDLayerModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, EditingColumn = 1, VisibleColumn = 2, LockedColumn = 3, ColumnCount = 4 };
    // The private type of rows dragged inside the panel.
    static const QString MimeType;

    // What the model asks of the panel around it.
    struct Rules {
        // The graphic may be changed from the panel: not outside isolation.
        std::function<bool(const TDGraphic *)> outsideIsolation;
        // Whether the graphic is selected on the canvas, and first selected.
        std::function<bool(const TDGraphic *)> isSelected;
        std::function<bool(const TDGraphic *)> isFirstSelected;
        std::function<bool(const TDGraphic *)> containsSelected;
        // Changes made through the cells, as one undo step each.
        std::function<void(const TDGraphicPtr &, int column, const QVariant &)> edit;
        // The rows to carry in a drag (the panel keeps them until the drop).
        std::function<void(const TDGraphicArray &)> dragStarted;
    };

    explicit TDLayerModel(QObject *parent = nullptr);
    ~TDLayerModel() override;

    void setRules(Rules rules) { m_rules = std::move(rules); }
    // The document shown (null: an empty tree) and its current layer at the
    // time of the snapshot.
    TDDocument *document() const { return m_document; }
    // Takes a new snapshot of the document's tree.
    void reload(TDDocument *document);

    TDGraphicPtr graphicAt(const QModelIndex &index) const;
    // The row of a graphic of the snapshot (column 0), invalid when the
    // snapshot does not hold it.
    QModelIndex indexOf(const TDGraphic *graphic, int column = NameColumn) const;
    // The status picture of the editing column for a graphic.
    QImage statusImage(const TDGraphic *graphic) const;
    // The place of a row in the order the rows show, top first (-1: none).
    int rowOrder(const QModelIndex &index) const;
    int nodeCount() const { return int(m_nodes.size()); }

    // --- QAbstractItemModel ----------------------------------------------------------
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

private:
    struct Node {
        TDGraphicPtr graphic;
        Node *parent = nullptr;
        int row = 0;
        // Place in the rows' order, top first.
        int order = 0;
        bool group = false;
        std::vector<Node *> children;
    };
    Node *nodeAt(const QModelIndex &index) const;
    void build(Node *node, const TDGroup &group);
    const std::vector<Node *> &childrenOf(const QModelIndex &parent) const;

    TDDocument *m_document = nullptr;
    const TDGroup *m_currentLayer = nullptr;
    std::deque<Node> m_nodes;
    std::vector<Node *> m_roots;
    QHash<const TDGraphic *, Node *> m_byGraphic;
    Rules m_rules;
};

} // namespace scrivane
