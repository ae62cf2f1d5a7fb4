#include "io/TextRecognition.h"

#include "graphics/Parallel.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <future>
#include <memory>
#include <system_error>
#include <thread>

namespace TextRecognition {

namespace {

// Screen text is small: lines (as the layout measures them, about the capital height) smaller
// than this are scaled up to it. Measured on rendered settings pages: 16 reads as many values as
// 20, 28 or 40 but for 2 in 480, at two thirds of 20's time; 10 (no scaling) and 14 read fewer.
constexpr double kWantedLineHeight = 16;
constexpr double kMaxUpscale = 4;
// What an upscaled picture may hold, so a 5K picture of tiny text stays within the child's memory.
constexpr qint64 kMaxScaledPixels = qint64(80) << 20;
// Below this many pixels, a second recogniser costs more to start than it saves.
constexpr qint64 kParallelPixels = 1500 * 1000;

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

double median(std::vector<int> values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

struct Block {
    QRect box; // in the prepared picture's pixels
    qint64 area() const { return qint64(box.width()) * box.height(); }
};

struct Layout {
    std::vector<Block> blocks;
    double lineHeight = 0;
};

// One recogniser: Tesseract's state is per instance, so each thread has its own.
std::unique_ptr<tesseract::TessBaseAPI> engine(const QString& languages, QString* error) {
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    const QByteArray folder = dataFolder().toLocal8Bit(), langs = languages.toLatin1();
    // Word lists turn random keys and serial numbers into dictionary words. They are read while the
    // engine loads, so they are turned off there (set later, the switch does nothing).
    const std::vector<std::string> names{"load_system_dawg", "load_freq_dawg"}, values{"0", "0"};
    if (api->Init(folder.isEmpty() ? nullptr : folder.constData(), langs.constData(), tesseract::OEM_LSTM_ONLY, nullptr, 0,
                  &names, &values, false) != 0) {
        *error = QStringLiteral("the text recognition data for “%1” could not be loaded").arg(languages);
        return nullptr;
    }
    // Screens have no paper resolution; this keeps Tesseract from guessing one per picture.
    api->SetVariable("user_defined_dpi", "300");
    return api;
}

Layout analyse(tesseract::TessBaseAPI& api, const QImage& gray) {
    Layout layout;
    api.SetImage(gray.constBits(), gray.width(), gray.height(), 1, int(gray.bytesPerLine()));
    api.SetPageSegMode(tesseract::PSM_AUTO);
    std::unique_ptr<tesseract::PageIterator> it(api.AnalyseLayout());
    if (!it) return layout;
    std::vector<int> heights;
    bool textBlock = false;
    do {
        int l, t, r, b;
        if (it->IsAtBeginningOf(tesseract::RIL_BLOCK)) {
            textBlock = PTIsTextType(it->BlockType()) && it->BoundingBox(tesseract::RIL_BLOCK, &l, &t, &r, &b);
            if (textBlock) layout.blocks.push_back({QRect(l, t, r - l, b - t)});
        }
        if (textBlock && it->BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b) && b - t > 2) heights.push_back(b - t);
    } while (it->Next(tesseract::RIL_TEXTLINE));
    layout.lineHeight = median(std::move(heights));
    return layout;
}

// The words of what `api` last recognised, their boxes divided by `scale`; lines numbered from 1.
QList<RecognizedWord> collect(tesseract::TessBaseAPI& api, double scale) {
    QList<RecognizedWord> words;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it) return words;
    int line = 0;
    do {
        if (it->Empty(tesseract::RIL_WORD)) continue;
        if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) || line == 0) ++line;
        std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_WORD));
        int l, t, r, b;
        if (!text || !it->BoundingBox(tesseract::RIL_WORD, &l, &t, &r, &b)) continue;
        const QString word = QString::fromUtf8(text.get()).trimmed();
        if (word.isEmpty()) continue;
        const QRect box(QPoint(int(std::floor(l / scale)), int(std::floor(t / scale))),
                        QPoint(int(std::ceil(r / scale)) - 1, int(std::ceil(b / scale)) - 1));
        words.append({word, box, it->Confidence(tesseract::RIL_WORD), 0, line});
    } while (it->Next(tesseract::RIL_WORD));
    return words;
}

// The blocks of one picture, each read by whichever recogniser is free next, largest first so the
// two end together; each block's words kept in its own place.
struct Blocks {
    QImage scaled;
    double scale = 1;
    std::vector<Block> blocks;
    std::vector<size_t> largestFirst;
    std::atomic<size_t> next{0};
    std::vector<QList<RecognizedWord>> words;
};

void readBlocks(tesseract::TessBaseAPI& api, Blocks& work) {
    api.SetImage(work.scaled.constBits(), work.scaled.width(), work.scaled.height(), 1, int(work.scaled.bytesPerLine()));
    api.SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    const double scale = work.scale;
    for (size_t taken; (taken = work.next.fetch_add(1)) < work.largestFirst.size();) {
        const size_t i = work.largestFirst[taken];
        const QRect box = work.blocks[i].box;
        const QRect area = QRect(int(std::floor(box.x() * scale)), int(std::floor(box.y() * scale)),
                                 int(std::ceil(box.width() * scale)), int(std::ceil(box.height() * scale)))
                               .adjusted(-4, -4, 4, 4)
                               .intersected(work.scaled.rect());
        if (area.isEmpty()) continue;
        api.SetRectangle(area.x(), area.y(), area.width(), area.height());
        if (api.Recognize(nullptr) == 0) work.words[i] = collect(api, scale);
    }
}

