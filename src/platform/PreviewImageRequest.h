#pragma once

#include "platform/Geometry.h"
#include "platform/PluginInterface.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace scrivane {

// A drawing request answered into an image in memory, as a program that
// shows or stores previews makes it.
//
// - A preview draws at one pixel a point, or scaled to fit `maxSide`
//   pixels when that is given.
// - A thumbnail is always scaled so that its longer side is `maxSide`
//   pixels (the vector drawing is rendered at that scale, not resampled).
//
// Either way no side of the image exceeds LargestSide pixels: a larger
// drawing is scaled down to fit.  The image starts transparent.  Only one
// context is handed out per request.
class PreviewImageRequest : public PreviewRequest {
public:
    enum class Mode { Preview, Thumbnail };
    static constexpr int LargestSide = 4096;

    // `maxSide` is clamped to 1..LargestSide; 0 leaves a preview at its
    // natural size (a thumbnail then fits LargestSide).
    PreviewImageRequest(Mode mode, int maxSide = 0);
    ~PreviewImageRequest();
    PreviewImageRequest(const PreviewImageRequest &) = delete;
    PreviewImageRequest &operator=(const PreviewImageRequest &) = delete;

    Mode mode() const { return m_mode; }
    int maxSide() const { return m_maxSide; }
    // The size in points the plug-in asked for (whether or not a context
    // was made), and whether it asked for a bitmap.
    std::optional<Size> requestedSize() const { return m_requestedSize; }
    bool requestedBitmap() const { return m_requestedBitmap; }
    // Pixels per point of the context handed out.
    double scale() const { return m_scale; }
    // Whether the plug-in flushed a drawing.
    bool hasImage() const { return m_flushed; }
    // The flushed drawing (premultiplied ARGB32); null before.
    QImage image() const;
    // The flushed drawing as PNG data; empty before.
    QByteArray pngData() const;
    // What the plug-in reported when it drew nothing.
    const QString &failure() const { return m_failure; }

private:
    static cairo_t *createContext(PreviewRequest *request, double width, double height, int isBitmap);
    static void flushContext(PreviewRequest *request, cairo_t *context);
    static void reportFailure(PreviewRequest *request, const char *message);
    static const PreviewRequestFunctions s_functions;

    Mode m_mode;
    int m_maxSide;
    std::optional<Size> m_requestedSize;
    bool m_requestedBitmap = false;
    double m_scale = 0;
    cairo_surface_t *m_surface = nullptr;
    bool m_flushed = false;
    QString m_failure;
};

} // namespace scrivane
