// The one QApplication of the popup's widget tests, on Qt's offscreen platform so that no display
// is needed. Made on first use, never destroyed before the test program ends.
#pragma once

#include <QApplication>

namespace popuptest {

inline QApplication& OffscreenApplication()
{
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "popup_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *application;
}

}  // namespace popuptest
