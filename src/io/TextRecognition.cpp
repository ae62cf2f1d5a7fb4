#include "io/TextRecognition.h"

#include "graphics/Parallel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>

namespace TextRecognition {

namespace {

// Screen text is small: lines (as the layout measures them, about the capital height) smaller
// than this are scaled up to it. Measured on rendered settings pages: 16 reads as many values as
// 20, 28 or 40 but for 2 in 480, at two thirds of 20's time; 10 (no scaling) and 14 read fewer.
constexpr double kWantedLineHeight = 16;
constexpr double kMaxUpscale = 4;
// What an upscaled picture may hold, so a 5K picture of tiny text stays within the child's memory.
constexpr qint64 kMaxScaledPixels = qint64(80) << 20;

QStringList candidateFolders() {
    QStringList folders;
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty()) folders << prefix << prefix + QStringLiteral("/tessdata");
    folders << QStringLiteral("/usr/share/tesseract-ocr/5/tessdata") << QStringLiteral("/usr/share/tesseract-ocr/4.00/tessdata")
            << QStringLiteral("/usr/share/tessdata") << QStringLiteral("/usr/local/share/tessdata");
    return folders;
}

bool validLanguageName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z][A-Za-z0-9_]{1,30}$"));
    return pattern.match(name).hasMatch();
}

} // namespace

QImage enlarged(const QImage& gray, double scale) {
    if (gray.format() != QImage::Format_Grayscale8 || gray.isNull() || scale <= 0) return {};
    const int width = std::max(1, int(std::lround(gray.width() * scale))),
              height = std::max(1, int(std::lround(gray.height() * scale)));
    QImage out(width, height, QImage::Format_Grayscale8);
    if (out.isNull()) return {};
    // Bilinear, pixel centres on pixel centres, weights in 1/256.
    const auto source = [scale](int to, int limit, int* from, int* weight) {
        const double at = std::clamp((to + 0.5) / scale - 0.5, 0.0, double(limit - 1));
        *from = std::min(int(at), limit - 1);
        *weight = int(std::lround((at - *from) * 256));
        if (*from == limit - 1) *weight = 0;
    };
    std::vector<int> xs(static_cast<size_t>(width)), xw(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) source(x, gray.width(), &xs[size_t(x)], &xw[size_t(x)]);
    const int last = gray.width() - 1;
    Parallel::forRanges(height, 256, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            int sy, wy;
            source(y, gray.height(), &sy, &wy);
            const uchar* top = gray.constScanLine(sy);
            const uchar* bottom = gray.constScanLine(std::min(sy + 1, gray.height() - 1));
            uchar* row = out.scanLine(y);
            for (int x = 0; x < width; ++x) {
                const int sx = xs[size_t(x)], sx1 = std::min(sx + 1, last), wx = xw[size_t(x)];
                const int upper = top[sx] * (256 - wx) + top[sx1] * wx;
                const int lower = bottom[sx] * (256 - wx) + bottom[sx1] * wx;
                row[x] = uchar((upper * (256 - wy) + lower * wy + (1 << 15)) >> 16);
            }
        }
    });
    return out;
}

namespace {

// The engine module: beside the program in a build tree (one folder up for the tests and
// benchmarks), in the program's library folder once installed. Only folders of the program's own.
const EngineCalls* engineCalls(QString* problem) {
    static QString failure;
    static const EngineCalls* const calls = []() -> const EngineCalls* {
        const QString program = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
        const QDir here = QFileInfo(program).absoluteDir();
        const QString name = QStringLiteral(PICTAVO_TEXT_MODULE_NAME);
        QString lastError = QStringLiteral("not found beside %1").arg(program);
        for (const QString& path : {here.filePath(QStringLiteral(PICTAVO_TEXT_MODULE_RELATIVE "/") + name),
                                    here.filePath(name), here.filePath(QStringLiteral("../") + name)}) {
            if (!QFileInfo::exists(path)) continue;
            void* module = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
            if (!module) {
                lastError = QString::fromLocal8Bit(::dlerror());
                continue;
            }
            using Entry = const EngineCalls* (*)();
            if (const auto entry = reinterpret_cast<Entry>(::dlsym(module, "pictavo_text_engine"))) return entry();
            lastError = QStringLiteral("%1 is not Pictavo's text module").arg(path);
            ::dlclose(module);
        }
        failure = QStringLiteral("text recognition is not installed (%1: %2)").arg(name, lastError);
        return nullptr;
    }();
    if (!calls && problem) *problem = failure;
    return calls;
}

} // namespace

