#include "model/TDCustomBrush.h"

#include "model/TDBezierGraphic.h"
#include "model/TDResourceList.h"
#include "model/TDStrokeStyle.h"

#include <QFileInfo>

namespace scrivane {

TDCustomBrush::TDCustomBrush(const QString &path, int index, TDBrushDocumentReader reader)
    : m_path(path), m_name(QFileInfo(path).completeBaseName()), m_index(index), m_reader(std::move(reader))
{
}

bool TDCustomBrush::load()
{
    if (m_state != State::NotRead)
        return m_state == State::Ready;
    m_state = State::Reading;
    QString error;
    std::optional<TDBrushDocument> document =
        m_reader ? m_reader(m_path, &error) : std::nullopt;
    if (!m_reader)
        error = QStringLiteral("brush documents cannot be read in this program");
    if (document && document->paperBounds.isEmpty()) {
        error = QStringLiteral("its paper has no area");
        document.reset();
    }
    if (!document) {
        qWarning("The brush document “%s” is no brush: %s", qPrintable(m_path), qPrintable(error));
        m_state = State::Failed;
        return false;
    }
    m_document = std::move(*document);
    m_state = State::Ready;
    return true;
}

QImage TDCustomBrush::image()
{
    if (!m_image.isNull() || !load())
        return m_image;
    const auto graphic = TDResourceList::lineGraphic(Point(0, 0), Point(200, 0));
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setStyle(TDStrokeStyle::BrushStroke);
    stroke.setStrokeWidth(20);
    stroke.setBrushDict(shared_from_this());
    if (keyColor())
        stroke.setColor(*keyColor());
    m_image = TDResourceList::previewImage(*graphic);
    return m_image;
}

} // namespace scrivane
