#include "document/TDDocument.h"
#include "document/TDDXFImport.h"
#include "document/TDFileIdentity.h"
#include "document/TDFolderIcon.h"
#include "document/TDGlobalImageStore.h"
#include "document/TDPackageFileSystem.h"
#include "document/TDPackageWrapper.h"
#include "model/TDApplicationServices.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "platform/ArchivedColor.h"
#include "platform/EncodedDictionary.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/Numbers.h"
#include "platform/PackageDictionary.h"
#include "platform/WorkBudget.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QSet>

#include <cmath>

namespace scrivane {

namespace {
TDPackageFileSystem *g_fileSystem = nullptr;
TDDocument::IconWriter &iconWriter()
{
    static TDDocument::IconWriter writer;
    return writer;
}

const QString DataEntry = QStringLiteral("data");
const QString YamlEntry = QStringLiteral("data.yaml");

// "name.ext" → ("name", "ext"); a name without a dot (or only a leading
// one) has no extension.
std::pair<QString, QString> splitExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {fileName, QString()};
    return {fileName.left(dot), fileName.mid(dot + 1)};
}

PropertyList numberArray(const std::vector<float> &values)
{
    PropertyList array{PropertyList::Array()};
    for (float v : values)
        array.append(double(v));
    return array;
}

// Reads values of the document dictionary, checking their kinds: a value
// of the wrong kind is reported and skipped.
class DocumentReader {
public:
    explicit DocumentReader(const PropertyList &dictionary) : m_d(dictionary) {}

    std::optional<double> number(const QString &key) const
    {
        const PropertyList value = m_d.value(key);
        if (value.isNull())
            return std::nullopt;
        std::optional<double> result;
        if (value.isNumber())
            result = value.toReal();
        else if (value.isString())
            result = Numbers::parseDouble(value.toString());
        if (!result || !std::isfinite(*result)) {
            skip(key, "a number");
            return std::nullopt;
        }
        return result;
    }
    std::optional<int> integer(const QString &key) const
    {
        const auto value = number(key);
        if (!value)
            return std::nullopt;
        if (*value < -2147483648.0 || *value > 2147483647.0) {
            skip(key, "a whole number in range");
            return std::nullopt;
        }
        return int(*value);
    }
    std::optional<bool> boolean(const QString &key) const
    {
        const PropertyList value = m_d.value(key);
        if (value.isNull())
            return std::nullopt;
        if (!value.isNumber() && !value.isString()) {
            skip(key, "a boolean");
            return std::nullopt;
        }
        return value.toBool();
    }
    std::optional<PropertyList> dictionary(const QString &key) const
    {
        const PropertyList value = m_d.value(key);
        if (value.isNull())
            return std::nullopt;
        if (!value.isDictionary()) {
            skip(key, "a dictionary");
            return std::nullopt;
        }
        return value;
    }
    std::optional<std::vector<float>> numbers(const QString &key) const
    {
        const PropertyList value = m_d.value(key);
        if (value.isNull())
            return std::nullopt;
        if (!value.isArray()) {
            skip(key, "a list of numbers");
            return std::nullopt;
        }
        std::vector<float> result;
        for (const PropertyList &element : value.toArray()) {
            const double real = element.toReal();
            if (element.isNumber() && std::isfinite(real) && std::fabs(real) < 1e7)
                result.push_back(float(real));
            else
                skip(key, "a list of numbers (an element)");
        }
        return result;
    }
    void skip(const QString &key, const char *expected) const
    {
        qWarning().noquote() << QStringLiteral("The document's “%1” is not %2; it was skipped")
                                    .arg(key, QLatin1String(expected));
    }

private:
    PropertyList m_d;
};

void collectImageFills(const TDGraphicArray &graphics, const std::function<void(TDFillStyle &)> &visit)
{
    TDGraphicArray work = graphics;
    for (size_t i = 0; i < work.size(); ++i) {
        const TDGraphicPtr graphic = work[i];
        if (const auto group = std::dynamic_pointer_cast<TDGroup>(graphic)) {
            work.insert(work.end(), group->graphics().begin(), group->graphics().end());
            continue;
        }
        const auto &fill = graphic->fillStyle();
        if (fill && fill->style() == TDFillImage && !fill->imageKey().isEmpty())
            visit(*fill);
    }
}

// A name beside `folder/base` that nothing uses yet.
QString unusedSibling(const TDPackageFileSystem &fs, const QString &folder, const QString &stem)
{
    for (;;) {
        const QString candidate = QDir(folder).filePath(
            stem + QString::number(QRandomGenerator::global()->generate64() & 0xffffffffffffULL, 36));
        if (!fs.exists(candidate))
            return candidate;
    }
}
} // namespace

