#include "TextPictures.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRandomGenerator>

#include <cstring>

namespace TextPictures {

namespace {

QString randomOf(QRandomGenerator& random, const char* alphabet, int length) {
    const int n = int(std::strlen(alphabet));
    QString s;
    for (int i = 0; i < length; ++i) s += QLatin1Char(alphabet[random.bounded(n)]);
    return s;
}

// Label and value pairs as device pages show them: names, addresses, serials, keys and tokens.
QList<QPair<QString, QString>> fields(QRandomGenerator& random) {
    const char* upper = "ABCDEFGHJKLMNPQRSTUVWXYZ0123456789";
    const char* mixed = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const char* hex = "0123456789ABCDEF";
    auto mac = [&] {
        QStringList parts;
        for (int i = 0; i < 6; ++i) parts << randomOf(random, hex, 2);
        return parts.join(QLatin1Char(':'));
    };
    auto ip = [&] {
        return QStringLiteral("%1.%2.%3.%4")
            .arg(random.bounded(10, 224))
            .arg(random.bounded(0, 256))
            .arg(random.bounded(0, 256))
            .arg(random.bounded(1, 255));
    };
    const QStringList names{QStringLiteral("anna.keller"), QStringLiteral("j.moreau"), QStringLiteral("support"),
                            QStringLiteral("t.nguyen"), QStringLiteral("facilities")};
    const QStringList domains{QStringLiteral("example.com"), QStringLiteral("acme-security.de"), QStringLiteral("mail.example.org")};
    return {
        {QStringLiteral("Device name"), QStringLiteral("Door Controller %1").arg(random.bounded(1, 99))},
        {QStringLiteral("Serial number"), QStringLiteral("SN-%1-%2").arg(randomOf(random, upper, 4), randomOf(random, upper, 4))},
        {QStringLiteral("IP address"), ip()},
        {QStringLiteral("Gateway"), ip()},
        {QStringLiteral("MAC address"), mac()},
        {QStringLiteral("Administrator e-mail"),
         QStringLiteral("%1@%2").arg(names[random.bounded(names.size())], domains[random.bounded(domains.size())])},
        {QStringLiteral("Access key"), QStringLiteral("AKIA") + randomOf(random, upper, 16)},
        {QStringLiteral("API token"), QStringLiteral("ghp_") + randomOf(random, mixed, 24)},
        {QStringLiteral("Firmware"), QStringLiteral("%1.%2.%3").arg(random.bounded(1, 9)).arg(random.bounded(0, 20)).arg(random.bounded(0, 99))},
        {QStringLiteral("Stream URL"),
         QStringLiteral("rtsp://%1/live?token=%2").arg(ip(), randomOf(random, mixed, 16))},
    };
}

} // namespace

Page settingsPage(int seed, const QString& family, int pixelSize, int scale, bool dark, QSize size) {
    QRandomGenerator random{quint32(seed)};
    Page page;
    page.image = QImage(size * scale, QImage::Format_RGB32);
    const QColor ground = dark ? QColor(30, 31, 34) : QColor(246, 246, 248);
    const QColor ink = dark ? QColor(225, 226, 230) : QColor(32, 33, 36);
    const QColor fieldGround = dark ? QColor(44, 46, 50) : Qt::white;
    const QColor fieldEdge = dark ? QColor(80, 82, 88) : QColor(190, 192, 198);
    page.image.fill(ground);
    QPainter p(&page.image);
    p.scale(scale, scale);
    QFont font(family);
    font.setPixelSize(pixelSize);
    QFont bold = font;
    bold.setBold(true);
    bold.setPixelSize(pixelSize + 4);
    const QFontMetrics metrics(font);
    p.setFont(bold);
    p.setPen(ink);
    p.drawText(32, 40, QStringLiteral("Network settings"));
    p.setFont(font);
    const int labelX = 32, valueX = 32 + metrics.horizontalAdvance(QStringLiteral("Administrator e-mail")) + 28;
    int y = 72;
    int index = 0;
    for (const auto& [label, value] : fields(random)) {
        const int row = metrics.height() + 16;
        if (y + row > size.height() - 8) break;
        p.setPen(ink);
        p.drawText(labelX, y + 8 + metrics.ascent(), label);
        // Every other value sits in an input field.
        if (index++ % 2 == 1) {
            const QRect field(valueX - 8, y + 2, metrics.horizontalAdvance(value) + 60, metrics.height() + 12);
            p.setPen(fieldEdge);
            p.setBrush(fieldGround);
            p.drawRoundedRect(field, 4, 4);
            p.setBrush(Qt::NoBrush);
        }
        p.setPen(ink);
        p.drawText(valueX, y + 8 + metrics.ascent(), value);
        page.values << value;
        y += row;
    }
    page.name = QStringLiteral("%1-%2px-%3x-%4-%5").arg(family).arg(pixelSize).arg(scale).arg(dark ? "dark" : "light").arg(seed);
    page.name.replace(QLatin1Char(' '), QLatin1Char('_'));
    return page;
}

QList<Page> accuracySet() {
    QList<Page> pages;
    const QStringList families{QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Serif"), QStringLiteral("DejaVu Sans Mono"),
                               QStringLiteral("DejaVu Sans Condensed")};
    int seed = 1;
    for (const QString& family : families)
        for (int px : {11, 13, 16})
            for (int scale : {1, 2})
                for (bool dark : {false, true}) pages << settingsPage(seed++, family, px, scale, dark);
    return pages;
}

QImage settingsPage1080() {
    Page page = settingsPage(7, QStringLiteral("DejaVu Sans"), 13, 1, false, QSize(1920, 1080));
    // A second column of the same kind, as wide pages have.
    QPainter p(&page.image);
    p.drawImage(980, 0, settingsPage(8, QStringLiteral("DejaVu Sans"), 13, 1, false, QSize(900, 1080)).image);
    return page.image;
}

QImage codeScreenshot5K() {
    QImage image(5120, 2880, QImage::Format_RGB32);
    image.fill(QColor(30, 30, 30));
    QPainter p(&image);
    p.scale(2, 2);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(13);
    p.setFont(font);
    const QFontMetrics metrics(font);
    const QStringList code{
        QStringLiteral("int main(int argc, char** argv) {"),
        QStringLiteral("    const QString address = QStringLiteral(\"192.168.4.20\");"),
        QStringLiteral("    for (int i = 0; i < argc; ++i) std::printf(\"%s\\n\", argv[i]);"),
        QStringLiteral("    if (connect(address, 8080) != 0) return fail(\"no answer from the panel\");"),
        QStringLiteral("    return run(settings.value(\"token\").toString());"),
        QStringLiteral("}"),
        QString(),
    };
    p.fillRect(0, 0, 260, 1440, QColor(37, 37, 38));
    int line = 1;
    for (int y = 20; y < 1440 - metrics.height(); y += metrics.height() + 4, ++line) {
        p.setPen(QColor(110, 118, 129));
        p.drawText(270, y + metrics.ascent(), QString::number(line).rightJustified(4));
        p.setPen(QColor(212, 212, 212));
        p.drawText(320, y + metrics.ascent(), code[line % code.size()]);
        p.drawText(1320, y + metrics.ascent(), code[(line + 3) % code.size()]);
    }
    return image;
}

} // namespace TextPictures
