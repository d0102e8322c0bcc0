#include "model/TDFillStyle.h"

#include "model/TDAttributedText.h"
#include "model/TDBezierPath.h"
#include "model/TDDocumentInterface.h"
#include "model/TDDrawProtocol.h"
#include "model/TDFileWrapper.h"
#include "model/TDGradient.h"
#include "model/TDGraphic.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDShapeWalk.h"
#include "model/TDTextLayout.h"
#include "model/TDDictionaryReader.h"
#include "platform/ArchivedColor.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace scrivane {

namespace {
const QString FillStyleKey = QStringLiteral("FillStyle");
const QString WindingKey = QStringLiteral("winding");
const QString FillColorKey = QStringLiteral("FillColor");
const QString FillImageKey = QStringLiteral("FillImage");
const QString ImageIDKey = QStringLiteral("ImageID");
const QString ImageKey = QStringLiteral("Image");
const QString ImageKeyKey = QStringLiteral("ImageKey");
const QString ImageAlphaKey = QStringLiteral("ImageAlpha");
const QString FillGradientKey = QStringLiteral("FillGradient");
const QString GradientStartPKey = QStringLiteral("GradientStartP");
const QString GradientEndPKey = QStringLiteral("GradientEndP");
const QString GradientStartKey = QStringLiteral("GradientStart");
const QString GradientEndKey = QStringLiteral("GradientEnd");
const QString GradientStyleKey = QStringLiteral("GradientStyle");
const QString FillTextKey = QStringLiteral("FillTextKey");
const QString LegacyFillTextKey = QStringLiteral("FillText");
const QString PaddingKey = QStringLiteral("lineFragmentPadding");
const QString HyphenationKey = QStringLiteral("hyphenation");
const QString TextBackgroundKey = QStringLiteral("textBackground");

// The file extension image data of a known kind goes by, from its first
// bytes; empty for anything else.
QString extensionOfImageData(const QByteArray &data)
{
    struct Signature {
        const char *bytes;
        int length;
        const char *extension;
    };
    static const Signature signatures[] = {
        {"\x89PNG", 4, "png"}, {"\xFF\xD8\xFF", 3, "jpg"},     {"GIF8", 4, "gif"},
        {"II*\0", 4, "tiff"},  {"MM\0*", 4, "tiff"},           {"%PDF", 4, "pdf"},
        {"%!PS", 4, "eps"},    {"\xC5\xD0\xD3\xC6", 4, "eps"}, {"BM", 2, "bmp"},
    };
    for (const Signature &s : signatures) {
        if (data.startsWith(QByteArray(s.bytes, s.length)))
            return QString::fromLatin1(s.extension);
    }
    return QString();
}

// A transformation that maps the plane onto itself one to one.
bool invertible(const AffineTransform &t)
{
    const double det = double(t.m11) * t.m22 - double(t.m12) * t.m21;
    return std::isfinite(det) && det != 0 && std::isfinite(t.tX) && std::isfinite(t.tY);
}

// Restores the context's state on every way out.
class SavedState {
public:
    explicit SavedState(GraphicsContext &context) : m_context(context) { m_context.save(); }
    ~SavedState() { m_context.restore(); }
    SavedState(const SavedState &) = delete;
    SavedState &operator=(const SavedState &) = delete;

private:
    GraphicsContext &m_context;
};
} // namespace

TDFillStyle::TDFillStyle() = default;
TDFillStyle::~TDFillStyle() = default;

std::shared_ptr<TDFillStyle> TDFillStyle::fillStyleForGraphic(TDGraphic *graphic)
{
    auto style = std::make_shared<TDFillStyle>();
    style->setGraphic(graphic);
    return style;
}

std::optional<TDImageStore::Image> TDFillStyle::image() const
{
    const TDImageStore *store = TDImageStore::shared();
    if (!store || m_imageKey.isEmpty())
        return std::nullopt;
    return store->image(m_imageKey);
}

// --- Setters -------------------------------------------------------------------

void TDFillStyle::setColor(const Color &color)
{
    if (color == m_color)
        return;
    registerUndo(true, QStringLiteral("setColor"), [old = m_color](TDFillStyle &s) { s.setColor(old); });
    m_color = color;
    didChange();
}

void TDFillStyle::_setColor(const Color &color)
{
    m_color = color;
}

