#pragma once

#include <QList>
#include <QRect>
#include <QString>

// What text recognition read in a picture: every word with its box in the picture's pixels.
struct RecognizedWord {
    QString text;
    QRect box;           // in the recognised picture's pixels
    float confidence = 0; // 0-100
    int block = 0;        // words of one block share its number, blocks in reading order
    int line = 0;         // words of one line share its number (unique over the picture), lines in reading order
};

struct RecognizedText {
    QList<RecognizedWord> words; // in reading order

    // The words joined: a space between words of a line, a line break between lines and an empty
    // line between blocks.
    QString plainText() const {
        QString text;
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (i > 0) {
                const RecognizedWord& previous = words[i - 1];
                if (words[i].block != previous.block)
                    text += QStringLiteral("\n\n");
                else if (words[i].line != previous.line)
                    text += QLatin1Char('\n');
                else
                    text += QLatin1Char(' ');
            }
            text += words[i].text;
        }
        return text;
    }
    int lineCount() const {
        int lines = 0;
        for (qsizetype i = 0; i < words.size(); ++i)
            if (i == 0 || words[i].line != words[i - 1].line) ++lines;
        return lines;
    }
};