struct TDDocument::LoadedState {
    PropertyList dictionary;
    std::vector<std::shared_ptr<TDLayer>> layers;
    bool filtersLost = false;
    struct Image {
        QString name; // the file's name without its extension
        QString extension;
        QByteArray data;
    };
    std::vector<Image> images;
};

// --- File system seam, icon writer ----------------------------------------------------------------

void TDDocument::setFileSystem(TDPackageFileSystem *fileSystem)
{
    g_fileSystem = fileSystem;
}

TDPackageFileSystem &TDDocument::fileSystem()
{
    return g_fileSystem ? *g_fileSystem : TDPackageFileSystem::standard();
}

void TDDocument::setIconWriter(IconWriter writer)
{
    iconWriter() = std::move(writer);
}

const TDFileWrapper *TDDocument::fileWrapper() const
{
    return m_fileWrapper.get();
}

// --- The document dictionary ---------------------------------------------------------------------------

PropertyList TDDocument::drawDocumentDictionaryForGraphics(const TDGraphicArray &) const
{
    PropertyList d{PropertyList::Dictionary()};
    PropertyList layers{PropertyList::Array()};
    for (const auto &layer : m_layers)
        layers.append(PropertyList(layer));
    d.insert(QStringLiteral("Layers"), layers);
    d.insert(QStringLiteral("GridSpacing"), double(m_gridSpacing));
    d.insert(QStringLiteral("SubGrids"), m_numberOfSubGrids);
    d.insert(QStringLiteral("DrawsGrid"), m_drawsGrid);
    d.insert(QStringLiteral("SnapsGrid"), m_snapToGrid);
    d.insert(QStringLiteral("GridInFront"), m_drawsGridInFront);
    d.insert(QStringLiteral("GridPixelAligned"), m_gridPixelAligned);
    d.insert(QStringLiteral("GridColor"), ArchivedColor::value(m_gridColor));
    d.insert(QStringLiteral("Graphic Number"), m_graphicNumber);
    d.insert(QStringLiteral("Info"), m_infoDictionary);
    // Without a window the guides read from the file are written back.
    d.insert(QStringLiteral("Horizontal Markers"),
             numberArray(m_graphicView ? m_graphicView->hMarkers() : m_hMarkers));
    d.insert(QStringLiteral("Vertical Markers"),
             numberArray(m_graphicView ? m_graphicView->vMarkers() : m_vMarkers));
    d.insert(QStringLiteral("Show Rulers"),
             m_graphicView ? m_graphicView->rulersVisible() : m_shouldShowRulers);
    const int current = indexOfLayer(m_currentLayer);
    d.insert(QStringLiteral("Current Layer"), current);
    d.insert(QStringLiteral("DrawDocumentVersion"), Numbers::formatInt(Version));
    d.insert(QStringLiteral("App Version"), QCoreApplication::applicationVersion());
    d.insert(QStringLiteral("PrintInfo"), m_printInfo.dictionary());
    d.insert(QStringLiteral("pages wide"), m_pagesWide);
    d.insert(QStringLiteral("pages high"), m_pagesHigh);
    d.insert(QStringLiteral("custom width"), double(m_customSize.width));
    d.insert(QStringLiteral("custom height"), double(m_customSize.height));
    d.insert(QStringLiteral("sizeInPages"), m_sizeInPages);
    d.insert(QStringLiteral("user preferences"), m_userPreferences);
    return d;
}

std::optional<QByteArray> TDDocument::drawDocumentDataForGraphics(const TDGraphicArray &graphics) const
{
    QString error;
    auto data = KeyedArchiver::archivedData(drawDocumentDictionaryForGraphics(graphics),
                                            PropertyList::Format::Binary, &error);
    if (!data)
        qWarning().noquote() << QStringLiteral("The document could not be archived: %1").arg(error);
    return data;
}

std::optional<QByteArray> TDDocument::dataRepresentationOfType(const QString &) const
{
    return drawDocumentDataForGraphics(graphics());
}