void TDFillStyle::setStyle(int style)
{
    if (style == m_style)
        return;
    registerUndo(true, QStringLiteral("setStyle"), [old = m_style](TDFillStyle &s) { s.setStyle(old); });
    if (m_style == TextFill && graphic())
        graphic()->endEditing();
    if (style == TextFill && !m_contents)
        initText();
    if (style == GradientFill && !m_gradient)
        m_gradient = TDGradient::withColors(Color::darkGray(), Color::lightGray());
    m_style = style;
    didChange();
}

void TDFillStyle::setStyle_n(const PropertyList &number)
{
    setStyle(static_cast<int>(number.toInteger()));
}

void TDFillStyle::setStyleQ(int style)
{
    m_style = style;
}

void TDFillStyle::setWinding(int rule)
{
    if (rule == m_windingRule)
        return;
    registerUndo(true, QStringLiteral("setWinding"),
                 [old = m_windingRule](TDFillStyle &s) { s.setWinding(old); });
    willChange();
    m_windingRule = rule;
    didChange();
}

void TDFillStyle::setWinding_n(const PropertyList &number)
{
    setWinding(static_cast<int>(number.toInteger()));
}

void TDFillStyle::setImageKey(const QString &key)
{
    if (key == m_imageKey)
        return;
    registerUndo(true, QStringLiteral("setImageKey"),
                 [old = m_imageKey](TDFillStyle &s) { s.setImageKey(old); });
    m_imageKey = key;
    didChange();
}

void TDFillStyle::setImageAlpha(float alpha)
{
    if (alpha == m_imageAlpha)
        return;
    registerUndo(true, QStringLiteral("setImageAlpha"),
                 [old = m_imageAlpha](TDFillStyle &s) { s.setImageAlpha(old); });
    m_imageAlpha = alpha;
    didChange();
}

void TDFillStyle::setImageAlpha_n(const PropertyList &number)
{
    setImageAlpha(number.toFloat());
}

void TDFillStyle::setGradient(const std::shared_ptr<const TDGradient> &gradient)
{
    if (gradient == m_gradient || (gradient && m_gradient && m_gradient->isEqualTo(*gradient)))
        return;
    willChange();
    m_gradient = gradient ? gradient->copy() : nullptr;
    m_shading.reset();
    didChange();
}

void TDFillStyle::setGradientUndoable(const std::shared_ptr<const TDGradient> &gradient)
{
    // The old gradient is kept as it is now: the undo must not see later
    // changes made to the object in place.
    std::shared_ptr<const TDGradient> old = m_gradient ? m_gradient->clone() : nullptr;
    registerUndo(true, QStringLiteral("setGradientUndoable"),
                 [old](TDFillStyle &s) { s.setGradientUndoable(old); });
    setGradient(gradient);
}

void TDFillStyle::setGradientStyle(int style)
{
    if (style == m_gradientStyle)
        return;
    registerUndo(true, QStringLiteral("setGradientStyle"),
                 [old = m_gradientStyle](TDFillStyle &s) { s.setGradientStyle(old); });
    willChange();
    m_gradientStyle = style;
    m_shading.reset();
    didChange();
}

void TDFillStyle::setGradientStyle_n(const PropertyList &number)
{
    setGradientStyle(static_cast<int>(number.toInteger()));
}

void TDFillStyle::setGradientFromPoint(Point start, Point end)
{
    willChange();
    m_startPoint = start;
    m_endPoint = end;
    m_shading.reset();
    didChange();
}

void TDFillStyle::setGradientFromPointUndo(Point start, Point end)
{
    registerUndo(
        false, QStringLiteral("setGradientFromPointUndo"),
        [s0 = m_startPoint, e0 = m_endPoint](TDFillStyle &s) { s.setGradientFromPointUndo(s0, e0); });
    setGradientFromPoint(start, end);
}

// --- Images --------------------------------------------------------------------

void TDFillStyle::setImageData(const QByteArray &data, const QString &extension)
{
    TDImageStore *store = TDImageStore::shared();
    if (!store) {
        qWarning("TDFillStyle: no image store to take the image data");
        return;
    }
    const TDImageStore::DocumentRef document = graphic() ? graphic()->document() : nullptr;
    setImageKey(store->addGlobalImage(data, QString(), extension, document));
}

