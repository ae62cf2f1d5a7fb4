#include "app/EditorWindowController.h"
#include "app/Instance.h"
#include "editor/EditorModel.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QLocalSocket>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

// Files handed over while the instance is still starting (the first-run question, the tray) wait,
// in order, and open once start-up has finished; their launches hear back only then. Meanwhile the
// question that holds them up comes to the front.
TEST(Instance, FilesThatArriveDuringStartUpOpenOnceItHasFinished) {
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const QString picture = runtime.filePath(QStringLiteral("early.png"));
    ASSERT_TRUE(TestSupport::solidImage(40, 30).save(picture));
    {
        Instance instance;
        ASSERT_EQ(instance.start(), InstanceServer::Start::listening);
        const qsizetype before = EditorWindowController::active().size();
        // The first-run question is on screen, behind another window.
        QMessageBox question(QMessageBox::Information, QStringLiteral("Welcome to Pictavo"), QStringLiteral("…"));
        question.setWindowModality(Qt::ApplicationModal);
        question.show();
        QWidget other;
        other.show();
        other.raise();
        QApplication::setActiveWindow(&other);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; }, 2000));
        std::atomic<int> answered{0};
        InstanceClient::Answer answer;
        std::thread client([&] {
            std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(InstanceChannel::socketPath());
            if (socket)
                answer = InstanceClient::exchange(*socket, {{QStringLiteral("command"), QStringLiteral("open")},
                                                             {QStringLiteral("files"), QJsonArray{picture}}});
            answered = 1;
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return instance.waitingRequests() == 1; }, 5000)); // arrived, waits
        // The question that holds the request up comes forward.
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &question; }, 2000));
        question.hide();
        QTest::qWait(100);
        EXPECT_EQ(EditorWindowController::active().size(), before);
        EXPECT_EQ(answered, 0);
        instance.setReady();
        EXPECT_TRUE(QTest::qWaitFor([&] { return answered == 1; }, 5000));
        client.join();
        EXPECT_TRUE(answer.ok) << answer.error.toStdString();
        ASSERT_EQ(EditorWindowController::active().size(), before + 1);
        EditorWindowController* editor = EditorWindowController::active().last();
        EXPECT_EQ(editor->filePath(), picture);
        editor->close();
    }
    qputenv("XDG_RUNTIME_DIR", saved);
}
