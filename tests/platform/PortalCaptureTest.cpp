#include "platform/capture/PortalCapture.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <iostream>
#include <optional>

namespace {

// A desktop picture with each screen's part painted its own colour.
QImage paintedDesktop(QSize size, const QList<QPair<QRect, QColor>>& parts) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    for (const auto& [rect, color] : parts) painter.fillRect(rect, color);
    return image;
}

// Every pixel of `image` is `color`.
bool allOf(const QImage& image, QColor color) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != color.rgb()) return false;
    return true;
}

// A private session bus, without service folders, so that nothing installed here answers on it.
// QtDBus needs the eavesdrop rules: without them its Hello fails and libdbus aborts the process.
class PrivateBus {
public:
    bool start() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !m_dir.isValid()) return false;
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly)) return false;
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>\n"
                     "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/><allow "
                     "eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        config.close();
        m_daemon.start(daemon, {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                                QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(5000)) return false;
        if (!QTest::qWaitFor([&] { return m_daemon.canReadLine(); }, 5000)) return false;
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        return !m_address.isEmpty();
    }
    // A connection of its own, as a separate program would have.
    QDBusConnection connect(const QString& name) {
        m_names.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }
    QString folder() const { return m_dir.path(); }
    ~PrivateBus() {
        for (const QString& name : std::as_const(m_names)) QDBusConnection::disconnectFromBus(name);
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

// A Screenshot portal that names its files to the second, as KDE's does: every answer is written
// to the same file, 30 ms after the request, in the next colour of `colors`. Or one that answers
// every request with `answer` (2: failed) and no file, or never (`silent`).
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    FakePortal(QDBusConnection bus, QString folder) : m_bus(std::move(bus)), m_folder(std::move(folder)) {}
    QList<QColor> colors{Qt::red, Qt::green, Qt::blue};
    uint answer = 0;
    bool silent = false;
    int requests = 0;
    QList<bool> interactive; // as each request asked
    int inFlight = 0;
    int mostInFlight = 0;

public slots:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options, const QDBusMessage& message) {
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        const int index = requests++;
        interactive.append(options.value(QStringLiteral("interactive")).toBool());
        mostInFlight = std::max(mostInFlight, ++inFlight);
        QTimer::singleShot(30, this, [this, path, index] {
            --inFlight;
            if (silent) return;
            QVariantMap results;
            if (answer == 0) {
                const QString file = m_folder + QStringLiteral("/Screenshot_20261208_120000.png");
                QImage picture(64, 32, QImage::Format_RGB32);
                picture.fill(colors.value(index % colors.size()));
                picture.save(file);
                results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(file).toString());
            }
            QDBusMessage response = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                               QStringLiteral("Response"));
            response << answer << results;
            m_bus.send(response);
        });
        return QDBusObjectPath(path);
    }

private:
    QDBusConnection m_bus;
    QString m_folder;
};

// GNOME's permission store, holding `screenshot` for programs outside a sandbox (empty: no entry).
class FakePermissionStore : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.PermissionStore")

public:
    explicit FakePermissionStore(QDBusConnection bus) : m_bus(std::move(bus)) {
        qDBusRegisterMetaType<QMap<QString, QStringList>>();
    }
    QStringList screenshot;

public slots:
    void Lookup(const QString& table, const QString& id, const QDBusMessage& message) {
        message.setDelayedReply(true);
        if (table != QLatin1String("screenshot") || id != QLatin1String("screenshot") || screenshot.isEmpty()) {
            m_bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                                QStringLiteral("No entry for screenshot")));
            return;
        }
        const QMap<QString, QStringList> permissions{{QString(), screenshot}};
        m_bus.send(message.createReply({QVariant::fromValue(permissions), QVariant::fromValue(QDBusVariant(QVariant(0)))}));
    }

private:
    QDBusConnection m_bus;
};

} // namespace


// Starts a grab that counts its answers and keeps the last one.
static void startGrab(PortalCapture& capture, int& calls, CaptureOutcome& outcome, QElapsedTimer& clock) {
    clock.start();
    capture.grabScreens([&calls, &outcome](CaptureOutcome o) {
        ++calls;
        outcome = std::move(o);
    });
}