std::optional<PropertyList> TDDocument::drawDocumentFromData(const QByteArray &data, QString *error)
{
    return PackageDictionary::fromYamlText(data, PropertyListLimits(), error);
}

TDGraphicArray TDDocument::graphicsFromDrawDocument(const QByteArray &data)
{
    TDGraphicArray graphics;
    const auto dictionary = drawDocumentFromData(data);
    if (!dictionary)
        return graphics;
    for (const PropertyList &value : dictionary->value(QStringLiteral("GraphicsList")).toArray()) {
        if (auto graphic = value.objectAs<TDGraphic>())
            graphics.push_back(std::move(graphic));
        else if (value.isDictionary())
            graphics.push_back(value.contains(QStringLiteral("Graphics")) ? TDGroup::objectWithYAML(value)
                                                                          : TDGraphic::objectWithYAML(value));
    }
    return graphics;
}

QStringList TDDocument::getAllImages() const
{
    QStringList keys;
    collectImageFills(graphics(), [&keys](TDFillStyle &fill) {
        if (!keys.contains(fill.imageKey()))
            keys.append(fill.imageKey());
    });
    return keys;
}

// --- Saving ---------------------------------------------------------------------------------------------

namespace {
const QString TemporaryInfix = QStringLiteral(".scrivanetmp-");
const QString BackupInfix = QStringLiteral(".scrivanebak-");
// Hidden folders of a package nested deeper than this are not carried
// over by a save (a received package could nest them without end).
constexpr int MaximumKeptDepth = 32;

// What a save writes at `path` goes to the package a link there names: a
// link is never replaced.  Nothing, with a message, for a link that leads
// nowhere.
std::optional<QString> packageTarget(const TDPackageFileSystem &fs, const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (fs.kind(info.absoluteFilePath()) != TDPackageFileSystem::EntryKind::Link)
        return info.absoluteFilePath();
    const QString resolved = info.canonicalFilePath();
    if (resolved.isEmpty()) {
        if (error)
            *error = QStringLiteral("“%1” is a link to “%2”, which does not exist; nothing was saved there.")
                         .arg(info.fileName(), info.symLinkTarget());
        return std::nullopt;
    }
    return resolved;
}
} // namespace

bool TDDocument::writeToFile(const QString &path, const QString &type, const QString &originalFile,
                             SaveOperation operation)
{
    if (operation == SaveOperation::Save && type == DxfType) {
        setLastError(QStringLiteral("A drawing read from a DXF file is saved as a new document, under a new name."));
        return false;
    }
    QString error;
    const std::optional<QString> target = packageTarget(fileSystem(), path, &error);
    if (!target) {
        setLastError(error);
        return false;
    }
    const std::optional<QString> original =
        originalFile.isEmpty() ? std::nullopt : packageTarget(fileSystem(), originalFile, nullptr);
    const bool inPlace = operation == SaveOperation::Save && original == target;
    const QImage icon = thumbnailIcon();
    if (!writePackage(*target, inPlace ? *target : QString(), inPlace, icon))
        return false;
    if (operation != SaveOperation::Autosave && iconWriter())
        iconWriter()(*target, icon);
    if (operation != SaveOperation::Save && operation != SaveOperation::Autosave)
        m_docHasWarnedAboutCI = false;
    return true;
}

