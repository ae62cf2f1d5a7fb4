#pragma once

#include "graphics/DrawingSurface.h"
#include "io/IoError.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

// Decodes images from untrusted bytes: the size in the header is checked before anything is
// decoded, so no file can make the program allocate more than one 20000 x 20000 picture. PNG text
// chunks are skipped unread: Pictavo uses none, and a few kilobytes of them inflate to gigabytes.
namespace ImageDecoder {

using DrawingSurface::kMaxPixels;
using DrawingSurface::kMaxSide;

// Pixels one load may decode in all: kMaxPixels unless a ScopedLoadBudget lowers it.
qint64 pixelsPerLoad();

// Lowers the pixels per load while it lives, so that tests can try the shared budget with small
// pictures instead of gigabytes of them.
class ScopedLoadBudget {
public:
    explicit ScopedLoadBudget(qint64 pixels);
    ~ScopedLoadBudget();
    ScopedLoadBudget(const ScopedLoadBudget&) = delete;
    ScopedLoadBudget& operator=(const ScopedLoadBudget&) = delete;

private:
    qint64 m_previous;
};

// Pixels still allowed for one load: a project and all its pasted pictures share one budget.
struct Budget {
    qint64 remainingPixels = pixelsPerLoad();
};

// The first frame, upright by its orientation tag, in the drawing format (RGB32 while opaque,
// premultiplied ARGB32 otherwise) at 96 dpi. `name` names the source in error messages.
Result<QImage> decode(const QByteArray& bytes, const QString& name, Budget* budget = nullptr);
Result<QImage> decodeFile(const QString& path, Budget* budget = nullptr);

// Somewhere else to decode: the decoding child process. While a ScopedBackend lives, decode() and
// decodeFile() on its thread (and so every load made there, projects included) go to it.
class Backend {
public:
    virtual ~Backend() = default;
    virtual Result<QImage> decode(const QByteArray& bytes, const QString& name, Budget* budget) = 0;
    virtual Result<QImage> decodeFile(const QString& path, Budget* budget) = 0;
};

class ScopedBackend {
public:
    explicit ScopedBackend(Backend* backend);
    ~ScopedBackend();
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;

private:
    Backend* m_previous;
};

// For the decoding child: decodes on this thread whatever backend is set, and a picture that
// comes out of the reader already in the drawing format and upright is decoded straight into the
// image `allocate` makes (memory shared with the parent), which saves a copy of every pixel.
using Allocate = std::function<QImage(QSize, QImage::Format)>;
Result<QImage> decodeHere(const QByteArray& bytes, const QString& name, Budget* budget, const Allocate& allocate = {});
Result<QImage> decodeFileHere(const QString& path, Budget* budget, const Allocate& allocate = {});

// The PNG without its text chunks (tEXt, zTXt, iTXt), anything else byte for byte; the bytes as
// they are when they hold none or are no PNG.
QByteArray withoutTextChunks(const QByteArray& bytes);

} // namespace ImageDecoder