TEST(PortalCaptureTest, SplitsTheDesktopOfOneScreen) {
    const QImage desktop = paintedDesktop({1920, 1080}, {{QRect(0, 0, 1920, 1080), Qt::red}});
    const QList<ScreenShot> shots = PortalCapture::splitDesktop(desktop, {{QStringLiteral("HEADLESS-1"), {0, 0, 1920, 1080}}});
    ASSERT_EQ(shots.size(), 1);
    EXPECT_EQ(shots[0].screenName, QStringLiteral("HEADLESS-1"));
    EXPECT_EQ(shots[0].geometry, QRect(0, 0, 1920, 1080));
    EXPECT_DOUBLE_EQ(shots[0].devicePixelRatio, 1);
    EXPECT_EQ(shots[0].image, desktop);

    EXPECT_TRUE(PortalCapture::splitDesktop(QImage(), {{QStringLiteral("A"), {0, 0, 10, 10}}}).isEmpty());
    EXPECT_TRUE(PortalCapture::splitDesktop(desktop, {}).isEmpty());
}

// Screens of different sizes side by side, the second left of the first (negative x): each shot
// is the part under its screen, counted from the union's corner, not from the origin.
TEST(PortalCaptureTest, SplitsSideBySideScreensOfDifferentSizes) {
    const QRect primary(0, 0, 1920, 1080), left(-1280, 0, 1280, 1024);
    const QImage desktop = paintedDesktop({3200, 1080}, {{QRect(0, 0, 1280, 1024), Qt::green},
                                                        {QRect(1280, 0, 1920, 1080), Qt::red}});
    const QList<ScreenShot> shots =
        PortalCapture::splitDesktop(desktop, {{QStringLiteral("DP-1"), primary}, {QStringLiteral("HDMI-1"), left}});
    ASSERT_EQ(shots.size(), 2);
    EXPECT_EQ(shots[0].screenName, QStringLiteral("DP-1"));
    EXPECT_EQ(shots[0].geometry, primary);
    EXPECT_EQ(shots[0].image.size(), QSize(1920, 1080));
    EXPECT_TRUE(allOf(shots[0].image, Qt::red));
    EXPECT_EQ(shots[1].screenName, QStringLiteral("HDMI-1"));
    EXPECT_EQ(shots[1].geometry, left);
    EXPECT_EQ(shots[1].image.size(), QSize(1280, 1024)); // the black strip below it is nobody's
    EXPECT_TRUE(allOf(shots[1].image, Qt::green));
    for (const ScreenShot& shot : shots) EXPECT_DOUBLE_EQ(shot.devicePixelRatio, 1);
}

// A picture at twice the logical size: device pixels at ratio 2; at 1.5 the rounded edges of
// neighbours meet without a gap or an overlap.
TEST(PortalCaptureTest, SplitsAScaledDesktopAtItsScale) {
    const QImage desktop = paintedDesktop({5760, 1800}, {{QRect(0, 0, 2880, 1800), Qt::blue},
                                                        {QRect(2880, 0, 2880, 1800), Qt::yellow}});
    const QList<ScreenShot> shots = PortalCapture::splitDesktop(
        desktop, {{QStringLiteral("eDP-1"), {0, 0, 1440, 900}}, {QStringLiteral("DP-2"), {1440, 0, 1440, 900}}});
    ASSERT_EQ(shots.size(), 2);
    for (const ScreenShot& shot : shots) {
        EXPECT_DOUBLE_EQ(shot.devicePixelRatio, 2);
        EXPECT_EQ(shot.image.size(), shot.geometry.size() * 2);
    }
    EXPECT_TRUE(allOf(shots[0].image, Qt::blue));
    EXPECT_TRUE(allOf(shots[1].image, Qt::yellow));

    // 1001 + 999 logical pixels at 1.5: 1501.5 rounds once, for both screens.
    QImage stripes(3000, 30, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y) stripes.setPixel(x, y, qRgb(x % 256, x / 256, 0));
    const QList<ScreenShot> odd = PortalCapture::splitDesktop(
        stripes, {{QStringLiteral("A"), {0, 0, 1001, 20}}, {QStringLiteral("B"), {1001, 0, 999, 20}}});
    ASSERT_EQ(odd.size(), 2);
    EXPECT_DOUBLE_EQ(odd[0].devicePixelRatio, 1.5);
    EXPECT_EQ(odd[0].image.width() + odd[1].image.width(), stripes.width());
    EXPECT_EQ(odd[0].image.height(), 30);
    const int seam = odd[0].image.width();
    EXPECT_EQ(odd[0].image.pixel(seam - 1, 0), stripes.pixel(seam - 1, 0));
    EXPECT_EQ(odd[1].image.pixel(0, 0), stripes.pixel(seam, 0));
}

