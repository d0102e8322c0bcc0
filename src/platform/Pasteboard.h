#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;

namespace scrivane {

// A named exchange area for data of several types, as the application sees
// it: the general pasteboard (the desktop's clipboard), the drag pasteboard
// (what a drag started here carries) and private ones with unique names.
//
// Writing: declareTypes names the types in order of preference and the
// owner that provides, on demand, the data of a type not written at once;
// each declaration is new contents and counts the change count up.
// Reading: the data of a declared type is the data written, else what the
// owner provides when first asked (then kept).
//
// Types are MIME types.  The general pasteboard publishes its contents on
// the desktop's clipboard, every type provided only when some program asks;
// when another program takes the clipboard, the general pasteboard reads
// that program's data and its change count counts up.  A pasteboard made
// over platform data (a drop) only reads that data.  Main thread only.
class Pasteboard {
public:
    // The private type of the drawing's graphics (a keyed archive).
    static const QString GraphicsType;   // "application/x-scrivane-graphics"
    static const QString TIFFType;       // "image/tiff"
    static const QString PNGType;        // "image/png"
    static const QString JPEGType;       // "image/jpeg"
    static const QString GIFType;        // "image/gif"
    static const QString BMPType;        // "image/bmp"
    static const QString PDFType;        // "application/pdf"
    static const QString PostScriptType; // "application/postscript"
    static const QString SVGType;        // "image/svg+xml"
    // File names and URLs: a list of URLs, one per line.
    static const QString URIListType; // "text/uri-list"
    // A colour: four 16-bit unsigned values red, green, blue, alpha.
    static const QString ColorType; // "application/x-color"
    // An item another program can embed and send back for editing: its
    // link data as a binary property list (platform/LinkService.h).
    static const QString LinkType; // "application/x-quelmont-link"

    static const QString GeneralName; // "general"
    static const QString DragName;    // "drag"

    // Called with the pasteboard and a declared type whose data was not
    // written yet; it writes the data with setData (or leaves it absent).
    using Provider = std::function<void(Pasteboard &pasteboard, const QString &type)>;

    explicit Pasteboard(QString name);
    ~Pasteboard();
    Pasteboard(const Pasteboard &) = delete;
    Pasteboard &operator=(const Pasteboard &) = delete;

    // The process's pasteboards; they live as long as the process.
    static Pasteboard &general();
    static Pasteboard &drag();
    // A new private pasteboard with a name no other has.
    static std::shared_ptr<Pasteboard> withUniqueName();
    // A pasteboard that reads data the platform handed over (a drop);
    // `data` must outlive it.
    static std::shared_ptr<Pasteboard> withMimeData(const QMimeData *data);

    const QString &name() const { return m_name; }
    // Whether it was made by withUniqueName.
    bool isUniquelyNamed() const { return m_unique; }
    int changeCount() const { return m_changeCount; }

    // New contents: the types in order, none written yet.  Answers the new
    // change count.  A pasteboard over platform data cannot be written:
    // it answers its change count and changes nothing.
    int declareTypes(const QStringList &types, Provider owner = Provider());
    // False for a type that is not declared.
    bool setData(const QByteArray &data, const QString &type);
    bool setColor(const QColor &color);
    bool setURLs(const QList<QUrl> &urls);

    // The types offered, in order.
    QStringList types() const;
    bool hasType(const QString &type) const { return types().contains(type); }
    // The first of `preferred` that is offered; empty when none is.
    QString availableTypeFromArray(const QStringList &preferred) const;
    // The data of an offered type; nothing when it is not offered or its
    // owner provides nothing.
    std::optional<QByteArray> dataForType(const QString &type);
    // Whether the data of the type is at hand without asking the owner.
    bool hasDataForType(const QString &type) const;

    // The URLs of a URL list (comment lines skipped), the local files among
    // them as paths, and a colour.
    QList<QUrl> urls();
    QStringList fileNames();
    std::optional<QColor> color();

    // Kept until the contents change or the pasteboard goes: what must live
    // as long as the data written (images its archive refers to).
    void keepWhileContentsLast(std::shared_ptr<void> token);

    // A new platform data object (the caller owns it) offering the declared
    // types; the data of each is asked of this pasteboard when a reader
    // wants it.  It reads nothing once these contents were replaced.
    QMimeData *makeMimeData();

    // The colour and URL list encodings of ColorType and URIListType.
    static QByteArray encodeColor(const QColor &color);
    static std::optional<QColor> decodeColor(const QByteArray &data);
    static QByteArray encodeURLs(const QList<QUrl> &urls);
    static QList<QUrl> decodeURLs(const QByteArray &data);

private:
    struct Contents;
    class MimeData;

    void watchClipboard();
    void clipboardChanged();
    // Whether the general pasteboard reads the clipboard (another program's
    // data) rather than its own contents.
    bool readsClipboard() const;
    // The platform data read in place of own contents, or null.
    const QMimeData *platformData() const;

    QString m_name;
    bool m_unique = false;
    bool m_isGeneral = false;
    int m_changeCount = 0;
    std::shared_ptr<Contents> m_contents;
    // A drop's data.
    const QMimeData *m_mimeData = nullptr;
    bool m_readsMimeData = false;
    bool m_publishing = false;
    QPointer<QMimeData> m_published;
};

} // namespace scrivane
