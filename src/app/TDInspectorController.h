#pragma once

#include "model/TDApplicationServices.h"
#include "model/TDModelTypes.h"
#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/NotificationCenter.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

class QAbstractSlider;
class QLineEdit;
class QWidget;

namespace scrivane {

class CIController;
class TDDocument;
class TDEffectsPane;
class TDFillPane;
class TDFillStyle;
class TDGraphicView;
class TDGridPane;
class TDLayoutPane;
class TDLayerController;
class TDShadowPane;
class TDSnapPanel;
class TDStrokePane;
class TDStrokeStyle;
class TDTextController;
class TDTextPane;
class TDTransformPane;
class TDUndoManager;

// The one inspector of the application: its panes (fill, stroke, shadow
// and opacity, transform, layout, grid, and the palettes other panels put
// their panes in) each live in a snapping palette of their own.  It
// follows the active document window: it inspects that window's canvas and
// shows and edits the styles of the canvas's selection; when nothing is
// selected, or no document window is active, it edits its own style
// graphic, from which the canvas copies the style of new graphics.
//
// Every change a pane makes goes to the canvas's current selection (or the
// style graphic) as one undo step named after it; a slider, joystick or
// gradient drag is one step from press to release.  Graphic changes only
// mark the panes stale: they are refreshed once, when the event loop next
// runs, however many graphics changed.
//
// The inspected canvas is held weakly: when its window closes, the
// inspector inspects nothing and every document action changes nothing.
//
// Topics: the controller, shadow and effects (TDInspectorController.cpp),
// the page and grid (+Document), the fill (+Fill), the stroke (+Stroke),
// the transform pane (+Transform).
class TDInspectorController : public QObject, public TDInspectorInterface {
    Q_OBJECT
public:
    // The panel tags of the "Show ..." menu items.
    enum class Panel : int {
        Fill = 1,
        Stroke = 2,
        Shadow = 3,
        Grid = 4,
        Layout = 5,
        Layers = 6,
        Effects = 7,
        Transform = 8,
        Text = 9,
    };
    enum class Axis { Horizontal, Vertical };
    enum class Edge { Left, Right, Top, Bottom };
    enum class ArrowEnd { Start, End };

    // The new inspector becomes the application's (shared, and the model's
    // inspector service) until it is destroyed.
    explicit TDInspectorController(QObject *parent = nullptr);
    ~TDInspectorController() override;
    static TDInspectorController *shared();

    // --- Palettes ----------------------------------------------------------------------------
    // The palette of a panel tag: "fill", "stroke", "effects" (shadow and
    // opacity), "grid", "layout", "layers", "filters" (effects), "transform";
    // null for a tag without one.
    TDSnapPanel *palette(Panel panel) const;
    std::vector<TDSnapPanel *> palettes() const;
    // A hidden palette of the tag is shown, a visible one closed.  Other
    // tags do nothing.
    void showInspector(int tag);
    TDFillPane *fillPane() const { return m_fillPane; }
    TDStrokePane *strokePane() const { return m_strokePane; }
    TDShadowPane *shadowPane() const { return m_shadowPane; }
    TDTransformPane *transformPane() const { return m_transformPane; }
    TDLayoutPane *layoutPane() const { return m_layoutPane; }
    TDGridPane *gridPane() const { return m_gridPane; }
    TDTextPane *textPane() const { return m_textPane; }
    TDTextController *textController() const { return m_textController; }
    TDLayerController *layerController() const { return m_layerController; }
    TDEffectsPane *effectsPane() const { return m_effectsPane; }
    // The effects list of the effects pane.
    CIController *effectsController() const { return m_effects.get(); }

    // --- What is inspected -------------------------------------------------------------------
    // The canvas of a document window becomes the inspected one; any other
    // window (or none) inspects nothing.
    void setMainWindow(QWidget *window);
    // The canvas to inspect (null: none), whatever window holds it.
    void inspect(TDGraphicView *view);
    TDGraphicView *inspectingView() const;
    TDDocument *inspectingDocument() const;
    TDGraphic *styleGraphic() const override { return m_styleGraphic.get(); }
    const TDGraphicPtr &styleGraphicPtr() const { return m_styleGraphic; }
    // The first graphic of the canvas's selection, else the style graphic.
    TDGraphic *visibleGraphic() const override;
    // The selection as last refreshed (never empty: the style graphic alone
    // stands for an empty selection).
    const TDGraphicArray &selectedGraphics() const { return m_selectedGraphics; }
    TDGraphic *selectedGraphic() const { return m_selectedGraphics.front().get(); }
    Rect windowZoomRect() const override;

    // --- Refresh ------------------------------------------------------------------------------
    // A graphic or the selection changed: the panes are refreshed when the
    // event loop next runs.
    void graphicChanged(TDGraphic *graphic) override;
    bool needsUpdate() const { return m_needsUpdate; }
    // Refreshes every pane now when they are stale.
    void windowDidUpdate();
    // Sent by the canvas while it drags: the transform fields and the
    // stroke width follow at once.
    void updateTransform(const TDGraphicArray &graphics) override;
    void updateStrokeSize(TDGraphic *graphic) override;

