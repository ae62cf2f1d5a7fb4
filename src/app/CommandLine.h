#pragma once

#include <QString>
#include <QStringList>

// The parsed command line. Unknown options and missing or malformed arguments are usage errors
// (exit 2).
struct CommandLine {
    enum class Action { startTray, openFiles, preview, exportFlat, capture, version, help, usageError };

    Action action = Action::startTray;
    QStringList files;
    QString error;

    // export
    QString input;
    QString output;
    int scalePercent = 100;

    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};
