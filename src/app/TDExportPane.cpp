#include "app/TDExportPane.h"

#include "document/TDDocument.h"
#include "platform/Numbers.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardItemModel>

#include <algorithm>

namespace scrivane {

namespace {
// The order of the popup.
const int FormatOrder[] = {3, 4, 1, 7, -1, 2, 0, 6};
} // namespace

TDExportPane::TDExportPane(QWidget *parent)
    : QWidget(parent), m_format(new QComboBox(this)), m_dpi(new QLineEdit(this)),
      m_dpiLabel(new QLabel(QStringLiteral("Resolution:"), this)),
      m_transparent(new QCheckBox(QStringLiteral("Transparent background"), this)),
      m_scope(new QButtonGroup(this)), m_selection(new QRadioButton(QStringLiteral("Selection"), this)),
      m_document(new QRadioButton(QStringLiteral("Whole document"), this))
{
    setObjectName(QStringLiteral("exportPane"));
    for (int tag : FormatOrder) {
        if (const TDDocument::ExportFormat *format = TDDocument::exportFormatForTag(tag))
            m_format->addItem(format->name, tag);
    }
    m_format->setObjectName(QStringLiteral("exportFormat"));

    m_dpi->setObjectName(QStringLiteral("exportDPI"));
    m_dpi->setValidator(new QIntValidator(0, 9600, m_dpi));
    m_dpi->setText(QStringLiteral("72"));
    m_dpi->setMaximumWidth(80);
    auto *dpiRow = new QHBoxLayout;
    dpiRow->addWidget(m_dpi);
    dpiRow->addWidget(new QLabel(QStringLiteral("dpi"), this));
    dpiRow->addStretch();

    m_transparent->setObjectName(QStringLiteral("exportTransparent"));
    m_scope->addButton(m_selection, 0);
    m_scope->addButton(m_document, 1);
    m_document->setChecked(true);
    auto *scopeRow = new QHBoxLayout;
    scopeRow->addWidget(m_selection);
    scopeRow->addWidget(m_document);
    scopeRow->addStretch();

    auto *form = new QFormLayout(this);
    form->setContentsMargins(0, 6, 0, 0);
    form->addRow(QStringLiteral("Format:"), m_format);
    form->addRow(m_dpiLabel, dpiRow);
    form->addRow(QString(), m_transparent);
    form->addRow(QStringLiteral("Export:"), scopeRow);

    setFormatTag(3);
    connect(m_format, &QComboBox::currentIndexChanged, this, &TDExportPane::formatChanged);
    connect(m_scope, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            Q_EMIT formatChanged();
    });
}

int TDExportPane::formatTag() const
{
    return m_format->currentData().toInt();
}

void TDExportPane::setFormatTag(int tag)
{
    const int index = m_format->findData(tag);
    if (index >= 0)
        m_format->setCurrentIndex(index);
}

int TDExportPane::dpi() const
{
    const int value = Numbers::leadingInt(QStringView(m_dpi->text()));
    return value < 1 ? 72 : value;
}

bool TDExportPane::transparent() const
{
    return m_transparent->isChecked();
}

int TDExportPane::scopeTag() const
{
    return std::max(0, m_scope->checkedId());
}

void TDExportPane::setScopeTag(int tag)
{
    if (QAbstractButton *button = m_scope->button(tag))
        button->setChecked(true);
}

void TDExportPane::enableSelectionBounds(bool enable)
{
    m_selection->setEnabled(enable);
    if (!enable)
        m_document->setChecked(true);
}

void TDExportPane::enableResolution(bool enable)
{
    m_dpi->setEnabled(enable);
    m_dpiLabel->setEnabled(enable);
}

void TDExportPane::enableTransparent(bool enable)
{
    m_transparent->setEnabled(enable);
}

void TDExportPane::setFormatEnabled(int tag, bool enabled)
{
    auto *model = qobject_cast<QStandardItemModel *>(m_format->model());
    const int index = m_format->findData(tag);
    if (!model || index < 0)
        return;
    model->item(index)->setEnabled(enabled);
    if (!enabled && m_format->currentIndex() == index)
        setFormatTag(3);
}

void TDExportPane::setFormatTitle(int tag, const QString &title)
{
    const int index = m_format->findData(tag);
    if (index >= 0)
        m_format->setItemText(index, title);
}

QString TDExportPane::formatTitle(int tag) const
{
    const int index = m_format->findData(tag);
    return index >= 0 ? m_format->itemText(index) : QString();
}

bool TDExportPane::isFormatEnabled(int tag) const
{
    auto *model = qobject_cast<QStandardItemModel *>(m_format->model());
    const int index = m_format->findData(tag);
    return model && index >= 0 && model->item(index)->isEnabled();
}

} // namespace scrivane