void TDFillStyle::setImage(const std::optional<TDImageStore::Image> &image)
{
    if (!image)
        setImageKey(QString());
    else
        setImageData(image->data, image->extension);
}

void TDFillStyle::setImageLocation(const QString &path)
{
    const TDDocumentInterface *document = graphic() ? graphic()->document() : nullptr;
    const TDFileWrapper *wrapper = document ? document->fileWrapper() : nullptr;
    PackageReader reader;
    if (wrapper)
        reader = [wrapper](const QString &name) { return wrapper->contentsOfEntry(name); };
    setImageLocation(path, reader);
}

void TDFillStyle::setImageLocation(const QString &path, const PackageReader &package)
{
    const QFileInfo info(path);
    if (!path.isEmpty() && info.isFile()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            setImageData(file.readAll(), info.suffix());
        else
            qWarning("TDFillStyle: cannot read the image file %s: %s", qPrintable(path),
                     qPrintable(file.errorString()));
    } else if (!path.isEmpty() && package) {
        const auto contents = package(path);
        if (contents && !contents->isEmpty())
            setImageData(*contents, info.suffix());
    }
    m_imageLocation = path;
}

void TDFillStyle::fromFileWrapper(const PackageReader &package, TDImageStore::DocumentRef document)
{
    // A location stored in a document is looked up in its package only:
    // the document may come from anyone, and a path of theirs must not pull
    // a file of this machine into the drawing (and into its next save).
    if (m_style == ImageFill && !m_imageLocation.isEmpty() && package) {
        const auto contents = package(m_imageLocation);
        if (contents && !contents->isEmpty())
            setImageData(*contents, QFileInfo(m_imageLocation).suffix());
    }
    TDImageStore *store = TDImageStore::shared();
    if (store && !m_imageKey.isEmpty() && document)
        store->addImage(m_imageKey, document);
}

// --- Gradient editing ------------------------------------------------------------

void TDFillStyle::startEditingGradient()
{
    m_originalStart = m_startPoint;
    m_originalEnd = m_endPoint;
    if (graphic())
        m_originalTransform = graphic()->fillTransformation();
}

void TDFillStyle::setGradientFromGlobalPoint(Point start, Point end)
{
    if (graphic())
        graphic()->setFillTransformation(AffineTransform());
    setGradientFromPoint(start, end);
}

void TDFillStyle::setGradientFromGlobalPoint(Point start, Point end, Point third)
{
    const AffineTransform axes(end.x - start.x, end.y - start.y, third.x - start.x, third.y - start.y,
                               start.x, start.y);
    // Coinciding or collinear points give no plane to lay the gradient in;
    // such a drag step leaves the gradient as it was.
    if (!invertible(axes))
        return;
    if (graphic())
        graphic()->setFillTransformation(axes);
    setGradientFromPoint(Point(0, 0), Point(1, 0));
}

void TDFillStyle::endEditingGradient()
{
    registerUndo(
        false, QStringLiteral("setGradientFromPointUndo"),
        [s0 = m_originalStart, e0 = m_originalEnd](TDFillStyle &s) { s.setGradientFromPointUndo(s0, e0); });
    m_originalTransform.reset();
    m_shading.reset();
}

void TDFillStyle::cancelEditingGradient()
{
    willChange();
    m_startPoint = m_originalStart;
    m_endPoint = m_originalEnd;
    if (graphic() && m_originalTransform)
        graphic()->setFillTransformation(*m_originalTransform);
    m_originalTransform.reset();
    m_shading.reset();
    didChange();
}

void TDFillStyle::didChangeGradient()
{
    m_shading.reset();
}

std::vector<Point> TDFillStyle::gradientHandlePoints() const
{
    const AffineTransform t = graphic() ? graphic()->fillTransformation() : AffineTransform();
    std::vector<Point> points;
    if (m_gradientStyle != Axial) {
        const Point s = m_startPoint;
        const Point e = m_endPoint;
        points.push_back(t.transformPoint(Point(s.x - (e.y - s.y), s.y + (e.x - s.x))));
    }
    points.push_back(t.transformPoint(m_startPoint));
    points.push_back(t.transformPoint(m_endPoint));
    return points;
}

