#include "app/FilterView.h"

#include "app/CIColorTransformer.h"
#include "app/CIController.h"
#include "app/CITransformWrapper.h"
#include "app/CIVectorWrapper.h"
#include "app/DoubleSlider.h"
#include "app/FilterPointPick.h"
#include "app/ScaleTransformer.h"
#include "app/TDColorWell.h"
#include "canvas/TDGraphicView.h"
#include "model/TDFilter.h"
#include "model/TDGraphic.h"
#include "platform/effects/EffectFilter.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

namespace scrivane {

namespace {

const QString InputImage = QStringLiteral("inputImage");
const QString PerspectiveTransform = QStringLiteral("CIPerspectiveTransform");

// The canvas is flipped: the perspective filter's top corners are the
// ones a person sees at the bottom.
QString boundKeyFor(const QString &filterName, const QString &key)
{
    if (filterName != PerspectiveTransform)
        return key;
    static const QHash<QString, QString> swapped{
        {QStringLiteral("inputBottomLeft"), QStringLiteral("inputTopLeft")},
        {QStringLiteral("inputBottomRight"), QStringLiteral("inputTopRight")},
        {QStringLiteral("inputTopLeft"), QStringLiteral("inputBottomLeft")},
        {QStringLiteral("inputTopRight"), QStringLiteral("inputBottomRight")},
    };
    return swapped.value(key, key);
}

// Numbers show with two to four decimals, in the person's locale.
QString formatNumber(double value)
{
    QString text = QLocale().toString(value, 'f', 4);
    const QChar point = QLocale().decimalPoint().at(0);
    const qsizetype dot = text.indexOf(point);
    if (dot >= 0) {
        qsizetype keep = text.size();
        while (keep > dot + 3 && text.at(keep - 1) == QLatin1Char('0'))
            --keep;
        text.truncate(keep);
    }
    return text;
}

std::optional<double> parseNumber(const QString &text)
{
    bool ok = false;
    double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QFont sized(QFont font, int points, bool bold = false)
{
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

QRect rounded(const QRectF &frame)
{
    return frame.toAlignedRect();
}

const ScaleTransformer &transformer(const char *name, float fallbackScale)
{
    if (const ScaleTransformer *found = ScaleTransformer::valueTransformerForName(QString::fromLatin1(name)))
        return *found;
    static thread_local ScaleTransformer fallback;
    fallback = ScaleTransformer(fallbackScale);
    return fallback;
}

const ScaleTransformer &plain()
{
    return transformer("NumberTransformer", 1.0f);
}

const ScaleTransformer &angle()
{
    return transformer("AngleTransformer", 0.0174532924f);
}

} // namespace

FilterView::FilterView(std::shared_ptr<TDFilter> filter, CIController *controller, quint64 generation,
                       QWidget *parent)
    : QWidget(parent), m_filter(std::move(filter)), m_controller(controller), m_generation(generation)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    const EffectFilter *engine = m_filter ? m_filter->filter() : nullptr;
    const std::vector<InputAttribute> inputs = engine ? engine->inputAttributes() : std::vector<InputAttribute>();
    const bool severalInputs = inputs.size() > 1;
    m_scale = m_filter ? std::max(1, int(m_filter->scale())) : 1;
    buildHeader(severalInputs);

    int y = severalInputs ? 20 : HeaderHeight;
    for (const InputAttribute &input : inputs) {
        if (input.key == InputImage)
            continue;
        const int rowHeight = buildRow(input, boundKeyFor(engine->name(), input.key), y);
        if (rowHeight > 0)
            y += rowHeight + 2;
    }
    if (y == 20) {
        delete m_disclosure;
        m_disclosure = nullptr;
        y = HeaderHeight;
    }
    setHeight(float(y));
    setFixedWidth(Width);
    resize(Width, y);
    showValues();
}

FilterView::~FilterView()
{
    // The rows' readers and the wrappers go before the effect they point
    // into.
    if (m_pick)
        m_pick->finish();
    m_pick.reset();
    endSliderEdit();
    m_readers.clear();
}

void FilterView::buildHeader(bool hasRows)
{
    if (hasRows) {
        m_disclosure = new QToolButton(this);
        m_disclosure->setObjectName(QStringLiteral("disclosure"));
        m_disclosure->setGeometry(10, -1, 15, 17);
        m_disclosure->setAutoRaise(true);
        m_disclosure->setCheckable(true);
        m_disclosure->setChecked(true);
        m_disclosure->setArrowType(Qt::DownArrow);
        connect(m_disclosure, &QToolButton::clicked, this, &FilterView::toggle);
    }
    m_toggleButton = new QCheckBox(this);
    m_toggleButton->setObjectName(QStringLiteral("enabled"));
    m_toggleButton->setFont(sized(font(), 10, true));
    m_toggleButton->setText(m_filter && m_filter->filter() ? m_filter->filter()->classAttributes().displayName
                                                           : m_filter ? m_filter->filterName() : QString());
    m_toggleButton->setChecked(m_filter && m_filter->enabled());
    m_toggleButton->setGeometry(25, -1, std::min(m_toggleButton->sizeHint().width(), 160), 17);
    connect(m_toggleButton, &QCheckBox::clicked, this, &FilterView::check);

    m_deleteButton = new QToolButton(this);
    m_deleteButton->setObjectName(QStringLiteral("delete"));
    m_deleteButton->setGeometry(188, 1, 16, 12);
    m_deleteButton->setAutoRaise(true);
    m_deleteButton->setText(QStringLiteral("\u00d7"));
    m_deleteButton->setFont(sized(font(), 9));
    m_deleteButton->setToolTip(tr("Remove the effect"));
    connect(m_deleteButton, &QToolButton::clicked, this, &FilterView::deleteFilter);
}

int FilterView::buildRow(const InputAttribute &input, const QString &key, int y)
{
    switch (input.kind) {
    case ValueKind::Number:
        if (input.hasSliderRange())
            return numberRow(input, key, y);
        if (input.type == InputType::Boolean)
            return booleanRow(input, key, y);
        return 0;
    case ValueKind::Color:
        return colorRow(input, key, y);
    case ValueKind::Vector:
        return vectorRow(input, key, y);
    case ValueKind::Transform:
        return transformRow(input, key, y);
    default:
        return 0;
    }
}

QLabel *FilterView::label(const InputAttribute &input, const QRect &frame)
{
    auto *text = new QLabel(input.displayName, this);
    text->setFont(sized(font(), 9));
    text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    text->setGeometry(frame);
    text->setToolTip(input.displayName);
    // Long names end in an ellipsis rather than spilling into the controls.
    text->setText(text->fontMetrics().elidedText(input.displayName, Qt::ElideRight, frame.width()));
    return text;
}

QWidget *FilterView::numberField(const QString &name, const QString &toolTip, const QRectF &frame,
                                 std::function<double()> read, std::function<void(double)> write)
{
    auto *field = new QLineEdit(this);
    field->setObjectName(name);
    field->setFont(sized(font(), 9));
    field->setGeometry(rounded(frame));
    field->setToolTip(toolTip);
    field->setTextMargins(0, 0, 0, 0);
    field->setFrame(false);
    connect(field, &QLineEdit::editingFinished, this, [this, field, write] {
        if (!field->isModified())
            return;
        field->setModified(false);
        if (const std::optional<double> value = parseNumber(field->text()))
            write(*value);
        // Taken or not, the field shows the effect's value.
        showValues();
    });
    m_readers.push_back([field, read] {
        if (!field->hasFocus() || !field->isModified()) {
            field->setText(formatNumber(read()));
            // Narrow fields show where the number starts.
            field->setCursorPosition(0);
        }
    });
    return field;
}

const ScaleTransformer &FilterView::scaled() const
{
    if (m_scale <= 1)
        return plain();
    static thread_local ScaleTransformer own;
    const QString name = QStringLiteral("x%1 ScaleTransformer").arg(m_scale);
    if (const ScaleTransformer *found = ScaleTransformer::valueTransformerForName(name))
        return *found;
    own = ScaleTransformer(float(m_scale));
    return own;
}

void FilterView::setNumber(const QString &key, double value)
{
    EffectFilter *engine = m_filter ? m_filter->filter() : nullptr;
    if (!engine)
        return;
    const EffectValue held = engine->validateValue(key, value);
    if (engine->setValue(key, held) != ValueCheck::Accepted)
        return;
    changed(key);
}

int FilterView::numberRow(const InputAttribute &input, const QString &key, int y)
{
    const EffectFilter *engine = m_filter->filter();
    const bool length = input.type == InputType::Distance && engine->name() != QStringLiteral("CIZoomBlur");
    label(input, QRect(0, y, 65, 16));

    auto *slider = new DoubleSlider(Qt::Horizontal, this);
    slider->setObjectName(key);
    slider->setGeometry(70, y, 90, 16);
    slider->setToolTip(input.displayName);
    slider->setDoubleRange(input.sliderMinimum.value_or(0), input.sliderMaximum.value_or(1));
    const auto value = [this, key] { return m_filter->filter()->number(key); };
    // The slider's transformer: lengths at the scale, anything else plain.
    const auto sliderTransform = [this, length]() -> const ScaleTransformer & {
        return length ? scaled() : plain();
    };
    const auto fieldTransform = [this, length, type = input.type]() -> const ScaleTransformer & {
        if (length)
            return scaled();
        return type == InputType::Angle ? angle() : plain();
    };
    m_readers.push_back([slider, value, sliderTransform] {
        if (!slider->isSliderDown())
            slider->setDoubleValue(sliderTransform().transformedValue(value()));
    });
    connect(slider, &DoubleSlider::doubleValueChanged, this, [this, key, sliderTransform](double shown) {
        setNumber(key, sliderTransform().reverseTransformedValue(shown));
        showValues();
    });
    connect(slider, &QSlider::sliderPressed, this, [this] {
        if (m_controller && !m_sliderEdit) {
            m_sliderEdit = true;
            m_controller->beginEdit();
        }
    });
    connect(slider, &QSlider::sliderReleased, this, &FilterView::endSliderEdit);

    numberField(key + QStringLiteral(".field"), input.displayName, QRectF(165, y, 35, 16),
                [value, fieldTransform] { return fieldTransform().transformedValue(value()); },
                [this, key, fieldTransform](double typed) {
                    setNumber(key, fieldTransform().reverseTransformedValue(typed));
                });
    return 18;
}

int FilterView::booleanRow(const InputAttribute &input, const QString &key, int y)
{
    auto *box = new QCheckBox(input.displayName, this);
    box->setObjectName(key);
    box->setFont(sized(font(), 9));
    box->setGeometry(70, y, 130, 16);
    box->setToolTip(input.displayName);
    connect(box, &QCheckBox::clicked, this, [this, key](bool on) { setNumber(key, on ? 1 : 0); });
    m_readers.push_back([this, box, key] { box->setChecked(m_filter->filter()->number(key) != 0); });
    return 18;
}

int FilterView::colorRow(const InputAttribute &input, const QString &key, int y)
{
    label(input, QRect(0, y + 5, 65, 25));
    auto *well = new TDColorWell(this);
    well->setObjectName(key);
    well->setGeometry(70, y, 40, 25);
    well->setToolTip(input.displayName);
    if (const auto *start = std::get_if<EffectColor>(&input.defaultValue))
        well->setColor(CIColorTransformer::transformedValue(*start));
    connect(well, &TDColorWell::colorChanged, this, [this, key](const Color &color) {
        if (m_filter->filter()->setValue(key, CIColorTransformer::reverseTransformedValue(color)) ==
            ValueCheck::Accepted)
            changed(key);
    });
    m_readers.push_back([this, well, key] {
        const EffectValue value = m_filter->filter()->value(key);
        const auto *color = std::get_if<EffectColor>(&value);
        well->setColor(CIColorTransformer::transformedValue(color ? std::optional(*color) : std::nullopt));
    });
    return 27;
}

int FilterView::vectorRow(const InputAttribute &input, const QString &key, int y)
{
    label(input, QRect(0, y, 65, 16));
    const int tag = int(m_vectorBindings.size());
    if (input.type == InputType::Position) {
        auto *set = new QPushButton(tr("Set..."), this);
        set->setObjectName(key + QStringLiteral(".set"));
        set->setFont(sized(font(), 9));
        set->setGeometry(127, y, 53, 16);
        set->setToolTip(input.displayName);
        set->setProperty("tag", tag);
        connect(set, &QPushButton::clicked, this, [this, tag] { setPosition(tag); });
    }
    Binding binding;
    binding.vector = std::make_unique<CIVectorWrapper>(m_filter, key, [this](const QString &k) { changed(k); });
    CIVectorWrapper *wrapper = binding.vector.get();
    m_vectorBindings.push_back(std::move(binding));

    int count = 4;
    bool length = false;
    switch (input.type) {
    case InputType::Position:
    case InputType::Offset:
        count = 2;
        length = true;
        break;
    case InputType::Position3:
        count = 3;
        length = true;
        break;
    case InputType::Rectangle:
        length = true;
        break;
    default:
        break;
    }
    static const char *const names[] = {".X", ".Y", ".Z", ".W"};
    for (int i = 0; i < count; ++i) {
        const auto transform = [this, length]() -> const ScaleTransformer & { return length ? scaled() : plain(); };
        numberField(key + QLatin1String(names[i]), input.displayName, QRectF(70 + 28.5 * i, y, 26.5, 16),
                    [wrapper, i, transform] { return transform().transformedValue(wrapper->component(i)); },
                    [wrapper, i, transform](double typed) {
                        wrapper->setComponent(i, transform().reverseTransformedValue(typed));
                    });
    }
    return 18;
}

int FilterView::transformRow(const InputAttribute &input, const QString &key, int y)
{
    label(input, QRect(0, y, 65, 16));
    Binding binding;
    binding.transform =
        std::make_unique<CITransformWrapper>(m_filter, key, [this](const QString &k) { changed(k); });
    CITransformWrapper *wrapper = binding.transform.get();
    m_vectorBindings.push_back(std::move(binding));

    struct Element {
        const char *name;
        int column;
        int line;
        bool length;
        double (CITransformWrapper::*get)() const;
        void (CITransformWrapper::*set)(double);
    };
    static constexpr Element elements[] = {
        {".m11", 0, 0, false, &CITransformWrapper::m11, &CITransformWrapper::setM11},
        {".m21", 1, 0, false, &CITransformWrapper::m21, &CITransformWrapper::setM21},
        {".tX", 2, 0, true, &CITransformWrapper::tX, &CITransformWrapper::setTX},
        {".m12", 0, 1, false, &CITransformWrapper::m12, &CITransformWrapper::setM12},
        {".m22", 1, 1, false, &CITransformWrapper::m22, &CITransformWrapper::setM22},
        {".tY", 2, 1, true, &CITransformWrapper::tY, &CITransformWrapper::setTY},
    };
    for (const Element &e : elements) {
        const auto transform = [this, length = e.length]() -> const ScaleTransformer & {
            return length ? scaled() : plain();
        };
        numberField(key + QLatin1String(e.name), input.displayName,
                    QRectF(70 + 28.5 * e.column, y + 18 * e.line, 26.5, 16),
                    [wrapper, get = e.get, transform] { return transform().transformedValue((wrapper->*get)()); },
                    [wrapper, set = e.set, transform](double typed) {
                        (wrapper->*set)(transform().reverseTransformedValue(typed));
                    });
    }
    return 34;
}

void FilterView::showValues()
{
    if (!m_filter || !m_filter->filter())
        return;
    for (const auto &read : m_readers)
        read();
}

void FilterView::changed(const QString &key)
{
    if (m_controller)
        m_controller->observeValueForKeyPath(key, this);
}

void FilterView::setController(CIController *controller)
{
    if (controller != m_controller) {
        if (m_pick)
            m_pick->finish();
        // A slider let go of by its list never sends its release.
        endSliderEdit();
    }
    m_controller = controller;
}

void FilterView::endSliderEdit()
{
    if (!m_sliderEdit)
        return;
    m_sliderEdit = false;
    if (m_controller)
        m_controller->endEdit();
}

void FilterView::setHeight(float height)
{
    m_height = height;
    if (m_filter)
        m_filter->setExpanded(height > HeaderHeight);
}

bool FilterView::isEffectEnabled() const
{
    return m_filter && m_filter->enabled();
}

void FilterView::setEffectEnabled(bool enabled)
{
    if (m_filter)
        m_filter->setEnabled(enabled);
    m_toggleButton->setChecked(enabled);
}

void FilterView::setScale(int scale)
{
    if (scale == m_scale || scale < 1)
        return;
    m_scale = scale;
    showValues();
}

void FilterView::toggle()
{
    if (QWidget::height() > HeaderHeight)
        resize(Width, HeaderHeight);
    else
        resize(Width, int(m_height));
    if (m_disclosure) {
        m_disclosure->setChecked(QWidget::height() > HeaderHeight);
        m_disclosure->setArrowType(QWidget::height() > HeaderHeight ? Qt::DownArrow : Qt::RightArrow);
    }
    if (m_controller)
        m_controller->positionFilters();
}

void FilterView::check(bool on)
{
    if (m_filter)
        m_filter->setEnabled(on);
    if (m_controller)
        m_controller->update(this);
}

void FilterView::deleteFilter()
{
    if (m_controller)
        m_controller->deleteView(this);
}

CIVectorWrapper *FilterView::vectorWrapper(int tag) const
{
    if (tag < 0 || size_t(tag) >= m_vectorBindings.size())
        return nullptr;
    return m_vectorBindings[size_t(tag)].vector.get();
}

void FilterView::setPosition(int tag)
{
    CIVectorWrapper *wrapper = vectorWrapper(tag);
    if (!wrapper || !m_controller)
        return;
    getPoint(wrapper, m_controller->inspectingView());
}

void FilterView::getPoint(CIVectorWrapper *wrapper, TDGraphicView *canvas)
{
    // Without a canvas no click can come: there is nothing to wait for.
    if (!wrapper || !canvas || !m_controller)
        return;
    if (m_pick)
        m_pick->finish();
    const TDGraphicPtr shown = m_controller->shownGraphic();
    const Point origin = shown ? shown->drawingBoundsWithoutEffects().origin : Point();
    m_controller->beginEdit();
    m_pick = std::make_unique<FilterPointPick>(wrapper, canvas, origin, m_scale, [this] {
        showValues();
        if (m_controller)
            m_controller->endEdit();
    });
}

bool FilterView::isPicking() const
{
    return m_pick && m_pick->isActive();
}

void FilterView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.fillRect(QRect(0, 0, 300, HeaderHeight), QColor::fromRgbF(0.8f, 0.8f, 0.8f, 1.0f));
}

void FilterView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton && inHeader(event->position().toPoint());
    m_pressPoint = event->position().toPoint();
    event->accept();
}

void FilterView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return;
    const int dy = event->position().toPoint().y() - m_pressPoint.y();
    // A press that moves six points or less is a click.
    if (dy * dy <= 36)
        return;
    m_pressed = false;
    startDrag();
}

void FilterView::mouseReleaseEvent(QMouseEvent *)
{
    m_pressed = false;
}

void FilterView::startDrag()
{
    if (!m_controller)
        return;
    QPixmap face(size());
    face.fill(Qt::transparent);
    {
        QPainter painter(&face);
        painter.setOpacity(0.5);
        painter.drawPixmap(0, 0, grab());
    }
    m_controller->startDrag(this, face, m_pressPoint);
}

} // namespace scrivane
