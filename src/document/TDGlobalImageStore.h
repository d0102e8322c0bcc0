#pragma once

#include "model/TDImageStore.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace scrivane {

// The process-wide image store: every image used by image fills, held once
// under its key and found again by the MD5 digest of its data, with the
// documents that use it.  An entry leaves the store when the last of its
// documents releases it.  Main thread only.
//
// Keys become file names inside packages ("key.extension"), so the store
// takes a given name as key only when it is a safe file name, and the keys
// it makes are long enough (more than 51 characters) to be kept as they are
// when a package is read again.
class TDGlobalImageStore : public TDImageStore {
public:
    struct Entry {
        QString key;
        // The data as packages store it, and its MD5 digest.
        QByteArray data;
        QByteArray hash;
        QString extension;
        // One pixel per point; null for vector data (PDF and EPS pictures
        // draw their first page; PICT is kept but not drawn).
        QImage image;
        // For PDF and EPS data: the size of its first page.
        Size size;
        // The PDF of EPS data, made when first asked for.
        mutable QByteArray pdf;
        // What a PDF or EPS picture draws: its first page, drawn once (null
        // when it cannot be drawn).
        mutable std::shared_ptr<cairo_surface_t> picture;
        mutable bool pictureTried = false;
        std::vector<DocumentRef> documents;
    };

    // Names up to this length (and shorter) never become keys.
    static constexpr int KeptNameLength = 51;
    // Longer names are not safe file names.
    static constexpr int MaximumKeyLength = 200;

    TDGlobalImageStore() = default;
    ~TDGlobalImageStore() override;

    // The store of the process, made (and installed as the model's store)
    // on first use.
    static TDGlobalImageStore &instance();

    std::optional<Image> image(const QString &key) const override;
    bool drawImage(const QString &key, GraphicsContext &context, const Rect &destination) const override;
    QString addGlobalImage(const QByteArray &data, const QString &name, const QString &extension,
                           DocumentRef document) override;
    void addImage(const QString &key, DocumentRef document) override;
    // Drops the document's use of every entry; entries it was the last user
    // of leave the store.
    void releaseDocumentImages(DocumentRef document);

    const Entry *entry(const QString &key) const;
    QStringList keys() const;
    size_t count() const { return m_entries.size(); }
    // Empties the store (tests).
    void clear();

    // Whether a name can be a key, and so a file name: not empty, at most
    // MaximumKeyLength characters, no path separators, no "..", no control
    // characters, not beginning with ".".
    static bool isSafeKey(const QString &name);
    // Extensions are 1 to 16 ASCII letters or digits.
    static bool isSafeExtension(const QString &extension);
    // The extension the data's first bytes suggest ("png", "jpg", "gif",
    // "tiff", "bmp", "pdf", "eps"), or empty.
    static QString sniffExtension(const QByteArray &data);
    // Extensions of PDF data and of PostScript (EPS) pictures, which the
    // PDF importer reads (EPS through Ghostscript).
    static bool isVectorExtension(const QString &extension);
    // The PDF of the entry: its data for a PDF, the PDF Ghostscript makes
    // of an EPS picture; nothing, with the reason, for other entries.
    std::optional<QByteArray> pdfData(const QString &key, QString *error);
    // A new key unique to the process and beyond: 54 characters.
    static QString makeUniqueKey();

private:
    // The PDF of a vector entry (Ghostscript makes it for EPS data).
    static std::optional<QByteArray> pdfOf(const Entry &entry, QString *error);

    std::map<QString, Entry> m_entries;
    QHash<QByteArray, QString> m_byHash;
};

} // namespace scrivane