void TDFillStyle::drawGradientHandlesInView(TDGraphicViewInterface *view) const
{
    if (!view)
        return;
    for (Point p : gradientHandlePoints())
        view->drawHandleAtPoint(p, HandleType::LineNode);
}

// --- Copying -------------------------------------------------------------------------

void TDFillStyle::copyStyleFrom(const TDFillStyle &other)
{
    if (&other == this)
        return;
    changeInOneUndoStep(QStringLiteral("Change Fill"), [&] {
        setColor(other.m_color);
        setStyle(other.m_style);
        // The image itself comes with the key or the image below.
        if (!other.m_imageLocation.isEmpty())
            saveImageLocation(other.m_imageLocation);
        if (!other.m_imageKey.isEmpty())
            setImageKey(other.m_imageKey);
        else
            setImage(other.image());
        setGradientStyle(other.m_gradientStyle);
        // Undoable, unlike a plain gradient and point change: undoing the
        // copy must bring the gradient back too.
        setGradientUndoable(other.m_gradient);
        if (other.m_contents) {
            if (!m_contents)
                initText();
            setContents(*other.m_contents);
        }
        m_textValues = other.m_textValues;
        setImageAlpha(other.m_imageAlpha);
        if (other.m_startPoint != m_startPoint || other.m_endPoint != m_endPoint)
            setGradientFromPointUndo(other.m_startPoint, other.m_endPoint);
        setTextBackground(other.m_textBackground);
        setWinding(other.m_windingRule);
        setLineFragmentPadding(other.m_padding);
        setHyphenation(other.m_hyphenation);
    });
}

// --- Drawing ---------------------------------------------------------------------------

void TDFillStyle::drawInGraphic(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context)
{
    const std::shared_ptr<TDBezierPath> path = graphic.cachedBezierPath();
    if (!path)
        return;
    path->setWindingRule(m_windingRule == 0 ? WindingRule::NonZero : WindingRule::EvenOdd);
    const bool outline = view && view->outlineView();
    if (m_style == TextFill) {
        // Text draws in outline view too, its outlines only.
        if (!outline && m_textBackground) {
            SavedState saved(context);
            context.setFillColor(m_color);
            context.fillPath(*path);
        }
        drawTextInGraphic(graphic, view, context, false);
        return;
    }
    // Outline view paints no colour, image or gradient.
    if (outline)
        return;

    SavedState saved(context);
    switch (m_style) {
    case ColorFill:
        context.setFillColor(m_color);
        context.fillPath(*path);
        break;
    case ImageFill: {
        const TDImageStore *store = TDImageStore::shared();
        if (!store || m_imageKey.isEmpty())
            break;
        context.addClip(*path);
        AffineTransform unitFlip = AffineTransform::makeTranslation(0, 1);
        unitFlip.prepend(AffineTransform::makeScale(1, -1));
        // A fill space that collapses to a line shows nothing.
        if (!context.concatCTM(graphic.fillTransformation()) || !context.concatCTM(unitFlip))
            break;
        if (m_imageAlpha < 1)
            context.setAlpha(context.alpha() * m_imageAlpha);
        store->drawImage(m_imageKey, context, Rect(0, 0, 1, 1));
        break;
    }
    case GradientFill:
        if (context.surfaceKind() != SurfaceKind::Raster && m_gradient &&
            m_gradient->needsRasterizingForPDF()) {
            drawGradientImage(graphic, context);
            break;
        }
        // A plain gradient is one fill with the gradient as its paint;
        // clipping to the path and painting costs far more.
        if (m_gradient && context.fillPathWithShading(*path, shading(), graphic.fillTransformation()))
            break;
        if (!context.addClip(*path))
            break;
        if (context.surfaceKind() == SurfaceKind::PostScript)
            drawGradientImage(graphic, context);
        else
            drawGradient(graphic, context);
        break;
    default:
        break;
    }
}

const Shading &TDFillStyle::shading()
{
    if (!m_shading) {
        Shading shading;
        if (m_gradient) {
            shading.function = m_gradient->function();
            shading.breakpoints = m_gradient->breakpoints();
        } else {
            // What a gradient without stops paints; its function outlives it.
            TDGradient none;
            shading.function = none.function();
        }
        shading.extendStart = true;
        shading.extendEnd = true;
        shading.start = m_startPoint;
        if (m_gradientStyle == Axial) {
            shading.kind = Shading::Kind::Axial;
            shading.end = m_endPoint;
        } else {
            shading.kind = Shading::Kind::Radial;
            shading.end = m_startPoint;
            shading.startRadius = 0;
            shading.endRadius = std::hypot(m_endPoint.x - m_startPoint.x, m_endPoint.y - m_startPoint.y);
        }
        m_shading = std::move(shading);
    }
    return *m_shading;
}

