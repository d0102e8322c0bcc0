#pragma once

#include "document/TDDocumentBase.h"
#include "document/TDPrintInfo.h"
#include "model/TDCustomBrush.h"
#include "model/TDDocumentInterface.h"
#include "model/TDImageStore.h"
#include "model/TDModelTypes.h"
#include "model/TDUndoManager.h"
#include "platform/Color.h"
#include "platform/Identified.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace scrivane {

class Link;
class Pasteboard;
class TDLayer;
class TDPackageFileSystem;
class TDPackageWrapper;
class WorkBudget;

// A drawing document: an ordered array of layers (bottom first) with one
// current layer or isolated group, the grid, page and print settings, the
// info dictionary and the window state kept per user; the lists of graphics
// the canvas and panels ask for; the change count gated by the undo
// manager's document-changing flag.  It is also a drawing target for
// images rendered without a view (its zoom is the scale being rendered).
//
// Topics live in their own files: the image store's operations
// (TDDocument+Images.cpp), rendering of graphics into images, PDF and EPS
// (TDDocument+Rendering.cpp), export (TDDocument+Export.cpp), and the
// package on disk (TDDocument+Package.cpp).
class TDDocument : public TDDocumentBase, public TDDocumentInterface {
public:
    // Document types.
    static const QString ScrivaneType;   // "Scrivane Document"
    static const QString VerdaneType;    // "Verdane Document" (older)
    static const QString TypeIdentifier; // "com.quelmont.scrivane.scrivane"
    static const QString UntitledType;   // must be saved under a new name
    static const QString DxfType;        // "dxf"
    // The stored version ("DrawDocumentVersion").
    static constexpr int Version = 1;

    TDDocument();
    ~TDDocument() override;

    bool exists() const { return true; }
    // Names this document for as long as the process runs (scripting's
    // object paths).
    ObjectId objectId() const { return m_identity; }
    // Whether a save must ask for a package name first: the document was
    // never saved as a package of its own (untitled, or read from a DXF
    // drawing, which a save must not write over).
    bool needsSaveName() const;
    // The identity under which the image store records this document.
    TDImageStore::DocumentRef imageStoreRef() const { return static_cast<const TDDocumentInterface *>(this); }

    // --- Canvas, undo ----------------------------------------------------------
    TDGraphicViewInterface *graphicView() const override { return m_graphicView; }
    // The canvas of the document window (not owned; null clears it).
    void setGraphicView(TDGraphicViewInterface *view) { m_graphicView = view; }
    TDUndoManager *undoManager() const override { return m_undoManager.get(); }
    int graphicNumber() override { return m_graphicNumber++; }
    // The counter's next value, without counting.
    int peekGraphicNumber() const { return m_graphicNumber; }

    // --- Layers ------------------------------------------------------------------
    const std::vector<std::shared_ptr<TDLayer>> &layers() const { return m_layers; }
    // The layers, as graphics.
    TDGraphicArray graphics() const override;
    // Takes the layers; each joins the document; the first becomes current
    // (no side effects).  An empty array leaves the document with one new
    // layer, since a document always has one.
    void setLayers(const std::vector<std::shared_ptr<TDLayer>> &layers);
    std::shared_ptr<TDLayer> layerNamed(const QString &name) const;
    // Replaces the layer array in one change (the layers panel's add,
    // remove and reorder, which register their own undo): the layers join
    // the document, those that leave lose it; the current layer stays when
    // it is still inside the document, else the topmost layer becomes
    // current.  An empty array, or one with a layer twice, is refused
    // (false): a document always has a layer, and a layer one place.
    bool replaceLayers(const std::vector<std::shared_ptr<TDLayer>> &layers);
    TDGroup *currentLayer() const override { return m_currentLayer; }
    // Stores it, invalidates the layers panel, tells the canvas whether it
    // is in isolation (the group has a parent) and redraws the canvas.
    void setCurrentLayer(TDGroup *group) override;
    // Out-of-range indexes are ignored.
    void setCurrentLayerIndex(int index);
    int indexOfLayer(const TDGroup *group) const;
    bool removeFromGraphics(TDGraphic *graphic) override;

