#include "app/CommandLine.h"

#include <QRegularExpression>

#include <cmath>

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
    bool options = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        auto value = [&](QString* into) {
            if (i + 1 >= args.size()) return false;
            *into = args[++i];
            return true;
        };
        if (!options || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            if (!cl.input.isEmpty())
                return usageError(QStringLiteral("export takes one input, got %1 and %2").arg(cl.input, arg));
            cl.input = arg;
        } else if (arg == QLatin1String("--")) {
            options = false; // what follows are names, even those that start with "-"
        } else if (arg == QLatin1String("--output") || arg == QLatin1String("-o")) {
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
        } else if (arg == QLatin1String("--redact")) {
            cl.redact = true;
        } else {
            return usageError(QStringLiteral("unknown option %1 for export").arg(arg));
        }
    }
    if (cl.input.isEmpty()) return usageError(QStringLiteral("export needs an input file"));
    if (cl.output.isEmpty()) return usageError(QStringLiteral("export needs --output FILE"));
    if (!isFlatImageName(cl.output))
        return usageError(
            QStringLiteral("the output %1 must end in .png, .jpg, .jpeg or .pdf").arg(cl.output));
    return cl;
}

bool takeLanguages(const QString& value, CommandLine* cl) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z][A-Za-z0-9_]{1,30}(\\+[A-Za-z][A-Za-z0-9_]{1,30}){0,7}$"));
    if (!pattern.match(value).hasMatch()) return false;
    cl->languages = value;
    return true;
}

CommandLine parseText(const QStringList& args) {
    CommandLine cl;
    cl.action = CommandLine::Action::readText;
    bool options = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (!options || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            if (!cl.input.isEmpty())
                return usageError(QStringLiteral("text takes one input, got %1 and %2").arg(cl.input, arg));
            cl.input = arg;
        } else if (arg == QLatin1String("--lang")) {
            if (i + 1 >= args.size() || !takeLanguages(args[++i], &cl))
                return usageError(QStringLiteral("--lang takes languages such as eng or eng+deu"));
        } else if (arg == QLatin1String("--page")) {
            bool ok = false;
            cl.pdfPage = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok || cl.pdfPage < 1) return usageError(QStringLiteral("--page takes a page number from 1"));
        } else {
            return usageError(QStringLiteral("unknown option %1 for text").arg(arg));
        }
    }
    if (cl.input.isEmpty()) return usageError(QStringLiteral("text needs an input file"));
    return cl;
}

