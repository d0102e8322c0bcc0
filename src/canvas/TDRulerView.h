#pragma once

#include <QImage>
#include <QPointF>

#include "canvas/TDRulerMarker.h"
#include "canvas/TDRulerUnit.h"

#include <QPointer>
#include <QWidget>

#include <optional>
#include <vector>

namespace scrivane {

class TDRulerClient;

// One ruler of a scroll view, beside (vertical) or above (horizontal) the
// document view.  It shows marks and numbers in its measurement unit with
// zero at the document's origin, the markers of its client, and thin
// lines that echo the pointer or a dragged selection.  Locations are
// document points along the ruler's axis; the ruler turns them into its
// own pixels from the origin offset, the scale and where the document view
// stands in the scroll view.
//
// Markers are dragged along the ruler; a removable marker dragged well
// off the ruler is removed.  Every change made by the pointer goes through
// the client (TDRulerClient), which may refuse it and answers for undo.
// Changes made by calling the ruler directly tell nobody.
class TDRulerView : public QWidget {
    Q_OBJECT

public:
    enum class Orientation { Horizontal, Vertical };
    // Thickness of the ruler without an accessory view, in pixels.
    static constexpr int ruleThickness = 20;
    // A marker's hit area reaches this many pixels either side of it.
    static constexpr int markerReach = 4;
    // A removable marker goes when the pointer is this far off the ruler.
    static constexpr int removeDistance = 16;

    TDRulerView(Orientation orientation, QWidget *parent = nullptr);
    ~TDRulerView() override;

    Orientation orientation() const { return m_orientation; }

    // The view the ruler serves; it must be a QObject that is a
    // TDRulerClient (the ruler forgets it when it goes).
    void setClientView(QObject *client);
    QObject *clientView() const { return m_client.data(); }
    // The widget whose position in the scroll view places zero.
    void setDocumentView(QWidget *view) { m_documentView = view; }

    const TDRulerUnit &measurementUnits() const { return m_unit; }
    void setMeasurementUnits(const TDRulerUnit &unit);
    // Added to a location before it is scaled (minus the document view's
    // bounds origin on this axis).
    float originOffset() const { return m_originOffset; }
    void setOriginOffset(float offset);
    double pixelsPerPoint() const { return m_pixelsPerPoint; }
    void setPixelsPerPoint(double scale);

    // Ruler pixels (along the axis) of a location, and back.
    double pixelForLocation(float location) const;
    float locationForPixel(double pixel) const;

    // --- Markers ----------------------------------------------------------------
    const std::vector<TDRulerMarkerPtr> &markers() const { return m_markers; }
    void setMarkers(std::vector<TDRulerMarkerPtr> markers);
    void addMarker(const TDRulerMarkerPtr &marker);
    // False when the marker is not on this ruler.
    bool removeMarker(const TDRulerMarkerPtr &marker);
    // Drags a marker that is not on the ruler yet from the press `event`
    // (a press on this ruler) to the release, where it is added when the
    // client agrees.
    void trackMarker(const TDRulerMarkerPtr &marker, QMouseEvent *event);
    // The marker being dragged (new or already on the ruler), or null; and
    // whether it is off the ruler (it would be removed if let go).
    const TDRulerMarkerPtr &trackedMarker() const { return m_tracking ? m_tracking->marker : m_none; }
    bool trackedMarkerIsOff() const { return m_tracking && m_tracking->off; }

    // --- Echo lines ----------------------------------------------------------------
    // Moves one echo line from `from` to `to` (document points along the
    // axis); no `from` adds a line, no `to` removes one.
    void moveRulerline(std::optional<float> from, std::optional<float> to);
    const std::vector<float> &rulerLines() const { return m_rulerLines; }

    // --- Accessory -------------------------------------------------------------------
    // A widget shown in a band along the ruler's outer edge (a text
    // editor's tab well); the ruler does not own it.
    void setAccessoryView(QWidget *view);
    QWidget *accessoryView() const { return m_accessory.data(); }
    int reservedThicknessForAccessoryView() const { return m_accessoryThickness; }
    void setReservedThicknessForAccessoryView(int thickness);
    // Ruler and accessory band together.
    int requiredThickness() const { return ruleThickness + m_accessoryThickness; }

    // A guide's picture on this ruler ("marker" on the horizontal one,
    // "markerv" on the vertical one) and the point of it that lies on the
    // guide, counted from its bottom left corner.
    struct MarkerImage {
        QImage image;
        QPointF origin;
    };
    static const MarkerImage &markerImage(bool horizontal);

Q_SIGNALS:
    // The thickness changed: the scroll view lays its rulers out again.
    void thicknessChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Tracking {
        TDRulerMarkerPtr marker;
        float startLocation = 0;
        bool isNew = false;
        bool off = false;
    };

    TDRulerClient *client() const;
    double along(QPointF point) const;
    double across(QPointF point) const;
    int length() const;
    TDRulerMarkerPtr markerAtPixel(double pixel) const;
    void startTracking(const TDRulerMarkerPtr &marker, bool isNew, QPointF at);
    void followPointer(QPointF at);
    void endTracking(bool cancelled);
    void layoutAccessory();
    void paintScale(class QPainter &painter) const;
    void paintMarker(class QPainter &painter, const TDRulerMarker &marker, bool faded) const;

    Orientation m_orientation;
    QPointer<QObject> m_client;
    QPointer<QWidget> m_documentView;
    QPointer<QWidget> m_accessory;
    int m_accessoryThickness = 0;
    TDRulerUnit m_unit;
    float m_originOffset = 0;
    double m_pixelsPerPoint = 1;
    std::vector<TDRulerMarkerPtr> m_markers;
    std::vector<float> m_rulerLines;
    std::optional<Tracking> m_tracking;
    TDRulerMarkerPtr m_none;
};

} // namespace scrivane
