#include "io/TextRecognition.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

// Tesseract's side of text recognition, built as a module of its own: only the text child loads
// it, so no other start of the program pays for loading Tesseract and the libraries it needs.
namespace TextRecognition {

namespace {

// Below this many pixels, a second recogniser costs more to start than it saves.
constexpr qint64 kParallelPixels = 1500 * 1000;

double median(std::vector<int> values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

struct Block {
    QRect box; // in the prepared picture's pixels
    int lines = 0; // lines of text the layout found in it
    bool table = false;
    std::vector<std::pair<int, int>> rows; // top and bottom of each of its lines
    qint64 area() const { return qint64(box.width()) * box.height(); }
};

// Thinner "lines" are the borders of input fields and rules, which the layout takes for text: they
// made the median line look 3 px high, the picture was enlarged four times, and read nothing.
constexpr int kMinLineHeight = 6;

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
    return api;
}

// Screens have no paper resolution. Tesseract sizes its noise filters and layout by the one it is
// told: screen text at the 300 dpi of a scan is too small to be text (a page of fields read 3 of
// its 24 lines). A screen's own, times the enlargement, reads it.
constexpr double kScreenDpi = 96;

void setResolution(tesseract::TessBaseAPI& api, double scale) {
    api.SetVariable("user_defined_dpi", std::to_string(std::lround(kScreenDpi * scale)).c_str());
}

Layout analyse(tesseract::TessBaseAPI& api, const QImage& gray) {
    Layout layout;
    setResolution(api, 1.0);
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
            if (textBlock) layout.blocks.push_back({QRect(l, t, r - l, b - t), 0, it->BlockType() == tesseract::PT_TABLE, {}});
        }
        if (textBlock && it->BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b) && b - t >= kMinLineHeight) {
            heights.push_back(b - t);
            ++layout.blocks.back().lines;
            layout.blocks.back().rows.emplace_back(t, b);
        }
    } while (it->Next(tesseract::RIL_TEXTLINE));
    layout.lineHeight = median(std::move(heights));
    return layout;
}

// A block holding most of the text (a table, a page of code) is cut in two between its lines, so
// both recognisers have a half to read instead of one reading it all.
void splitLargest(Layout& layout) {
    qint64 total = 0;
    for (const Block& block : layout.blocks) total += block.area();
    for (size_t i = 0; i < layout.blocks.size(); ++i) {
        Block& block = layout.blocks[i];
        if (block.lines < 8 || block.area() * 5 < total * 2) continue;
        std::vector<std::pair<int, int>> rows = block.rows;
        std::sort(rows.begin(), rows.end());
        // The gap nearest the middle line that no line crosses: below[k] is the lowest bottom of
        // the lines before line k.
        std::vector<int> below(rows.size());
        for (size_t k = 1; k < rows.size(); ++k) below[k] = std::max(k > 1 ? below[k - 1] : 0, rows[k - 1].second);
        const size_t middle = rows.size() / 2;
        int cut = -1;
        size_t upper = 0;
        for (size_t step = 0; step < middle && cut < 0; ++step) {
            for (const size_t k : {middle - step, middle + step}) {
                if (k == 0 || k >= rows.size() || rows[k].first <= below[k]) continue;
                cut = (below[k] + rows[k].first + 1) / 2;
                upper = k;
                break;
            }
        }
        if (cut <= block.box.top() || cut >= block.box.bottom()) continue;
        Block lower{QRect(QPoint(block.box.left(), cut), block.box.bottomRight()), int(rows.size() - upper), block.table,
                    std::vector<std::pair<int, int>>(rows.begin() + std::ptrdiff_t(upper), rows.end())};
        block.box.setBottom(cut - 1);
        block.lines = int(upper);
        block.rows.assign(rows.begin(), rows.begin() + std::ptrdiff_t(upper));
        layout.blocks.insert(layout.blocks.begin() + std::ptrdiff_t(i) + 1, std::move(lower));
        return;
    }
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
    setResolution(api, work.scale);
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
        // A table read as one block gives next to nothing at times (a page of labelled fields came
        // back as 3 of its 24 lines): its columns and rows are found again inside it.
        const bool table = work.blocks[i].table;
        if (table) api.SetPageSegMode(tesseract::PSM_AUTO);
        api.SetRectangle(area.x(), area.y(), area.width(), area.height());
        if (api.Recognize(nullptr) == 0) work.words[i] = collect(api, scale);
        if (table) api.SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
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

void loadEnginesHere(const QString& languages) {
    loaded().load(languages);
}

Result<RecognizedText> recognizeWithEngine(const QImage& gray, const QString& languages) {
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
    Layout layout = analyse(*api, gray);

    RecognizedText text;
    if (layout.blocks.empty()) return text;

    if (helper.joinable()) splitLargest(layout);
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
    QList<RecognizedWord> all;
    for (size_t i = 0; i < work.blocks.size(); ++i) {
        int lastLine = -1;
        for (RecognizedWord word : work.words[i]) {
            if (word.line != lastLine) {
                lastLine = word.line;
                ++line;
            }
            word.line = line;
            word.block = int(i);
            all.append(word);
        }
    }
    text.words = withoutRepeats(all);
    return text;
}

constexpr EngineCalls kCalls{&loadEnginesHere, &recognizeWithEngine};

} // namespace

} // namespace TextRecognition

extern "C" __attribute__((visibility("default"))) const TextRecognition::EngineCalls* pictavo_text_engine() {
    return &TextRecognition::kCalls;
}
