#pragma once

#include "editor/ObjectClipboard.h"

// The desktop's clipboard. Objects travel under Pictavo's own format, with a picture beside them
// for programs that do not know it.
class SystemClipboard final : public ObjectClipboard {
public:
    static SystemClipboard& instance();

    void setObjects(const QByteArray& payload, const QImage& picture) override;
    std::optional<QByteArray> objects() const override;
};
