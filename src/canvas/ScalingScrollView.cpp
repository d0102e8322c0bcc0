#include "canvas/ScalingScrollView.h"

#include "canvas/TDGraphicView.h"
#include "canvas/TDRulerView.h"
#include "platform/StringTable.h"

#include <QComboBox>
#include <QFont>
#include <QLineEdit>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace scrivane {

namespace {

struct ZoomEntry {
    const char *title;
    float factor;
};

constexpr ZoomEntry zoomEntries[] = {
    {"25%", 0.25f}, {"50%", 0.5f}, {"75%", 0.75f}, {"100%", 1.0f},
    {"150%", 1.5f}, {"200%", 2.0f}, {"400%", 4.0f}, {"800%", 8.0f},
};

QString zoomTitle(const char *key)
{
    return StringTable::lookup(QStringLiteral("ZoomValues"), QLatin1String(key));
}

// "137.5%": one decimal, never the user's locale.
QString customTitle(float factor)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f%c", double(factor) * 100.0, '%');
    return QString::fromLatin1(buffer);
}

} // namespace

ScalingScrollView::ScalingScrollView(QWidget *parent) : QScrollArea(parent)
{
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_horizontalRuler = new TDRulerView(TDRulerView::Orientation::Horizontal, this);
    m_verticalRuler = new TDRulerView(TDRulerView::Orientation::Vertical, this);
    for (TDRulerView *ruler : {m_horizontalRuler, m_verticalRuler}) {
        ruler->hide();
        connect(ruler, &TDRulerView::thicknessChanged, this, [this] { tileRulers(); });
    }
    // The rulers' numbers move with the document view.
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_horizontalRuler, qOverload<>(&QWidget::update));
    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_verticalRuler, qOverload<>(&QWidget::update));
    makeScalePopUpButton();
}

ScalingScrollView::~ScalingScrollView() = default;

void ScalingScrollView::setDocumentView(TDGraphicView *view)
{
    setWidget(view);
    m_horizontalRuler->setDocumentView(view);
    m_verticalRuler->setDocumentView(view);
    if (view) {
        view->awakeFromNib();
        view->calculateSize();
    }
}

TDGraphicView *ScalingScrollView::documentView() const
{
    return qobject_cast<TDGraphicView *>(widget());
}

QSize ScalingScrollView::contentSize() const
{
    return viewport()->size();
}

void ScalingScrollView::makeScalePopUpButton()
{
    if (m_scalePopUpButton || !hasHorizontalScroller())
        return;
    m_scalePopUpButton = new QComboBox(this);
    m_scalePopUpButton->setEditable(false);
    m_scalePopUpButton->setFocusPolicy(Qt::NoFocus);
    QFont font = m_scalePopUpButton->font();
    font.setPointSizeF(10.0);
    m_scalePopUpButton->setFont(font);
    for (const ZoomEntry &entry : zoomEntries)
        m_scalePopUpButton->addItem(zoomTitle(entry.title), QVariant(double(entry.factor)));
    m_scalePopUpButton->addItem(zoomTitle("Custom..."));
    m_scalePopUpButton->setCurrentIndex(3);
    connect(m_scalePopUpButton, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { scalePopUpAction(index); });
    m_scalePopUpButton->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_scalePopUpButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_scalePopUpButton->adjustSize();
    addScrollBarWidget(m_scalePopUpButton, Qt::AlignRight);
    tile();
}

void ScalingScrollView::tile()
{
    if (!hasHorizontalScroller()) {
        if (m_scalePopUpButton) {
            delete m_scalePopUpButton;
            m_scalePopUpButton = nullptr;
            m_customIndex = -1;
        }
        if (m_customField) {
            delete m_customField;
            m_customField = nullptr;
        }
        return;
    }
    if (!m_scalePopUpButton) {
        makeScalePopUpButton();
        return;
    }
    // The popup takes the right end of the horizontal scroller's row, as
    // tall as the scroller.
    const int barHeight = horizontalScrollBar()->sizeHint().height();
    m_scalePopUpButton->setFixedHeight(barHeight);
    if (m_customField)
        m_customField->setGeometry(m_scalePopUpButton->geometry());
}

void ScalingScrollView::setRulersVisible(bool visible)
{
    if (visible == m_rulersVisible)
        return;
    m_rulersVisible = visible;
    tileRulers();
}