    // --- Lists of graphics ----------------------------------------------------------
    // Where the editable graphics come from: the children of these
    // containers, in this order, that are editable.  Searches that need not
    // see every graphic start here instead of from the whole list.
    struct EditableScope {
        std::vector<TDGroup *> containers;
        // The current layer and the groups holding it: never editable.
        std::vector<const TDGraphic *> excluded;
        bool editable(const TDGraphic &graphic) const;
    };
    EditableScope editableScope() const;
    // The children of the current layer, then those of the other layers
    // (unless in isolation) that are unlocked and visible, bottom first.
    TDGraphicArray editableGraphics() const;
    TDGraphicArray visibleGraphics() const;
    TDGraphicArray semiVisibleGraphics() const;
    TDGraphicArray sortedSelectedGraphics() const;

    // --- Editing (undo and repaint by the groups) ------------------------------------
    void addGraphic(const TDGraphicPtr &graphic);
    void addGraphic(const TDGraphicPtr &graphic, const TDGraphic *existing);
    void removeGraphic(TDGraphic *graphic);
    void replaceGraphic(TDGraphic *old, const TDGraphicPtr &replacement);
    void invalidateGraphic(TDGraphic *graphic) override;
    void invalidateRect(const Rect &rect) override;

    // --- Grid ------------------------------------------------------------------------
    bool drawsGrid() const { return m_drawsGrid; }
    bool snapToGrid() const { return m_snapToGrid; }
    bool drawsGridInFront() const { return m_drawsGridInFront; }
    bool gridPixelAligned() const { return m_gridPixelAligned; }
    int numberOfSubGrids() const { return m_numberOfSubGrids; }
    float gridSpacing() const { return m_gridSpacing; }
    const Color &gridColor() const { return m_gridColor; }
    bool shouldShowRulers() const { return m_shouldShowRulers; }
    void setDrawsGrid(bool on);
    // Below 1 (or not a number) becomes 1: the canvas divides by it.
    void setNumberOfSubGrids(int count);
    void setDrawsGridInFront(bool on);
    void setGridColor(const Color &color);
    // Below 1 (or not finite) becomes 1.
    void setGridSpacing(float spacing);
    void setGridSnap(bool on) { m_snapToGrid = on; }
    void setGridPixelAligned(bool on) { m_gridPixelAligned = on; }

    // --- Page and print ------------------------------------------------------------------
    const TDPrintInfo &printInfo() const { return m_printInfo; }
    void setPrintInfo(const TDPrintInfo &info);
    bool sizeInPages() const { return m_sizeInPages; }
    void setSizeInPages(bool on);
    Size customSize() const { return m_customSize; }
    // Custom paper size in points; values that are not positive and finite
    // are refused.
    void setWidth(float width);
    void setHeight(float height);
    int pagesWide() const { return m_pagesWide; }
    int pagesHigh() const { return m_pagesHigh; }
    void setPagesWide(int pages);
    void setPagesHigh(int pages);
    void updateLayout();
    Rect pageBounds() const;
    Size documentSize() const { return pageBounds().size; }
    Rect paperBounds() const override;

    // --- Status line -------------------------------------------------------------------------
    // Renders the hint (key codes "*C", "*S", ... in blue, the part between
    // "<b>" and "</b>" in bold) as rich text and hands it to the status
    // sink, when the window has set one.
    void setStatusText(const QString &text) override;
    using StatusSink = std::function<void(const QString &richText)>;
    void setStatusSink(StatusSink sink) { m_statusSink = std::move(sink); }
    // The rich text of a hint; `strokeScaleKey` stands for "*Z".
    static QString statusRichText(const QString &text, const QString &strokeScaleKey);

    // --- Change tracking and info -------------------------------------------------------------
    // Passed on only while the undo manager's document-changing flag is set.
    void updateChangeCount(ChangeKind kind) override;
    const PropertyList &infoDictionary() const { return m_infoDictionary; }
    // Sets "title", "author", "keywords", "keyColor" or
    // "colorizationMethod", registering the old value for undo.
    void setInfoValue(const QString &key, const PropertyList &value);
    // Key paths "infoDictionary.<key>" (undo of setInfoValue).
    void setDocumentValue(const PropertyList &value, const QString &keyPath);
    const PropertyList &userPreferences() const { return m_userPreferences; }
    void setUserPreferences(const PropertyList &preferences);
    const std::vector<float> &horizontalMarkers() const { return m_hMarkers; }
    const std::vector<float> &verticalMarkers() const { return m_vMarkers; }
    // The load replaced objects it could not build (effects).
    bool docHasWarnedAboutCI() const { return m_docHasWarnedAboutCI; }

