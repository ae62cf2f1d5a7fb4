#pragma once

#include <QString>

// Error messages are built in English (the command line prints them so, scripts match them);
// windows show them in the user's language through this.
namespace ErrorTexts {

// `english` in the user's language where it is one of the known messages, with each part that
// fills a gap translated too (a reason inside "Couldn't write “%1”: %2"); file names are kept.
// Anything else comes back unchanged.
QString translated(const QString& english);

} // namespace ErrorTexts
