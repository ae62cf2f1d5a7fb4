#pragma once

#include "io/IoError.h"
#include "io/RecognizedText.h"

#include <QImage>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <atomic>

// Reading the text of a picture, offline, with Tesseract: the engine's side. The program reads text
// through DecodingChild::readText, in a limited child process started with OMP_THREAD_LIMIT=1:
// Tesseract's OpenMP threads make it many times slower on screen-sized pictures, and OpenMP reads
// the limit only when it is loaded.
namespace TextRecognition {

// The folder holding the installed *.traineddata (TESSDATA_PREFIX first), or empty.
QString dataFolder();
// Installed languages ("eng", "deu", ...), without the script-detection data.
QStringList installedLanguages();
// The user's language where it is installed, then English; "eng" when nothing fits.
QString defaultLanguages(const QLocale& locale = QLocale());
// `languages` as Tesseract takes them ("eng+deu"), checked against what is installed; empty means
// the default. The error names what is missing.
Result<QString> checkedLanguages(const QString& languages);

// How long a picture may take before recognition gives up.
inline constexpr int kTimeLimitSeconds = 30;

// The picture as recognition reads it: grey, dark text on a light ground (a dark theme inverted).
QImage prepared(const QImage& image);

// How much a picture of `pixels` pixels whose lines measure `lineHeight` is enlarged before it is
// read: small text up to about 20 pixels, by at most 4, within 80 M pixels; 1 when not worth it.
double enlargement(double lineHeight, qint64 pixels);

// `gray` enlarged `scale` times, bilinear; null when out of memory.
QImage enlarged(const QImage& gray, double scale);

// `words` without those read twice where they stand (blocks of the layout may overlap): a word
// with the same text over at least half of one kept before it is dropped. Lines are numbered again.
QList<RecognizedWord> withoutRepeats(const QList<RecognizedWord>& words);

// In this process (the child's side): loads two recognisers for `languages` ahead of the next
// recognizeHere, which takes them. An engine that fails to load is loaded again (and its error
// reported) then.
void loadEngines(const QString& languages);

// In this process (the child's side): a prepared picture to words.
Result<RecognizedText> recognizeHere(const QImage& gray, const QString& languages);

// What the engine module (Tesseract's side, loaded by the child alone) offers.
struct EngineCalls {
    void (*loadEngines)(const QString& languages);
    Result<RecognizedText> (*recognizeHere)(const QImage& gray, const QString& languages);
};

// The words as bytes between the child and its parent, and back, refusing anything malformed.
QByteArray encode(const RecognizedText& text);
Result<RecognizedText> decode(const QByteArray& bytes, QSize bounds);

} // namespace TextRecognition
