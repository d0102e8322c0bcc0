// The fill pane: kind, colour, image, gradient, winding rule and the clip
// flag of groups.

#include "app/TDColorWell.h"
#include "app/TDFillPane.h"
#include "app/TDSnapPanel.h"
#include "app/TDGradientView.h"
#include "app/TDImageWell.h"
#include "app/TDInspectorController.h"
#include "canvas/TDGraphicView.h"
#include "model/TDFillStyle.h"
#include "model/TDGradient.h"
#include "model/TDGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QImageReader>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

constexpr int ImageAlphaSliderScale = 100;

// Puts the temporary "Group" or "LinkBack" item in (or takes both out).
void setTemporaryItem(QComboBox *popup, int tag, const QString &title)
{
    for (int other : {TDFillPane::GroupTag, TDFillPane::LinkBackTag})
        if (other != tag)
            if (const int index = popup->findData(other); index >= 0)
                popup->removeItem(index);
    if (tag < 0)
        return;
    int index = popup->findData(tag);
    if (index < 0) {
        popup->addItem(title, tag);
        index = popup->count() - 1;
    }
    popup->setCurrentIndex(index);
}

} // namespace

void TDInspectorController::connectFillPane()
{
    TDFillPane &p = *m_fillPane;
    on(p.fillOption, &QComboBox::activated,
       [this](int index) { fillOptionAction(m_fillPane->fillOption->itemData(index).toInt()); });
    on(p.fillNonZero, &QCheckBox::clicked, [this](bool on) { fillNonZero(on); });
    on(p.fillColorWell, &TDColorWell::colorChanged, [this](const Color &c) { fillColorWellAction(c); });
    on(p.fillColorWellB, &TDColorWell::colorChanged, [this](const Color &c) { fillColorWellAction(c); });
    on(p.fillImageChoose, &QPushButton::clicked, [this](bool) { fillImageChooseAction(); });
    on(p.fillImageWell, &TDImageWell::imageDropped,
       [this](const QByteArray &data, const QString &extension) { fillImageViewAction(data, extension); });
    on(p.fillImageWell, &TDImageWell::imageCleared, [this] { fillImageViewAction(QByteArray(), QString()); });
    connect(p.fillImageWell, &TDImageWell::imageRefused, this, [this](const QString &message) {
        showMessage(message);
        scheduleRefresh();
    });
    on(p.fillImageAlpha, &QSlider::valueChanged,
       [this](int v) { fillImageAlphaAction(float(v) / ImageAlphaSliderScale); });
    connectGesture(p.fillImageAlpha);
    on(p.fillGradientView, &TDGradientView::gradientChanged, [this] { fillGradientAction(); });
    connect(p.fillGradientView, &TDGradientView::pressed, this, &TDInspectorController::beginGesture);
    connect(p.fillGradientView, &TDGradientView::released, this, &TDInspectorController::endGesture);
    on(p.fillGradientType, &QComboBox::activated, [this](int index) { gradientStyleAction(index); });
    on(p.fillClipGroup, &QCheckBox::clicked, [this](bool on) { fillGroupClipAction(on); });
    on(p.editTextButton, &QPushButton::clicked, [this](bool) { editText(); });
    on(p.textHyphenationSlider, &QSlider::valueChanged,
       [this](int v) { textHyphenation(float(v) / TDFillPane::HyphenationScale); });
    connectGesture(p.textHyphenationSlider);
    on(p.textPaddingSlider, &QSlider::valueChanged, [this](int v) { textPadding(float(v)); });
    connectGesture(p.textPaddingSlider);
    on(p.textBackgroundCheck, &QCheckBox::clicked, [this](bool on) { textBackground(on); });
}