    // --- Drawing target ----------------------------------------------------------------------
    Tool drawMode() const override { return m_mode; }
    void setDrawMode(Tool mode) { m_mode = mode; }
    bool graphicIsEditing(const TDGraphic *) const override { return false; }
    bool graphicIsSelected(const TDGraphic *) const override { return false; }
    // The process-wide scale of the image being rendered.
    float zoom() const override { return renderScale(); }
    bool outlineView() const override { return false; }
    bool cmykPreview() const override { return false; }
    bool renderingToPDF() const override { return false; }
    TDDocumentInterface *document() const override { return const_cast<TDDocument *>(this); }
    static float renderScale();
    static void setRenderScale(float scale);

    // --- Images (TDDocument+Images.cpp) ---------------------------------------------------------
    static QString addGlobalImage(const QByteArray &data, const QString &name, const QString &extension,
                                  const TDDocument *document);
    static void releaseDocumentImages(const TDDocument *document);
    static bool saveImageData() { return TDImageStore::saveImageData(); }
    // File data for an image: its PNG encoding, extension "png".  Nothing
    // (and no extension) for a null image.
    static QByteArray dataForImage(const QImage &image, QString *extension);
    QString addImage(const QByteArray &data, const QString &name, const QString &extension);
    QString addImage(const QByteArray &data, const QString &extension);
    void addImage(const QString &key);

    // --- Rendering (TDDocument+Rendering.cpp) -------------------------------------------------
    static Rect drawingBoundsForGraphics(const TDGraphicArray &graphics);
    // An image of trunc(scale × width) by trunc(scale × height) pixels of
    // the graphics inside `bounds`, whose origin is truncated to whole
    // points; white or transparent underneath.  Null for empty bounds.
    static QImage imageForGraphics(const TDGraphicArray &graphics, float scale, bool opaque,
                                   const Rect &bounds);
    static QImage imageForGraphics(const TDGraphicArray &graphics, float scale, bool opaque);
    static QImage imageForGraphics(const TDGraphicArray &graphics);
    QImage imageOfGraphics(const TDGraphicArray &graphics, float scale, const Rect &area) override;
    static QByteArray TIFFRepresentationForGraphics(const TDGraphicArray &graphics);
    static QByteArray PNGRepresentationForGraphics(const TDGraphicArray &graphics);
    static QByteArray JPEGRepresentationForGraphics(const TDGraphicArray &graphics);
    static QByteArray BMPRepresentationForGraphics(const TDGraphicArray &graphics);
    static QByteArray PDFRepresentationForGraphics(const TDGraphicArray &graphics, bool opaque,
                                                   const Rect &bounds);
    static QByteArray PDFRepresentationForGraphics(const TDGraphicArray &graphics);
    static QByteArray EPSRepresentationForGraphics(const TDGraphicArray &graphics, bool opaque,
                                                   const Rect &bounds);
    static QByteArray EPSRepresentationForGraphics(const TDGraphicArray &graphics);

    // --- Pasteboard (TDDocument+Pasteboard.cpp) ------------------------------------------------
    // The types a copy declares, in order: the graphics' archive, written at
    // once, then TIFF, PDF and PNG pictures of them, made when asked.
    static QStringList pasteboardTypes();
    // False (and nothing declared) for no graphics.  The pasteboard keeps
    // the images of image fills in the image store while it holds them.
    static bool copy(const TDGraphicArray &graphics, Pasteboard &pasteboard);
    // The owner's answer for a type declared by copy: the picture of the
    // graphics archived on the same pasteboard.
    static void pasteboardProvideDataForType(Pasteboard &pasteboard, const QString &type);
    // The graphics of an archive written by copy, outside any document.
    // Anything else (not an archive, no array, no graphics, a graphic met
    // twice) gives no graphics or only those that can be placed once.
    static TDGraphicArray graphicsWithArchivedData(const QByteArray &data);

