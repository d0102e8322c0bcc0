// scrivane-extract: prints the text of a drawing (its text fills and text
// strokes, one piece a line) for desktop-search tools, through the
// ScrivaneImporter plug-in, the way a metadata service drives it.  Exit
// status 0 when the drawing was read, with or without text; 1, with one
// line of error and nothing printed, when it is refused (the same drawings
// scrivane-thumbnailer refuses, for the same reasons); 2 for a wrong
// command line.  A run that passes its work budget's time with room to
// spare is stopped outright.

#include "platform/MetadataAttributeTable.h"
#include "platform/PluginInterface.h"
#include "platform/PluginModule.h"
#include "platform/PluginUUID.h"
#include "platform/ProcessDeadline.h"
#include "platform/WorkBudget.h"

#include <QFile>
#include <QString>

#include <cstdio>
#include <cstring>

using namespace scrivane;

namespace {

constexpr const char *Program = "scrivane-extract";
constexpr const char *ModuleFile = "ScrivaneImporter.so";
constexpr const char *DocumentType = "com.quelmont.scrivane.scrivane";

int fail(const QString &message, int status = 1)
{
    std::fprintf(stderr, "%s: %s\n", Program, message.simplified().toLocal8Bit().constData());
    return status;
}

void printUsage(FILE *to)
{
    std::fprintf(to,
                 "Usage: %s INPUT\n"
                 "Prints the text of the drawing INPUT (its text fills and text strokes), one piece a line.\n",
                 Program);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help"))) {
        printUsage(stdout);
        return 0;
    }
    const char *input = nullptr;
    if (argc == 2 && argv[1][0] != '-')
        input = argv[1];
    else if (argc == 3 && !std::strcmp(argv[1], "--"))
        input = argv[2];
    if (!input) {
        printUsage(stderr);
        return 2;
    }

    const QString modulePath = PluginModule::findBesideProgram(
        QLatin1String(ModuleFile), {QStringLiteral(SCRIVANE_INSTALLED_PLUGIN_DIR), QStringLiteral("../plugins")});
    if (modulePath.isEmpty())
        return fail(QStringLiteral("the text plug-in %1 is not installed").arg(QLatin1String(ModuleFile)));
    QString error;
    const auto module = PluginModule::load(modulePath, &error);
    if (!module)
        return fail(error);
    const auto importer = module->createInstance<MetadataImporterInterface>(
        "MetadataImporterPluginFactory", PluginUUID::fromString(MetadataImporterTypeID),
        PluginUUID::fromString(MetadataImporterInterfaceID), &error);
    if (!importer)
        return fail(error);

    using std::chrono::duration_cast;
    ProcessDeadline::start(duration_cast<std::chrono::seconds>(WorkBudget::Limits().time) + std::chrono::seconds(10),
                           QByteArrayLiteral("scrivane-extract: the drawing takes too long to read; nothing was "
                                             "printed\n"));
    MetadataAttributeTable attributes;
    const QByteArray path = QFile::decodeName(input).toUtf8();
    if (!importer->GetMetadataForFile(importer.get(), &attributes, DocumentType, path.constData()))
        return fail(attributes.failure().isEmpty()
                        ? QStringLiteral("“%1” could not be read").arg(QFile::decodeName(input))
                        : attributes.failure());
    ProcessDeadline::cancel();
    const QString key = QLatin1String(TextContentAttribute);
    if (attributes.contains(key)) {
        const QByteArray text = attributes.value(key).toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fputc('\n', stdout);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail(QStringLiteral("the text could not be written"));
    return 0;
}