    // --- Applying changes -----------------------------------------------------------------------
    // The setter goes to every graphic selected on the canvas now (the
    // style graphic when none is) as one undo step named `name` (an
    // "UndoStrings" key); without a canvas only the style graphic changes.
    void applySelector(const std::function<void(TDGraphic &)> &setter, const QString &name);
    void applyFillSelector(const std::function<void(TDFillStyle &)> &setter, const QString &name);
    void applyStrokeSelector(const std::function<void(TDStrokeStyle &)> &setter, const QString &name);
    // A press on a slider, the joystick or the gradient editor to its
    // release: every change in between is one undo step.
    void beginGesture();
    void endGesture();

    // Where messages for the person go (images refused); a warning box by
    // default.
    using MessageSink = std::function<void(const QString &message)>;
    void setMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }
    // Asks for an image file; empty when cancelled.  A file dialog by default.
    using FileChooser = std::function<QString()>;
    void setImageChooser(FileChooser chooser) { m_imageChooser = std::move(chooser); }

    // --- Shadow, blend mode, opacity, effects ---------------------------------------------------
    void shadowColorWellAction(const Color &color);
    void shadowRadiusAction(float radius);
    void shadowAction(bool on);
    void shadowOffset(float offset);
    // Radians.
    void shadowAngle(float angle);
    void blendAction(int mode);
    // Clamped to 0 .. 1.
    void effectAlpha(float alpha);
    // The opacity field: a number in the person's locale; anything else is
    // refused (false) and the field shows the opacity again.
    bool effectAlphaText(const QString &text);
    void usesFilters(bool on);
    void filterResolution(int resolution);
    // Starts text editing of the first selected graphic.
    void edit();

    // --- Page and grid (TDInspectorController+Document.cpp) ----------------------------------------
    // Each answers whether it was taken; a refused text leaves the document
    // as it was and the field shows the old value.  Nothing is done (false)
    // without an inspected document.
    void updatePageInfo();
    bool documentSizeInPages(bool on);
    // Paper width or height: points in the ruler unit (or with a unit
    // suffix), "<n> pages" for that many page sizes, or the number of
    // pages while the document is sized in pages.  Not positive, not a
    // number, or too large: refused.
    bool documentDimension(Axis axis, const QString &text);
    bool documentWidth(const QString &text) { return documentDimension(Axis::Horizontal, text); }
    bool documentHeight(const QString &text) { return documentDimension(Axis::Vertical, text); }
    // A negative margin, or one that leaves no page between it and its
    // opposite, is refused.
    bool documentMargin(Edge edge, const QString &text);
    bool documentGridColor(const Color &color);
    bool documentGridDraw(bool on);
    bool documentGridFront(bool on);
    bool documentGridSnap(bool on);
    bool documentGridAlign(bool on);
    // Not a positive length: refused.
    bool documentGridSize(const QString &text);
    bool documentGridSteps(int steps);

    // --- Fill (TDInspectorController+Fill.cpp) ---------------------------------------------------
    void updateFill(TDGraphic *graphic);
    void updateFillOption();
    void fillOptionAction(int tag);
    void fillColorWellAction(const Color &color);
    // Asks for an image file and applies it.
    void fillImageChooseAction();
    // The image of the file becomes every fill's image ("Set Fill Image");
    // a file that is no readable image within the limits changes nothing
    // and the person is told why.
    bool applyImageFile(const QString &path);
    // Image data dropped or pasted into the well; empty data (the well was
    // emptied) sets the missing image "?".
    void fillImageViewAction(const QByteArray &data, const QString &extension);
    void fillImageAlphaAction(float alpha);
    // The gradient editor reported a change.
    void fillGradientAction();
    void gradientStyleAction(int style);
    void fillNonZero(bool on);
    void fillGroupClipAction(bool on);
    // Text fills: "Set Hyphenation" (0 … 1), "Set Padding" (points, at
    // least 0), "Set Text Background".
    void textHyphenation(float factor);
    void textPadding(float padding);
    void textBackground(bool on);
    void editText();

    // --- Stroke (TDInspectorController+Stroke.cpp) ---------------------------------------------------
    void updateStroke(TDGraphic *graphic);
    void updateStrokeOption();
    void initBrushPopup();
    void updateBrushes();
    void selectBrush();
    void brushSelectionChanged();
    void strokeOptionAction(int tag);
    void strokeColorWellAction(const Color &color);
    void strokeCapAction(int cap);
    void strokeJoinAction(int join);
    // Points; below 0 counts as 0.
    void strokeWidthSliderAction(float width);
    // Points unless the text names another unit; below 0 counts as 0; no
    // number at all is refused (false).
    bool strokeWidthTextAction(const QString &text);
    // The dash popup's item: an entry of the dash list, or "Other..." (the
    // data -1), which only shows the inspected stroke's pattern in the
    // custom field.
    void strokeDashAction(int itemIndex);
    // A pattern of one's own in units of the line width; a pattern the
    // stroke refuses (no length, all zero, negative) changes nothing
    // (false) and the field shows the stroke's pattern again.
    bool strokeDashCustomAction(const QString &text);
    void arrowStyleAction(ArrowEnd end, int style);
    // Per cent; below 0 counts as 0.
    void arrowSizeAction(ArrowEnd end, float percent);
    bool arrowSizeText(ArrowEnd end, const QString &text);
    void arrowMorphAction(ArrowEnd end, bool morph);
    void showCustomDashView();
    void hideCustomDashView();