// Screens of scales 1 and 2 side by side, as the wlroots portal answers them: the whole layout at
// scale 2, the scale-1 screen enlarged. That screen's shot is its own 1920 x 1080 device pixels at
// ratio 1 (each pixel back from its 2 x 2 block), the other's its 2560 x 1440 at ratio 2.
TEST(PortalCaptureTest, SplitsMixedScalesIntoEachScreensOwnPixels) {
    QImage own(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < own.height(); ++y)
        for (int x = 0; x < own.width(); ++x) own.setPixel(x, y, qRgb(x * 37 % 256, y * 53 % 256, (x + y) * 11 % 256));
    QImage desktop = paintedDesktop({6400, 2160}, {{QRect(3840, 0, 2560, 1440), Qt::yellow}});
    {
        QPainter painter(&desktop);
        painter.drawImage(QRect(0, 0, 3840, 2160), own); // no smoothing: each pixel a 2 x 2 block
    }
    ASSERT_EQ(desktop.pixel(3838, 2158), own.pixel(1919, 1079));
    const QRect first(0, 0, 1920, 1080), second(1920, 0, 1280, 720);
    const QList<ScreenShot> shots = PortalCapture::splitDesktop(
        desktop, {{QStringLiteral("HEADLESS-1"), first, 1}, {QStringLiteral("HEADLESS-2"), second, 2}});
    ASSERT_EQ(shots.size(), 2);
    EXPECT_EQ(shots[0].geometry, first);
    EXPECT_DOUBLE_EQ(shots[0].devicePixelRatio, 1);
    ASSERT_EQ(shots[0].image.size(), QSize(1920, 1080));
    EXPECT_EQ(shots[0].image.convertToFormat(QImage::Format_RGB32), own);
    EXPECT_EQ(shots[1].geometry, second);
    EXPECT_DOUBLE_EQ(shots[1].devicePixelRatio, 2);
    EXPECT_EQ(shots[1].image.size(), QSize(2560, 1440));
    EXPECT_TRUE(allOf(shots[1].image, Qt::yellow));

    // The scale-2 screen left of the scale-1 one and higher: the union's corner is its corner.
    const QImage swapped = paintedDesktop({6400, 2160}, {{QRect(0, 0, 2560, 1440), Qt::yellow},
                                                        {QRect(2560, 0, 3840, 2160), Qt::blue}});
    const QList<ScreenShot> left = PortalCapture::splitDesktop(
        swapped, {{QStringLiteral("A"), {0, 0, 1920, 1080}, 1}, {QStringLiteral("B"), {-1280, 0, 1280, 720}, 2}});
    ASSERT_EQ(left.size(), 2);
    EXPECT_EQ(left[0].image.size(), QSize(1920, 1080));
    EXPECT_DOUBLE_EQ(left[0].devicePixelRatio, 1);
    EXPECT_TRUE(allOf(left[0].image, Qt::blue));
    EXPECT_EQ(left[1].image.size(), QSize(2560, 1440));
    EXPECT_TRUE(allOf(left[1].image, Qt::yellow));
}

// A screen whose scale is larger than the picture's cannot get pixels the portal did not give:
// it keeps the picture's pixels and ratio; one of the picture's scale is cut unchanged.
TEST(PortalCaptureTest, KeepsThePictureScaleWhereTheScreenAsksForMore) {
    const QImage desktop = paintedDesktop({3200, 1080}, {{QRect(0, 0, 1920, 1080), Qt::red},
                                                        {QRect(1920, 0, 1280, 720), Qt::green}});
    const QList<ScreenShot> shots = PortalCapture::splitDesktop(
        desktop, {{QStringLiteral("A"), {0, 0, 1920, 1080}, 1}, {QStringLiteral("B"), {1920, 0, 1280, 720}, 2}});
    ASSERT_EQ(shots.size(), 2);
    EXPECT_DOUBLE_EQ(shots[0].devicePixelRatio, 1);
    EXPECT_EQ(shots[0].image.size(), QSize(1920, 1080));
    EXPECT_TRUE(allOf(shots[0].image, Qt::red));
    EXPECT_DOUBLE_EQ(shots[1].devicePixelRatio, 1);
    EXPECT_EQ(shots[1].image.size(), QSize(1280, 720));
    EXPECT_TRUE(allOf(shots[1].image, Qt::green));
}

