#pragma once

#include <QString>
#include <QStringList>

// The parsed command line. Unknown options and missing arguments are usage errors (exit 2).
struct CommandLine {
    enum class Action { startTray, openFiles, version, help, usageError };

    Action action = Action::startTray;
    QStringList files;
    QString error;

    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};