    // --- Transform (TDInspectorController+Transform.cpp) ---------------------------------------------
    // The shape bounds of the selection; in the edit tool, of the selected
    // nodes (zero without any).
    Rect boundsForTransform() const;
    // Transforms the selection (or the selected nodes of path graphics in
    // the edit tool) as one undo step "Transform"; the identity does
    // nothing.
    void transformGraphics(const AffineTransform &transform);
    // Each answers whether the text was taken.  Position: where the
    // reference point goes ("%": of the bounds' origin).
    bool transformPosition(Axis axis, const QString &text);
    // Size: a length, or a percentage; a factor of 0 (or not a number) is
    // refused, a negative one flips.
    bool transformDimension(Axis axis, const QString &text);
    // Degrees, counter-clockwise as seen.
    bool transformRotate(const QString &text);
    // Degrees of horizontal skew (the shear is the tangent); at or beyond
    // ±89.9 degrees refused.
    bool transformSkew(const QString &text);

private:
    void buildWindow();
    void connectShadowPane();
    void connectDocumentPanes();
    void connectFillPane();
    void connectStrokePane();
    void connectTransformPane();
    // Runs the handler only when the panes are not being refreshed.
    template <class Signal, class Sender, class Handler>
    void on(Sender *sender, Signal signal, Handler handler);
    void connectGesture(QAbstractSlider *slider);
    // A field whose text is read when editing finishes; a refused text
    // brings the old value back.
    void onText(QLineEdit *field, std::function<bool(const QString &)> action);

    TDGraphicArray targets() const;
    // Whether the selection shown holds graphics whose `get` differ (the
    // pane then shows the control as mixed).  `get` answers an optional:
    // graphics that answer nothing (no such style) are not compared.
    template <class Get> bool isMixed(Get get) const;
    // Runs the change on the inspected document; false without one.
    bool withDocument(const std::function<void(TDDocument &)> &change);
    TDUndoManager *undoManager() const;
    // One undo step named `name` around `change` (inside the open gesture
    // when there is one).
    void inStep(const QString &name, const std::function<void()> &change);
    void scheduleRefresh();
    void refreshSelection();
    void updateShadowAndEffects(TDGraphic *graphic);
    void updateDocumentPanes();
    void showMessage(const QString &message);
    // Sets the field's text quietly.
    static void show(QLineEdit *field, const QString &text);

    QPointer<TDGraphicView> m_view;
    TDGraphicPtr m_styleGraphic;
    TDGraphicArray m_selectedGraphics;
    bool m_needsUpdate = true;
    bool m_updating = false;
    QTimer m_refreshTimer;

    // The gesture under way: the undo manager whose group it holds open,
    // and the canvas that manager belongs to.
    TDUndoManager *m_gestureUndo = nullptr;
    QPointer<TDGraphicView> m_gestureView;

    // By panel tag; owned.
    std::array<TDSnapPanel *, 10> m_palettes{};
    TDFillPane *m_fillPane = nullptr;
    TDStrokePane *m_strokePane = nullptr;
    TDShadowPane *m_shadowPane = nullptr;
    TDTransformPane *m_transformPane = nullptr;
    TDLayoutPane *m_layoutPane = nullptr;
    TDGridPane *m_gridPane = nullptr;
    TDTextPane *m_textPane = nullptr;
    TDTextController *m_textController = nullptr;
    TDLayerController *m_layerController = nullptr;
    TDEffectsPane *m_effectsPane = nullptr;
    std::unique_ptr<CIController> m_effects;

    MessageSink m_messageSink;
    FileChooser m_imageChooser;
    // Set while the brush table's selection is being set from the stroke.
    bool m_selectingBrush = false;
};

template <class Get> bool TDInspectorController::isMixed(Get get) const
{
    if (m_selectedGraphics.size() < 2)
        return false;
    std::optional<std::remove_cvref_t<decltype(*get(*m_selectedGraphics.front()))>> first;
    for (const TDGraphicPtr &graphic : m_selectedGraphics) {
        const auto value = get(*graphic);
        if (!value)
            continue;
        if (!first)
            first = *value;
        else if (!(*value == *first))
            return true;
    }
    return false;
}

template <class Signal, class Sender, class Handler>
void TDInspectorController::on(Sender *sender, Signal signal, Handler handler)
{
    QObject::connect(sender, signal, this, [this, handler](auto &&...args) {
        if (!m_updating)
            handler(std::forward<decltype(args)>(args)...);
    });
}

} // namespace scrivane