// A bus without any portal: the outcome names what to install, once, without waiting for the
// timeout.
TEST(PortalCaptureTest, BusWithoutAPortalSaysWhatToInstall) {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    // Without service folders, so that the bus cannot start the portal installed here. QtDBus
    // needs the eavesdrop rules: without them its Hello fails and libdbus aborts the process.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile config(dir.filePath(QStringLiteral("bus.conf")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                 " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                 "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>\n"
                 "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                 "</busconfig>\n");
    config.close();
    QProcess bus;
    bus.start(daemon, {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                       QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    ASSERT_TRUE(bus.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bus.canReadLine(); }, 5000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    {
        QDBusConnection connection = QDBusConnection::connectToBus(address, QStringLiteral("no-portal"));
        ASSERT_TRUE(connection.isConnected()) << connection.lastError().message().toStdString();
        PortalCapture capture(connection);
        int calls = 0;
        CaptureOutcome outcome;
        QElapsedTimer clock;
        startGrab(capture, calls, outcome, clock);
        EXPECT_EQ(calls, 0); // never inside the call
        ASSERT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, 5000));
        EXPECT_LT(clock.elapsed(), 3000);
        QTest::qWait(50);
        EXPECT_EQ(calls, 1);
        EXPECT_FALSE(outcome.cancelled);
        EXPECT_TRUE(outcome.shots.isEmpty());
        EXPECT_TRUE(outcome.error.contains(QStringLiteral("xdg-desktop-portal"))) << outcome.error.toStdString();
        EXPECT_TRUE(outcome.error.contains(QStringLiteral("-wlr"))) << outcome.error.toStdString();
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("no-portal"));
    bus.terminate();
    bus.waitForFinished(5000);
}

// The real thing, inside tests/e2e/portal-session.sh: a headless sway output of 1920 x 1080
// painted #336699 by swaybg.
class PortalCaptureSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("PICTAVO_PORTAL_SESSION") != QLatin1String("1"))
            GTEST_SKIP() << "needs the portal session of tests/e2e/portal-session.sh";
    }
};

TEST_F(PortalCaptureSessionTest, GrabsTheDesktop) {
    for (int run = 0; run < 3; ++run) {
        PortalCapture capture;
        int calls = 0;
        CaptureOutcome outcome;
        QElapsedTimer clock;
        startGrab(capture, calls, outcome, clock);
        ASSERT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, PortalCapture::kTimeoutMs + 2000));
        std::cout << "portal grab " << run + 1 << ": " << clock.elapsed() << " ms" << std::endl;
        ASSERT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
        EXPECT_FALSE(outcome.cancelled);
        ASSERT_EQ(outcome.shots.size(), 1);
        const ScreenShot& shot = outcome.shots[0];
        EXPECT_EQ(shot.screenName, QStringLiteral("HEADLESS-1"));
        ASSERT_EQ(shot.image.size(), QSize(1920, 1080));
        EXPECT_DOUBLE_EQ(shot.devicePixelRatio, 1);
        const QColor middle = shot.image.pixelColor(960, 540);
        EXPECT_NEAR(middle.red(), 0x33, 3);
        EXPECT_NEAR(middle.green(), 0x66, 3);
        EXPECT_NEAR(middle.blue(), 0x99, 3);
        // The portal's file was made for this request: loaded, then gone.
        EXPECT_FALSE(capture.lastPictureFile().isEmpty());
        EXPECT_FALSE(QFile::exists(capture.lastPictureFile())) << capture.lastPictureFile().toStdString();
        QTest::qWait(50);
        EXPECT_EQ(calls, 1);
    }
}