void loadEngines(const QString& languages) {
    if (const EngineCalls* calls = engineCalls(nullptr)) calls->loadEngines(languages);
}

Result<RecognizedText> recognizeHere(const QImage& gray, const QString& languages) {
    QString problem;
    const EngineCalls* calls = engineCalls(&problem);
    if (!calls) return IoError{IoError::Kind::readError, problem};
    return calls->recognizeHere(gray, languages);
}

QString dataFolder() {
    for (const QString& folder : candidateFolders()) {
        QDir dir(folder);
        if (dir.exists() && !dir.entryList({QStringLiteral("*.traineddata")}, QDir::Files).isEmpty())
            return dir.absolutePath();
    }
    return {};
}

QStringList installedLanguages() {
    const QString folder = dataFolder();
    if (folder.isEmpty()) return {};
    QStringList languages;
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("*.traineddata")}, QDir::Files, QDir::Name)) {
        const QString name = file.completeBaseName();
        if (name != QLatin1String("osd") && name != QLatin1String("equ") && validLanguageName(name)) languages << name;
    }
    return languages;
}

QString defaultLanguages(const QLocale& locale) {
    const QStringList installed = installedLanguages();
    QStringList chosen;
    // Tesseract names its data by ISO 639-3, except for a few languages it splits by script.
    QString own = QLocale::languageToCode(locale.language(), QLocale::ISO639Part3);
    if (locale.language() == QLocale::Chinese)
        own = locale.script() == QLocale::TraditionalHanScript ? QStringLiteral("chi_tra") : QStringLiteral("chi_sim");
    else if (locale.language() == QLocale::NorwegianBokmal || locale.language() == QLocale::NorwegianNynorsk)
        own = QStringLiteral("nor");
    if (!own.isEmpty() && installed.contains(own)) chosen << own;
    if (!chosen.contains(QLatin1String("eng")) && installed.contains(QLatin1String("eng"))) chosen << QStringLiteral("eng");
    if (chosen.isEmpty() && !installed.isEmpty()) chosen << installed.first();
    return chosen.isEmpty() ? QStringLiteral("eng") : chosen.join(QLatin1Char('+'));
}

Result<QString> checkedLanguages(const QString& languages) {
    const QStringList installed = installedLanguages();
    if (installed.isEmpty())
        return IoError{IoError::Kind::readError,
                       QStringLiteral("No text recognition languages are installed (install tesseract-ocr-eng)")};
    if (languages.trimmed().isEmpty()) return defaultLanguages();
    const QStringList asked = languages.split(QLatin1Char('+'));
    if (asked.size() > 8)
        return IoError{IoError::Kind::readError, QStringLiteral("At most 8 languages can be read at once")};
    for (const QString& name : asked) {
        if (!validLanguageName(name) || !installed.contains(name))
            return IoError{IoError::Kind::readError,
                           QStringLiteral("The language “%1” is not installed for text recognition (installed: %2; "
                                          "more come with the tesseract-ocr-LANGUAGE packages)")
                               .arg(name.left(40), installed.join(QStringLiteral(", ")))};
    }
    return asked.join(QLatin1Char('+'));
}

