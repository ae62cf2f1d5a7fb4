#include "Version.h"
#include "app/CommandLine.h"

#include <QStringList>

#include <cstdio>

namespace {

QStringList rawArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

int printLine(FILE* stream, const QString& text, int code) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    return code;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine cl = CommandLine::parse(rawArguments(argc, argv));
    switch (cl.action) {
    case CommandLine::Action::version:
        // Needs no display and no application object.
        return printLine(stdout, QStringLiteral("Pictavo %1").arg(QString::fromLatin1(Pictavo::kVersion)), 0);
    case CommandLine::Action::help:
        std::fputs(CommandLine::usage().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::usageError:
        printLine(stderr, QStringLiteral("Pictavo: %1").arg(cl.error), 2);
        std::fputs(CommandLine::usage().toLocal8Bit().constData(), stderr);
        return 2;
    case CommandLine::Action::startTray:
    case CommandLine::Action::openFiles:
        break;
    }

    // The tray program and the editor windows are not built yet: say what we are and stop.
    return printLine(stdout, QStringLiteral("Pictavo %1").arg(QString::fromLatin1(Pictavo::kVersion)), 0);
}
