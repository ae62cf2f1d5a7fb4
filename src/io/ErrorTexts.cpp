#include "io/ErrorTexts.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <vector>

namespace ErrorTexts {

namespace {

// The messages the io and capture layers build, word for word. The most specific come first: the
// first that matches a whole message wins.
constexpr const char* kTexts[] = {
    // files
    QT_TRANSLATE_NOOP("Error", "Couldn't draw “%1”: not enough memory"),
    QT_TRANSLATE_NOOP("Error", "Couldn't keep the capture in “%1”: not enough memory"),
    QT_TRANSLATE_NOOP("Error", "Couldn't open “%1”: %2"),
    QT_TRANSLATE_NOOP("Error", "Couldn't read “%1”: %2"),
    QT_TRANSLATE_NOOP("Error", "Couldn't write “%1”: %2"),
    QT_TRANSLATE_NOOP("Error", "Couldn't use “%1”: %2"),
    QT_TRANSLATE_NOOP("Error", "“%1” is not a Pictavo project."),
    QT_TRANSLATE_NOOP("Error", "“%1” is not a Pictavo project or is damaged: %2"),
    QT_TRANSLATE_NOOP("Error", "“%1” is damaged: %2"),
    QT_TRANSLATE_NOOP("Error", "“%1” is not a readable image: %2"),
    QT_TRANSLATE_NOOP("Error", "“%1” could not be decoded: %2"),
    QT_TRANSLATE_NOOP("Error", "“%1” could not be opened as a PDF: %2"),
    QT_TRANSLATE_NOOP("Error", "“%1” needs more memory to decode than Pictavo allows"),
    QT_TRANSLATE_NOOP("Error", "“%1” is %2; Pictavo does not write through it"),
    QT_TRANSLATE_NOOP("Error", "The project could not be encoded: %1"),
    // reading text
    QT_TRANSLATE_NOOP("Error", "The text of %1 could not be read: %2"),
    QT_TRANSLATE_NOOP("Error", "The text of %1 could not be read"),
    QT_TRANSLATE_NOOP("Error", "Reading the text of %1 takes more than %2 seconds"),
    QT_TRANSLATE_NOOP("Error", "There is not enough memory to read the text"),
    QT_TRANSLATE_NOOP("Error", "No text recognition languages are installed (install tesseract-ocr-eng)"),
    QT_TRANSLATE_NOOP("Error", "At most 8 languages can be read at once"),
    // capture
    QT_TRANSLATE_NOOP("Error", "No X display to capture (DISPLAY is not set or the server refused us)."),
    QT_TRANSLATE_NOOP("Error", "No screenshot portal answered. %1"),
    QT_TRANSLATE_NOOP("Error", "The desktop portal here offers no screenshots. %1"),
    QT_TRANSLATE_NOOP("Error", "Install xdg-desktop-portal and the portal of your desktop "
                               "(xdg-desktop-portal-gnome, -kde or -wlr)."),
    QT_TRANSLATE_NOOP("Error", "The desktop portal refused to take a screenshot (%1). Allow screenshots for "
                               "Pictavo in your desktop's privacy settings."),
    QT_TRANSLATE_NOOP("Error", "The screenshot portal failed: %1. %2"),
    QT_TRANSLATE_NOOP("Error", "GNOME did not answer: Pictavo lacks the screenshot permission. Answer “Allow” "
                               "when GNOME asks “Allow Applications to Take Screenshots?”, or grant it in a "
                               "terminal: %1"),
    QT_TRANSLATE_NOOP("Error", "GNOME's question “Allow Applications to Take Screenshots?” was not answered, so "
                               "Pictavo lacks the screenshot permission. Answer “Allow” there (it may still be "
                               "on the screen) and capture again, or grant it in a terminal: %1"),
    QT_TRANSLATE_NOOP("Error", "GNOME refused Pictavo the screenshot permission. To be asked again, reset it in "
                               "a terminal: %1"),
    QT_TRANSLATE_NOOP("Error", "Pictavo could not listen for the screenshot portal's answer: %1"),
    QT_TRANSLATE_NOOP("Error", "Pictavo is waiting for an answer in “%1”: answer it, then capture again."),
    QT_TRANSLATE_NOOP("Error", "The screenshot portal answered without a picture file."),
    QT_TRANSLATE_NOOP("Error", "The screenshot portal did not take the picture."),
    QT_TRANSLATE_NOOP("Error", "The screenshot portal's picture could not be read: %1"),
    QT_TRANSLATE_NOOP("Error", "Not enough memory for a picture of the screen."),
    QT_TRANSLATE_NOOP("Error", "The X server refused the screen's pixels (error %1)."),
    QT_TRANSLATE_NOOP("Error", "The X server sent pixels of a depth Pictavo cannot read."),
    QT_TRANSLATE_NOOP("Error", "The screen's size cannot be captured."),
    QT_TRANSLATE_NOOP("Error", "There is no screen to capture."),
    QT_TRANSLATE_NOOP("Error", "a capture is already in progress"),
    // reasons, as they fill the gaps above
    QT_TRANSLATE_NOOP("Error", "it is not a regular file"),
    QT_TRANSLATE_NOOP("Error", "the file is too large"),
    QT_TRANSLATE_NOOP("Error", "nothing to write"),
    QT_TRANSLATE_NOOP("Error", "there is no picture"),
    QT_TRANSLATE_NOOP("Error", "the data could not be encoded"),
    QT_TRANSLATE_NOOP("Error", "the picture could not be drawn"),
    QT_TRANSLATE_NOOP("Error", "the picture could not be encoded"),
    QT_TRANSLATE_NOOP("Error", "the picture could not be written as PNG"),
    QT_TRANSLATE_NOOP("Error", "there is not enough space on the disk"),
    QT_TRANSLATE_NOOP("Error", "its format is not one Pictavo reads"),
    QT_TRANSLATE_NOOP("Error", "%1 pictures are not supported"),
    QT_TRANSLATE_NOOP("Error", "it holds no picture"),
    QT_TRANSLATE_NOOP("Error", "it is too large"),
    QT_TRANSLATE_NOOP("Error", "it is %1 × %2 pixels, more than %3 on a side"),
    QT_TRANSLATE_NOOP("Error", "the picture would be %1 × %2 pixels, more than %3 on a side"),
    QT_TRANSLATE_NOOP("Error", "its pictures together are too large"),
    QT_TRANSLATE_NOOP("Error", "its picture cannot be decoded (%1)"),
    QT_TRANSLATE_NOOP("Error", "not enough memory to convert it"),
    QT_TRANSLATE_NOOP("Error", "there is not enough memory to decode it"),
    QT_TRANSLATE_NOOP("Error", "there is not enough memory to open it"),
    QT_TRANSLATE_NOOP("Error", "the decoding process stopped"),
    QT_TRANSLATE_NOOP("Error", "the decoding process answered nonsense"),
    QT_TRANSLATE_NOOP("Error", "the decoding process could not be started (%1)"),
    QT_TRANSLATE_NOOP("Error", "it has no pages."),
    QT_TRANSLATE_NOOP("Error", "it has no such page."),
    QT_TRANSLATE_NOOP("Error", "it is protected by a password."),
    QT_TRANSLATE_NOOP("Error", "its protection is not supported."),
    QT_TRANSLATE_NOOP("Error", "the file cannot be read."),
    QT_TRANSLATE_NOOP("Error", "the file is damaged or not a PDF."),
    QT_TRANSLATE_NOOP("Error", "the file is not there."),
    QT_TRANSLATE_NOOP("Error", "the page cannot be drawn"),
    QT_TRANSLATE_NOOP("Error", "the page could not be drawn."),
    QT_TRANSLATE_NOOP("Error", "the page is too small to show."),
    QT_TRANSLATE_NOOP("Error", "a link owned by another user"),
    QT_TRANSLATE_NOOP("Error", "a link in a folder other users may write"),
    QT_TRANSLATE_NOOP("Error", "it belongs to another user"),
    QT_TRANSLATE_NOOP("Error", "it is a link, not a folder"),
    QT_TRANSLATE_NOOP("Error", "it is not a folder"),
    QT_TRANSLATE_NOOP("Error", "it is empty"),
    QT_TRANSLATE_NOOP("Error", "the recognition process answered nonsense"),
    QT_TRANSLATE_NOOP("Error", "the picture could not be prepared for reading"),
    QT_TRANSLATE_NOOP("Error", "the text recognition data for “%1” could not be loaded"),
    QT_TRANSLATE_NOOP("Error", "text recognition is not installed (%1: %2)"),
};

struct Pattern {
    const char* text;
    QRegularExpression match;
    std::vector<int> gaps; // the placeholder number of each captured group, in order
    std::vector<bool> quoted; // a gap inside “…” holds a name, never translated
};

const std::vector<Pattern>& patterns() {
    static const std::vector<Pattern> all = [] {
        static const QRegularExpression placeholder(QStringLiteral("%([1-9])"));
        std::vector<Pattern> out;
        for (const char* text : kTexts) {
            const QString source = QString::fromUtf8(text);
            Pattern p{text, {}, {}, {}};
            QString expression = QStringLiteral("^");
            qsizetype at = 0;
            for (auto it = placeholder.globalMatch(source); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                expression += QRegularExpression::escape(source.mid(at, m.capturedStart() - at));
                expression += QStringLiteral("(.+?)");
                p.gaps.push_back(m.captured(1).toInt());
                p.quoted.push_back(m.capturedStart() > 0 && source.at(m.capturedStart() - 1) == QChar(0x201C));
                at = m.capturedEnd();
            }
            expression += QRegularExpression::escape(source.mid(at)) + QStringLiteral("$");
            p.match.setPattern(expression);
            p.match.setPatternOptions(QRegularExpression::DotMatchesEverythingOption);
            out.push_back(std::move(p));
        }
        return out;
    }();
    return all;
}

// `text` with each %N replaced by fills[N] in one pass, so a fill holding "%2" stays as it is.
QString filled(const QString& text, const QStringList& fills) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'%' && i + 1 < text.size() && text.at(i + 1) >= u'1' && text.at(i + 1) <= u'9') {
            const int n = text.at(i + 1).unicode() - u'0';
            if (n <= fills.size()) {
                out += fills.at(n - 1);
                ++i;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

QString translatedAt(const QString& english, int depth) {
    if (english.isEmpty() || depth > 4) return english;
    for (const Pattern& p : patterns()) {
        const QRegularExpressionMatch m = p.match.match(english);
        if (!m.hasMatch()) continue;
        const QString target = QCoreApplication::translate("Error", p.text);
        QStringList fills;
        for (size_t g = 0; g < p.gaps.size(); ++g) {
            const int n = p.gaps[g];
            if (fills.size() < n) fills.resize(n);
            const QString part = m.captured(int(g) + 1);
            fills[n - 1] = p.quoted[g] ? part : translatedAt(part, depth + 1);
        }
        return filled(target, fills);
    }
    return english;
}

} // namespace

QString translated(const QString& english) {
    // Several failures are shown one per line.
    if (!english.contains(u'\n')) return translatedAt(english, 0);
    QStringList lines = english.split(u'\n');
    for (QString& line : lines) line = translatedAt(line, 0);
    return lines.join(u'\n');
}

} // namespace ErrorTexts