// `work` on a thread of its own; none (not joinable) when no thread is to be had.
template <typename Work> std::thread started(Work work) {
    try {
        return std::thread(std::move(work));
    } catch (const std::system_error&) {
        return {};
    }
}

// Engines loaded ahead of the picture (the child loads them while its parent decodes the file):
// the first before the picture is read, the second on a thread of its own, needed only once the
// first has found the layout.
class Loaded {
public:
    ~Loaded() { reset(); }
    void load(const QString& languages) {
        reset();
        m_languages = languages;
        m_first = engine(languages, &m_firstError);
        m_loader = started([this, languages] { m_second = engine(languages, &m_secondError); });
    }
    // The engines loaded for `languages`, if these are the ones.
    std::unique_ptr<tesseract::TessBaseAPI> takeFirst(const QString& languages) {
        return languages == m_languages ? std::move(m_first) : nullptr;
    }
    std::unique_ptr<tesseract::TessBaseAPI> takeSecond(const QString& languages) {
        if (m_loader.joinable()) m_loader.join();
        return languages == m_languages ? std::move(m_second) : nullptr;
    }

private:
    void reset() {
        if (m_loader.joinable()) m_loader.join();
        m_first.reset();
        m_second.reset();
        m_languages.clear();
    }
    QString m_languages, m_firstError, m_secondError;
    std::unique_ptr<tesseract::TessBaseAPI> m_first, m_second;
    std::thread m_loader;
};

Loaded& loaded() {
    static Loaded engines;
    return engines;
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

void loadEngines(const QString& languages) {
    loaded().load(languages);
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

double enlargement(double lineHeight, qint64 pixels) {
    double scale = lineHeight > 0 ? std::clamp(kWantedLineHeight / lineHeight, 1.0, kMaxUpscale) : 1.0;
    while (scale > 1.0 && double(pixels) * scale * scale > double(kMaxScaledPixels)) scale -= 0.25;
    return scale < 1.2 ? 1.0 : scale;
}

Result<RecognizedText> recognizeHere(const QImage& gray, const QString& languages) {
    if (gray.isNull() || gray.format() != QImage::Format_Grayscale8)
        return IoError{IoError::Kind::readError, QStringLiteral("the picture could not be prepared for reading")};
    std::unique_ptr<tesseract::TessBaseAPI> api = loaded().takeFirst(languages);
    const qint64 pixels = qint64(gray.width()) * gray.height();
    Blocks work;
    // The second recogniser loads while the first finds the layout; it is told then whether there
    // is more than one block to read. Without it, the first reads them all.
    std::promise<bool> go;
    std::thread helper;
    if (pixels >= kParallelPixels) {
        helper = started([&, wanted = go.get_future()]() mutable {
            std::unique_ptr<tesseract::TessBaseAPI> second = loaded().takeSecond(languages);
            QString ignored;
            if (!second) second = engine(languages, &ignored);
            if (wanted.get() && second) readBlocks(*second, work);
        });
    }
    // Every way out lets the helper finish first: it reads this frame's state.
    bool told = false;
    const auto tell = [&](bool wanted) {
        if (!told) go.set_value(wanted);
        told = true;
        if (helper.joinable()) helper.join();
    };
    struct Finally {
        std::function<void()> run;
        ~Finally() { run(); }
    } finally{[&] { tell(false); }};

    QString error;
    if (!api) api = engine(languages, &error);
    if (!api) return IoError{IoError::Kind::readError, error};
    const Layout layout = analyse(*api, gray);

    RecognizedText text;
    if (layout.blocks.empty()) return text;

    work.scale = enlargement(layout.lineHeight, pixels);
    work.scaled = work.scale > 1.0 ? enlarged(gray, work.scale) : gray;
    if (work.scaled.isNull())
        return IoError{IoError::Kind::readError, QStringLiteral("There is not enough memory to read the text")};
    work.blocks = layout.blocks;
    work.words.resize(work.blocks.size());
    work.largestFirst.resize(work.blocks.size());
    for (size_t i = 0; i < work.largestFirst.size(); ++i) work.largestFirst[i] = i;
    std::stable_sort(work.largestFirst.begin(), work.largestFirst.end(),
                     [&](size_t a, size_t b) { return work.blocks[a].area() > work.blocks[b].area(); });
    if (helper.joinable()) {
        go.set_value(work.blocks.size() > 1);
        told = true;
    }
    readBlocks(*api, work);
    tell(false);

    // Back in reading order, blocks and lines numbered over the whole picture.
    int line = 0;
    for (size_t i = 0; i < work.blocks.size(); ++i) {
        int lastLine = -1;
        for (RecognizedWord word : work.words[i]) {
            if (word.line != lastLine) {
                lastLine = word.line;
                ++line;
            }
            word.line = line;
            word.block = int(i);
            text.words.append(word);
        }
    }
    return text;
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
