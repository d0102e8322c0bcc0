// Another program on the desktop: it puts a PNG picture of the size given
// on the clipboard, says "ready" and keeps the clipboard until it is ended.

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const int width = argc > 1 ? std::atoi(argv[1]) : 37;
    const int height = argc > 2 ? std::atoi(argv[2]) : 23;
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(0, 128, 255));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    // As picture programs offer pictures: PNG first, no other type.
    auto *data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(data);
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
