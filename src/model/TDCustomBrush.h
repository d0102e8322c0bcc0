#pragma once

#include "model/TDModelTypes.h"
#include "platform/Color.h"
#include "platform/Geometry.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace scrivane {

// What a brush takes from a brush document: the drawing (its graphics) and
// the paper, which becomes the brush's unit box, with the way its colours
// follow the stroke colour.  `owner` keeps whatever holds the graphics (the
// document) alive as long as the brush is used.
struct TDBrushDocument {
    Rect paperBounds;
    TDGraphicArray graphics;
    // 0 hue shift, 1 tint, 2 shade and tint; others leave colours alone.
    int colorizationMethod = 0;
    // The colour of the drawing that becomes the stroke colour; none leaves
    // the drawing's colours as they are.
    std::optional<Color> keyColor;
    std::shared_ptr<void> owner;
};

// Reads the document at a path for a brush; nothing, with the reason, when
// it cannot be read.  The document layer provides it.
using TDBrushDocumentReader = std::function<std::optional<TDBrushDocument>(const QString &path, QString *error)>;

// A brush made of a person's own drawing: a document in one of the brush
// folders.  The document is read on first use, not when the brush list is
// made, so that a long list costs nothing until a brush of it is drawn or
// shown.  Brush documents are untrusted input: one that cannot be read, or
// whose paper has no area, is no brush (it draws nothing) and says why once
// in the log.
class TDCustomBrush : public std::enable_shared_from_this<TDCustomBrush> {
public:
    // `index` is the brush's place in the custom list.
    TDCustomBrush(const QString &path, int index, TDBrushDocumentReader reader);

    // The file name without its extension.
    const QString &name() const { return m_name; }
    const QString &path() const { return m_path; }
    int index() const { return m_index; }

    // Reads the document when that has not been tried yet; whether the brush
    // can be drawn.  A brush whose document is being read answers false (a
    // brush document that uses itself).
    bool load();
    // The paper, the graphics, and how colours follow; empty until `load`.
    const Rect &bounds() const { return m_document.paperBounds; }
    const TDGraphicArray &graphics() const { return m_document.graphics; }
    int colorizationMethod() const { return m_document.colorizationMethod; }
    const std::optional<Color> &keyColor() const { return m_document.keyColor; }

    // The preview for the stroke pane: the brush along a straight path 200
    // points long and 20 wide in the key colour; null for a brush that cannot
    // be drawn.  Made on first request.
    QImage image();

private:
    enum class State { NotRead, Reading, Ready, Failed };
    QString m_path;
    QString m_name;
    int m_index;
    TDBrushDocumentReader m_reader;
    State m_state = State::NotRead;
    TDBrushDocument m_document;
    QImage m_image;
};

} // namespace scrivane
