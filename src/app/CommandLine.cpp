#include "app/CommandLine.h"

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine cl;
    const QStringList args = arguments.mid(1);
    if (args.isEmpty()) return cl;
    const QString& first = args.first();
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        cl.action = args.size() == 1 ? Action::version : Action::usageError;
        if (args.size() > 1) cl.error = QStringLiteral("--version takes no arguments");
        return cl;
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        cl.action = Action::help;
        return cl;
    }
    for (const QString& arg : args) {
        if (arg.startsWith(QLatin1Char('-'))) {
            cl.action = Action::usageError;
            cl.error = QStringLiteral("unknown option %1").arg(arg);
            return cl;
        }
    }
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
        "  pictavo export INPUT --output FILE [--scale 100|75|50|25]\n"
        "  pictavo --version                print the version\n"
        "  pictavo --help                   print this help\n");
}