bool TDDocument::writePackage(const QString &target, const QString &originalFile, bool keepHiddenEntries,
                              const QImage &icon)
{
    TDPackageFileSystem &fs = fileSystem();
    using EntryKind = TDPackageFileSystem::EntryKind;
    const QFileInfo targetInfo(target);
    const QString parent = targetInfo.absolutePath();
    const QString name = targetInfo.fileName();
    QString error;
    auto fail = [this](const QString &message) {
        setLastError(message);
        qWarning().noquote() << message;
        return false;
    };

    // Everything that can fail without touching the disk comes first.  What
    // is written must open again: a drawing read with its parts shared
    // could otherwise be written out far beyond what the reader takes, and
    // replace the only copy that opens.
    const std::optional<QByteArray> data = dataRepresentationOfType(fileType());
    if (!data)
        return fail(QStringLiteral("The drawing could not be archived."));
    if (!KeyedUnarchiver::checkLimits(*data, PropertyListLimits(), &error))
        return fail(QStringLiteral("The drawing cannot be saved: it would be written in a form that cannot be "
                                   "opened again (%1). The previous copy was left as it was.")
                        .arg(error));
    if (!fs.isDirectory(parent))
        return fail(QStringLiteral("The folder “%1” does not exist.").arg(parent));
    const EntryKind existing = fs.kind(target);
    if (existing == EntryKind::Other)
        return fail(QStringLiteral("“%1” is neither a document package nor a file; nothing was saved there.")
                        .arg(name));
    // The previous package is removed once the new one stands in its place:
    // a folder the user may not change would stay behind, one more with
    // every save.
    if (existing == EntryKind::Directory && !fs.isWritable(target))
        return fail(QStringLiteral("“%1” cannot be changed: you have no permission to write in it.").arg(name));

    // What is written is never more open than what it replaces.
    int folderMode = TDPackageFileSystem::UsualFolderMode;
    int fileMode = TDPackageFileSystem::UsualFileMode;
    if (const auto old = fs.mode(target)) {
        // A plain file's readers may list the folder that takes its place.
        folderMode &= existing == EntryKind::Directory ? *old : *old | ((*old & 0444) >> 2);
        // The drawing of an older package may be only its "data.yaml".
        auto oldData = old;
        if (existing == EntryKind::Directory) {
            oldData = fs.mode(QDir(target).filePath(DataEntry));
            if (!oldData)
                oldData = fs.mode(QDir(target).filePath(YamlEntry));
        }
        fileMode &= oldData ? *oldData : *old;
    }

    // The new package is built in a fresh hidden sibling folder.
    QString temporary;
    for (int attempt = 0; attempt < 16 && temporary.isEmpty(); ++attempt) {
        const QString candidate = unusedSibling(fs, parent, QStringLiteral(".") + name + TemporaryInfix);
        if (fs.makeDirectory(candidate, folderMode, &error))
            temporary = candidate;
        else if (!fs.exists(candidate))
            return fail(QStringLiteral("The document could not be saved: %1").arg(error));
    }
    if (temporary.isEmpty())
        return fail(QStringLiteral("The document could not be saved: no temporary folder could be made."));
    auto abandon = [&](const QString &message) {
        QString ignored;
        if (!fs.removeRecursively(temporary, &ignored))
            qWarning().noquote() << ignored;
        return fail(message);
    };
    const QDir temporaryDir(temporary);

    // Only regular files are carried over from the package being replaced:
    // a received package may hold links to private files or to devices,
    // pipes and folders, none of which may be read into the new one.
    auto carriable = [&fs](const QString &path) {
        const EntryKind kind = fs.kind(path);
        if (kind == EntryKind::File || kind == EntryKind::Directory)
            return true;
        qWarning().noquote() << QStringLiteral("“%1” is %2; it was not kept in the saved document")
                                    .arg(path, kind == EntryKind::Link ? QStringLiteral("a link")
                                                                       : QStringLiteral("not a regular file"));
        return false;
    };

    // Images in use, under their keys.
    const TDGlobalImageStore &store = TDGlobalImageStore::instance();
    const QStringList originalEntries = originalFile.isEmpty() ? QStringList() : fs.entries(originalFile);
    for (const QString &key : getAllImages()) {
        if (!TDGlobalImageStore::isSafeKey(key)) {
            qWarning().noquote()
                << QStringLiteral("The image key “%1” is not a file name; its image is not written").arg(key);
            continue;
        }
        if (const TDGlobalImageStore::Entry *entry = store.entry(key)) {
            QString extension = entry->extension;
            if (!TDGlobalImageStore::isSafeExtension(extension))
                extension = TDGlobalImageStore::sniffExtension(entry->data);
            if (extension.isEmpty())
                extension = QStringLiteral("png");
            const QString file = temporaryDir.filePath(key + QLatin1Char('.') + extension);
            if (!fs.exists(file) && !fs.writeFile(file, entry->data, fileMode, &error))
                return abandon(
                    QStringLiteral("An image of the document could not be written: %1").arg(error));
            continue;
        }
        // An image the store does not hold (its data could not be read as
        // an image) is carried over from the package being replaced.
        bool carried = false;
        for (const QString &entryName : originalEntries) {
            const QString from = QDir(originalFile).filePath(entryName);
            if (splitExtension(entryName).first != key || entryName.startsWith(QLatin1Char('.')) ||
                fs.kind(from) != EntryKind::File)
                continue;
            if (!fs.copyFile(from, temporaryDir.filePath(entryName), &error))
                return abandon(QStringLiteral("An image of the document could not be copied: %1").arg(error));
            carried = true;
            break;
        }
        if (!carried)
            qWarning().noquote()
                << QStringLiteral("The image “%1” is not in the image store; it is not written").arg(key);
    }

    // Hidden entries of the package being replaced stay with it.
    if (keepHiddenEntries) {
        std::function<bool(const QString &, const QString &, int)> copyTree = [&](const QString &from,
                                                                                  const QString &to, int depth) {
            if (!carriable(from))
                return true;
            if (!fs.isDirectory(from)) {
                if (!QFileInfo(from).isReadable()) {
                    qWarning().noquote()
                        << QStringLiteral("“%1” cannot be read; it was not kept in the saved document").arg(from);
                    return true;
                }
                return fs.copyFile(from, to, &error);
            }
            if (depth > MaximumKeptDepth) {
                qWarning().noquote()
                    << QStringLiteral("“%1” lies too deep; it was not kept in the saved document").arg(from);
                return true;
            }
            // Filled while only the user may write it, then given the
            // source's permissions (a read-only folder stays read-only).
            if (!fs.makeDirectory(to, 0700, &error))
                return false;
            for (const QString &inner : fs.entries(from))
                if (!copyTree(QDir(from).filePath(inner), QDir(to).filePath(inner), depth + 1))
                    return false;
            return fs.setPermissions(to, folderMode & fs.mode(from).value_or(0), &error);
        };
        for (const QString &entryName : originalEntries) {
            // The package's picture is drawn anew below.
            if (!entryName.startsWith(QLatin1Char('.')) || TDFolderIcon::entryNames().contains(entryName))
                continue;
            if (!copyTree(QDir(originalFile).filePath(entryName), temporaryDir.filePath(entryName), 1))
                return abandon(
                    QStringLiteral("A hidden file of the document could not be kept: %1").arg(error));
        }
    }

    // The picture file managers show for the package goes in with it; a
    // save never fails for it.
    QString iconError;
    if (!TDFolderIcon::write(fs, temporary, icon, fileMode, &iconError))
        qWarning().noquote() << QStringLiteral("The document's picture was not saved with it: %1").arg(iconError);

    if (!fs.writeFile(temporaryDir.filePath(DataEntry), *data, fileMode, &error))
        return abandon(QStringLiteral("The drawing could not be written: %1").arg(error));
    if (!fs.syncDirectory(temporary, &error))
        return abandon(QStringLiteral("The drawing could not be written: %1").arg(error));

    // Into place.  The new package and whatever stood at the target trade
    // places in one step, so that no crash leaves the path empty; the old
    // one, now under the temporary name, is removed afterwards.
    if (existing == EntryKind::Missing) {
        if (!fs.rename(temporary, target, &error))
            return abandon(QStringLiteral("The document could not be saved: %1").arg(error));
    } else {
        bool unsupported = false;
        if (!fs.exchange(temporary, target, &error, &unsupported)) {
            if (!unsupported)
                return abandon(QStringLiteral("The document could not be saved: %1").arg(error));
            if (!moveIntoPlaceWithBackup(temporary, target, &error))
                return abandon(error);
        }
    }
    if (!fs.syncDirectory(parent, &error))
        qWarning().noquote() << error;
    if (fs.exists(temporary) && !fs.removeRecursively(temporary, &error))
        qWarning().noquote() << QStringLiteral("The previous copy could not be removed: %1").arg(error);
    return true;
}

