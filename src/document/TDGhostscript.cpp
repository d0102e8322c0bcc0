#include "document/TDGhostscript.h"

#include "platform/Numbers.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cmath>

namespace scrivane {

namespace {

// The comments are near the start, or in the trailer with "(atend)".
std::optional<Size> boxIn(const QByteArray &text, const QByteArray &comment)
{
    qsizetype at = 0;
    while ((at = text.indexOf(comment, at)) >= 0) {
        at += comment.size();
        qsizetype end = at;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        const QList<QByteArray> fields = text.mid(at, end - at).simplified().split(' ');
        if (fields.size() == 4) {
            double v[4];
            bool ok = true;
            for (int i = 0; i < 4 && ok; ++i) {
                const auto parsed = Numbers::parseDouble(std::string_view(fields[i].constData(), size_t(fields[i].size())));
                ok = parsed && std::isfinite(*parsed);
                v[i] = ok ? *parsed : 0;
            }
            const double w = v[2] - v[0];
            const double h = v[3] - v[1];
            if (ok && w > 0 && h > 0 && w < 1e7 && h < 1e7)
                return Size(float(w), float(h));
        }
    }
    return std::nullopt;
}

} // namespace

QString TDGhostscript::program()
{
    return QStandardPaths::findExecutable(QStringLiteral("gs"));
}

std::optional<Size> TDGhostscript::boundingBoxSize(const QByteArray &eps)
{
    if (auto size = boxIn(eps, "%%HiResBoundingBox:"))
        return size;
    return boxIn(eps, "%%BoundingBox:");
}

std::optional<QByteArray> TDGhostscript::pdfFromEPS(const QByteArray &eps, QString *error)
{
    const auto fail = [error](const QString &reason) -> std::optional<QByteArray> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    const QString gs = program();
    if (gs.isEmpty())
        return fail(QStringLiteral("Ghostscript, which turns EPS pictures into PDF, is not installed."));
    QTemporaryDir folder;
    if (!folder.isValid())
        return fail(QStringLiteral("No temporary folder could be made for Ghostscript."));
    const QString input = folder.filePath(QStringLiteral("picture.eps"));
    const QString output = folder.filePath(QStringLiteral("picture.pdf"));
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly) || file.write(eps) != eps.size())
            return fail(QStringLiteral("The picture could not be handed to Ghostscript."));
    }
    QProcess process;
    process.setProgram(gs);
    process.setArguments({QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
                          QStringLiteral("-dNOPAUSE"), QStringLiteral("-dNOINTERPOLATE"), QStringLiteral("-dEPSCrop"),
                          QStringLiteral("-sDEVICE=pdfwrite"), QStringLiteral("-sOutputFile=") + output, input});
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder.path());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setChildProcessModifier([] {
        // In the child, before Ghostscript starts: only async-signal-safe
        // calls here.
        struct rlimit cpu = {TimeLimitSeconds, TimeLimitSeconds + 5};
        setrlimit(RLIMIT_CPU, &cpu);
        struct rlimit file = {rlim_t(MaximumOutput), rlim_t(MaximumOutput)};
        setrlimit(RLIMIT_FSIZE, &file);
        struct rlimit memory = {rlim_t(4) << 30, rlim_t(4) << 30};
        setrlimit(RLIMIT_AS, &memory);
    });
    process.start();
    if (!process.waitForStarted(10000))
        return fail(QStringLiteral("Ghostscript could not be started."));
    if (!process.waitForFinished(TimeLimitSeconds * 1000)) {
        process.kill();
        process.waitForFinished(5000);
        return fail(QStringLiteral("Ghostscript took more than %1 seconds over the picture.").arg(TimeLimitSeconds));
    }
    const QString messages = QString::fromLocal8Bit(process.readAllStandardError().left(2000)).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return fail(messages.isEmpty() ? QStringLiteral("Ghostscript could not read the picture.")
                                       : QStringLiteral("Ghostscript could not read the picture: %1").arg(messages));
    QFile result(output);
    if (!result.open(QIODevice::ReadOnly) || result.size() > MaximumOutput)
        return fail(QStringLiteral("Ghostscript wrote no usable PDF."));
    QByteArray pdf = result.readAll();
    if (!pdf.startsWith("%PDF"))
        return fail(QStringLiteral("Ghostscript wrote no usable PDF."));
    return pdf;
}

} // namespace scrivane
