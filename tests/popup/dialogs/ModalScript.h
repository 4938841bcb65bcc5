// A person at the popup's windows, for the widget tests: each modal window that comes up (a dialog
// shown by the UI driver, an alert, a password prompt) is handed to the next action of a script,
// in order, from inside whatever loop waits for it. An action may keep acting on the same window
// (a dialog that refused OK stays up). A window that comes up when the script is done fails the
// test and is closed with Escape, so that no test waits for ever.
#pragma once

#include "popup/support/OffscreenApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <string>

// Qt's text as the test's messages show it.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace popuptest {

class ModalScript {
public:
    using Action = std::function<void(QWidget* window)>;

    ModalScript()
    {
        OffscreenApplication();
        // Looks for the next window whenever Qt's loops run; how soon does not matter.
        QObject::connect(&mWatch, &QTimer::timeout, [this] { Look(); });
        mWatch.start(5);
    }
    ~ModalScript() { EXPECT_TRUE(mActions.empty()) << mActions.size() << " windows the script expected never came up"; }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // The next window that comes up gets action.
    ModalScript& Then(Action action)
    {
        mActions.push_back({false, std::move(action)});
        return *this;
    }
    // The window the last action got, still up, gets action.
    ModalScript& ThenSameWindow(Action action)
    {
        mActions.push_back({true, std::move(action)});
        return *this;
    }

    int WindowsSeen() const { return mSeen; }

private:
    struct Step {
        bool sameWindow;
        Action action;
    };

    void Look()
    {
        QWidget* window = QApplication::activeModalWidget();
        if (window == nullptr || !window->isVisible())
            return;
        const bool fresh = window != mLast.data();
        if (mActions.empty()) {
            if (fresh) {
                ADD_FAILURE() << "a window the script did not expect: " << window->windowTitle().toStdString();
                mLast = window;
                QTest::keyClick(window, Qt::Key_Escape);
            }
            return;
        }
        if (!fresh && !mActions.front().sameWindow)
            return;
        Step step = std::move(mActions.front());
        mActions.pop_front();
        if (fresh)
            ++mSeen;
        // An action may bring up the next window inside itself (a button whose handler shows an
        // alert): the step is taken before it runs, so that the next one can answer that window.
        mLast = window;
        step.action(window);
    }

    QTimer mWatch;
    std::deque<Step> mActions;
    QPointer<QWidget> mLast;
    int mSeen = 0;
};

// Types text into widget key by key, as a keyboard would, letters beyond ASCII included.
inline void TypeText(QWidget* widget, const QString& text)
{
    for (QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

// Clicks a check box where a person clicks it: on its box.
inline void ClickBox(QWidget* box)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(box->height() / 2, box->height() / 2));
}

// The child widget of window with this object name; fails the test when there is none.
template <class Widget>
Widget* Find(QWidget* window, const QString& name)
{
    Widget* found = window->findChild<Widget*>(name);
    EXPECT_NE(found, nullptr) << "no " << name.toStdString() << " in " << window->windowTitle().toStdString();
    return found;
}

}  // namespace popuptest
