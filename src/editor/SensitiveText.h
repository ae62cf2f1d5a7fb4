#pragma once

#include "io/RecognizedText.h"

#include <QList>
#include <QRect>
#include <QString>

// Finds what should not be shared in recognised text: addresses, credentials, account and card
// numbers. Pure logic: the words and their boxes in, the places to hide out.
namespace SensitiveText {

enum class Kind { email, ip, mac, url, key, iban, card, labelled };

// A word that stands for a value hidden already: it is never found again, and a label before it
// has its value.
inline const QString kCovered = QStringLiteral("\u2588");

struct Finding {
    Kind kind;
    QRect box;     // the words the value covers, grown by a margin, in the picture's pixels
    QString value; // as read, from the line's text
};

// Every sensitive value, each with the union of the boxes of the words it spans, grown by
// max(2, 15 % of the line height) pixels and clipped to `bounds` when that is not empty.
// Findings are in reading order; a value is reported once, as its most specific kind.
QList<Finding> find(const RecognizedText& text, QRect bounds = {});

// "6 found: 2 e-mail, 2 IP, 1 MAC, 1 key", kinds in the order of Kind; "Nothing sensitive found".
QString summary(const QList<Finding>& findings);

QString kindName(Kind kind);

} // namespace SensitiveText
