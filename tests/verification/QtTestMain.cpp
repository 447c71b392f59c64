// Test main for the suites that need an application object: queued signals
// reach the test thread only through its event loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QSettings>
#include <QTemporaryDir>

// Qt 5's offscreen platform plugin never frees its screen and cursor
// objects; LeakSanitizer would otherwise fail every suite at exit.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libqoffscreen.so\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as the build does) needs no display at all.
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    // The suites are headless unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // A desktop's usual 9-point font: Qt 5's offscreen plugin defaults to
    // 12 points, which no layout of the window is drawn for.
    QFont font = QApplication::font();
    font.setPointSize(9);
    QApplication::setFont(font);
    // Settings the window keeps (its size, its splitters) stay with this run.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    return RUN_ALL_TESTS();
}