// Where the file system cannot swap two entries, what stands at the target
// is renamed to a hidden backup first and the new package renamed into its
// place; a crash between the two leaves the path empty, which opening it
// mends (restoreInterruptedSave).
bool TDDocument::moveIntoPlaceWithBackup(const QString &temporary, const QString &target, QString *error)
{
    TDPackageFileSystem &fs = fileSystem();
    const QFileInfo targetInfo(target);
    const QString backup = unusedSibling(fs, targetInfo.absolutePath(),
                                         QStringLiteral(".") + targetInfo.fileName() + BackupInfix);
    QString reason;
    if (!fs.rename(target, backup, &reason)) {
        *error = QStringLiteral("The previous copy could not be set aside: %1").arg(reason);
        return false;
    }
    if (!fs.rename(temporary, target, &reason)) {
        QString again;
        if (!fs.rename(backup, target, &again))
            *error = QStringLiteral("The document could not be saved (%1), and the previous copy could not be "
                                    "put back: it is at “%2”.")
                         .arg(reason, backup);
        else
            *error = QStringLiteral("The document could not be saved: %1").arg(reason);
        return false;
    }
    QString ignored;
    if (!fs.syncDirectory(targetInfo.absolutePath(), &ignored))
        qWarning().noquote() << ignored;
    if (!fs.removeRecursively(backup, &ignored))
        qWarning().noquote() << QStringLiteral("The previous copy could not be removed: %1").arg(ignored);
    return true;
}