void TDInspectorController::updateFill(TDGraphic *graphic)
{
    TDFillPane &p = *m_fillPane;
    const QSignalBlocker b1(p.fillOption), b2(p.fillNonZero), b3(p.fillImageAlpha), b4(p.fillGradientType),
        b5(p.fillClipGroup), b6(p.textPaddingSlider), b7(p.textHyphenationSlider), b8(p.textBackgroundCheck);
    const std::shared_ptr<TDFillStyle> fill = graphic ? graphic->fillStyle() : nullptr;
    if (!graphic || !fill) {
        p.fillOption->setEnabled(false);
        p.fillNonZero->setEnabled(false);
        setTemporaryItem(p.fillOption, -1, QString());
        p.fillOption->setCurrentIndex(0);
    } else if (dynamic_cast<TDGroup *>(graphic)) {
        p.fillOption->setEnabled(false);
        p.fillNonZero->setEnabled(false);
        setTemporaryItem(p.fillOption, TDFillPane::GroupTag, tr("Group"));
        p.fillClipGroup->setChecked(graphic->clip());
    } else {
        setTemporaryItem(p.fillOption, -1, QString());
        p.fillOption->setEnabled(true);
        p.fillOption->setCurrentIndex(std::max(0, p.fillOption->findData(fill->style())));
        p.fillNonZero->setEnabled(fill->style() != TDFillStyle::None);
        p.fillNonZero->setChecked(fill->windingRule() == 0);
        switch (fill->style()) {
        case TDFillStyle::ImageFill: {
            const std::optional<TDImageStore::Image> image = fill->image();
            const std::optional<QImage> shown = image ? TDImageWell::decode(image->data, nullptr) : std::nullopt;
            p.fillImageWell->setImage(shown.value_or(QImage()));
            p.fillImageAlpha->setValue(int(std::lround(fill->imageAlpha() * ImageAlphaSliderScale)));
            break;
        }
        case TDFillStyle::ColorFill:
            p.fillColorWell->setEnabled(true);
            p.fillColorWell->setColor(fill->color());
            break;
        case TDFillStyle::GradientFill:
            // The editor's own drag is what changed the gradient: it keeps
            // the gradient it is editing.
            if (p.fillGradientView->selectedMarker() < 0)
                p.fillGradientView->setGradient(fill->gradient());
            p.fillGradientType->setCurrentIndex(fill->gradientStyle() == TDFillStyle::Axial ? 0 : 1);
            break;
        case TDFillStyle::TextFill:
            p.fillColorWellB->setColor(fill->color());
            p.textPaddingSlider->setValue(int(std::lround(fill->lineFragmentPadding())));
            p.textHyphenationSlider->setValue(int(std::lround(fill->hyphenation() * TDFillPane::HyphenationScale)));
            p.textBackgroundCheck->setChecked(fill->textBackground());
            break;
        default:
            break;
        }
        // Graphics of several kinds: the popup says so, the first one's
        // options stay in view.
        if (isMixed([](const TDGraphic &g) { return g.fillStyle() ? std::optional(g.fillStyle()->style()) : std::nullopt; }))
            p.fillOption->setCurrentIndex(-1);
    }
    updateFillOption();
}

void TDInspectorController::updateFillOption()
{
    TDFillPane &p = *m_fillPane;
    const TDGraphic *shown = selectedGraphic();
    const int tag = p.fillOption->currentIndex() >= 0 || !shown || !shown->fillStyle()
                        ? p.fillOption->currentData().toInt()
                        : shown->fillStyle()->style();
    p.fillView->setCurrentWidget(p.viewForTag(tag));
    if (tag == TDFillStyle::TextFill) {
        const bool canEdit = m_view && selectedGraphic() != m_styleGraphic.get();
        p.editTextButton->setEnabled(canEdit);
    }
}

void TDInspectorController::fillOptionAction(int tag)
{
    if (tag < TDFillStyle::None || tag > TDFillStyle::TextFill)
        return;
    applyFillSelector([tag](TDFillStyle &fill) { fill.setStyle(tag); }, QStringLiteral("Set Fill Style"));
    updateFillOption();
    scheduleRefresh();
}

void TDInspectorController::fillColorWellAction(const Color &color)
{
    applyFillSelector([&color](TDFillStyle &fill) { fill.setColor(color); }, QStringLiteral("Set Fill Colour"));
}

