#include "DocumentTestSupport.h"

#include "TestEnvironment.h"
#include "platform/KeyedArchiver.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDStrokeStyle.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace scrivane::doctest {

std::shared_ptr<TestShape> TestShape::make(const Rect &rect, const Color &fill)
{
    auto shape = std::make_shared<TestShape>(rect);
    shape->recalculatePath();
    shape->fillStyle()->setStyle(TDFillColor);
    shape->fillStyle()->setColor(fill);
    shape->strokeStyle()->setStyle(TDStrokeNone);
    return shape;
}

std::shared_ptr<TDBezierPath> TestShape::bezierPath() const
{
    return std::make_shared<TDBezierPath>(PathBase::withRect(m_rect));
}

PropertyList TestShape::toYAML() const
{
    PropertyList d = TDGraphic::toYAML();
    d.insert(QStringLiteral("TestRect"), m_rect.toString());
    return d;
}

void TestShape::initWithDictionary(const PropertyList &dictionary)
{
    if (const auto rect = Rect::fromString(dictionary.value(QStringLiteral("TestRect")).toString()))
        m_rect = *rect;
    TDGraphic::initWithDictionary(dictionary);
}

QStringList TestShape::archiveClassHierarchy() const
{
    return {QStringLiteral("TestShape"), QStringLiteral("TDGraphic"), QStringLiteral("NSObject")};
}

std::shared_ptr<Archivable> TestShape::decode(KeyedUnarchiver &unarchiver)
{
    auto shape = std::make_shared<TestShape>();
    shape->initWithDictionary(unarchiver.decodeObject());
    return shape;
}

void TestShape::registerClass()
{
    TDModelArchiving::registerClasses();
    KeyedUnarchiver::registerClass(QStringLiteral("TestShape"), &TestShape::decode);
}

void TestCanvas::deselectGraphic(TDGraphic *graphic)
{
    selection.erase(std::remove_if(selection.begin(), selection.end(),
                                   [graphic](const TDGraphicPtr &g) { return g.get() == graphic; }),
                    selection.end());
}

bool FailingFileSystem::fails(const char *operation, const QString &path, QString *error)
{
    const int number = operations++;
    if (number == failAt || (crashes && failAt >= 0 && number > failAt)) {
        if (number == failAt) {
            failedOperation = QLatin1String(operation);
            failedPath = path;
        }
        if (error)
            *error = QStringLiteral("injected failure of %1").arg(QLatin1String(operation));
        return true;
    }
    return false;
}

bool FailingFileSystem::makeDirectory(const QString &path, int mode, QString *error)
{
    return !fails("makeDirectory", path, error) && TDPackageFileSystem::makeDirectory(path, mode, error);
}

bool FailingFileSystem::writeFile(const QString &path, const QByteArray &data, int mode, QString *error)
{
    return !fails("writeFile", path, error) && TDPackageFileSystem::writeFile(path, data, mode, error);
}

bool FailingFileSystem::copyFile(const QString &from, const QString &to, QString *error)
{
    return !fails("copyFile", from, error) && TDPackageFileSystem::copyFile(from, to, error);
}

bool FailingFileSystem::rename(const QString &from, const QString &to, QString *error)
{
    return !fails("rename", from, error) && TDPackageFileSystem::rename(from, to, error);
}

bool FailingFileSystem::exchange(const QString &first, const QString &second, QString *error, bool *unsupported)
{
    if (!canExchange) {
        if (unsupported)
            *unsupported = true;
        if (error)
            *error = QStringLiteral("this file system cannot swap entries");
        return false;
    }
    if (unsupported)
        *unsupported = false;
    return !fails("exchange", first, error) && TDPackageFileSystem::exchange(first, second, error, unsupported);
}

bool FailingFileSystem::setPermissions(const QString &path, int mode, QString *error)
{
    return !fails("setPermissions", path, error) && TDPackageFileSystem::setPermissions(path, mode, error);
}

bool FailingFileSystem::removeRecursively(const QString &path, QString *error)
{
    return !fails("removeRecursively", path, error) && TDPackageFileSystem::removeRecursively(path, error);
}

bool FailingFileSystem::syncDirectory(const QString &path, QString *error)
{
    return !fails("syncDirectory", path, error) && TDPackageFileSystem::syncDirectory(path, error);
}

QString freshFolder()
{
    return QString::fromStdString(test::temporaryFolder());
}

QByteArray solidPng(int width, int height, const QColor &color)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

QColor pixel(const QImage &image, int x, int y)
{
    return image.convertToFormat(QImage::Format_ARGB32).pixelColor(x, y);
}

