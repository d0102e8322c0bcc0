#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QWidget>

#include <optional>

namespace scrivane {

// The fill pane's image well: shows the fill's image and takes images
// dropped onto it (files or image data) or pasted into it.  What arrives
// comes from strangers: a file that is too large, an image whose declared
// size is too large, or data that does not decode is refused with a
// message, and the well keeps what it showed.  Delete or Backspace empties
// the well.
class TDImageWell : public QWidget {
    Q_OBJECT
public:
    // Larger files are not read at all.
    static constexpr qint64 MaximumFileBytes = qint64(256) << 20;
    // Larger images (either side) are not decoded.
    static constexpr int MaximumSide = 20000;
    // What a decoder may allocate, in megabytes.
    static constexpr int AllocationLimitMegabytes = 512;

    struct ImageData {
        QByteArray data;
        QString extension;
    };

    explicit TDImageWell(QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(120, 90); }

    // Shows an image (null: empty); reports nothing.
    void setImage(const QImage &image);
    const QImage &image() const { return m_image; }

    // The bytes and extension of an image file, when it is one that can be
    // shown; otherwise nothing, and `error` says why.
    static std::optional<ImageData> readImageFile(const QString &path, QString *error);
    // Whether the bytes hold an image within the limits; `error` says why not.
    static std::optional<QImage> decode(const QByteArray &data, QString *error);

    // Takes image data as a drop or paste does: shows it and reports it, or
    // reports the refusal.
    bool takeImageData(const QByteArray &data, const QString &extension);
    bool takeImageFile(const QString &path);
    // Empties the well and reports it.
    void clear();

Q_SIGNALS:
    void imageDropped(const QByteArray &data, const QString &extension);
    void imageCleared();
    void imageRefused(const QString &message);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};

} // namespace scrivane
