#include "document/TDPdfPageScanner.h"

#include "document/TDPdfImage.h"
#include "document/TDPdfObjects.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"

#include <QBuffer>

#include <algorithm>

namespace scrivane {

bool TDPdfPageScanner::scanContent(QPDFObjectHandle content)
{
    // The content is read, up to the limit, before it is parsed: qpdf
    // would inflate it whole.
    std::vector<QPDFObjectHandle> streams;
    if (content.isArray()) {
        for (int i = 0; i < content.getArrayNItems() && i < 4096; ++i)
            streams.push_back(content.getArrayItem(i));
    } else {
        streams.push_back(content);
    }
    std::string data;
    for (QPDFObjectHandle &stream : streams) {
        if (!stream.isStream())
            continue;
        QString why;
        auto part = TDPdfObjects::streamData(stream, m_limits.streamBytes - data.size(), false, &why);
        if (!part) {
            fail(QStringLiteral("The page's content cannot be read: %1.").arg(why));
            return false;
        }
        data += *part;
        // Streams of one page are separate tokens.
        data += '\n';
    }
    if (data.empty())
        return true;
    try {
        QPDFObjectHandle::newStream(&m_pdf, data).parseAsContents(this);
    } catch (const std::exception &e) {
        // What was read up to the damage is kept.
        note(QStringLiteral("The rest of a content stream cannot be read: %1").arg(QString::fromUtf8(e.what())));
    }
    // Operands left at the end of a content stream belong to no operator.
    m_operands.clear();
    return !m_stopped;
}

void TDPdfPageScanner::opXObject(Operands &o)
{
    QPDFObjectHandle object = resource("/XObject", TDPdfObjects::name(o[0]));
    if (!object.isStream()) {
        note(QStringLiteral("An object that is not among the resources was skipped."));
        return;
    }
    const std::string subtype = TDPdfObjects::name(object.getDict().getKey("/Subtype"));
    if (subtype.empty())
        note(QStringLiteral("No subtype in xobject!"));
    else if (subtype == "Form")
        drawForm(object);
    else if (subtype == "Image")
        drawImage(object);
}

void TDPdfPageScanner::drawForm(QPDFObjectHandle form)
{
    const QPDFObjGen id = form.getObjGen();
    if (std::find(m_forms.begin(), m_forms.end(), id) != m_forms.end() && id.getObj() != 0) {
        note(QStringLiteral("A form that draws itself was drawn once."));
        return;
    }
    if (int(m_forms.size()) >= m_limits.formDepth) {
        note(QStringLiteral("Forms nested more than %1 deep were skipped.").arg(m_limits.formDepth));
        return;
    }
    if (!countGraphic())
        return;
    QPDFObjectHandle dictionary = form.getDict();
    pushState();
    State &s = state();
    s.fillAlpha.reset();
    s.strokeAlpha.reset();
    // The form's own space.
    if (const auto m = TDPdfObjects::numbers(dictionary.getKey("/Matrix"), 6); m && m->size() == 6) {
        const Matrix matrix = Matrix{(*m)[0], (*m)[1], (*m)[2], (*m)[3], (*m)[4], (*m)[5]}.then(s.ctm);
        if (matrix.isFinite())
            s.ctm = matrix;
    }
    s.patternSpace = s.ctm;
    if (QPDFObjectHandle resources = dictionary.getKey("/Resources"); resources.isDictionary())
        s.resources = resources;
    const auto group = std::make_shared<TDGroup>();
    importGraphic(group);
    state().layer = newNode(group, state().layer, false);

    const size_t floor = m_stateFloor;
    m_stateFloor = m_states.size();
    m_forms.push_back(id);
    scanContent(form);
    m_forms.pop_back();
    if (m_stopped)
        return;
    // Saves the form left open end with it.
    while (m_states.size() > m_stateFloor)
        popState();
    m_stateFloor = floor;
    popState();
    if (const auto alpha = state().fillAlpha)
        group->setAlphaValue(*alpha);
}

void TDPdfPageScanner::drawImage(QPDFObjectHandle image)
{
    TDPdfImage::Options options;
    options.maximumPixels = m_limits.imagePixels;
    options.stencilColor = state().fillColor;
    options.resolveColorSpace = [this](QPDFObjectHandle space) { return colorSpaceNamed(space, true); };
    if (QPDFObjectHandle resources = state().resources; resources.isDictionary())
        options.colorSpaces = resources.getKey("/ColorSpace");
    QString why;
    const std::optional<QImage> decoded = TDPdfImage::decode(image, options, &why);
    if (!decoded) {
        note(QStringLiteral("An image was left out: %1.").arg(why));
        return;
    }
    if (!why.isEmpty())
        note(QStringLiteral("An image was read without part of it: %1.").arg(why));
    if (!countGraphic())
        return;
    // PDF places the image's top row at the top of the unit square, where
    // the page's y axis points up; the fill's rows run the other way.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!decoded->mirrored(false, true).save(&buffer, "PNG")) {
        note(QStringLiteral("An image could not be kept."));
        return;
    }
    const auto rectangle = std::make_shared<TDRectangle>();
    rectangle->strokeStyle()->setStyle(TDStrokeStyle::None);
    rectangle->fillStyle()->setStyle(TDFillStyle::ImageFill);
    rectangle->fillStyle()->setImageData(png, QStringLiteral("png"));
    if (const auto alpha = state().fillAlpha)
        rectangle->fillStyle()->setImageAlpha(*alpha);
    importGraphic(rectangle);
}

} // namespace scrivane
