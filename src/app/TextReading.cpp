#include "app/TextReading.h"

#include "io/DecodingChild.h"
#include "io/TextRecognition.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

#include <atomic>
#include <memory>

namespace TextReading {

std::shared_ptr<std::atomic<bool>> read(QObject* context, QImage image, const QString& languages, Done done,
                                        const QString& name) {
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    QObject::connect(context, &QObject::destroyed, [cancel] { *cancel = true; });
    const QString called = name.isEmpty() ? QStringLiteral("the picture") : name;
    DecodingChild::inBackground(
        context,
        [image = std::move(image), languages, called, cancel] {
            return DecodingChild::readText(image, languages, called, cancel.get());
        },
        [done = std::move(done)](const Result<RecognizedText>& text) { done(text); });
    return cancel;
}

bool wasCancelled(const IoError& error) {
    return error.message == QLatin1String("Cancelled");
}

void copy(const RecognizedText& text) {
    QGuiApplication::clipboard()->setText(text.plainText());
}

QString copiedMessage(int lines) {
    if (lines <= 0) return QCoreApplication::translate("TextReading", "No text found");
    return lines == 1 ? QCoreApplication::translate("TextReading", "Copied 1 line of text")
                      : QCoreApplication::translate("TextReading", "Copied %1 lines of text").arg(lines);
}

} // namespace TextReading