// Inside tests/e2e/portal-session.sh with PS_OUTPUTS=2: HEADLESS-1 (1920 x 1080 at scale 1,
// #336699) and HEADLESS-2 (2560 x 1440 at scale 2, 1280 x 720 logical right of it, #cc6633). The
// portal answers the whole layout at scale 2; each shot is its output's own device pixels.
TEST_F(PortalCaptureSessionTest, GrabsEachOutputAtItsOwnScale) {
    if (qEnvironmentVariable("PS_OUTPUTS") != QLatin1String("2")) GTEST_SKIP() << "needs PS_OUTPUTS=2";
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        std::cout << "Qt screen " << screen->name().toStdString() << ": " << g.width() << "x" << g.height() << "+"
                  << g.x() << "+" << g.y() << " ratio " << screen->devicePixelRatio() << std::endl;
    }
    PortalCapture capture;
    std::optional<CaptureOutcome> outcome;
    capture.grabScreens([&](CaptureOutcome o) { outcome = std::move(o); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, PortalCapture::kTimeoutMs + 2000));
    ASSERT_TRUE(outcome->error.isEmpty()) << outcome->error.toStdString();
    ASSERT_EQ(outcome->shots.size(), 2);
    struct Want {
        QString name;
        QRect geometry;
        double ratio;
        QSize size;
        QColor color;
    };
    const Want wants[] = {{QStringLiteral("HEADLESS-1"), {0, 0, 1920, 1080}, 1, {1920, 1080}, QColor(0x33, 0x66, 0x99)},
                          {QStringLiteral("HEADLESS-2"), {1920, 0, 1280, 720}, 2, {2560, 1440}, QColor(0xcc, 0x66, 0x33)}};
    for (int i = 0; i < 2; ++i) {
        const ScreenShot& shot = outcome->shots[i];
        const Want& want = wants[i];
        std::cout << "shot " << shot.screenName.toStdString() << ": " << shot.image.width() << "x"
                  << shot.image.height() << " ratio " << shot.devicePixelRatio << std::endl;
        EXPECT_EQ(shot.screenName, want.name);
        EXPECT_EQ(shot.geometry, want.geometry);
        EXPECT_DOUBLE_EQ(shot.devicePixelRatio, want.ratio);
        ASSERT_EQ(shot.image.size(), want.size) << want.name.toStdString();
        // Every pixel, edges too (grim blends the enlarged output's outer pixels by a level or two).
        int off = 0;
        for (int y = 0; y < shot.image.height(); ++y)
            for (int x = 0; x < shot.image.width(); ++x) {
                const QColor c = shot.image.pixelColor(x, y);
                if (std::abs(c.red() - want.color.red()) > 3 || std::abs(c.green() - want.color.green()) > 3 ||
                    std::abs(c.blue() - want.color.blue()) > 3)
                    ++off;
            }
        EXPECT_EQ(off, 0) << want.name.toStdString() << ": pixels not " << want.color.name().toStdString();
    }
}

// A backend destroyed while its request runs never calls `done`.
TEST_F(PortalCaptureSessionTest, DestroyedWhileGrabbingStaysSilent) {
    int calls = 0;
    {
        PortalCapture capture;
        capture.grabScreens([&](CaptureOutcome) { ++calls; });
        QTest::qWait(5); // the call is on its way
    }
    QTest::qWait(1000); // several times as long as a grab takes here
    EXPECT_EQ(calls, 0);
    // The session still answers the next request.
    PortalCapture next;
    std::optional<CaptureOutcome> outcome;
    next.grabScreens([&](CaptureOutcome o) { outcome = std::move(o); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, PortalCapture::kTimeoutMs + 2000));
    EXPECT_TRUE(outcome->error.isEmpty()) << outcome->error.toStdString();
    EXPECT_EQ(outcome->shots.size(), 1);
}

// The wlroots backend has no window chooser without slurp: its answer 2 becomes an alert text,
// not a cancel.
TEST_F(PortalCaptureSessionTest, PickWindowReportsARefusal) {
    if (!QStandardPaths::findExecutable(QStringLiteral("slurp")).isEmpty())
        GTEST_SKIP() << "slurp is installed: the portal would wait for a person";
    PortalCapture capture;
    std::optional<CaptureOutcome> outcome;
    capture.pickWindow([&](CaptureOutcome o) { outcome = std::move(o); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, PortalCapture::kTimeoutMs + 2000));
    EXPECT_FALSE(outcome->cancelled);
    EXPECT_TRUE(outcome->shots.isEmpty());
    EXPECT_TRUE(outcome->error.contains(QStringLiteral("install slurp"))) << outcome->error.toStdString();
}

