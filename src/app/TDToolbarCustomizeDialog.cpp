#include "app/TDToolbarCustomizeDialog.h"

#include "canvas/TDDocumentToolbar.h"
#include "platform/UserDefaults.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace scrivane {

const QString TDToolbarCustomizeDialog::ItemsKey = QStringLiteral("DocumentToolbar items");

namespace {

QListWidgetItem *itemFor(const QString &identifier)
{
    auto *item = new QListWidgetItem(TDDocumentToolbar::itemLabel(identifier));
    item->setData(Qt::UserRole, identifier);
    return item;
}

} // namespace

TDToolbarCustomizeDialog::TDToolbarCustomizeDialog(const QStringList &items, QWidget *parent)
    : QDialog(parent), m_allowed(new QListWidget(this)), m_toolbar(new QListWidget(this))
{
    setWindowTitle(tr("Customize Toolbar"));
    m_allowed->setObjectName(QStringLiteral("allowedItems"));
    m_toolbar->setObjectName(QStringLiteral("toolbarItems"));
    for (const QString &identifier : TDDocumentToolbar::toolbarAllowedItemIdentifiers())
        m_allowed->addItem(itemFor(identifier));
    show(items);

    auto *add = new QPushButton(tr("Add"), this);
    auto *remove = new QPushButton(tr("Remove"), this);
    auto *up = new QPushButton(tr("Move Up"), this);
    auto *down = new QPushButton(tr("Move Down"), this);
    auto *defaults = new QPushButton(tr("Use Default Set"), this);
    connect(add, &QPushButton::clicked, this, &TDToolbarCustomizeDialog::addSelected);
    connect(m_allowed, &QListWidget::itemDoubleClicked, this, &TDToolbarCustomizeDialog::addSelected);
    connect(remove, &QPushButton::clicked, this, &TDToolbarCustomizeDialog::removeSelected);
    connect(up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveSelected(1); });
    connect(defaults, &QPushButton::clicked, this, &TDToolbarCustomizeDialog::useDefaultSet);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Items:"), this), 0, 0);
    grid->addWidget(new QLabel(tr("On the toolbar:"), this), 0, 2);
    grid->addWidget(m_allowed, 1, 0);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *button : {add, remove, up, down, defaults})
        buttons->addWidget(button);
    buttons->addStretch(1);
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(m_toolbar, 1, 2);

    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(box);
}

void TDToolbarCustomizeDialog::show(const QStringList &items)
{
    m_toolbar->clear();
    for (const QString &identifier : TDDocumentToolbar::sanitizedItemIdentifiers(items))
        m_toolbar->addItem(itemFor(identifier));
}

QStringList TDToolbarCustomizeDialog::itemIdentifiers() const
{
    QStringList items;
    for (int row = 0; row < m_toolbar->count(); ++row)
        items.append(m_toolbar->item(row)->data(Qt::UserRole).toString());
    return items;
}

void TDToolbarCustomizeDialog::addSelected()
{
    const QListWidgetItem *chosen = m_allowed->currentItem();
    if (!chosen)
        return;
    QStringList items = itemIdentifiers();
    const int at = m_toolbar->currentRow() >= 0 ? m_toolbar->currentRow() + 1 : int(items.size());
    items.insert(at, chosen->data(Qt::UserRole).toString());
    const QStringList kept = TDDocumentToolbar::sanitizedItemIdentifiers(items);
    // An item already on the toolbar is not added twice.
    if (kept.size() == items.size()) {
        show(kept);
        m_toolbar->setCurrentRow(at);
    }
}

void TDToolbarCustomizeDialog::removeSelected()
{
    const int row = m_toolbar->currentRow();
    if (row < 0)
        return;
    delete m_toolbar->takeItem(row);
}

void TDToolbarCustomizeDialog::moveSelected(int offset)
{
    const int row = m_toolbar->currentRow();
    const int to = row + offset;
    if (row < 0 || to < 0 || to >= m_toolbar->count())
        return;
    QListWidgetItem *item = m_toolbar->takeItem(row);
    m_toolbar->insertItem(to, item);
    m_toolbar->setCurrentRow(to);
}

void TDToolbarCustomizeDialog::useDefaultSet()
{
    show(TDDocumentToolbar::toolbarDefaultItemIdentifiers());
}

QStringList TDToolbarCustomizeDialog::savedItems(const UserDefaults &defaults)
{
    const QVariant stored = defaults.object(ItemsKey);
    if (!stored.isValid() || stored.typeId() != QMetaType::QString)
        return TDDocumentToolbar::toolbarDefaultItemIdentifiers();
    return TDDocumentToolbar::sanitizedItemIdentifiers(stored.toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts));
}

void TDToolbarCustomizeDialog::saveItems(UserDefaults &defaults, const QStringList &items)
{
    // One line per item, so that an empty toolbar is kept as such.
    defaults.setObject(ItemsKey, TDDocumentToolbar::sanitizedItemIdentifiers(items).join(QLatin1Char('\n')));
}

} // namespace scrivane