    // --- Linked editing (TDDocument+Link.cpp) -------------------------------------------------
    // A document that edits an item another program embeds: its current
    // layer takes the graphics of the link's data (read as untrusted
    // input), and it starts clean.  The link names the document as its
    // represented object.
    static std::unique_ptr<TDDocument> withLink(const std::shared_ptr<Link> &link);
    const std::shared_ptr<Link> &link() const { return m_link; }
    // Sends the graphics inside the layers (with their images) and their
    // picture back through the link, and leaves the document clean; false,
    // with nothing sent, without a link or without graphics.
    bool saveLink();
    // Closes the link, if any, and forgets it.
    void closeLinkIfNeeded();
    // The link data of graphics for other programs: the server name
    // "quarve" and the graphics archived with their images.
    static std::optional<QByteArray> linkDataForGraphics(const TDGraphicArray &graphics);
    // "Graphics from <source> (<program>)" while editing a linked item.
    QString displayName() const override;

    // --- Export (TDDocument+Export.cpp) -----------------------------------------------------------
    struct ExportFormat {
        int tag;
        QString name;
        QStringList extensions;
        bool resolution;
        bool transparency;
    };
    // The formats by tag: -1 BMP, 0 EPS, 1 JPEG, 2 PDF, 3 PNG, 4 TIFF, 6 SVG,
    // 7 GIF.
    static const std::vector<ExportFormat> &exportFormats();
    static const ExportFormat *exportFormatForTag(int tag);
    // The graphics an export covers: visible graphics for the document
    // scope, else the sorted selection.
    TDGraphicArray exportGraphics(bool documentScope) const;
    // Follows the export accessory's format: enables its resolution and
    // transparency controls and answers the allowed extensions (empty:
    // any name).
    QStringList exportFormat();
    // The file data of an export, or nothing for SVG (a file or a folder,
    // see writeSVGRepresentationToFile), unknown tags and empty output.
    std::optional<QByteArray> exportData(int tag, int dpi, bool transparent, bool documentScope) const;
    // Writes the export atomically; false with lastError() set on failure.
    bool exportToFile(const QString &path, int tag, int dpi, bool transparent, bool documentScope);
    // The SVG document of the drawing (every layer, hidden ones present but
    // not shown, over the paper) or of the selected graphics (over their
    // drawing bounds), white underneath when `opaque`.
    QByteArray SVGRepresentationFromSelection(bool selectionOnly, bool opaque = false) const;
    // Writes it at `path`: one file, or a folder with the SVG file and the
    // images it refers to.  What stood at the path is replaced only by a
    // complete export; false with lastError() set on failure.
    bool writeSVGRepresentationToFile(const QString &path, bool selectionOnly, bool opaque = false);
    // The end of the export panel: with `accepted`, the accessory's
    // settings are read from the application delegate and the file written.
    bool exportPanelDidEnd(const QString &path, bool accepted);

    // --- Package (TDDocument+Package.cpp) -------------------------------------------------------
    PropertyList drawDocumentDictionaryForGraphics(const TDGraphicArray &graphics) const;
    std::optional<QByteArray> drawDocumentDataForGraphics(const TDGraphicArray &graphics) const;
    std::optional<QByteArray> dataRepresentationOfType(const QString &type) const;
    // The dictionary of a legacy "data.yaml"; nothing when it is not YAML
    // holding a dictionary.
    static std::optional<PropertyList> drawDocumentFromData(const QByteArray &data, QString *error = nullptr);
    // The graphics of a legacy document's "GraphicsList".
    static TDGraphicArray graphicsFromDrawDocument(const QByteArray &data);
    // The image keys in use, each once, in the order met.
    QStringList getAllImages() const;
    // Writes the package (see docs/file-format.md); `originalFile` is the
    // package a plain save replaces.  The previous package stays at `path`,
    // whole, whenever this answers false.
    bool writeToFile(const QString &path, const QString &type, const QString &originalFile,
                     SaveOperation operation) override;
    // Reads a package.  Nothing of the document changes unless it answers
    // true.
    bool loadFileWrapperRepresentation(const TDPackageWrapper &wrapper, const QString &type);
    const TDFileWrapper *fileWrapper() const override;
    // The 128 × 128 icon image: the document picture with the drawing's
    // thumbnail on it.
    QImage thumbnailIcon() const;
    // A save puts the thumbnail icon into the package as the picture file
    // managers show for it (TDFolderIcon), then, once the package stands at
    // its path, hands path and icon to the icon writer when the application
    // installed one (autosaved copies excepted).
    using IconWriter = std::function<void(const QString &packagePath, const QImage &icon)>;
    static void setIconWriter(IconWriter writer);