bool near(const QColor &a, const QColor &b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

QImage rasterise(const QByteArray &data, bool eps, int dpi, bool alpha)
{
    const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
    if (gs.isEmpty())
        return QImage();
    QTemporaryDir dir;
    const QString input = dir.filePath(eps ? QStringLiteral("in.eps") : QStringLiteral("in.pdf"));
    const QString output = dir.filePath(QStringLiteral("out.png"));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return QImage();
    file.close();
    QStringList arguments = {QStringLiteral("-q"),
                             QStringLiteral("-dNOPAUSE"),
                             QStringLiteral("-dBATCH"),
                             QStringLiteral("-dSAFER"),
                             alpha ? QStringLiteral("-sDEVICE=pngalpha") : QStringLiteral("-sDEVICE=png16m"),
                             QStringLiteral("-r%1").arg(dpi),
                             QStringLiteral("-dTextAlphaBits=4"),
                             QStringLiteral("-dGraphicsAlphaBits=1"),
                             QStringLiteral("-sOutputFile=") + output};
    if (eps)
        arguments.append(QStringLiteral("-dEPSCrop"));
    arguments.append(input);
    QProcess process;
    process.start(gs, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QImage();
    return QImage(output);
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A package folder with the given files.
QString makePackage(const QString &path, const std::map<QString, QByteArray> &files)
{
    QDir().mkpath(path);
    for (const auto &[name, data] : files)
        writeFile(QDir(path).filePath(name), data);
    return path;
}

QByteArray archive(const PropertyList &dictionary)
{
    return KeyedArchiver::archivedData(dictionary).value_or(QByteArray());
}

PropertyList layersOf(std::initializer_list<std::shared_ptr<TDLayer>> layers)
{
    PropertyList array{PropertyList::Array()};
    for (const auto &layer : layers)
        array.append(PropertyList(layer));
    return array;
}

// The dictionary of a minimal document with one named layer.
PropertyList minimalDictionary(const QString &layerName)
{
    PropertyList d{PropertyList::Dictionary()};
    d.insert("Layers", layersOf({TDLayer::layerWithName(layerName, nullptr)}));
    return d;
}

// Names of the top-level graphics of each layer, for comparing contents.
QStringList contents(const TDDocument &document)
{
    QStringList names;
    for (const auto &layer : document.layers()) {
        names.append(layer->name());
        for (const auto &graphic : layer->graphics())
            names.append("  " + graphic->name());
    }
    return names;
}

QStringList leftovers(const QString &folder)
{
    QStringList found;
    for (const QString &name : folderEntries(folder))
        if (name.contains(".scrivanetmp") || name.contains(".scrivanebak"))
            found.append(name);
    return found;
}

QStringList contentsOfPackage(const QString &path)
{
    TDDocument reader;
    if (!reader.readFromFile(path, Type))
        return {QStringLiteral("unreadable: ") + reader.lastError()};
    return contents(reader);
}

QString packageUsingImage(const QString &path, const QString &key, const QByteArray &png)
{
    auto layer = TDLayer::layerWithName("Layer 1", nullptr);
    auto shape = TestShape::make(Rect(0, 0, 4, 4), Color::black());
    shape->fillStyle()->setStyle(TDFillImage);
    shape->fillStyle()->setImageKey(key);
    layer->addGraphic(shape);
    PropertyList d{PropertyList::Dictionary()};
    d.insert("Layers", layersOf({layer}));
    std::map<QString, QByteArray> files{{"data", archive(d)}};
    if (!png.isNull())
        files[key + ".png"] = png;
    return makePackage(path, files);
}

PackageFixture::PackageFixture()
{
    TestShape::registerClass();
    folder = freshFolder();
    document.undoManager()->setGroupsByEvent(false);
}

std::shared_ptr<TestShape> PackageFixture::add(TDDocument &doc, const QString &name, const Rect &rect)
{
    auto shape = TestShape::make(rect, Color::calibratedRGB(1, 0, 0));
    shape->setName(name);
    doc.addGraphic(shape);
    return shape;
}

std::shared_ptr<TestShape> PackageFixture::addImageShape(TDDocument &doc, const QByteArray &png)
{
    auto shape = add(doc, "picture", Rect(0, 0, 8, 8));
    shape->fillStyle()->setStyle(TDFillImage);
    shape->fillStyle()->setImageKey(doc.addImage(png, "png"));
    shape->setFillTransformation(TDGraphic::transformForBounds(shape->rect()));
    return shape;
}
} // namespace scrivane::doctest
