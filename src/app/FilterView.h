#pragma once

#include "platform/PropertyList.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace scrivane {

class CIController;
class CITransformWrapper;
class CIVectorWrapper;
class FilterPointPick;
struct InputAttribute;
class ScaleTransformer;
class TDFilter;
class TDGraphicView;

// One effect of the effects pane: a header strip (disclosure button when
// the effect has rows, an enable check box titled with the filter's name, a
// delete button) and one row of controls for every input of the filter
// that the pane can edit.  The view edits its own copy of the effect;
// every change of an input is reported to the controller, which pushes the
// whole list to the selected graphics.
//
// Lengths are shown at the view's scale (the graphic's effects resolution:
// a distance of 20 at scale 2 shows 10), angles in degrees.  A typed number
// is held to the input's range.  Controls are named after the input key
// they edit ("inputRadius"; a vector's fields "inputCenter.X" and so on, a
// transform's "inputTransform.m11" ...).
//
// A view belongs to one build of the list (its generation): once the
// controller has rebuilt or dropped it, nothing it does reaches any
// graphic.
class FilterView : public QWidget {
    Q_OBJECT
public:
    static constexpr int Width = 220;
    static constexpr int HeaderHeight = 16;

    FilterView(std::shared_ptr<TDFilter> filter, CIController *controller, quint64 generation,
               QWidget *parent = nullptr);
    ~FilterView() override;

    const std::shared_ptr<TDFilter> &filter() const { return m_filter; }
    CIController *controller() const { return m_controller; }
    // A point pick under way ends first (its undo step closes).
    void setController(CIController *controller);
    quint64 generation() const { return m_generation; }

    // Full height with every row (16 without rows); storing it marks the
    // effect expanded when above 16.
    float height() const { return m_height; }
    void setHeight(float height);
    // The effect's enabled flag, shown by the check box.
    bool isEffectEnabled() const;
    void setEffectEnabled(bool enabled);

    // The resolution the lengths are shown at.
    int scale() const { return m_scale; }
    void setScale(int scale);
    void setScale_n(const PropertyList &scale) { setScale(int(scale.toInteger())); }

    // The header's controls: disclosure (collapses and expands), check box
    // (enables the effect), delete.
    void toggle();
    void check(bool on);
    void deleteFilter();
    // The "Set..." button of a position row: the next click on the canvas
    // sets that position.
    void setPosition(int tag);
    // Picks a point for the wrapper on the canvas until the button goes up,
    // a key is pressed or another window is clicked; Escape puts the old
    // position back.  Nothing without a canvas.
    void getPoint(CIVectorWrapper *wrapper, TDGraphicView *canvas);
    bool isPicking() const;

    QToolButton *disclosureButton() const { return m_disclosure; }
    QCheckBox *toggleButton() const { return m_toggleButton; }
    QToolButton *deleteButton() const { return m_deleteButton; }
    // The vector wrapper behind a "Set..." button's tag; null for another
    // tag or a transform's.
    CIVectorWrapper *vectorWrapper(int tag) const;
    // Shows the effect's values in every control again.
    void showValues();
    // Whether a press at this point of the view would start a drag.
    static bool inHeader(QPoint point) { return point.y() >= 0 && point.y() < HeaderHeight; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct Binding {
        std::unique_ptr<CIVectorWrapper> vector;
        std::unique_ptr<CITransformWrapper> transform;
    };

    void buildHeader(bool hasRows);
    // One row for the input at y; its height, or 0 when the input gets none.
    int buildRow(const InputAttribute &input, const QString &boundKey, int y);
    int numberRow(const InputAttribute &input, const QString &key, int y);
    int booleanRow(const InputAttribute &input, const QString &key, int y);
    int colorRow(const InputAttribute &input, const QString &key, int y);
    int vectorRow(const InputAttribute &input, const QString &key, int y);
    int transformRow(const InputAttribute &input, const QString &key, int y);
    QLabel *label(const InputAttribute &input, const QRect &frame);
    // A number field that shows `read` and hands what is typed to `write`.
    QWidget *numberField(const QString &name, const QString &toolTip, const QRectF &frame,
                         std::function<double()> read, std::function<void(double)> write);
    // The transformer of lengths at the current scale.
    const ScaleTransformer &scaled() const;
    // A number input's new value (held to the input's range), and the report.
    void setNumber(const QString &key, double value);
    void changed(const QString &key);
    void startDrag();
    // The press of a slider opened an undo step: it closes.
    void endSliderEdit();

    std::shared_ptr<TDFilter> m_filter;
    CIController *m_controller; // not owned; the controller clears it when it lets go
    quint64 m_generation;
    float m_height = HeaderHeight;
    int m_scale = 1;
    QToolButton *m_disclosure = nullptr;
    QCheckBox *m_toggleButton = nullptr;
    QToolButton *m_deleteButton = nullptr;
    std::vector<Binding> m_vectorBindings;
    // Each shows one control's value again.
    std::vector<std::function<void()>> m_readers;
    std::unique_ptr<FilterPointPick> m_pick;
    bool m_sliderEdit = false;
    // A press in the header that may become a drag.
    bool m_pressed = false;
    QPoint m_pressPoint;
};

} // namespace scrivane
