#pragma once

#include "platform/PluginInterface.h"

#include <QString>

#include <memory>

namespace scrivane {

class GraphicsContext;
class TDDocument;

// What the preview plug-in does for a request: it reads the document
// package at a file URL with the program's own document code and draws it
// into the context the request hands out.  The preview shows the whole
// paper, the thumbnail the area the graphics cover.  Failures draw nothing
// and say why through the request.
class PreviewGeneration {
public:
    // The document at `url` (a file URL) read as `contentType` ("Scrivane
    // Document", "Verdane Document" or the type identifier), or nothing
    // with a message.
    static std::unique_ptr<TDDocument> loadDocument(const QString &url, const QString &contentType,
                                                    QString *error);
    // Erases the paper to white, then draws the visible graphics with the
    // document as their drawing target.
    static void drawDocument(TDDocument &document, GraphicsContext &context);

    static void generatePreview(PreviewRequest *request, const QString &url, const QString &contentType);
    static void generateThumbnail(PreviewRequest *request, const QString &url, const QString &contentType);
};

} // namespace scrivane