void TDFillStyle::drawGradient(TDGraphic &graphic, GraphicsContext &context)
{
    SavedState saved(context);
    if (!context.concatCTM(graphic.fillTransformation()))
        return;
    context.drawShading(shading());
}

void TDFillStyle::drawGradientImage(TDGraphic &graphic, GraphicsContext &context)
{
    const std::shared_ptr<TDBezierPath> path = graphic.cachedBezierPath();
    if (!path)
        return;
    const Rect bounds = path->bounds();
    if (!(bounds.width() * 2 >= 1) || !(bounds.height() * 2 >= 1))
        return;
    // Twice the resolution of the point grid, within what an image can hold.
    constexpr double MaxSide = 8192;
    const int width = static_cast<int>(std::min(MaxSide, std::ceil(double(bounds.width()) * 2)));
    const int height = static_cast<int>(std::min(MaxSide, std::ceil(double(bounds.height()) * 2)));
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return;
    image.fill(Qt::transparent);
    {
        const auto offscreen = GraphicsContext::forImage(image, true);
        AffineTransform toImage = AffineTransform::makeTranslation(-bounds.minX(), -bounds.minY());
        toImage.append(AffineTransform::makeScale(float(width / double(bounds.width())),
                                                  float(height / double(bounds.height()))));
        if (!offscreen->concatCTM(toImage))
            return;
        drawGradient(graphic, *offscreen);
        offscreen->finish();
    }
    SavedState saved(context);
    if (context.addClip(*path))
        context.drawImage(image, bounds, Rect(), CompositeOperation::SourceOver, 1, ImageOrigin::TopLeft);
}

// --- Dictionary and archive -------------------------------------------------------------

PropertyList TDFillStyle::toYAML() const
{
    PropertyList dictionary{PropertyList::Dictionary()};
    dictionary.insert(FillStyleKey, m_style);
    if (m_windingRule != 1)
        dictionary.insert(WindingKey, m_windingRule);
    if (m_style == ColorFill || m_style == TextFill)
        dictionary.insert(FillColorKey, ArchivedColor::value(m_color));
    if (m_style == TextFill) {
        std::optional<QByteArray> text;
        if (m_textValues.value(FillTextKey).kind() == PropertyList::Kind::Data)
            text = m_textValues.value(FillTextKey).toData();
        else if (m_contents)
            text = TDAttributedText::archive(*m_contents);
        if (text)
            dictionary.insert(FillTextKey, PropertyList(*text));
        if (!m_textValues.value(LegacyFillTextKey).isNull())
            dictionary.insert(LegacyFillTextKey, m_textValues.value(LegacyFillTextKey));
        dictionary.insert(HyphenationKey, double(m_hyphenation));
        dictionary.insert(PaddingKey, double(m_padding));
        dictionary.insert(TextBackgroundKey, m_textBackground);
    }
    if (m_style == ImageFill) {
        std::optional<TDImageStore::Image> stored;
        if (TDImageStore::saveImageData())
            stored = image();
        if (stored)
            dictionary.insert(ImageKey, PropertyList(stored->data));
        else if (!m_imageKey.isEmpty())
            dictionary.insert(ImageKeyKey, m_imageKey);
        dictionary.insert(ImageAlphaKey, static_cast<double>(m_imageAlpha));
    }
    if (m_style == GradientFill) {
        if (m_gradient)
            dictionary.insert(FillGradientKey, PropertyList(m_gradient->clone()));
        dictionary.insert(GradientStartPKey, TDDictionaryReader::pointValue(m_startPoint));
        dictionary.insert(GradientEndPKey, TDDictionaryReader::pointValue(m_endPoint));
        dictionary.insert(GradientStyleKey, m_gradientStyle);
    }
    return dictionary;
}

void TDFillStyle::initWithDictionary(const PropertyList &dictionary)
{
    initWithValues(TDDictionaryReader(dictionary, "TDFillStyle"));
}

