#include "document/TDDocument.h"

#include "document/TDPackageFileSystem.h"
#include "document/TDSvgExport.h"
#include "model/TDLayer.h"

namespace scrivane {

namespace {

struct SvgScope {
    TDGraphicArray graphics;
    Rect viewBox;
};

SvgScope svgScope(const TDDocument &document, bool selectionOnly)
{
    if (selectionOnly) {
        TDGraphicArray selection = document.sortedSelectedGraphics();
        const Rect bounds = TDDocument::drawingBoundsForGraphics(selection);
        return {std::move(selection), bounds};
    }
    const Rect paper = document.paperBounds();
    return {document.graphics(), Rect(0, 0, paper.width(), paper.height())};
}

} // namespace

QByteArray TDDocument::SVGRepresentationFromSelection(bool selectionOnly, bool opaque) const
{
    const SvgScope scope = svgScope(*this, selectionOnly);
    TDSvgExport svg;
    return svg.build(scope.graphics, scope.viewBox, opaque);
}

bool TDDocument::writeSVGRepresentationToFile(const QString &path, bool selectionOnly, bool opaque)
{
    const SvgScope scope = svgScope(*this, selectionOnly);
    if (scope.graphics.empty()) {
        setLastError(QStringLiteral("There is nothing to export."));
        return false;
    }
    TDSvgExport svg;
    const QByteArray document = svg.build(scope.graphics, scope.viewBox, opaque);
    QString error;
    if (!svg.write(path, document, fileSystem(), &error)) {
        setLastError(error);
        return false;
    }
    return true;
}

} // namespace scrivane
