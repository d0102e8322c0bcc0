#include "app/TDTextController.h"

#include "app/TDColorWell.h"
#include "app/TDFontManager.h"
#include "app/TDTextPane.h"
#include "canvas/TDTextView.h"
#include "model/TDAttributedText.h"
#include "model/TDUndoManager.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

constexpr double NegativeKerningScale = 0.6324555;
constexpr double NegativeLineScale = 0.9486832618713379;
// Slider values this close to the middle mean "no change".
constexpr double DeadZone = 0.05;
constexpr double MinimumLineMultiple = 0.1;
constexpr double MaximumLineMultiple = 10;

double pointSizeOf(const QFont &font)
{
    return font.pointSizeF() > 0 ? font.pointSizeF() : 12;
}

QString displayName(const QFont &font)
{
    QString name = font.family();
    if (font.bold())
        name += QStringLiteral(" Bold");
    if (font.italic())
        name += QStringLiteral(" Italic");
    return name;
}

QString sizeTitle(const QFont &font)
{
    return QStringLiteral("%1 %2 pt").arg(displayName(font), QLocale().toString(pointSizeOf(font), 'f', 1));
}

QString percent(double ratio)
{
    return QLocale().toString(qint64(std::trunc(ratio * 100))) + QLatin1Char('%');
}

void showSlider(QSlider *slider, double value)
{
    const QSignalBlocker quiet(slider);
    slider->setValue(int(std::lround(std::clamp(value, -1.0, 1.0) * TDTextPane::SliderScale)));
}

void showField(QLineEdit *field, const QString &text)
{
    const QSignalBlocker quiet(field);
    field->setText(text);
}

} // namespace

TDTextController::TDTextController(TDTextPane *pane, QObject *parent) : QObject(parent), m_pane(pane)
{
    NotificationCenter &centre = NotificationCenter::defaultCenter();
    centre.addObserver(this, TDTextView::typingAttributesDidChangeNotification, nullptr,
                       [this](const Notification &n) { textUpdate(n); });
    centre.addObserver(this, TDTextView::selectionDidChangeNotification, nullptr,
                       [this](const Notification &n) { fontUpdate(n); });
    // The recent fonts start from the font manager's, newest first.
    const std::vector<QFont> &used = TDFontManager::shared().recentlyUsed();
    for (auto it = used.rbegin(); it != used.rend() && int(m_recentFonts.size()) < RecentFontLimit; ++it)
        m_recentFonts.push_back(*it);
    if (m_pane) {
        connectPane();
        updateFonts();
        showAttributes();
    }
}

TDTextController::~TDTextController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

// --- Slider scales -------------------------------------------------------------------------

double TDTextController::sliderForKerning(double k)
{
    if (k > 0)
        return std::sqrt(k) / 2;
    if (k < 0)
        return -std::sqrt(-k) / NegativeKerningScale;
    return 0;
}

double TDTextController::kerningForSlider(double s)
{
    if (std::abs(s) < DeadZone)
        return 0;
    return s > 0 ? (2 * s) * (2 * s) : -(NegativeKerningScale * s) * (NegativeKerningScale * s);
}

double TDTextController::sliderForLine(double m)
{
    if (m > 1)
        return std::sqrt(m - 1) / 3;
    return std::sqrt(1 - m) / -NegativeLineScale;
}

double TDTextController::lineForSlider(double s)
{
    if (std::abs(s) < DeadZone)
        return 1;
    if (s > 0)
        return 1 + (3 * s) * (3 * s);
    return 1 + (s * -NegativeLineScale) * (s * NegativeLineScale);
}

double TDTextController::baselineForSlider(double s)
{
    return std::abs(s) < DeadZone ? 0 : s;
}

// --- Following the editor ---------------------------------------------------------------------

bool TDTextController::follow(const Notification &notification)
{
    if (TDUndoManager::createsGraphics())
        return false;
    auto *view = qobject_cast<TDTextView *>(notification.userInfo.value(QStringLiteral("TextView")).value<QObject *>());
    if (!view || view != notification.object)
        return false;
    m_view = view;
    return true;
}

void TDTextController::textUpdate(const Notification &notification)
{
    if (follow(notification))
        showAttributes();
}