QImage prepared(const QImage& image) {
    if (image.isNull()) return {};
    QImage flat = image;
    if (flat.hasAlphaChannel()) {
        // Transparent parts read as the light ground they are usually shown on.
        QImage ground(flat.size(), QImage::Format_RGB32);
        ground.fill(Qt::white);
        QPainter(&ground).drawImage(0, 0, flat);
        flat = ground;
    }
    QImage gray = flat.convertToFormat(QImage::Format_Grayscale8);
    // A dark theme: Tesseract reads dark text on light ground.
    qint64 sum = 0;
    const int step = std::max(1, int(std::sqrt(double(gray.width()) * gray.height() / 250000.0)));
    qint64 samples = 0;
    for (int y = 0; y < gray.height(); y += step) {
        const uchar* row = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); x += step, ++samples) sum += row[x];
    }
    if (samples > 0 && sum / samples < 110) gray.invertPixels();
    return gray;
}

QList<RecognizedWord> withoutRepeats(const QList<RecognizedWord>& words) {
    constexpr int kBand = 16; // words are looked up by the band their middle lies in
    QHash<int, QList<qsizetype>> bands;
    QList<RecognizedWord> kept;
    int line = 0, lastSource = -1;
    for (RecognizedWord word : words) {
        const int band = word.box.center().y() / kBand;
        bool repeat = false;
        for (int b = band - 1; b <= band + 1 && !repeat; ++b) {
            for (const qsizetype k : bands.value(b)) {
                const QRect& other = kept[k].box;
                const QRect both = other & word.box;
                const qint64 smaller = std::min(qint64(other.width()) * other.height(), qint64(word.box.width()) * word.box.height());
                if (kept[k].text == word.text && !both.isEmpty() && qint64(both.width()) * both.height() * 2 >= smaller) {
                    repeat = true;
                    break;
                }
            }
        }
        if (repeat) continue;
        if (word.line != lastSource || kept.isEmpty()) {
            lastSource = word.line;
            ++line;
        }
        word.line = line;
        bands[band].append(kept.size());
        kept.append(std::move(word));
    }
    return kept;
}

double enlargement(double lineHeight, qint64 pixels) {
    double scale = lineHeight > 0 ? std::clamp(kWantedLineHeight / lineHeight, 1.0, kMaxUpscale) : 1.0;
    while (scale > 1.0 && double(pixels) * scale * scale > double(kMaxScaledPixels)) scale -= 0.25;
    return scale < 1.2 ? 1.0 : scale;
}

QByteArray encode(const RecognizedText& text) {
    QJsonArray words;
    for (const RecognizedWord& w : text.words)
        words.append(QJsonArray{w.text, w.box.x(), w.box.y(), w.box.width(), w.box.height(), double(w.confidence), w.block,
                                w.line});
    return QJsonDocument(QJsonObject{{QStringLiteral("words"), words}}).toJson(QJsonDocument::Compact);
}

Result<RecognizedText> decode(const QByteArray& bytes, QSize bounds) {
    const IoError nonsense{IoError::Kind::decodingError, QStringLiteral("the text recognition process answered nonsense")};
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) return nonsense;
    const QJsonValue list = document.object().value(QStringLiteral("words"));
    if (!list.isArray()) return nonsense;
    RecognizedText text;
    const QRect area(QPoint(0, 0), bounds);
    for (const QJsonValue& value : list.toArray()) {
        const QJsonArray w = value.toArray();
        if (w.size() != 8 || !w[0].isString()) return nonsense;
        for (int i = 1; i < 8; ++i)
            if (!w[i].isDouble()) return nonsense;
        const QRect box(w[1].toInt(), w[2].toInt(), w[3].toInt(), w[4].toInt());
        const QString word = w[0].toString();
        if (word.isEmpty() || word.size() > 1000 || box.isEmpty() || !area.contains(box)) return nonsense;
        text.words.append({word, box, float(std::clamp(w[5].toDouble(), 0.0, 100.0)), w[6].toInt(), w[7].toInt()});
    }
    return text;
}

} // namespace TextRecognition