// --- Opening --------------------------------------------------------------------------------------------

void TDDocument::setWorkBudget(std::shared_ptr<WorkBudget> budget)
{
    m_workBudget = std::move(budget);
}

bool TDDocument::restoreInterruptedSave(const QString &path)
{
    TDPackageFileSystem &fs = fileSystem();
    const QFileInfo info(path);
    const QString parent = info.absolutePath();
    const QString hidden = QStringLiteral(".") + info.fileName();
    // A save interrupted after it finished its new package but before that
    // stood at the path (a first save, or the two renames of a file system
    // that cannot swap) left it, or the previous package, in a hidden
    // sibling.  The newest one whose drawing is whole takes the path.
    QString best;
    qint64 newest = -1;
    for (const QString &entry : fs.entries(parent)) {
        if (!entry.startsWith(hidden + TemporaryInfix) && !entry.startsWith(hidden + BackupInfix))
            continue;
        const QString candidate = QDir(parent).filePath(entry);
        // Read as opening it would read it ("data.yaml" of an older
        // package included): a drawing cut short is no candidate.
        const auto package = fs.isDirectory(candidate) ? PackageFolder::open(candidate) : std::nullopt;
        if (!package || !PackageDictionary::read(*package, nullptr, nullptr))
            continue;
        const auto identity = TDFileIdentity::of(candidate);
        if (identity && identity->modified > newest) {
            newest = identity->modified;
            best = candidate;
        }
    }
    QString error;
    if (best.isEmpty() || !fs.rename(best, path, &error))
        return false;
    qWarning().noquote()
        << QStringLiteral("“%1” was missing after an interrupted save; it was restored from “%2”.")
               .arg(path, QFileInfo(best).fileName());
    return true;
}

bool TDDocument::readFromPath(const QString &path, const QString &type)
{
    if (type == DxfType) {
        QString error;
        if (!TDDXFImport::importFile(path, *this, &error)) {
            setLastError(error);
            return false;
        }
        return true;
    }
    if (type != ScrivaneType && type != VerdaneType && type != TypeIdentifier) {
        setLastError(QStringLiteral("Documents of the type “%1” cannot be opened.").arg(type));
        return false;
    }
    if (!fileSystem().exists(path))
        restoreInterruptedSave(path);
    QString error;
    const auto wrapper = TDPackageWrapper::read(path, &error);
    if (!wrapper) {
        setLastError(error);
        return false;
    }
    return loadFileWrapperRepresentation(*wrapper, type);
}

std::optional<TDDocument::LoadedState> TDDocument::readPackage(const TDPackageWrapper &wrapper)
{
    LoadedState state;
    QString error;
    WorkBudget *budget = wrapper.budget();
    EncodedDictionary::setFiltersLost(false);
    TDModelArchiving::registerClasses();
    auto contents = PackageDictionary::read(wrapper.folder(), budget, &error);
    if (!contents) {
        setLastError(error);
        return std::nullopt;
    }
    const bool yaml = contents->fromYaml;
    for (const PropertyList &value : contents->dictionary.value(QStringLiteral("Layers")).toArray()) {
        std::shared_ptr<TDLayer> layer = value.objectAs<TDLayer>();
        if (!layer && yaml && value.isDictionary())
            layer = TDLayer::objectWithYAML(value);
        // A layer stands in the list once.
        if (!layer || std::find(state.layers.begin(), state.layers.end(), layer) != state.layers.end()) {
            qWarning("An element of the document's layers is not a layer; it was skipped");
            continue;
        }
        state.layers.push_back(std::move(layer));
    }
    state.dictionary = std::move(contents->dictionary);
    state.filtersLost = EncodedDictionary::filtersLost();
    if (!readImages(wrapper, state))
        return std::nullopt;
    return state;
}