void TDTextController::fontUpdate(const Notification &notification)
{
    if (!follow(notification))
        return;
    QTextDocument *text = m_view->document();
    const int location = notification.userInfo.value(QStringLiteral("OldSelectedLocation")).toInt();
    if (!text || location < 0 || location >= text->characterCount() - 1) {
        showAttributes();
        return;
    }
    QTextCursor at(text);
    at.setPosition(location + 1);
    const QFont font = at.charFormat().font().resolve(text->defaultFont());
    if (const auto same = std::find(m_recentFonts.begin(), m_recentFonts.end(), font); same != m_recentFonts.end())
        m_recentFonts.erase(same);
    if (int(m_recentFonts.size()) > RecentFontLimit - 1)
        m_recentFonts.pop_back();
    m_recentFonts.insert(m_recentFonts.begin(), font);
    updateFonts();
    showAttributes();
}

void TDTextController::updateFonts()
{
    if (!m_pane)
        return;
    QComboBox *popup = m_pane->fontPopup;
    const QSignalBlocker quiet(popup);
    popup->clear();
    popup->addItem(sizeTitle(TDFontManager::shared().selectedFont()));
    for (const QFont &font : m_recentFonts) {
        popup->addItem(sizeTitle(font), QVariant::fromValue(font));
        QFont shown = font;
        shown.setPointSizeF(14);
        popup->setItemData(popup->count() - 1, shown, Qt::FontRole);
        popup->setCurrentIndex(popup->count() - 1);
    }
}

void TDTextController::showAttributes()
{
    if (!m_pane)
        return;
    m_updating = true;
    QTextCharFormat attributes = TDAttributedText::defaultCharFormat();
    QTextBlockFormat paragraph;
    if (m_view) {
        attributes = m_view->typingAttributes();
        paragraph = m_view->paragraphAttributes();
        TDFontManager::shared().setSelectedFont(attributes.font(), false);
    }
    const double size = pointSizeOf(attributes.font());
    const double kern = attributes.fontLetterSpacingType() == QFont::AbsoluteSpacing && attributes.hasProperty(QTextFormat::FontLetterSpacing)
                            ? attributes.fontLetterSpacing()
                            : 0;
    const double k = kern / size;
    double m = paragraph.hasProperty(TDAttributedText::LineHeightMultiple)
                   ? paragraph.doubleProperty(TDAttributedText::LineHeightMultiple)
                   : 1.0;
    if (!(m >= 0.1))
        m = 1.0;
    const double b = attributes.doubleProperty(TDAttributedText::BaselineOffset) / size;
    showSlider(m_pane->characterSlider, sliderForKerning(k));
    showField(m_pane->characterField, percent(k));
    showSlider(m_pane->lineSlider, sliderForLine(m));
    showField(m_pane->lineField, QLocale().toString(m, 'f', 1));
    showSlider(m_pane->baselineSlider, sliderForBaseline(b));
    showField(m_pane->baselineField, percent(b));
    {
        const QColor color =
            attributes.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : attributes.foreground().color();
        m_pane->textColorWell->setColor(TDAttributedText::colorOf(color));
        const QSignalBlocker quiet(m_pane->alignmentPopup);
        const Qt::Alignment horizontal = paragraph.alignment() & Qt::AlignHorizontal_Mask;
        const int index = m_pane->alignmentPopup->findData(int(horizontal == Qt::AlignLeading ? Qt::AlignLeft : horizontal));
        m_pane->alignmentPopup->setCurrentIndex(std::max(0, index));
    }
    updateFonts();
    m_updating = false;
}

// --- Actions ------------------------------------------------------------------------------------

void TDTextController::finishFonts()
{
    if (!m_pane)
        return;
    const QVariant data = m_pane->fontPopup->currentData();
    if (!data.canConvert<QFont>())
        return;
    TDFontManager &manager = TDFontManager::shared();
    manager.setSelectedFont(data.value<QFont>(), false);
    manager.modifyFontViaPanel();
}

void TDTextController::characterAction(double value, bool fromSlider)
{
    if (!std::isfinite(value))
        return;
    m_kerningRatio = fromSlider ? kerningForSlider(value) : value / 100;
    if (m_pane)
        showField(m_pane->characterField, percent(m_kerningRatio));
    applyAttributeChange(ChangeMode::Kerning);
}

void TDTextController::baselineAction(double value, bool fromSlider)
{
    if (!std::isfinite(value))
        return;
    m_baselineRatio = fromSlider ? baselineForSlider(value) : value / 100;
    if (m_pane)
        showField(m_pane->baselineField, percent(m_baselineRatio));
    applyAttributeChange(ChangeMode::Baseline);
}