CommandLine parseCapture(const QStringList& args) {
    CommandLine cl;
    cl.action = CommandLine::Action::capture;
    bool options = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (!options || !arg.startsWith(QLatin1Char('-'))) {
            if (!cl.captureMode.isEmpty() ||
                (arg != QLatin1String("screen") && arg != QLatin1String("window") && arg != QLatin1String("region") &&
                 arg != QLatin1String("last-region")))
                return usageError(QStringLiteral("capture takes screen, window, region or last-region, not %1").arg(arg));
            cl.captureMode = arg;
        } else if (arg == QLatin1String("--delay")) {
            bool ok = false;
            const double seconds = i + 1 < args.size() ? args[++i].toDouble(&ok) : 0;
            if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 3600)
                return usageError(QStringLiteral("--delay takes seconds from 0 to 3600"));
            cl.delaySeconds = seconds;
        } else if (arg == QLatin1String("--output") || arg == QLatin1String("-o")) {
            if (i + 1 >= args.size()) return usageError(QStringLiteral("--output needs a file name"));
            cl.output = args[++i];
            if (!isFlatImageName(cl.output))
                return usageError(QStringLiteral("the output %1 must end in .png, .jpg, .jpeg or .pdf").arg(cl.output));
        } else if (arg == QLatin1String("--clipboard")) {
            cl.clipboard = true;
        } else if (arg == QLatin1String("--all")) {
            cl.allScreens = true;
        } else if (arg == QLatin1String("--history")) {
            cl.history = true;
        } else if (arg == QLatin1String("--text")) {
            cl.text = true;
        } else if (arg == QLatin1String("--lang")) {
            if (i + 1 >= args.size() || !takeLanguages(args[++i], &cl))
                return usageError(QStringLiteral("--lang takes languages such as eng or eng+deu"));
        } else {
            return usageError(QStringLiteral("unknown option %1 for capture").arg(arg));
        }
    }
    if (cl.captureMode.isEmpty()) return usageError(QStringLiteral("capture needs screen, window, region or last-region"));
    if (cl.allScreens && cl.captureMode != QLatin1String("screen"))
        return usageError(QStringLiteral("--all goes with capture screen"));
    if (!cl.languages.isEmpty() && !cl.text) return usageError(QStringLiteral("--lang goes with --text"));
    if (cl.text && (!cl.output.isEmpty() || cl.clipboard))
        return usageError(QStringLiteral("--text prints the text; it does not go with --output or --clipboard"));
    if (cl.text && cl.history) return usageError(QStringLiteral("--history keeps pictures; it does not go with --text"));
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
        QStringList rest = args.mid(1);
        // `--preview -- -shot.png` names a picture that starts with "-".
        const bool ended = !rest.isEmpty() && rest.first() == QLatin1String("--");
        if (ended) rest.removeFirst();
        if (rest.size() != 1 || (!ended && rest.first().startsWith(QLatin1Char('-'))))
            return usageError(QStringLiteral("--preview needs one picture"));
        cl.action = Action::preview;
        cl.files = rest;
        return cl;
    }
    if (first == QLatin1String("capture")) return parseCapture(args.mid(1));
    if (first == QLatin1String("text")) return parseText(args.mid(1));
    // Internal: the instance a handing-over launch starts for itself.
    if (first == QLatin1String(kInstanceForCommand) && args.size() == 1) {
        cl.startedForCommand = true;
        return cl;
    }
    bool options = true;
    for (const QString& arg : args) {
        if (options && arg == QLatin1String("--"))
            options = false;
        else if (options && arg.startsWith(QLatin1Char('-')))
            return usageError(QStringLiteral("unknown option %1").arg(arg));
        else
            cl.files.append(arg);
    }
    if (cl.files.isEmpty()) return cl; // `pictavo --` is plain `pictavo`
    cl.action = Action::openFiles;
    return cl;
}

QString CommandLine::usage() {
    return QStringLiteral(
        "Usage:\n"
        "  pictavo                          start the tray program (or wake the running one)\n"
        "  pictavo FILE...                  open images, .pictproj projects or PDFs in editor windows\n"
        "  pictavo capture screen|window|region|last-region [--delay SECONDS] [--output FILE]\n"
        "                  [--clipboard] [--history]\n"
        "                                   capture into a preview window, or write FILE (.png, .jpg,\n"
        "                                   .pdf) or copy it to the clipboard; Escape cancels (exit 1);\n"
        "                                   a region may span screens (at the largest screen scale);\n"
        "                                   last-region captures the rectangle of the last region\n"
        "                                   selected again, without selecting. Captures that open a\n"
        "                                   preview are kept in the capture history (Recent Captures);\n"
        "                                   written or copied ones only with --history\n"
        "  pictavo capture screen --all     every screen as one picture, in device pixels (screens\n"
        "                                   of smaller scale enlarged to the largest)\n"
        "  pictavo capture region --text [--lang LANGS]\n"
        "                                   print the text in the selected region\n"
        "  pictavo --preview FILE           open a picture in the preview window (Save, Copy, Edit)\n"
        "  pictavo export INPUT --output FILE [--scale 100|75|50|25] [--redact]\n"
        "                                   write the flat image of a project or picture as PNG,\n"
        "                                   JPEG or PDF (by FILE's extension); needs no display.\n"
        "                                   --redact covers e-mail and IP addresses, keys, serial\n"
        "                                   numbers and the like found in its text with black boxes\n"
        "                                   and names each kind covered; recognition can miss text,\n"
        "                                   so check the result before sending it\n"
        "  pictavo text FILE [--lang LANGS] [--page N]\n"
        "                                   print the text recognised in a picture, project or PDF\n"
        "                                   page (LANGS as eng+deu, by default the user's language\n"
        "                                   where installed, else English); needs no display.\n"
        "                                   Recognition can miss text (low contrast, tiny text, text\n"
        "                                   in photos): check what matters\n"
        "  pictavo --version                print the version\n"
        "  pictavo --help                   print this help\n"
        "  --                               ends the options: later names may start with \"-\"\n");
}