bool TDDocument::readImages(const TDPackageWrapper &wrapper, LoadedState &state)
{
    const auto isDrawingEntry = [](const QString &entryName) {
        return entryName == DataEntry || entryName == YamlEntry || entryName == QStringLiteral("Icon\r") ||
               entryName == QStringLiteral("Icon");
    };
    const QStringList entryNames = wrapper.entryNames();
    // A package of the drawing alone needs no walk over its graphics.
    if (std::all_of(entryNames.begin(), entryNames.end(), isDrawingEntry))
        return true;
    // Only the images the drawing uses are read: a package may hold any
    // number of large files nothing refers to.
    QSet<QString> used;
    collectImageFills(TDGraphicArray(state.layers.begin(), state.layers.end()),
                      [&used](TDFillStyle &fill) { used.insert(fill.imageKey()); });
    WorkBudget *budget = wrapper.budget();
    auto overBudget = [&] {
        setLastError(QStringLiteral("The document cannot be read: %1.").arg(budget->failure()));
        return false;
    };
    for (const QString &entryName : entryNames) {
        if (isDrawingEntry(entryName))
            continue;
        const auto [base, extension] = splitExtension(entryName);
        if (!used.contains(base))
            continue;
        QString error;
        auto data = wrapper.folder().read(entryName, TDPackageWrapper::MaximumImageFileSize, budget, &error);
        if (budget && budget->exhausted())
            return overBudget();
        if (!data) {
            qWarning().noquote() << QStringLiteral("An image of the document was not read: %1").arg(error);
            continue;
        }
        if (budget) {
            const QSize size = TDGlobalImageStore::declaredSize(*data);
            if (size.isValid() && !budget->chargeImagePixels(qint64(size.width()) * size.height()))
                return overBudget();
        }
        state.images.push_back(LoadedState::Image{base, extension, std::move(*data)});
    }
    return true;
}

bool TDDocument::loadFileWrapperRepresentation(const TDPackageWrapper &wrapper, const QString &type)
{
    if (type != ScrivaneType && type != VerdaneType && type != TypeIdentifier) {
        setLastError(QStringLiteral("Documents of the type “%1” cannot be opened.").arg(type));
        return false;
    }
    TDPackageWrapper budgeted = wrapper;
    budgeted.setBudget(m_workBudget);
    // Nothing read is registered for undo, and the dropping ends on every
    // way out of here.
    TDUndoManager::CreateGraphicsScope dropUndo;
    std::optional<LoadedState> state = readPackage(budgeted);
    if (!state)
        return false;
    applyLoadedState(*state, budgeted);
    return true;
}