// Two grabs asked together reach the portal one after the other, each after the previous answer's
// file was read: a portal that reuses its file name still gives each its own picture, in order.
TEST(PortalCaptureTest, RequestsTakeTurnsSoThatEachGetsItsOwnFile) {
    PrivateBus bus;
    if (!bus.start()) GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection service = bus.connect(QStringLiteral("fake-portal"));
    ASSERT_TRUE(service.isConnected());
    FakePortal portal(service, bus.folder());
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

    PortalCapture capture(bus.connect(QStringLiteral("pictavo")));
    QList<CaptureOutcome> outcomes;
    for (int i = 0; i < 3; ++i) capture.grabScreens([&](CaptureOutcome o) { outcomes.append(std::move(o)); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcomes.size() == 3; }, 5000)) << outcomes.size();
    EXPECT_EQ(portal.requests, 3);
    EXPECT_EQ(portal.mostInFlight, 1);
    const QList<QColor> expected{Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(outcomes[i].error.isEmpty()) << outcomes[i].error.toStdString();
        ASSERT_EQ(outcomes[i].shots.size(), 1);
        EXPECT_EQ(outcomes[i].shots[0].image.pixelColor(10, 10), expected[i]) << "grab " << i;
    }
    EXPECT_FALSE(QFile::exists(capture.lastPictureFile()));

    // Picking a window is the portal's own dialog; a grab of the screens asks nothing.
    std::optional<CaptureOutcome> picked;
    capture.pickWindow([&](CaptureOutcome o) { picked = std::move(o); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return picked.has_value(); }, 5000));
    EXPECT_EQ(portal.interactive, (QList<bool>{false, false, false, true}));
}

// GNOME's portal fails at once where the permission was refused: the permission store tells the
// alert whether to explain the reset, the grant, or neither.
TEST(PortalCaptureTest, GnomeFailureNamesTheScreenshotPermission) {
    PrivateBus bus;
    if (!bus.start()) GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection service = bus.connect(QStringLiteral("fake-gnome"));
    ASSERT_TRUE(service.isConnected());
    FakePortal portal(service, bus.folder());
    portal.answer = 2;
    FakePermissionStore store(service);
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"), &store,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.impl.portal.PermissionStore")));
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");

    PortalCapture capture(bus.connect(QStringLiteral("pictavo")));
    auto grab = [&] {
        std::optional<CaptureOutcome> outcome;
        capture.grabScreens([&](CaptureOutcome o) { outcome = std::move(o); });
        const bool answered = QTest::qWaitFor([&] { return outcome.has_value(); }, 5000);
        return answered ? *outcome : CaptureOutcome{{}, QStringLiteral("no outcome"), false};
    };
    store.screenshot = {QStringLiteral("no")};
    const CaptureOutcome refused = grab();
    EXPECT_EQ(portal.requests, 0) << "a refusal is known without asking the portal";
    store.screenshot.clear();
    const CaptureOutcome unset = grab();
    store.screenshot = {QStringLiteral("yes")};
    const CaptureOutcome granted = grab();
    EXPECT_EQ(portal.requests, 2);
    // GNOME's question left unanswered: the request waits the question's time, then says so.
    store.screenshot.clear();
    portal.silent = true;
    qputenv("PICTAVO_PORTAL_TIMEOUT_MS", "300");
    PortalCapture patient(bus.connect(QStringLiteral("pictavo-patient")));
    std::optional<CaptureOutcome> unanswered;
    patient.grabScreens([&](CaptureOutcome o) { unanswered = std::move(o); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return unanswered.has_value(); }, 3000));
    qunsetenv("PICTAVO_PORTAL_TIMEOUT_MS");
    qputenv("XDG_CURRENT_DESKTOP", desktop);
    ASSERT_TRUE(unanswered.has_value());
    EXPECT_TRUE(unanswered->error.contains(QStringLiteral("was not answered"))) << unanswered->error.toStdString();
    EXPECT_TRUE(unanswered->error.endsWith(PortalCapture::gnomeGrantCommand())) << unanswered->error.toStdString();

    EXPECT_TRUE(refused.error.contains(QStringLiteral("refused Pictavo the screenshot permission")))
        << refused.error.toStdString();
    EXPECT_TRUE(refused.error.endsWith(PortalCapture::gnomeResetCommand())) << refused.error.toStdString();
    EXPECT_TRUE(unset.error.contains(QStringLiteral("lacks the screenshot permission"))) << unset.error.toStdString();
    EXPECT_TRUE(unset.error.endsWith(PortalCapture::gnomeGrantCommand())) << unset.error.toStdString();
    EXPECT_FALSE(unset.error.contains(PortalCapture::gnomeResetCommand())) << unset.error.toStdString();
    EXPECT_FALSE(granted.error.isEmpty());
    EXPECT_FALSE(granted.error.contains(QStringLiteral("permission"))) << granted.error.toStdString();
    for (const CaptureOutcome* outcome : {&refused, &unset, &granted}) {
        EXPECT_FALSE(outcome->cancelled);
        EXPECT_TRUE(outcome->shots.isEmpty());
    }
}

#include "PortalCaptureTest.moc"