void ScalingScrollView::tileRulers()
{
    if (!m_rulersVisible) {
        m_horizontalRuler->hide();
        m_verticalRuler->hide();
        setViewportMargins(0, 0, 0, 0);
        return;
    }
    const int top = m_horizontalRuler->requiredThickness();
    const int left = m_verticalRuler->requiredThickness();
    setViewportMargins(left, top, 0, 0);
    const QRect port = viewport()->geometry();
    // Each ruler runs along the viewport's edge, so that its pixel 0 is the
    // viewport's; the corner where they meet stays empty.
    m_horizontalRuler->setGeometry(port.x(), port.y() - top, port.width(), top);
    m_verticalRuler->setGeometry(port.x() - left, port.y(), left, port.height());
    m_horizontalRuler->show();
    m_verticalRuler->show();
    m_horizontalRuler->raise();
    m_verticalRuler->raise();
}

void ScalingScrollView::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    tile();
    tileRulers();
    if (TDGraphicView *view = documentView())
        view->calculateSize();
}

void ScalingScrollView::setScaleFactor(float factor, bool adjustPopup)
{
    if (!std::isfinite(factor))
        return;
    factor = std::clamp(factor, minimumScale, maximumScale);
    const float old = m_scaleFactor;
    makeScalePopUpButton();
    if (!adjustPopup || !m_scalePopUpButton) {
        m_scaleFactor = factor;
    } else {
        m_updatingPopup = true;
        const int last = m_scalePopUpButton->count() - 1;
        int index = 0;
        bool matched = false;
        for (; index < last; ++index) {
            const float entry = float(m_scalePopUpButton->itemData(index).toDouble());
            if (entry == factor && index > 0) {
                matched = true;
                break;
            }
            if (entry >= factor)
                break;
        }
        if (matched) {
            m_scalePopUpButton->setCurrentIndex(index);
        } else {
            if (m_customIndex >= 0) {
                m_scalePopUpButton->removeItem(m_customIndex);
                if (m_customIndex < index)
                    --index;
            }
            m_scalePopUpButton->insertItem(index, customTitle(factor), QVariant(double(factor)));
            m_scalePopUpButton->setCurrentIndex(index);
            m_customIndex = index;
        }
        m_scaleFactor = factor;
        m_updatingPopup = false;
    }
    if (m_scaleFactor != old) {
        if (TDGraphicView *view = documentView()) {
            view->calculateSize();
            view->setNeedsDisplay();
        }
    }
}

void ScalingScrollView::setScaleFactorKeepingCentre(float factor, bool adjustPopup)
{
    TDGraphicView *view = documentView();
    if (!view) {
        setScaleFactor(factor, adjustPopup);
        return;
    }
    const QSize content = contentSize();
    const Rect visible = view->visibleRect();
    const Point centre(visible.midX(), visible.midY());
    setScaleFactor(factor, adjustPopup);
    const float z = m_scaleFactor;
    const float w = float(content.width()) / z, h = float(content.height()) / z;
    view->scrollRectToVisible(Rect(centre.x - w / 2, centre.y - h / 2, w, h));
}

void ScalingScrollView::scalePopUpAction(int index)
{
    if (!m_scalePopUpButton || index < 0 || index >= m_scalePopUpButton->count())
        return;
    const QVariant data = m_scalePopUpButton->itemData(index);
    if (data.isValid()) {
        setScaleFactorKeepingCentre(float(data.toDouble()), false);
        return;
    }
    // "Custom...": a field over the popup takes any percentage.
    if (!m_customField) {
        m_customField = new QLineEdit(m_scalePopUpButton->parentWidget());
        m_customField->setFrame(false);
        QFont font = m_customField->font();
        font.setPointSizeF(10.0);
        m_customField->setFont(font);
        // Return, or leaving the field, ends it: a field left with no
        // number puts the popup back on the current zoom.
        QLineEdit *field = m_customField;
        connect(field, &QLineEdit::editingFinished, this, [this, field] {
            if (m_customField == field)
                customAction();
        });
    }
    m_customField->setGeometry(m_scalePopUpButton->geometry());
    m_customField->setText(QStringLiteral("%"));
    m_customField->show();
    m_customField->raise();
    m_customField->setFocus();
    m_customField->setCursorPosition(0);
}

void ScalingScrollView::customAction()
{
    // The field goes first: hiding it ends its editing once more.
    QLineEdit *field = m_customField;
    if (!field)
        return;
    m_customField = nullptr;
    QString text = field->text().trimmed();
    if (text.endsWith(u'%'))
        text.chop(1);
    bool ok = false;
    // Typed numbers use the C locale's point, as everywhere in the program.
    const double value = text.trimmed().toDouble(&ok);
    if (ok && value > 0 && std::isfinite(value))
        setScaleFactorKeepingCentre(float(value / 100.0), true);
    else
        setScaleFactorKeepingCentre(m_scaleFactor, true);
    field->hide();
    field->deleteLater();
}

void ScalingScrollView::setHasHorizontalScroller(bool on)
{
    if (!on)
        setScaleFactor(1.0f, false);
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    tile();
}

bool ScalingScrollView::hasHorizontalScroller() const
{
    return horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
}

} // namespace scrivane