void TDDocument::applyLoadedState(LoadedState &state, const TDPackageWrapper &wrapper)
{
    TDGlobalImageStore &store = TDGlobalImageStore::instance();
    if (m_fileWrapper) {
        m_undoManager->removeAllActions();
        releaseDocumentImages(this);
    }
    for (const auto &old : m_layers)
        old->setDocument(nullptr);
    m_layers.clear();
    m_currentLayer = nullptr;
    m_fileWrapper = std::make_unique<TDPackageWrapper>(wrapper);

    // The store may answer another key than the file's name (the same
    // picture is there already under another key, or the name cannot be a
    // key): the fills follow the key it answers.
    QHash<QString, QString> renamed;
    for (const LoadedState::Image &image : state.images) {
        const QString key = store.addGlobalImage(image.data, image.name, image.extension, imageStoreRef());
        if (key != image.name && key != QStringLiteral("!"))
            renamed.insert(image.name, key);
    }
    if (!renamed.isEmpty()) {
        collectImageFills(
            TDGraphicArray(state.layers.begin(), state.layers.end()), [&renamed](TDFillStyle &fill) {
                if (const auto it = renamed.constFind(fill.imageKey()); it != renamed.constEnd())
                    fill.setImageKey(*it);
            });
    }

    m_docHasWarnedAboutCI = state.filtersLost;
    setLayers(state.layers);

    const DocumentReader r(state.dictionary);
    if (const auto current = r.integer(QStringLiteral("Current Layer")); current && *current != TDNotFound)
        setCurrentLayerIndex(*current);
    if (const auto v = r.integer(QStringLiteral("Graphic Number")))
        m_graphicNumber = std::max(1, *v);
    if (const auto v = r.number(QStringLiteral("GridSpacing")))
        setGridSpacing(float(*v));
    if (const auto v = r.integer(QStringLiteral("SubGrids")))
        setNumberOfSubGrids(*v);
    if (const auto v = r.boolean(QStringLiteral("DrawsGrid")))
        setDrawsGrid(*v);
    if (const auto v = r.boolean(QStringLiteral("SnapsGrid")))
        setGridSnap(*v);
    if (const auto v = r.boolean(QStringLiteral("GridInFront")))
        setDrawsGridInFront(*v);
    const PropertyList gridColor = state.dictionary.value(QStringLiteral("GridColor"));
    if (!gridColor.isNull()) {
        if (const auto color = ArchivedColor::fromValue(gridColor))
            setGridColor(*color);
        else
            r.skip(QStringLiteral("GridColor"), "a colour");
    }
    if (const auto v = r.boolean(QStringLiteral("GridPixelAligned")))
        setGridPixelAligned(*v);
    if (const auto v = r.numbers(QStringLiteral("Horizontal Markers")))
        m_hMarkers = *v;
    if (const auto v = r.numbers(QStringLiteral("Vertical Markers")))
        m_vMarkers = *v;
    if (const auto v = r.boolean(QStringLiteral("Show Rulers")))
        m_shouldShowRulers = *v;
    if (const auto v = r.integer(QStringLiteral("pages wide")))
        setPagesWide(*v);
    if (const auto v = r.integer(QStringLiteral("pages high")))
        setPagesHigh(*v);
    if (const auto v = r.number(QStringLiteral("custom width")))
        setWidth(float(*v));
    if (const auto v = r.number(QStringLiteral("custom height")))
        setHeight(float(*v));
    if (const auto v = r.boolean(QStringLiteral("sizeInPages")))
        setSizeInPages(*v);
    if (const auto v = r.dictionary(QStringLiteral("Info")))
        m_infoDictionary = *v;
    if (const auto v = r.dictionary(QStringLiteral("user preferences")))
        setUserPreferences(*v);
    if (const auto v = r.dictionary(QStringLiteral("PrintInfo")))
        setPrintInfo(TDPrintInfo::fromDictionary(*v));

    m_undoManager->removeAllActions();
    if (TDLayerControllerInterface *controller = TDApplicationServices::layerController())
        controller->invalidate();
    if (TDInspectorInterface *inspector = TDApplicationServices::inspector())
        inspector->graphicChanged(nullptr);
    TDDocumentBase::updateChangeCount(ChangeKind::Cleared);
}

// --- Thumbnail ------------------------------------------------------------------------------------------

QImage TDDocument::thumbnailIcon() const
{
    QImage icon(128, 128, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    // The document picture: a sheet with a folded corner.
    QPainterPath sheet;
    sheet.moveTo(18.5, 6.5);
    sheet.lineTo(92.5, 6.5);
    sheet.lineTo(110.5, 24.5);
    sheet.lineTo(110.5, 121.5);
    sheet.lineTo(18.5, 121.5);
    sheet.closeSubpath();
    painter.fillPath(sheet, Qt::white);
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    painter.drawPath(sheet);
    painter.drawPolyline(QPolygonF({QPointF(92.5, 6.5), QPointF(92.5, 24.5), QPointF(110.5, 24.5)}));

    const TDGraphicArray all = graphics();
    const Rect bounds = drawingBoundsForGraphics(all);
    if (!bounds.isEmpty()) {
        // The drawing fits the 76 × 69 area of the sheet whichever side is
        // longer.
        const float scale = std::min(76.0f / bounds.width(), 69.0f / bounds.height());
        const QImage thumbnail = imageForGraphics(all, scale, false, bounds);
        if (!thumbnail.isNull()) {
            const double x = 27 + (76 - thumbnail.width()) / 2.0;
            const double yFromBottom = 13 + (69 - thumbnail.height()) / 2.0;
            painter.drawImage(QPointF(x, 128 - yFromBottom - thumbnail.height()), thumbnail);
        }
    }
    painter.end();
    return icon;
}

} // namespace scrivane
