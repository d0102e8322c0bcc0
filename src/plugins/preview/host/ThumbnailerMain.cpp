// scrivane-thumbnailer: writes a PNG thumbnail or preview of a drawing for
// file managers, through the ScrivanePreview plug-in, the way a desktop's
// preview service drives it.  Follows the freedesktop thumbnailer
// convention: `scrivane-thumbnailer [-s SIZE] INPUT OUTPUT`, INPUT a path
// or a file URI, exit status 0 only when OUTPUT was written.
//
// Drawings come from anywhere and are drawn unasked: the plug-in keeps each
// run within its work budget (memory, path elements and rows, time) and
// refuses what would pass it; past that budget's time with some room to
// spare, the run is stopped outright.

#include "platform/PluginInterface.h"
#include "platform/PluginModule.h"
#include "platform/PluginUUID.h"
#include "platform/PreviewImageRequest.h"
#include "platform/ProcessDeadline.h"
#include "platform/WorkBudget.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <charconv>
#include <cstdio>
#include <cstring>

using namespace scrivane;

namespace {

constexpr const char *Program = "scrivane-thumbnailer";
constexpr const char *ModuleFile = "ScrivanePreview.so";
constexpr const char *DocumentType = "com.quelmont.scrivane.scrivane";
constexpr int DefaultSize = 256;

int fail(const QString &message, int status = 1)
{
    std::fprintf(stderr, "%s: %s\n", Program, message.simplified().toLocal8Bit().constData());
    return status;
}

void printUsage(FILE *to)
{
    std::fprintf(to,
                 "Usage: %s [-s SIZE] [--preview] INPUT OUTPUT\n"
                 "Writes a PNG image of the drawing INPUT (a path or a file URI) to OUTPUT.\n"
                 "  -s, --size SIZE  longest side in pixels, 1 to %d (default %d)\n"
                 "  --preview        the whole paper instead of the area the graphics cover,\n"
                 "                   at one pixel a point unless SIZE is given\n",
                 Program, PreviewImageRequest::LargestSide, DefaultSize);
}

bool parseSize(const char *text, int *size)
{
    const char *end = text + std::strlen(text);
    int value = 0;
    const auto [last, error] = std::from_chars(text, end, value);
    if (error != std::errc() || last != end || value < 1 || value > PreviewImageRequest::LargestSide)
        return false;
    *size = value;
    return true;
}

QString inputUrl(const QString &input)
{
    if (input.startsWith(QLatin1String("file:")))
        return QUrl(input).toString(QUrl::FullyEncoded);
    return QUrl::fromLocalFile(QFileInfo(input).absoluteFilePath()).toString(QUrl::FullyEncoded);
}

} // namespace

int main(int argc, char **argv)
{
    int size = 0;
    bool preview = false;
    QStringList operands;
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (!std::strcmp(argument, "-h") || !std::strcmp(argument, "--help")) {
            printUsage(stdout);
            return 0;
        }
        if (!std::strcmp(argument, "--preview")) {
            preview = true;
        } else if (!std::strcmp(argument, "-s") || !std::strcmp(argument, "--size")) {
            if (++i == argc)
                return fail(QStringLiteral("%1 needs a size").arg(QLatin1String(argument)), 2);
            if (!parseSize(argv[i], &size))
                return fail(QStringLiteral("the size must be a whole number from 1 to %1, not “%2”")
                                .arg(PreviewImageRequest::LargestSide)
                                .arg(QString::fromLocal8Bit(argv[i])),
                            2);
        } else if (argument[0] == '-' && argument[1] != '\0' && std::strcmp(argument, "--") != 0) {
            return fail(QStringLiteral("unknown option “%1” (see --help)").arg(QString::fromLocal8Bit(argument)), 2);
        } else {
            if (!std::strcmp(argument, "--")) {
                while (++i < argc)
                    operands.append(QFile::decodeName(argv[i]));
                break;
            }
            operands.append(QFile::decodeName(argument));
        }
    }
    if (operands.size() != 2) {
        printUsage(stderr);
        return 2;
    }
    const QString &input = operands[0];
    const QString &output = operands[1];
    if (!preview && size == 0)
        size = DefaultSize;

    const QString modulePath = PluginModule::findBesideProgram(
        QLatin1String(ModuleFile), {QStringLiteral(SCRIVANE_INSTALLED_PLUGIN_DIR), QStringLiteral("../plugins")});
    if (modulePath.isEmpty())
        return fail(QStringLiteral("the preview plug-in %1 is not installed").arg(QLatin1String(ModuleFile)));
    QString error;
    const auto module = PluginModule::load(modulePath, &error);
    if (!module)
        return fail(error);
    const auto generator = module->createInstance<PreviewGeneratorInterface>(
        "QuickLookGeneratorPluginFactory", PluginUUID::fromString(PreviewGeneratorTypeID),
        PluginUUID::fromString(PreviewGeneratorCallbacksInterfaceID), &error);
    if (!generator)
        return fail(error);

    using std::chrono::duration_cast;
    ProcessDeadline::start(duration_cast<std::chrono::seconds>(WorkBudget::Limits().time) + std::chrono::seconds(10),
                           QByteArrayLiteral("scrivane-thumbnailer: the drawing takes too long to draw; nothing was "
                                             "written\n"));
    PreviewImageRequest request(preview ? PreviewImageRequest::Mode::Preview : PreviewImageRequest::Mode::Thumbnail,
                                size);
    const QByteArray url = inputUrl(input).toUtf8();
    if (preview)
        generator->GeneratePreviewForURL(generator.get(), &request, url.constData(), DocumentType, nullptr);
    else
        generator->GenerateThumbnailForURL(generator.get(), &request, url.constData(), DocumentType, nullptr, size,
                                           size);
    if (!request.hasImage())
        return fail(request.failure().isEmpty() ? QStringLiteral("“%1” could not be drawn").arg(input)
                                                : request.failure());
    ProcessDeadline::cancel();
    const QByteArray png = request.pngData();
    if (png.isEmpty())
        return fail(QStringLiteral("the image could not be encoded as PNG"));
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit())
        return fail(QStringLiteral("cannot write “%1”: %2").arg(output, file.errorString()));
    return 0;
}
