// Desktop notifications against a private bus with a stand-in notification server: what it is
// sent, the picture as its image, and silence where no server runs.
#include "platform/Notifications.h"
#include "PrivateBus.h"

#include <QDBusArgument>
#include <QDBusMessage>

namespace {

class StandInServer final : public QDBusVirtualObject {
public:
    QList<QVariantList> calls;
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QLatin1String("org.freedesktop.Notifications") ||
            message.member() != QLatin1String("Notify"))
            return false;
        calls.append(message.arguments());
        connection.send(message.createReply(QVariantList{uint(calls.size())}));
        return true;
    }
};

using NotificationsTest = PrivateBus;

} // namespace

TEST_F(NotificationsTest, TheServerGetsTheSummaryAndThePictureScaledDown) {
    StandInServer server;
    offer(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"), &server);
    QImage shot(1920, 1080, QImage::Format_RGB32);
    shot.fill(QColor(0x3A, 0x6E, 0xA5));
    Notifications::notify(QStringLiteral("Screenshot copied"), QStringLiteral("1920 × 1080 px"), shot, *caller);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.calls.isEmpty(); }, 5000));
    const QVariantList& call = server.calls.first();
    ASSERT_EQ(call.size(), 8);
    EXPECT_EQ(call[0].toString(), QStringLiteral("Pictavo"));
    EXPECT_EQ(call[3].toString(), QStringLiteral("Screenshot copied"));
    EXPECT_EQ(call[4].toString(), QStringLiteral("1920 × 1080 px"));
    const QVariantMap hints = qdbus_cast<QVariantMap>(call[6]);
    ASSERT_TRUE(hints.contains(QStringLiteral("image-data")));
    const QDBusArgument image = hints.value(QStringLiteral("image-data")).value<QDBusArgument>();
    int width = 0, height = 0, stride = 0, bits = 0, channels = 0;
    bool alpha = false;
    QByteArray bytes;
    image.beginStructure();
    image >> width >> height >> stride >> alpha >> bits >> channels >> bytes;
    image.endStructure();
    // The long side at 256, the proportions kept, RGBA bytes in memory order.
    EXPECT_EQ(width, 256);
    EXPECT_EQ(height, 144);
    EXPECT_EQ(channels, 4);
    EXPECT_TRUE(alpha);
    EXPECT_EQ(bits, 8);
    ASSERT_EQ(bytes.size(), qsizetype(stride) * height);
    EXPECT_EQ(QByteArray(bytes.constData(), 4), QByteArray("\x3A\x6E\xA5\xFF", 4));
}