    // --- Brush documents (TDDocument+Brushes.cpp) -------------------------------------------
    // The drawing, paper and colour rules of the document at `path` for a
    // custom brush; the document stays alive with the brush.
    static std::optional<TDBrushDocument> readBrushDocument(const QString &path, QString *error);
    // Makes documents the brush library's reader (once; every new document
    // does it, so that any process that reads documents has brushes).
    static void registerBrushDocumentReader();

    // The file operations saves go through (tests make them fail).
    static void setFileSystem(TDPackageFileSystem *fileSystem);
    static TDPackageFileSystem &fileSystem();

    // What reading a package may cost (bytes, values, image pixels); a load
    // that would pass it is refused with the budget's reason.  Programs that
    // read packages unasked set one; without one only the readers' usual
    // limits apply.
    void setWorkBudget(std::shared_ptr<WorkBudget> budget);
    WorkBudget *workBudget() const { return m_workBudget.get(); }
    // Puts back the package a save left in a hidden sibling of an empty
    // `path` when it was interrupted (see the save); true when one was put
    // back.  Opening a missing path does this.
    static bool restoreInterruptedSave(const QString &path);

protected:
    bool readFromPath(const QString &path, const QString &type) override;

private:
    struct LoadedState;
    bool writePackage(const QString &path, const QString &originalFile, bool keepHiddenEntries,
                      const QImage &icon);
    static bool moveIntoPlaceWithBackup(const QString &temporary, const QString &target, QString *error);
    std::optional<LoadedState> readPackage(const TDPackageWrapper &wrapper);
    bool readImages(const TDPackageWrapper &wrapper, LoadedState &state);
    void applyLoadedState(LoadedState &state, const TDPackageWrapper &wrapper);
    void observeUndoManager();
    void redisplay() const;

    ObjectId m_identity = Identified::next();
    std::unique_ptr<TDUndoManager> m_undoManager;
    TDGraphicViewInterface *m_graphicView = nullptr;
    int m_graphicNumber = 1;
    Tool m_mode = Tool::Select;
    std::vector<std::shared_ptr<TDLayer>> m_layers;
    TDGroup *m_currentLayer = nullptr;
    std::unique_ptr<TDPackageWrapper> m_fileWrapper;
    std::shared_ptr<WorkBudget> m_workBudget;
    std::shared_ptr<Link> m_link;
    bool m_docHasWarnedAboutCI = false;

    float m_gridSpacing = 28.35f;
    int m_numberOfSubGrids = 5;
    bool m_drawsGrid = false;
    bool m_snapToGrid = false;
    bool m_gridPixelAligned = false;
    bool m_drawsGridInFront = false;
    Color m_gridColor = Color::calibratedWhite(0, 0.3f);
    bool m_shouldShowRulers = false;

    TDPrintInfo m_printInfo;
    int m_pagesWide = 1;
    int m_pagesHigh = 1;
    bool m_sizeInPages = true;
    Size m_customSize;

    PropertyList m_userPreferences{PropertyList::Dictionary()};
    std::vector<float> m_hMarkers;
    std::vector<float> m_vMarkers;
    PropertyList m_infoDictionary{PropertyList::Dictionary()};
    StatusSink m_statusSink;
    std::vector<NotificationCenter::Token> m_observers;
};

} // namespace scrivane

namespace scrivane {
// The image of graphics for callers outside the document class (brush and
// arrow previews, the canvas's drag image): TDDocument::imageForGraphics.
QImage renderGraphicsToImage(const TDGraphicArray &graphics, float scale, bool opaque, const Rect &bounds);
} // namespace scrivane