void TDFillStyle::initWithValues(const TDDictionaryReader &values)
{
    if (const auto color = values.color(FillColorKey))
        setColor(*color);
    if (const auto style = values.integer(FillStyleKey))
        setStyle(*style);
    if (const auto winding = values.integer(WindingKey))
        setWinding(*winding);
    // Loaded from the package when the graphic joins its document.
    if (const auto location = values.string(FillImageKey))
        saveImageLocation(*location);
    const PropertyList imageValue = values.value(ImageKey);
    if (!imageValue.isNull()) {
        if (imageValue.kind() == PropertyList::Kind::Data)
            setImageData(imageValue.toData(), extensionOfImageData(imageValue.toData()));
        else
            values.skip(ImageKey, "image data");
    } else if (const auto key = values.string(ImageKeyKey)) {
        setImageKey(*key);
    }
    if (const auto alpha = values.real(ImageAlphaKey))
        setImageAlpha(*alpha);
    readText(values);
    const PropertyList gradientValue = values.value(FillGradientKey);
    if (!gradientValue.isNull()) {
        if (const auto gradient = gradientValue.objectAs<TDGradient>())
            setGradient(gradient);
        else if (gradientValue.isDictionary())
            setGradient(TDGradient::objectWithYAML(gradientValue));
        else
            values.skip(FillGradientKey, "a gradient");
    }
    if (const auto style = values.integer(GradientStyleKey))
        setGradientStyle(*style);
    if (values.contains(GradientStartPKey) && values.contains(GradientEndPKey)) {
        const auto start = values.point(GradientStartPKey);
        const auto end = values.point(GradientEndPKey);
        if (start && end)
            setGradientFromPoint(*start, *end);
    }
    if (values.contains(GradientStartKey) && values.contains(GradientEndKey)) {
        const auto start = values.point(GradientStartKey);
        const auto end = values.point(GradientEndKey);
        if (start && end)
            setGradientFromPoint(*start, *end);
    }
}

void TDFillStyle::readText(const TDDictionaryReader &values)
{
    const PropertyList text = values.value(FillTextKey);
    if (text.kind() == PropertyList::Kind::Data) {
        if (!m_contents)
            initText();
        QString why;
        QTextDocument read;
        if (TDAttributedText::unarchive(text.toData(), read, &why)) {
            setContents(read);
        } else {
            // Kept as it was, to be written back unchanged.
            qWarning("TDFillStyle: the stored text cannot be read (%s); it is kept as it is", qPrintable(why));
            m_textValues.insert(FillTextKey, text);
        }
    } else if (!text.isNull()) {
        values.skip(FillTextKey, "text data");
    }
    const PropertyList legacy = values.value(LegacyFillTextKey);
    if (!legacy.isNull())
        m_textValues.insert(LegacyFillTextKey, legacy);
    if (const auto padding = values.real(PaddingKey))
        setLineFragmentPadding(float(*padding));
    if (const auto factor = values.real(HyphenationKey))
        setHyphenation(float(*factor));
    if (values.contains(TextBackgroundKey))
        setTextBackground(values.value(TextBackgroundKey).toBool());
}

std::shared_ptr<TDFillStyle> TDFillStyle::objectWithYAML(const PropertyList &dictionary)
{
    auto style = std::make_shared<TDFillStyle>();
    style->initWithDictionary(dictionary);
    return style;
}

std::shared_ptr<Archivable> TDFillStyle::decode(KeyedUnarchiver &unarchiver)
{
    const ArchivedDictionary stored(unarchiver);
    auto style = std::make_shared<TDFillStyle>();
    style->initWithValues(TDDictionaryReader(stored, "TDFillStyle"));
    return style;
}

void TDFillStyle::registerArchiveClass()
{
    KeyedUnarchiver::registerClass(className(), &TDFillStyle::decode);
    TDGradient::registerArchiveClass();
}

void TDFillStyle::encode(KeyedArchiver &archiver) const
{
    archiver.encodeObject(toYAML());
}

bool TDFillStyle::isEqualTo(const Archivable &other) const
{
    const auto *style = dynamic_cast<const TDFillStyle *>(&other);
    return style && (style == this || style->toYAML() == toYAML());
}

} // namespace scrivane
