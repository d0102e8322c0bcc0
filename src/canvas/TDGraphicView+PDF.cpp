#include "canvas/TDGraphicView.h"

#include "document/TDDocument.h"
#include "document/TDPdfImporter.h"

#include <QDebug>

namespace scrivane {

bool TDGraphicView::canParsePDF() const
{
    return m_document && m_selectedGraphics.size() == 1 && TDPdfImporter::canImport(*m_selectedGraphics.front());
}

bool TDGraphicView::parsePDF(QString *error)
{
    if (!canParsePDF()) {
        if (error)
            *error = QStringLiteral("Select one graphic that shows a PDF or EPS picture.");
        return false;
    }
    // The selection changes under the import: the graphic is held here.
    const TDGraphicPtr graphic = m_selectedGraphics.front();
    QString why;
    if (!TDPdfImporter::replaceWithPage(*m_document, *graphic, &why)) {
        qWarning().noquote() << QStringLiteral("Parse PDF:") << why;
        if (error)
            *error = why;
        return false;
    }
    return true;
}

} // namespace scrivane
