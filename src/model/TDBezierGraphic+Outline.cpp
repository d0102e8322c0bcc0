#include "model/TDBezierGraphic.h"

#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"

namespace scrivane {

TDGraphicPtr TDBezierGraphic::convertToOutline(QString *error)
{
    std::optional<TDBezierPath> outline = strokeOutlinePath(error);
    if (!outline)
        return nullptr;
    installOutline(std::move(*outline));
    return shared_from_this();
}

void TDBezierGraphic::installOutline(TDBezierPath outline)
{
    willChange();
    // A brush's shapes and glyphs overlap each other: only the non-zero
    // rule fills them all.
    if (strokeStyle()->style() == TDStrokeStyle::BrushStroke || strokeStyle()->style() == TDStrokeStyle::TextStroke)
        fillStyle()->setWinding(0);
    // Text outlines are drawn as outlines, the text fill gone.
    if (fillStyle()->style() == TDFillStyle::TextFill) {
        fillStyle()->setStyle(TDFillStyle::None);
        fillStyle()->setWinding(0);
    }
    resetStrokeTransform();
    resetFillTransform();
    strokeStyle()->setStyle(TDStrokeStyle::Line);
    strokeStyle()->setStrokeWidth(1.0f);
    strokeStyle()->setStartArrowStyle(0);
    strokeStyle()->setEndArrowStyle(0);
    setDocumentPath(std::make_shared<TDBezierPath>(std::move(outline)));
    didChange();
}

} // namespace scrivane
