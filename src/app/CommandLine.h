#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The parsed command line. Unknown options and missing or malformed arguments are usage errors
// (exit 2).
struct CommandLine {
    enum class Action { startTray, openFiles, preview, exportFlat, capture, readText, version, help, usageError };

    Action action = Action::startTray;
    QStringList files;
    QString error;

    // export (and capture's --output)
    QString input;
    QString output;
    int scalePercent = 100;
    bool redact = false; // export --redact: sensitive text covered

    // text (and capture's --text)
    QString languages; // as Tesseract takes them ("eng+deu"); empty: the user's language
    int pdfPage = 1;   // of a PDF input, from 1
    bool text = false; // capture --text: the text to standard output

    // capture
    QString captureMode; // "screen", "window", "region" or "last-region"
    std::optional<double> delaySeconds;
    bool clipboard = false;
    bool allScreens = false; // capture screen --all
    bool history = false;    // --history: kept in the capture history, though written or copied

    // The instance was started by a launch that hands it a command: no first-run questions.
    bool startedForCommand = false;
    static constexpr const char* kInstanceForCommand = "--instance-for-command";

    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};
