// Runs the window tests inside one QApplication. Listing the tests (as test
// discovery does) needs no display and makes none.
#include <QApplication>
#include <QString>

#include <gtest/gtest.h>

namespace {

QtMessageHandler defaulthandler = nullptr;

// The offscreen platform says on every fixed-size window that it cannot
// pass size hints on; that is all it would say.
void messagehandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QStringLiteral("does not support propagateSizeHints")))
        return;
    defaulthandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    // Death tests run in a child made by fork and exec: it needs its own
    // application, which this main gives it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    defaulthandler = qInstallMessageHandler(messagehandler);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