void TDTextController::lineAction(double value, bool fromSlider)
{
    if (!std::isfinite(value))
        return;
    // What a stored text could not hold is brought into the range it is
    // read back in (a multiple of 0 or less is the tightest there is).
    const double m = TDAttributedText::clampedLineHeightMultiple(
        std::clamp(fromSlider ? lineForSlider(value) : value, MinimumLineMultiple, MaximumLineMultiple));
    m_lineValue = m;
    if (m_pane) {
        showField(m_pane->lineField, QLocale().toString(m, 'f', 1));
        if (!fromSlider)
            showSlider(m_pane->lineSlider, sliderForLine(m));
    }
    if (m_view)
        m_view->changeParagraphs(
            [m](QTextBlockFormat &format) { format.setProperty(TDAttributedText::LineHeightMultiple, m); });
}

bool TDTextController::fieldAction(const QString &text, void (TDTextController::*action)(double, bool))
{
    QString number = text.trimmed();
    if (number.endsWith(QLatin1Char('%')))
        number.chop(1);
    bool ok = false;
    double value = QLocale().toDouble(number.trimmed(), &ok);
    if (!ok)
        value = QLocale::c().toDouble(number.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        showAttributes();
        return false;
    }
    (this->*action)(value, false);
    return true;
}

void TDTextController::applyAttributeChange(ChangeMode mode)
{
    m_mode = mode;
    if (m_view)
        m_view->changeAttributes([this](const QTextCharFormat &format) { return convertAttributes(format); });
    m_mode = ChangeMode::None;
}

QTextCharFormat TDTextController::convertAttributes(const QTextCharFormat &attributes) const
{
    QTextCharFormat converted = attributes;
    const double size = pointSizeOf(attributes.font());
    const double limit = TDAttributedText::MaxFontSize;
    switch (m_mode) {
    case ChangeMode::Kerning:
        converted.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        converted.setFontLetterSpacing(std::clamp(size * m_kerningRatio, -limit, limit));
        break;
    case ChangeMode::Baseline:
        converted.setProperty(TDAttributedText::BaselineOffset, std::clamp(size * m_baselineRatio, -limit, limit));
        break;
    case ChangeMode::None:
        break;
    }
    return converted;
}

void TDTextController::colorAction(const Color &color)
{
    if (!m_view)
        return;
    const QColor qColor = TDAttributedText::qColorOf(color);
    m_view->changeAttributes([&qColor](const QTextCharFormat &format) {
        QTextCharFormat changed = format;
        changed.setForeground(qColor);
        return changed;
    });
}

void TDTextController::alignmentAction(Qt::Alignment alignment)
{
    if (m_view)
        m_view->changeParagraphs([alignment](QTextBlockFormat &format) { format.setAlignment(alignment); });
}

void TDTextController::popUpAction(int tag)
{
    // The typography panel and the character palette have no counterpart
    // on this desktop.
    if (tag == 0)
        TDFontManager::shared().orderFrontFontPanel();
}

void TDTextController::connectPane()
{
    TDTextPane &p = *m_pane;
    auto guarded = [this](auto handler) {
        return [this, handler](auto &&...args) {
            if (!m_updating)
                handler(std::forward<decltype(args)>(args)...);
        };
    };
    const auto scale = [](int v) { return double(v) / TDTextPane::SliderScale; };
    connect(p.fontPopup, &QComboBox::activated, this, guarded([this](int) { finishFonts(); }));
    connect(p.fontsButton, &QToolButton::clicked, this, guarded([this](bool) { popUpAction(0); }));
    connect(p.characterSlider, &QSlider::valueChanged, this,
            guarded([this, scale](int v) { characterAction(scale(v), true); }));
    connect(p.lineSlider, &QSlider::valueChanged, this, guarded([this, scale](int v) { lineAction(scale(v), true); }));
    connect(p.baselineSlider, &QSlider::valueChanged, this,
            guarded([this, scale](int v) { baselineAction(scale(v), true); }));
    connect(p.characterField, &QLineEdit::editingFinished, this,
            guarded([this] { fieldAction(m_pane->characterField->text(), &TDTextController::characterAction); }));
    connect(p.lineField, &QLineEdit::editingFinished, this,
            guarded([this] { fieldAction(m_pane->lineField->text(), &TDTextController::lineAction); }));
    connect(p.baselineField, &QLineEdit::editingFinished, this,
            guarded([this] { fieldAction(m_pane->baselineField->text(), &TDTextController::baselineAction); }));
    connect(p.textColorWell, &TDColorWell::colorChanged, this, guarded([this](const Color &c) { colorAction(c); }));
    connect(p.alignmentPopup, &QComboBox::activated, this, guarded([this](int index) {
                alignmentAction(Qt::Alignment(m_pane->alignmentPopup->itemData(index).toInt()));
            }));
}

} // namespace scrivane
