#pragma once

#include <QString>
#include <QStringList>

// Opens pictures and projects in editor windows, each in its own.
namespace FileOpener {

struct Outcome {
    int opened = 0;
    QStringList errors; // one sentence each: files that did not open, objects that were left out
    QString firstFailure; // the first file that did not open at all
    QStringList cancelled; // PDFs whose page picker was cancelled
};

// Opens every file; shows what went wrong in one alert without holding up the windows.
Outcome open(const QStringList& files);

} // namespace FileOpener