void TDInspectorController::fillImageChooseAction()
{
    QString path;
    if (m_imageChooser) {
        path = m_imageChooser();
    } else {
        QStringList patterns;
        for (const QByteArray &format : QImageReader::supportedImageFormats())
            patterns.append(QStringLiteral("*.") + QString::fromLatin1(format));
        path = QFileDialog::getOpenFileName(palette(Panel::Fill), tr("Choose an Image"), QString(),
                                            tr("Images (%1)").arg(patterns.join(QLatin1Char(' '))));
    }
    if (!path.isEmpty())
        applyImageFile(path);
}

bool TDInspectorController::applyImageFile(const QString &path)
{
    QString error;
    const std::optional<TDImageWell::ImageData> image = TDImageWell::readImageFile(path, &error);
    if (!image) {
        showMessage(error);
        return false;
    }
    applyFillSelector([&image](TDFillStyle &fill) { fill.setImageData(image->data, image->extension); },
                      QStringLiteral("Set Fill Image"));
    return true;
}

void TDInspectorController::fillImageViewAction(const QByteArray &data, const QString &extension)
{
    applyFillSelector(
        [&](TDFillStyle &fill) {
            if (data.isEmpty())
                fill.setImageKey(QStringLiteral("?"));
            else
                fill.setImageData(data, extension);
        },
        QStringLiteral("Set Fill Image"));
}

void TDInspectorController::fillImageAlphaAction(float alpha)
{
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    applyFillSelector([alpha](TDFillStyle &fill) { fill.setImageAlpha(alpha); },
                      QStringLiteral("Set Fill Image Alpha"));
}

void TDInspectorController::fillGradientAction()
{
    const TDGradientView &view = *m_fillPane->fillGradientView;
    const std::shared_ptr<const TDGradient> gradient = view.gradient()->copy();
    if (view.selectedMarker() >= 0) {
        // While a stop is dragged the drawing follows without undo; the
        // release records the change.
        if (m_view)
            for (const TDGraphicPtr &graphic : m_view->selection())
                if (graphic->fillStyle())
                    graphic->fillStyle()->setGradient(gradient);
        return;
    }
    applyFillSelector([&gradient](TDFillStyle &fill) { fill.setGradientUndoable(gradient); },
                      QStringLiteral("Set Gradient"));
}

void TDInspectorController::gradientStyleAction(int style)
{
    applyFillSelector([style](TDFillStyle &fill) { fill.setGradientStyle(style); },
                      QStringLiteral("Set Gradient Style"));
}

void TDInspectorController::fillNonZero(bool on)
{
    // Non-zero is rule 0, even-odd rule 1.
    applyFillSelector([on](TDFillStyle &fill) { fill.setWinding(on ? 0 : 1); }, QStringLiteral("Set Winding Rule"));
}

void TDInspectorController::fillGroupClipAction(bool on)
{
    applySelector([on](TDGraphic &graphic) { graphic.setClip(on); }, QStringLiteral("Set Group Clip"));
}

void TDInspectorController::textHyphenation(float factor)
{
    factor = std::isfinite(factor) ? std::clamp(factor, 0.0f, 1.0f) : 0.0f;
    applyFillSelector([factor](TDFillStyle &fill) { fill.setHyphenation(factor); }, QStringLiteral("Set Hyphenation"));
}

void TDInspectorController::textPadding(float padding)
{
    padding = std::isfinite(padding) ? std::max(padding, 0.0f) : 0.0f;
    applyFillSelector([padding](TDFillStyle &fill) { fill.setLineFragmentPadding(padding); },
                      QStringLiteral("Set Padding"));
}

void TDInspectorController::textBackground(bool on)
{
    applyFillSelector([on](TDFillStyle &fill) { fill.setTextBackground(on); }, QStringLiteral("Set Text Background"));
}

void TDInspectorController::editText()
{
    if (!m_view || m_selectedGraphics.empty() || selectedGraphic() == m_styleGraphic.get())
        return;
    m_selectedGraphics.front()->startEditingWithEvent(nullptr, m_view);
}

} // namespace scrivane
