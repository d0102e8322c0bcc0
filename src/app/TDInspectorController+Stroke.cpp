// The stroke pane: kind, colour, width, cap, join, dashes, arrowheads and
// brushes.

#include "app/TDColorWell.h"
#include "app/TDInspectorController.h"
#include "app/TDPressureView.h"
#include "app/TDStrokePane.h"
#include "app/UnitsTransformer.h"
#include "canvas/TDGraphicView.h"
#include "model/TDBrush.h"
#include "model/TDBrushLibrary.h"
#include "model/TDGroup.h"
#include "model/TDStrokeStyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QTableWidget>

#include <cmath>

namespace scrivane {

namespace {

constexpr int BuiltinBrushSet = 0;
constexpr int CustomBrushSet = 1;

// The dash list entry a pattern matches: equal in length and in every
// element to two decimals (both truncated toward zero after × 100).
int matchingDashEntry(const std::vector<float> &dashes)
{
    const auto &list = TDStrokeStyle::builtinDashes();
    for (size_t i = 0; i < list.size(); ++i) {
        const std::vector<float> &entry = list[i].dash;
        if (entry.size() != dashes.size())
            continue;
        bool equal = true;
        for (size_t k = 0; k < entry.size() && equal; ++k)
            equal = std::trunc(double(entry[k]) * 100) == std::trunc(double(dashes[k]) * 100);
        if (equal)
            return int(i);
    }
    return -1;
}

QString percentText(float percent)
{
    return QLocale().toString(double(percent), 'f', 1);
}

} // namespace

void TDInspectorController::connectStrokePane()
{
    TDStrokePane &p = *m_strokePane;
    on(p.strokeOption, &QComboBox::activated,
       [this](int index) { strokeOptionAction(m_strokePane->strokeOption->itemData(index).toInt()); });
    on(p.strokeColorWell, &TDColorWell::colorChanged, [this](const Color &c) { strokeColorWellAction(c); });
    on(p.strokeCapMenu, &QComboBox::activated, [this](int index) { strokeCapAction(index); });
    on(p.strokeJoinMenu, &QComboBox::activated, [this](int index) { strokeJoinAction(index); });
    on(p.strokeWidthSlider, &QSlider::valueChanged,
       [this](int v) { strokeWidthSliderAction(float(v) / TDStrokePane::WidthSliderScale); });
    connectGesture(p.strokeWidthSlider);
    onText(p.strokeWidthField, [this](const QString &t) { return strokeWidthTextAction(t); });
    on(p.strokeDashMenu, &QComboBox::activated, [this](int index) { strokeDashAction(index); });
    onText(p.customDashField, [this](const QString &t) { return strokeDashCustomAction(t); });
    for (ArrowEnd end : {ArrowEnd::Start, ArrowEnd::End}) {
        const bool atEnd = end == ArrowEnd::End;
        QComboBox *style = atEnd ? p.arrowEndStyle : p.arrowStartStyle;
        QSlider *slider = atEnd ? p.arrowEndSizeSlider : p.arrowStartSizeSlider;
        on(style, &QComboBox::activated, [this, end](int index) { arrowStyleAction(end, index); });
        on(slider, &QSlider::valueChanged, [this, end](int v) { arrowSizeAction(end, float(v)); });
        connectGesture(slider);
        onText(atEnd ? p.arrowEndSizeField : p.arrowStartSizeField,
               [this, end](const QString &t) { return arrowSizeText(end, t); });
        on(atEnd ? p.arrowEndMorphCheck : p.arrowStartMorphCheck, &QCheckBox::clicked,
           [this, end](bool on) { arrowMorphAction(end, on); });
    }
    initBrushPopup();
    on(p.brushPopup, &QComboBox::activated, [this](int) { updateBrushes(); });
    on(p.strokeBrushTable, &QTableWidget::itemSelectionChanged, [this] { brushSelectionChanged(); });
    // The pressure curve edits the graphics the pane edits.
    p.pressureView->setTargets([this] { return targets(); });
}

// --- Showing a stroke ---------------------------------------------------------------------------------

void TDInspectorController::updateStroke(TDGraphic *graphic)
{
    TDStrokePane &p = *m_strokePane;
    const std::shared_ptr<TDStrokeStyle> stroke = graphic ? graphic->strokeStyle() : nullptr;
    TDGraphicPtr shared = graphic ? graphic->weak_from_this().lock() : nullptr;
    p.pressureView->setGraphic(shared);
    const QSignalBlocker b1(p.strokeOption), b2(p.strokeCapMenu), b3(p.strokeJoinMenu), b4(p.strokeWidthSlider),
        b5(p.strokeDashMenu), b6(p.arrowStartStyle), b7(p.arrowEndStyle), b8(p.arrowStartSizeSlider),
        b9(p.arrowEndSizeSlider), b10(p.arrowStartMorphCheck), b11(p.arrowEndMorphCheck);
    const auto removeTemporary = [&p] {
        for (int tag : {TDStrokePane::GroupTag, TDStrokePane::LinkBackTag})
            if (const int index = p.strokeOption->findData(tag); index >= 0)
                p.strokeOption->removeItem(index);
    };
    const bool isGroup = dynamic_cast<TDGroup *>(graphic) != nullptr;
    if (!stroke || isGroup) {
        removeTemporary();
        if (isGroup) {
            p.strokeOption->addItem(tr("Group"), TDStrokePane::GroupTag);
            p.strokeOption->setCurrentIndex(p.strokeOption->count() - 1);
        } else {
            p.strokeOption->setCurrentIndex(0);
        }
        for (QWidget *control : std::initializer_list<QWidget *>{p.strokeOption, p.strokeColorWell,
                                                                p.strokeWidthSlider, p.strokeWidthField,
                                                                p.strokeCapMenu, p.strokeJoinMenu, p.strokeDashMenu})
            control->setEnabled(false);
        updateStrokeOption();
        return;
    }
    removeTemporary();
    p.strokeOption->setEnabled(true);
    p.strokeOption->setCurrentIndex(std::max(0, p.strokeOption->findData(stroke->style())));
    p.strokeCapMenu->setCurrentIndex(std::clamp(stroke->capStyle(), 0, 2));
    p.strokeJoinMenu->setCurrentIndex(std::clamp(stroke->joinStyle(), 0, 2));
    p.strokeColorWell->setColor(stroke->color());
    updateStrokeSize(graphic);
    p.arrowStartStyle->setCurrentIndex(std::max(0, p.arrowStartStyle->findData(stroke->startArrowStyle())));
    p.arrowEndStyle->setCurrentIndex(std::max(0, p.arrowEndStyle->findData(stroke->endArrowStyle())));
    p.arrowStartSizeSlider->setValue(int(std::lround(stroke->startArrowSize())));
    p.arrowEndSizeSlider->setValue(int(std::lround(stroke->endArrowSize())));
    show(p.arrowStartSizeField, percentText(stroke->startArrowSize()));
    show(p.arrowEndSizeField, percentText(stroke->endArrowSize()));
    p.arrowStartMorphCheck->setChecked(stroke->morphStartArrow());
    p.arrowEndMorphCheck->setChecked(stroke->morphEndArrow());
    if (stroke->style() == TDStrokeStyle::BrushStroke)
        selectBrush();

    const auto strokeOf = [](const TDGraphic &g) -> const TDStrokeStyle * {
        return dynamic_cast<const TDGroup *>(&g) ? nullptr : g.strokeStyle().get();
    };
    if (isMixed([&](const TDGraphic &g) {
            const TDStrokeStyle *s = strokeOf(g);
            return s ? std::optional(s->style()) : std::nullopt;
        }))
        p.strokeOption->setCurrentIndex(-1);
    if (isMixed([&](const TDGraphic &g) {
            const TDStrokeStyle *s = strokeOf(g);
            return s ? std::optional(s->strokeWidth()) : std::nullopt;
        }))
        show(p.strokeWidthField, QString());

    // The custom field always holds the pattern, ready for "Other...".
    show(p.customDashField, stroke->dashStringUnscaled());
    const int entry = matchingDashEntry(stroke->dashes());
    if (entry >= 0) {
        p.strokeDashMenu->setCurrentIndex(p.strokeDashMenu->findData(entry));
        hideCustomDashView();
    } else {
        p.strokeDashMenu->setCurrentIndex(p.strokeDashMenu->findData(-1));
        showCustomDashView();
    }
    updateStrokeOption();
}

void TDInspectorController::updateStrokeSize(TDGraphic *graphic)
{
    const std::shared_ptr<TDStrokeStyle> stroke = graphic ? graphic->strokeStyle() : nullptr;
    if (!stroke)
        return;
    TDStrokePane &p = *m_strokePane;
    const QSignalBlocker quiet(p.strokeWidthSlider);
    p.strokeWidthSlider->setValue(int(std::lround(stroke->strokeWidth() * TDStrokePane::WidthSliderScale)));
    show(p.strokeWidthField, UnitsTransformer::transformedValue(stroke->strokeWidth(), UnitsTransformer::Points));
}

void TDInspectorController::updateStrokeOption()
{
    TDStrokePane &p = *m_strokePane;
    const TDGraphic *shown = selectedGraphic();
    const int tag = p.strokeOption->currentIndex() >= 0 || !shown || !shown->strokeStyle()
                        ? p.strokeOption->currentData().toInt()
                        : shown->strokeStyle()->style();
    p.strokeView->setCurrentWidget(p.viewForTag(tag));
    if (tag == TDStrokeStyle::BrushStroke)
        selectBrush();
    if (tag == TDStrokePane::GroupTag || tag == TDStrokePane::LinkBackTag)
        return;
    const bool stroked = tag != TDStrokeStyle::None;
    for (QWidget *control :
         std::initializer_list<QWidget *>{p.strokeColorWell, p.strokeWidthSlider, p.strokeWidthField})
        control->setEnabled(stroked);
    const bool lineControls = stroked && tag != TDStrokeStyle::BrushStroke;
    for (QWidget *control :
         std::initializer_list<QWidget *>{p.strokeCapMenu, p.strokeJoinMenu, p.strokeDashMenu, p.customDashField})
        control->setEnabled(lineControls);
}

// --- Brushes ----------------------------------------------------------------------------------------------

void TDInspectorController::initBrushPopup()
{
    QComboBox *popup = m_strokePane->brushPopup;
    const QSignalBlocker quiet(popup);
    popup->clear();
    const QStringList names = TDBrushLibrary::setNames();
    for (int i = 0; i < names.size(); ++i)
        popup->addItem(names[i], i);
    updateBrushes();
}

void TDInspectorController::updateBrushes()
{
    const bool wasUpdating = std::exchange(m_updating, true);
    QTableWidget *table = m_strokePane->strokeBrushTable;
    const QSignalBlocker quiet(table);
    table->clearContents();
    QStringList names;
    if (m_strokePane->brushPopup->currentData().toInt() == BuiltinBrushSet) {
        for (const TDBrush &brush : TDBrush::brushes())
            names.append(brush.name());
    } else {
        for (const auto &brush : TDBrushLibrary::shared().customBrushes())
            names.append(brush->name());
    }
    table->setRowCount(int(names.size()));
    for (int row = 0; row < names.size(); ++row)
        table->setItem(row, 0, new QTableWidgetItem(names[row]));
    selectBrush();
    m_updating = wasUpdating;
}

void TDInspectorController::selectBrush()
{
    TDGraphic *graphic = visibleGraphic();
    const std::shared_ptr<TDStrokeStyle> stroke = graphic ? graphic->strokeStyle() : nullptr;
    QTableWidget *table = m_strokePane->strokeBrushTable;
    const bool wasSelecting = std::exchange(m_selectingBrush, true);
    const int set = m_strokePane->brushPopup->currentData().toInt();
    int row = -1;
    if (stroke && stroke->brush() >= 0 && set == BuiltinBrushSet)
        row = stroke->brush();
    else if (stroke && stroke->brush() < 0 && stroke->customBrush() && set == CustomBrushSet)
        row = stroke->customBrush()->index();
    if (row >= 0 && row < table->rowCount())
        table->selectRow(row);
    else
        table->clearSelection();
    m_selectingBrush = wasSelecting;
}

void TDInspectorController::brushSelectionChanged()
{
    QTableWidget *table = m_strokePane->strokeBrushTable;
    if (m_selectingBrush || table->selectionModel()->selectedRows().isEmpty())
        return;
    const int row = table->selectionModel()->selectedRows().front().row();
    if (m_strokePane->brushPopup->currentData().toInt() == BuiltinBrushSet) {
        applyStrokeSelector([row](TDStrokeStyle &stroke) { stroke.setBrush(row); }, QStringLiteral("Set Stroke Brush"));
        return;
    }
    const auto &custom = TDBrushLibrary::shared().customBrushes();
    if (row < int(custom.size())) {
        const std::shared_ptr<TDCustomBrush> brush = custom[size_t(row)];
        applyStrokeSelector([&brush](TDStrokeStyle &stroke) { stroke.setBrushDict(brush); },
                            QStringLiteral("Set Stroke Brush"));
    }
}

// --- Actions ------------------------------------------------------------------------------------------------

void TDInspectorController::strokeOptionAction(int tag)
{
    if (tag < TDStrokeStyle::None || tag > TDStrokeStyle::TextStroke)
        return;
    applyStrokeSelector([tag](TDStrokeStyle &stroke) { stroke.setStyle(tag); }, QStringLiteral("Set Stroke Style"));
    updateStrokeOption();
    scheduleRefresh();
}

void TDInspectorController::strokeColorWellAction(const Color &color)
{
    applyStrokeSelector([&color](TDStrokeStyle &stroke) { stroke.setColor(color); },
                        QStringLiteral("Set Stroke Colour"));
}

void TDInspectorController::strokeCapAction(int cap)
{
    applyStrokeSelector([cap](TDStrokeStyle &stroke) { stroke.setCapStyle(cap); }, QStringLiteral("Set Stroke Cap"));
}

void TDInspectorController::strokeJoinAction(int join)
{
    applyStrokeSelector([join](TDStrokeStyle &stroke) { stroke.setJoinStyle(join); },
                        QStringLiteral("Set Stroke Join"));
}

void TDInspectorController::strokeWidthSliderAction(float width)
{
    if (std::isnan(width))
        return;
    width = std::max(0.0f, width);
    applyStrokeSelector([width](TDStrokeStyle &stroke) { stroke.setStrokeWidth(width); },
                        QStringLiteral("Set Stroke Width"));
    show(m_strokePane->strokeWidthField, UnitsTransformer::transformedValue(width, UnitsTransformer::Points));
}

bool TDInspectorController::strokeWidthTextAction(const QString &text)
{
    // A width without a unit is in points, whatever the rulers show.
    const std::optional<double> points = UnitsTransformer::lengthFromText(text, UnitsTransformer::Points);
    if (!points)
        return false;
    const float width = std::max(0.0f, float(*points));
    applyStrokeSelector([width](TDStrokeStyle &stroke) { stroke.setStrokeWidth(width); },
                        QStringLiteral("Set Stroke Width"));
    const QSignalBlocker quiet(m_strokePane->strokeWidthSlider);
    m_strokePane->strokeWidthSlider->setValue(int(std::lround(width * TDStrokePane::WidthSliderScale)));
    return true;
}

void TDInspectorController::strokeDashAction(int itemIndex)
{
    const int entry = m_strokePane->strokeDashMenu->itemData(itemIndex).toInt();
    const auto &list = TDStrokeStyle::builtinDashes();
    if (entry < 0 || entry >= int(list.size())) {
        // "Other...": the pattern of the graphic being inspected, to edit.
        TDGraphic *graphic = visibleGraphic();
        const std::shared_ptr<TDStrokeStyle> stroke = graphic ? graphic->strokeStyle() : nullptr;
        show(m_strokePane->customDashField, stroke ? stroke->dashStringUnscaled() : QString());
        showCustomDashView();
        return;
    }
    hideCustomDashView();
    const std::vector<float> dashes = list[size_t(entry)].dash;
    applyStrokeSelector([&dashes](TDStrokeStyle &stroke) { stroke.setDashes(dashes); }, QStringLiteral("Set Dashes"));
}

bool TDInspectorController::strokeDashCustomAction(const QString &text)
{
    const std::optional<std::vector<float>> dashes = TDStrokeStyle::dashesFromText(text);
    if (!dashes || dashes->empty() || !TDStrokeStyle::isValidDashPattern(*dashes))
        return false;
    applyStrokeSelector([&dashes](TDStrokeStyle &stroke) { stroke.setDashes(*dashes); },
                        QStringLiteral("Set Dashes"));
    return true;
}

void TDInspectorController::showCustomDashView()
{
    m_strokePane->customDashField->show();
}

void TDInspectorController::hideCustomDashView()
{
    m_strokePane->customDashField->hide();
}

void TDInspectorController::arrowStyleAction(ArrowEnd end, int style)
{
    if (end == ArrowEnd::Start)
        applyStrokeSelector([style](TDStrokeStyle &s) { s.setStartArrowStyle(style); }, QStringLiteral("Set Start Arrow"));
    else
        applyStrokeSelector([style](TDStrokeStyle &s) { s.setEndArrowStyle(style); }, QStringLiteral("Set End Arrow"));
}

void TDInspectorController::arrowSizeAction(ArrowEnd end, float percent)
{
    if (std::isnan(percent))
        return;
    percent = std::max(0.0f, percent);
    if (end == ArrowEnd::Start)
        applyStrokeSelector([percent](TDStrokeStyle &s) { s.setStartArrowSize(percent); },
                            QStringLiteral("Set Start Arrow Size"));
    else
        applyStrokeSelector([percent](TDStrokeStyle &s) { s.setEndArrowSize(percent); },
                            QStringLiteral("Set End Arrow Size"));
    show(end == ArrowEnd::Start ? m_strokePane->arrowStartSizeField : m_strokePane->arrowEndSizeField,
         percentText(percent));
}

bool TDInspectorController::arrowSizeText(ArrowEnd end, const QString &text)
{
    const std::optional<double> percent = UnitsTransformer::leadingNumber(text);
    if (!percent || !std::isfinite(*percent))
        return false;
    arrowSizeAction(end, float(*percent));
    QSlider *slider = end == ArrowEnd::Start ? m_strokePane->arrowStartSizeSlider : m_strokePane->arrowEndSizeSlider;
    const QSignalBlocker quiet(slider);
    slider->setValue(int(std::lround(std::max(0.0, *percent))));
    return true;
}

void TDInspectorController::arrowMorphAction(ArrowEnd end, bool morph)
{
    if (end == ArrowEnd::Start)
        applyStrokeSelector([morph](TDStrokeStyle &s) { s.setMorphStartArrow(morph); },
                            QStringLiteral("Set Morph Start Arrow"));
    else
        applyStrokeSelector([morph](TDStrokeStyle &s) { s.setMorphEndArrow(morph); },
                            QStringLiteral("Set Morph End Arrow"));
}

} // namespace scrivane
