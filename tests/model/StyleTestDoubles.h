#pragma once

// Small doubles for the style tests: a document with an undo manager that
// records repaints, a drawing target, a graphic with a fixed path (alone or
// in such a document), and an in-memory image store.

#include "model/TDBezierPath.h"
#include "model/TDDocumentInterface.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphic.h"
#include "model/TDImageStore.h"
#include "model/TDStrokeStyle.h"
#include "model/TDUndoManager.h"

#include <QColor>
#include <QImage>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace scrivane::styletest {

// Every registration outside a group forms its own undo step.
class StyleDocument : public TDDocumentInterface {
public:
    StyleDocument() { m_undo.setGroupsByEvent(false); }

    TDUndoManager &undo() { return m_undo; }

    TDUndoManager *undoManager() const override { return const_cast<TDUndoManager *>(&m_undo); }
    TDGraphicViewInterface *graphicView() const override { return nullptr; }
    void invalidateRect(const Rect &rect) override { invalidated.push_back(rect); }
    void invalidateGraphic(TDGraphic *) override {}
    int graphicNumber() override { return m_counter++; }
    TDGroup *currentLayer() const override { return nullptr; }
    void setCurrentLayer(TDGroup *) override {}
    TDGraphicArray graphics() const override { return {}; }
    bool removeFromGraphics(TDGraphic *) override { return false; }
    const TDFileWrapper *fileWrapper() const override { return nullptr; }
    Rect paperBounds() const override { return Rect(0, 0, 612, 792); }
    void setStatusText(const QString &) override {}

    Tool drawMode() const override { return Tool::Select; }
    bool graphicIsEditing(const TDGraphic *) const override { return false; }
    bool graphicIsSelected(const TDGraphic *) const override { return false; }
    float zoom() const override { return 1; }
    bool outlineView() const override { return false; }
    bool cmykPreview() const override { return false; }
    bool renderingToPDF() const override { return false; }
    TDDocumentInterface *document() const override { return const_cast<StyleDocument *>(this); }

    std::vector<Rect> invalidated;

private:
    TDUndoManager m_undo;
    int m_counter = 1;
};

class DrawTarget : public TDDrawProtocol {
public:
    explicit DrawTarget(bool outline = false) : m_outline(outline) {}
    Tool drawMode() const override { return Tool::Select; }
    bool graphicIsEditing(const TDGraphic *) const override { return false; }
    bool graphicIsSelected(const TDGraphic *) const override { return false; }
    float zoom() const override { return 1; }
    bool outlineView() const override { return m_outline; }
    bool cmykPreview() const override { return false; }
    bool renderingToPDF() const override { return false; }
    TDDocumentInterface *document() const override { return nullptr; }

private:
    bool m_outline;
};

// A graphic whose own path is a given path (a rectangle unless set).
class PathGraphic : public TDGraphic {
public:
    explicit PathGraphic(const PathBase &path = PathBase::withRect(Rect(10, 10, 40, 20)))
        : m_path(std::make_shared<TDBezierPath>(path))
    {
    }
    std::shared_ptr<TDBezierPath> bezierPath() const override
    {
        return std::make_shared<TDBezierPath>(*m_path);
    }

    static std::shared_ptr<PathGraphic> make(const PathBase &path = PathBase::withRect(Rect(10, 10, 40, 20)))
    {
        auto graphic = std::make_shared<PathGraphic>(path);
        graphic->recalculatePath();
        return graphic;
    }

private:
    std::shared_ptr<TDBezierPath> m_path;
};

// A graphic (with the path given, a rectangle unless set) in a document,
// its undo stack and the repaints recorded so far empty.
struct GraphicInDocument {
    StyleDocument document;
    std::shared_ptr<PathGraphic> graphic;
    explicit GraphicInDocument(const PathBase &path = PathBase::withRect(Rect(10, 10, 40, 20)))
        : graphic(PathGraphic::make(path))
    {
        graphic->setDocument(&document);
        document.undo().removeAllActions();
        document.invalidated.clear();
    }
    ~GraphicInDocument() { graphic->setDocument(nullptr); }
    TDFillStyle &fill() { return *graphic->fillStyle(); }
    TDStrokeStyle &stroke() { return *graphic->strokeStyle(); }
};

// Images by key in memory; data must decode as an image.  Installed as the
// process's store for the life of the object.
class MemoryImageStore : public TDImageStore {
public:
    MemoryImageStore() { TDImageStore::setShared(this); }
    ~MemoryImageStore() override { TDImageStore::setShared(nullptr); }

    std::optional<Image> image(const QString &key) const override;
    bool drawImage(const QString &key, GraphicsContext &context, const Rect &destination) const override;
    QString addGlobalImage(const QByteArray &data, const QString &name, const QString &extension,
                           DocumentRef document) override;
    void addImage(const QString &key, DocumentRef document) override { users[key].push_back(document); }

    std::map<QString, std::vector<DocumentRef>> users;

private:
    struct Entry {
        Image image;
        QImage pixels;
    };
    std::map<QString, Entry> m_entries;
    int m_next = 1;
};

// PNG data of an image whose top half is `top` and bottom half `bottom`.
QByteArray twoToneImage(int width, int height, const QColor &top, const QColor &bottom);

// A transparent 60 by 40 image with what `draw` paints into a context on it.
QImage paintedImage(const std::function<void(GraphicsContext &)> &draw);

// The pixel at (x, y) of the image.
QColor pixelAt(const QImage &image, int x, int y);

} // namespace scrivane::styletest
