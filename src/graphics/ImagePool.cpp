#include "graphics/ImagePool.h"

#include <QMutex>

#include <cstdlib>
#include <deque>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace ImagePool {

namespace {

constexpr qsizetype kMinPooledBytes = qsizetype(1) << 20;
constexpr qsizetype kMaxFreeBytes = qsizetype(512) << 20;
constexpr size_t kMaxFreeBuffers = 6;
constexpr size_t kHugePage = size_t(2) << 20;

struct Buffer {
    void* data = nullptr;
    qsizetype bytes = 0;
};

// Never destroyed: images released during static destruction still find their pool.
struct Pool {
    QMutex mutex;
    std::deque<Buffer> freeList; // most recently returned first
    qsizetype freeTotal = 0;
};
Pool& pool() {
    static Pool* instance = new Pool;
    return *instance;
}

Buffer allocate(qsizetype bytes) {
    const size_t rounded = (size_t(bytes) + kHugePage - 1) / kHugePage * kHugePage;
    void* data = std::aligned_alloc(kHugePage, rounded);
    if (!data) return {};
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Fewer, larger page faults on first touch where the kernel allows it.
    madvise(data, rounded, MADV_HUGEPAGE);
#endif
    return Buffer{data, bytes};
}

void release(void* info) {
    Buffer* buffer = static_cast<Buffer*>(info);
    {
        auto& [mutex, freeList, freeTotal] = pool();
        QMutexLocker lock(&mutex);
        freeList.push_front(*buffer);
        freeTotal += buffer->bytes;
        while (!freeList.empty() && (freeList.size() > kMaxFreeBuffers || freeTotal > kMaxFreeBytes)) {
            freeTotal -= freeList.back().bytes;
            std::free(freeList.back().data);
            freeList.pop_back();
        }
    }
    delete buffer;
}

Buffer take(qsizetype bytes) {
    auto& [mutex, freeList, freeTotal] = pool();
    QMutexLocker lock(&mutex);
    for (auto it = freeList.begin(); it != freeList.end(); ++it) {
        if (it->bytes == bytes) {
            const Buffer found = *it;
            freeList.erase(it);
            freeTotal -= bytes;
            return found;
        }
    }
    return {};
}

} // namespace

QImage acquire(int width, int height, QImage::Format format) {
    if (width <= 0 || height <= 0) return QImage();
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype bytesPerLine = ((qsizetype(width) * depth + 31) / 32) * 4;
    const qsizetype bytes = bytesPerLine * height;
    if (bytes < kMinPooledBytes) return QImage(width, height, format);

    Buffer buffer = take(bytes);
    if (!buffer.data) buffer = allocate(bytes);
    if (!buffer.data) return QImage();
    auto* info = new Buffer(buffer);
    return QImage(static_cast<uchar*>(buffer.data), width, height, bytesPerLine, format, &release, info);
}

void trim() {
    auto& [mutex, freeList, freeTotal] = pool();
    QMutexLocker lock(&mutex);
    for (const Buffer& b : freeList)
        std::free(b.data);
    freeList.clear();
    freeTotal = 0;
}

qint64 freeBytes() {
    QMutexLocker lock(&pool().mutex);
    return pool().freeTotal;
}

} // namespace ImagePool
