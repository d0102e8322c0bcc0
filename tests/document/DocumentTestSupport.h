#pragma once

// Shared pieces of the document tests: a shape graphic with a stored
// rectangle (until the real shapes arrive), a canvas double, a file system
// that fails at a chosen operation, and image helpers.

#include "document/TDDocument.h"
#include "document/TDPackageFileSystem.h"
#include "model/TDBezierPath.h"
#include "model/TDGraphic.h"
#include "model/TDGraphicViewInterface.h"
#include "platform/KeyedUnarchiver.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <optional>

namespace scrivane {
class TDLayer;
}

namespace scrivane::doctest {

// A graphic whose path is a rectangle of the document, stored under
// "TestRect"; archived as "TestShape".
class TestShape : public TDGraphic {
public:
    explicit TestShape(const Rect &rect = Rect(0, 0, 10, 10)) : m_rect(rect) {}
    // Filled with the colour, no line.
    static std::shared_ptr<TestShape> make(const Rect &rect, const Color &fill);

    const Rect &rect() const { return m_rect; }
    std::shared_ptr<TDBezierPath> bezierPath() const override;
    PropertyList toYAML() const override;
    void initWithDictionary(const PropertyList &dictionary) override;
    QString archiveClassName() const override { return QStringLiteral("TestShape"); }
    QStringList archiveClassHierarchy() const override;
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    static void registerClass();

private:
    Rect m_rect;
};

// A canvas with a selection and an isolation flag.
class TestCanvas : public TDGraphicViewInterface {
public:
    explicit TestCanvas(TDDocument *document) : m_document(document) {}

    Tool drawMode() const override { return Tool::Select; }
    bool graphicIsEditing(const TDGraphic *) const override { return false; }
    bool graphicIsSelected(const TDGraphic *) const override { return false; }
    float zoom() const override { return 1; }
    bool outlineView() const override { return false; }
    bool cmykPreview() const override { return false; }
    bool renderingToPDF() const override { return false; }
    TDDocumentInterface *document() const override { return m_document; }

    TDGraphicArray selectedGraphics() const override { return selection; }
    void selectGraphics(const TDGraphicArray &graphics) override { selection = graphics; }
    void clearSelection() override { selection.clear(); }
    void deselectGraphic(TDGraphic *graphic) override;
    QList<int> selectedNodesForGraphic(const TDGraphic *) const override { return {}; }
    Rect selectionRect() const override { return Rect(); }
    TDGraphic *creatingGraphic() const override { return nullptr; }
    void setEditingGraphic(TDGraphic *) override {}
    void stopEditing() override {}
    void stopTextEditing() override {}
    bool isolationState() const override { return isolated; }
    void setIsolation(bool on) override { isolated = on; }
    void trackKnob(Knob, const TDGraphicArray &, const TDEvent &, TrackingCompletion) override {}
    Point convertPointFromWindow(Point point) const override { return point; }
    Point snapToGrid(Point point) const override { return point; }
    bool isEventEscape(const TDEvent &) const override { return false; }
    void drawHandleAtPoint(Point, HandleType) override {}
    bool pointInHandleAtPoint(Point, Point, HandleType) const override { return false; }
    bool rectOverHandleAtPoint(const Rect &, Point, HandleType) const override { return false; }
    void invalidateGraphic(TDGraphic *) override {}
    void setNeedsDisplayInRect(const Rect &) override {}
    void setNeedsDisplay() override { ++redisplays; }
    void calculateSize() override {}
    std::vector<float> hMarkers() const override { return horizontal; }
    std::vector<float> vMarkers() const override { return vertical; }
    void addMarkers(const std::vector<float> &, bool) override {}
    bool rulersVisible() const override { return rulers; }
    void saveRulers() override {}
    void cleanRulers() override {}

    TDGraphicArray selection;
    bool isolated = false;
    bool rulers = false;
    int redisplays = 0;
    std::vector<float> horizontal;
    std::vector<float> vertical;

private:
    TDDocument *m_document;
};

// The machine's file system, but the operation numbered `failAt` (counting
// from 0, failure points only) fails.  -1 never fails.  With `crashes`,
// that operation and every one after it do nothing, as if the program had
// died there.  Without `canExchange`, the file system cannot swap two
// entries (as some network file systems cannot).
class FailingFileSystem : public TDPackageFileSystem {
public:
    int failAt = -1;
    bool crashes = false;
    bool canExchange = true;
    int operations = 0;
    QString failedOperation;
    QString failedPath;

    bool makeDirectory(const QString &path, int mode, QString *error) override;
    bool writeFile(const QString &path, const QByteArray &data, int mode, QString *error) override;
    bool copyFile(const QString &from, const QString &to, QString *error) override;
    bool rename(const QString &from, const QString &to, QString *error) override;
    bool exchange(const QString &first, const QString &second, QString *error, bool *unsupported) override;
    bool setPermissions(const QString &path, int mode, QString *error) override;
    bool removeRecursively(const QString &path, QString *error) override;
    bool syncDirectory(const QString &path, QString *error) override;

private:
    bool fails(const char *operation, const QString &path, QString *error);
};

// Installs a file system for the life of the object.
class FileSystemScope {
public:
    explicit FileSystemScope(TDPackageFileSystem *fs) { TDDocument::setFileSystem(fs); }
    ~FileSystemScope() { TDDocument::setFileSystem(nullptr); }
};

// A fresh folder for one test.
QString freshFolder();
// PNG data of a width × height image of one colour.
QByteArray solidPng(int width, int height, const QColor &color);
// The colour at a pixel, as 8-bit RGBA.
QColor pixel(const QImage &image, int x, int y);
// Whether two colours are within `tolerance` on every channel.
bool near(const QColor &a, const QColor &b, int tolerance = 3);
// Rasterises PDF or EPS data at `dpi` with Ghostscript (transparent
// background for PDF when asked); null when Ghostscript is missing.
QImage rasterise(const QByteArray &data, bool eps, int dpi, bool alpha = false);
// The names in a folder, hidden ones too, sorted.
QStringList folderEntries(const QString &folder);

// --- Packages ----------------------------------------------------------------------------------

inline const QString Type = QStringLiteral("Scrivane Document");

// Writes (fails the test when it cannot) and reads whole files.
void writeFile(const QString &path, const QByteArray &data);
QByteArray readFile(const QString &path);
// A package folder with the given files.
QString makePackage(const QString &path, const std::map<QString, QByteArray> &files);
QByteArray archive(const PropertyList &dictionary);
PropertyList layersOf(std::initializer_list<std::shared_ptr<TDLayer>> layers);
// The dictionary of a minimal document with one named layer.
PropertyList minimalDictionary(const QString &layerName = QStringLiteral("Only"));
// Names of the top-level graphics of each layer, for comparing contents.
QStringList contents(const TDDocument &document);
// The hidden folders a save makes beside the package.
QStringList leftovers(const QString &folder);
// The contents of the package at the path, or why it does not open.
QStringList contentsOfPackage(const QString &path);
// A package whose only layer holds one graphic with an image fill of key
// `key`, and `key`.png beside its data when `png` is given.
QString packageUsingImage(const QString &path, const QString &key, const QByteArray &png);

struct PackageFixture : ::testing::Test {
    PackageFixture();

    std::shared_ptr<TestShape> add(TDDocument &doc, const QString &name, const Rect &rect = Rect(10, 10, 20, 20));
    std::shared_ptr<TestShape> addImageShape(TDDocument &doc, const QByteArray &png);

    QString folder;
    TDDocument document;
};

} // namespace scrivane::doctest
