#include "app/CommandLine.h"

namespace {

CommandLine usageError(const QString& message) {
    CommandLine cl;
    cl.action = CommandLine::Action::usageError;
    cl.error = message;
    return cl;
}

bool isFlatImageName(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot <= slash + 1) return false;
    const QString suffix = path.mid(dot + 1).toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("jpg") ||
           suffix == QLatin1String("jpeg") || suffix == QLatin1String("pdf");
}

CommandLine parseExport(const QStringList& args) {
    CommandLine cl;
    cl.action = CommandLine::Action::exportFlat;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        auto value = [&](QString* into) {
            if (i + 1 >= args.size()) return false;
            *into = args[++i];
            return true;
        };
        if (arg == QLatin1String("--output") || arg == QLatin1String("-o")) {
            if (!value(&cl.output)) return usageError(QStringLiteral("--output needs a file name"));
        } else if (arg == QLatin1String("--scale")) {
            QString scale;
            if (!value(&scale)) return usageError(QStringLiteral("--scale needs 100, 75, 50 or 25"));
            if (scale.endsWith(QLatin1Char('%'))) scale.chop(1);
            bool ok = false;
            cl.scalePercent = scale.toInt(&ok);
            if (!ok || (cl.scalePercent != 100 && cl.scalePercent != 75 && cl.scalePercent != 50 &&
                        cl.scalePercent != 25))
                return usageError(QStringLiteral("--scale takes 100, 75, 50 or 25, not %1").arg(scale));
        } else if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
            return usageError(QStringLiteral("unknown option %1 for export").arg(arg));
        } else if (cl.input.isEmpty()) {
            cl.input = arg;
        } else {
            return usageError(QStringLiteral("export takes one input, got %1 and %2").arg(cl.input, arg));
        }
    }
    if (cl.input.isEmpty()) return usageError(QStringLiteral("export needs an input file"));
    if (cl.output.isEmpty()) return usageError(QStringLiteral("export needs --output FILE"));
    if (!isFlatImageName(cl.output))
        return usageError(
            QStringLiteral("the output %1 must end in .png, .jpg, .jpeg or .pdf").arg(cl.output));
    return cl;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine cl;
    const QStringList args = arguments.mid(1);
    if (args.isEmpty()) return cl;
    const QString& first = args.first();
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        if (args.size() > 1) return usageError(QStringLiteral("--version takes no arguments"));
        cl.action = Action::version;
        return cl;
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        cl.action = Action::help;
        return cl;
    }
    if (first == QLatin1String("export")) return parseExport(args.mid(1));
    if (first == QLatin1String("--preview")) {
        if (args.size() != 2 || args[1].startsWith(QLatin1Char('-')))
            return usageError(QStringLiteral("--preview needs one picture"));
        cl.action = Action::preview;
        cl.files = {args[1]};
        return cl;
    }
    if (first == QLatin1String("capture")) {
        cl.action = Action::capture;
        return cl;
    }
    for (const QString& arg : args)
        if (arg.startsWith(QLatin1Char('-'))) return usageError(QStringLiteral("unknown option %1").arg(arg));
    cl.action = Action::openFiles;
    cl.files = args;
    return cl;
}

QString CommandLine::usage() {
    return QStringLiteral(
        "Usage:\n"
        "  pictavo                          start the tray program (or wake the running one)\n"
        "  pictavo FILE...                  open images, .pictproj projects or PDFs in editor windows\n"
        "  pictavo capture screen|window|region [--delay SECONDS] [--output FILE] [--clipboard]\n"
        "  pictavo --preview FILE           open a picture in the preview window (Save, Copy, Edit)\n"
        "  pictavo export INPUT --output FILE [--scale 100|75|50|25]\n"
        "                                   write the flat image of a project or picture as PNG,\n"
        "                                   JPEG or PDF (by FILE's extension); needs no display\n"
        "  pictavo --version                print the version\n"
        "  pictavo --help                   print this help\n");
}
