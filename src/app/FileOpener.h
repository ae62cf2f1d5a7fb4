#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Opens pictures and projects in editor windows, each in its own.
namespace FileOpener {

struct Outcome {
    int opened = 0;
    QStringList errors; // one sentence each: files that did not open, objects that were left out
    QString firstFailure; // the first file that did not open at all
    QStringList cancelled; // PDFs whose page picker was cancelled
};

using Done = std::function<void(const Outcome&)>;

// Opens every file, one after another. Pictures, projects and PDF pages are decoded by a decoding
// child on a worker thread, so the instance answers other requests meanwhile. What went wrong is
// shown in one alert without holding up the windows; `done` hears the outcome after that.
void open(const QStringList& files, Done done = {});

} // namespace FileOpener
