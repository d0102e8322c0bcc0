#pragma once

#include "platform/Geometry.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace scrivane {

class TDGraphic;

// The layers panel.
class TDLayerControllerInterface {
public:
    virtual ~TDLayerControllerInterface() = default;
    // Schedules one reload of the layers outline (coalesced).
    virtual void invalidate() = 0;
    // Reloads the outline at once.
    virtual void reload() = 0;
};

// The inspector.
class TDInspectorInterface {
public:
    virtual ~TDInspectorInterface() = default;
    // The screen area document windows may use beside the visible panels.
    virtual Rect windowZoomRect() const = 0;
    // Refreshes the panes for the graphic (null: the selection as a whole).
    virtual void graphicChanged(TDGraphic *graphic) = 0;
    // The graphic whose style new graphics take: the first selected graphic
    // of the main window, else the inspector's own style graphic.  Null
    // while there is none (new graphics keep their own defaults).
    virtual TDGraphic *visibleGraphic() const { return nullptr; }
    // The inspector's own style graphic, which the panes change while
    // nothing is selected; null while there is none.
    virtual TDGraphic *styleGraphic() const { return nullptr; }
    // A knob drag of the canvas moved these graphics (the transform pane
    // follows), and the first of them (the stroke width follows).
    virtual void updateTransform(const std::vector<std::shared_ptr<TDGraphic>> &) {}
    virtual void updateStrokeSize(TDGraphic *) {}
};

// The effects pane.
class TDEffectsControllerInterface {
public:
    virtual ~TDEffectsControllerInterface() = default;
    // Names of the offered filters with position, 3-D position or
    // rectangle inputs.
    virtual QStringList positionalFilters() const = 0;
};

// The application delegate: menu key assignments, menu check marks and the
// export accessory.
class TDAppDelegateInterface {
public:
    virtual ~TDAppDelegateInterface() = default;
    // True gives the text-editing key assignment, which frees plain keys.
    virtual void setEditingText(bool editing) = 0;
    virtual void setMenuStates(bool cmykPreview, bool outlineView, bool isolation) = 0;
    // Export accessory: format tag (-1 BMP, 0 EPS, 1 JPEG, 2 PDF, 3 PNG,
    // 4 TIFF, 6 SVG, 7 GIF), scope (non-zero = document), resolution (72
    // when below 1), transparency.
    virtual int exportFormat() const = 0;
    virtual int exportDocumentBounds() const = 0;
    virtual void enableSelectionBounds(bool enable) = 0;
    virtual void enableResolution(bool enable) = 0;
    virtual void enableTransparent(bool enable) = 0;
    virtual int exportDPI() const = 0;
    virtual bool exportTransparent() const = 0;
    // Renames a format's item (SVG becomes "SVG Folder" when images go
    // with it).
    virtual void setExportFormatTitle(int /*tag*/, const QString & /*title*/) {}
};

// Lengths shown in the user's unit ("measurementUnits").
class TDUnitsTransformerInterface {
public:
    virtual ~TDUnitsTransformerInterface() = default;
    // Points to the user's unit.
    virtual double transformedValue(double points) const = 0;
    // Length text with an optional unit suffix to points.
    virtual double reverseTransformedValue(const QString &text, int unitIndex) const = 0;
};

// The process-wide application services.  The application installs its
// panels at start; while one is missing (tests, the preview generator),
// whatever the model would ask of it is not asked.  Not owned.
class TDApplicationServices {
public:
    static TDLayerControllerInterface *layerController();
    static void setLayerController(TDLayerControllerInterface *controller);
    static TDInspectorInterface *inspector();
    static void setInspector(TDInspectorInterface *inspector);
    static TDEffectsControllerInterface *effectsController();
    static void setEffectsController(TDEffectsControllerInterface *controller);
    static TDAppDelegateInterface *appDelegate();
    static void setAppDelegate(TDAppDelegateInterface *delegate);
    static TDUnitsTransformerInterface *unitsTransformer();
    static void setUnitsTransformer(TDUnitsTransformerInterface *transformer);
};

} // namespace scrivane
