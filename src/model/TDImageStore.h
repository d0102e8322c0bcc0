#pragma once

#include "platform/Geometry.h"
#include "platform/GraphicsContext.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace scrivane {

// What image fills need of the process-wide image store, which the document
// layer implements: images kept once per process under a key, found again
// by the digest of their data, and used by documents.  Fills hold only keys.
//
// Documents are named by an opaque identity that the store compares and
// never dereferences; null stands for no document.
class TDImageStore {
public:
    using DocumentRef = const void *;

    // What the store holds for one key.
    struct Image {
        QString key;
        // The file data as a package stores it, and its extension.
        QByteArray data;
        QString extension;
        // In points: one pixel of a bitmap is one point.
        Size size;
    };

    virtual ~TDImageStore() = default;

    // The store of the process; null until the document layer installs one
    // (fills then draw no image and take no image data).  The caller keeps
    // the store alive while it is installed.
    static TDImageStore *shared();
    static void setShared(TDImageStore *store);

    // Whether image fills write the image itself into their dictionaries
    // instead of their key (while exchange data that leaves the process is
    // built).  Scopes nest.
    static bool saveImageData();
    class SaveImageDataScope {
    public:
        SaveImageDataScope();
        ~SaveImageDataScope();
        SaveImageDataScope(const SaveImageDataScope &) = delete;
        SaveImageDataScope &operator=(const SaveImageDataScope &) = delete;
    };

    // The entry under `key`; nothing when there is none.
    virtual std::optional<Image> image(const QString &key) const = 0;
    // Draws the image under `key` into `destination` of the context's user
    // space, its bottom row along the destination's minimum y (as an
    // unflipped image lies).  False, with nothing drawn, when the store has
    // no such image or it cannot be drawn.
    virtual bool drawImage(const QString &key, GraphicsContext &context, const Rect &destination) const = 0;
    // Takes image data and answers its key (the key of an entry with the
    // same data when there is one); the document, when given, is recorded as
    // a user.  Data that is empty or no image answers "!", which names no
    // entry.  `name` becomes the key only when it is longer than 51
    // characters.
    virtual QString addGlobalImage(const QByteArray &data, const QString &name, const QString &extension,
                                   DocumentRef document) = 0;
    // Records `document` as a user of the entry under `key`.
    virtual void addImage(const QString &key, DocumentRef document) = 0;
};

} // namespace scrivane
