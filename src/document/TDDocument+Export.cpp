#include "document/TDDocument.h"
#include "document/TDImageExport.h"
#include "model/TDApplicationServices.h"
#include "model/TDGraphic.h"
#include "model/TDGraphicViewInterface.h"

#include <QSaveFile>

#include <algorithm>

namespace scrivane {

const std::vector<TDDocument::ExportFormat> &TDDocument::exportFormats()
{
    static const std::vector<ExportFormat> formats = {
        {-1, QStringLiteral("BMP"), {QStringLiteral("bmp")}, true, false},
        {0, QStringLiteral("EPS"), {QStringLiteral("eps")}, false, false},
        {1, QStringLiteral("JPEG"), {QStringLiteral("jpg"), QStringLiteral("jpeg")}, true, false},
        {2, QStringLiteral("PDF"), {QStringLiteral("pdf")}, false, true},
        {3, QStringLiteral("PNG"), {QStringLiteral("png")}, true, true},
        {4, QStringLiteral("TIFF"), {QStringLiteral("tiff"), QStringLiteral("tif")}, true, true},
        {6, QStringLiteral("SVG"), {QStringLiteral("svg")}, false, true},
        {7, QStringLiteral("GIF"), {QStringLiteral("gif")}, true, false},
    };
    return formats;
}

const TDDocument::ExportFormat *TDDocument::exportFormatForTag(int tag)
{
    const auto &formats = exportFormats();
    const auto it =
        std::find_if(formats.begin(), formats.end(), [tag](const ExportFormat &f) { return f.tag == tag; });
    return it == formats.end() ? nullptr : &*it;
}

TDGraphicArray TDDocument::exportGraphics(bool documentScope) const
{
    return documentScope ? visibleGraphics() : sortedSelectedGraphics();
}

QStringList TDDocument::exportFormat()
{
    TDAppDelegateInterface *delegate = TDApplicationServices::appDelegate();
    if (!delegate)
        return {};
    const ExportFormat *format = exportFormatForTag(delegate->exportFormat());
    if (!format)
        return {};
    delegate->enableResolution(format->resolution);
    delegate->enableTransparent(format->transparency);
    const TDGraphicArray graphics = exportGraphics(delegate->exportDocumentBounds() != 0);
    const bool containsImage =
        std::any_of(graphics.begin(), graphics.end(), [](const TDGraphicPtr &g) { return g->containsImage(); });
    delegate->setExportFormatTitle(6, containsImage ? QStringLiteral("SVG Folder") : QStringLiteral("SVG"));
    // An SVG with images is a folder: any name.
    if (format->tag == 6 && containsImage)
        return {};
    return format->extensions;
}

std::optional<QByteArray> TDDocument::exportData(int tag, int dpi, bool transparent, bool documentScope) const
{
    const ExportFormat *format = exportFormatForTag(tag);
    if (!format || tag == 6)
        return std::nullopt;
    if (dpi < 1)
        dpi = 72;
    const TDGraphicArray graphics = exportGraphics(documentScope);
    QByteArray data;
    if (format->resolution) {
        const float scale = float(dpi) / 72.0f;
        const QImage image = documentScope ? imageForGraphics(graphics, scale, !transparent, paperBounds())
                                           : imageForGraphics(graphics, scale, !transparent);
        const double factor = 72.0 / double(dpi);
        switch (tag) {
        case -1:
            data = TDImageExport::BMPData(image, factor);
            break;
        case 1:
            data = TDImageExport::JPEGData(image, factor);
            break;
        case 3:
            data = TDImageExport::PNGData(image, factor);
            break;
        case 4:
            data = TDImageExport::TIFFData(image, factor);
            break;
        case 7:
            data = TDImageExport::GIFData(image, factor);
            break;
        default:
            break;
        }
    } else {
        const Rect bounds = documentScope ? paperBounds() : drawingBoundsForGraphics(graphics);
        data = tag == 0 ? EPSRepresentationForGraphics(graphics, !transparent, bounds)
                        : PDFRepresentationForGraphics(graphics, !transparent, bounds);
    }
    if (data.isEmpty())
        return std::nullopt;
    return data;
}

bool TDDocument::exportToFile(const QString &path, int tag, int dpi, bool transparent, bool documentScope)
{
    if (tag == 6)
        return writeSVGRepresentationToFile(path, !documentScope, !transparent);
    const std::optional<QByteArray> data = exportData(tag, dpi, transparent, documentScope);
    if (!data) {
        setLastError(QStringLiteral("There is nothing to export in this format."));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*data) != data->size() || !file.commit()) {
        setLastError(
            QStringLiteral("The export could not be written to “%1”: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

bool TDDocument::exportPanelDidEnd(const QString &path, bool accepted)
{
    TDAppDelegateInterface *delegate = TDApplicationServices::appDelegate();
    if (!accepted || !delegate)
        return false;
    return exportToFile(path, delegate->exportFormat(), delegate->exportDPI(), delegate->exportTransparent(),
                        delegate->exportDocumentBounds() != 0);
}

} // namespace scrivane
