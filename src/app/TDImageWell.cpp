#include "app/TDImageWell.h"

#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace scrivane {

TDImageWell::TDImageWell(QWidget *parent) : QWidget(parent)
{
    setAcceptDrops(true);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(60, 60);
    setToolTip(tr("Drop an image here"));
}

void TDImageWell::setImage(const QImage &image)
{
    m_image = image;
    update();
}

std::optional<QImage> TDImageWell::decode(const QByteArray &data, QString *error)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(AllocationLimitMegabytes);
    if (!reader.canRead()) {
        if (error)
            *error = QObject::tr("The file is not an image that can be read.");
        return std::nullopt;
    }
    const QSize declared = reader.size();
    if (declared.isValid() && (declared.width() > MaximumSide || declared.height() > MaximumSide)) {
        if (error)
            *error = QObject::tr("The image is too large (%1 × %2 pixels).").arg(declared.width()).arg(declared.height());
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        if (error)
            *error = QObject::tr("The image cannot be read: %1").arg(reader.errorString());
        return std::nullopt;
    }
    return image;
}

std::optional<TDImageWell::ImageData> TDImageWell::readImageFile(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        if (error)
            *error = QObject::tr("“%1” is not a file.").arg(info.fileName());
        return std::nullopt;
    }
    if (info.size() > MaximumFileBytes) {
        if (error)
            *error = QObject::tr("“%1” is too large to be an image fill.").arg(info.fileName());
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QObject::tr("“%1” cannot be read: %2").arg(info.fileName(), file.errorString());
        return std::nullopt;
    }
    ImageData result{file.read(MaximumFileBytes + 1), info.suffix().toLower()};
    if (result.data.size() > MaximumFileBytes || !decode(result.data, error))
        return std::nullopt;
    return result;
}

bool TDImageWell::takeImageData(const QByteArray &data, const QString &extension)
{
    QString error;
    const std::optional<QImage> image = decode(data, &error);
    if (!image) {
        Q_EMIT imageRefused(error);
        return false;
    }
    setImage(*image);
    Q_EMIT imageDropped(data, extension);
    return true;
}

bool TDImageWell::takeImageFile(const QString &path)
{
    QString error;
    const std::optional<ImageData> read = readImageFile(path, &error);
    if (!read) {
        Q_EMIT imageRefused(error);
        return false;
    }
    return takeImageData(read->data, read->extension);
}

void TDImageWell::clear()
{
    setImage(QImage());
    Q_EMIT imageCleared();
}

void TDImageWell::dragEnterEvent(QDragEnterEvent *event)
{
    const QMimeData *mime = event->mimeData();
    if (mime->hasImage() || mime->hasUrls())
        event->acceptProposedAction();
}

void TDImageWell::dropEvent(QDropEvent *event)
{
    const QMimeData *mime = event->mimeData();
    // Only files on this machine: a remote address would hold the program
    // up until its server answers.
    if (mime->hasUrls()) {
        for (const QUrl &url : mime->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                takeImageFile(url.toLocalFile());
                return;
            }
    }
    for (const QString &format : mime->formats())
        if (format.startsWith(QLatin1String("image/"))) {
            event->acceptProposedAction();
            takeImageData(mime->data(format), format.mid(6).section(QLatin1Char('+'), 0, 0));
            return;
        }
}

void TDImageWell::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        clear();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TDImageWell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect frame = rect().adjusted(1, 1, -2, -2);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(frame);
    if (m_image.isNull())
        return;
    const QSize fitted = m_image.size().scaled(frame.adjusted(3, 3, -3, -3).size(), Qt::KeepAspectRatio);
    QRect target(QPoint(), fitted);
    target.moveCenter(frame.center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_image);
}

} // namespace scrivane
