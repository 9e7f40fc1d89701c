// Test entry: Qt needs an application object for timers, widgets and fonts. Widget tests
// run on the offscreen platform unless a test session chose one. Objects a test queued with
// deleteLater are freed when it ends, so they never outlive the application or its test.
#include <QApplication>
#include <gtest/gtest.h>

namespace {

class DeferredDeletes : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new DeferredDeletes);
    return RUN_ALL_TESTS();
}
