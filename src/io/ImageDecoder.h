#pragma once

#include "graphics/DrawingSurface.h"
#include "io/IoError.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// Decodes images from untrusted bytes: the size in the header is checked before anything is
// decoded, so no file can make the program allocate more than one 20000 x 20000 picture.
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

} // namespace ImageDecoder
