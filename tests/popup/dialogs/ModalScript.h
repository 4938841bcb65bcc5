// A person at the popup's windows, for the widget tests: each modal window that comes up (a dialog
// of the UI driver, an alert, a password prompt) is handed to the next action of a script, from
// inside whatever loop waits for it. A window the script did not expect fails the test and gets
// Escape, as does every window after an action's assertion failed, so that no test waits for ever.
#pragma once

#include "popup/support/OffscreenApplication.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLayout>
#include <QPushButton>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

namespace popuptest {

class ModalScript {
public:
    using Action = std::function<void(QWidget* window)>;
    using Ready = std::function<bool(QWidget* window)>;

    ModalScript()
    {
        OffscreenApplication();
        // Looks for the next window whenever Qt's loops run; how soon does not matter.
        QObject::connect(&mWatch, &QTimer::timeout, [this] { Look(); });
        mWatch.start(5);
    }
    ~ModalScript() { EXPECT_TRUE(mSteps.empty()) << mSteps.size() << " expected windows never came up"; }

    // The next window that comes up gets action; with ready, the window up (new or not) gets it
    // once ready says so.
    ModalScript& Then(Action action, Ready ready = nullptr)
    {
        mSteps.push_back({std::move(action), std::move(ready)});
        return *this;
    }
    int WindowsSeen() const { return mSeen; }

private:
    struct Step {
        Action action;
        Ready ready;
    };

    void Look()
    {
        QWidget* window = QApplication::activeModalWidget();
        if (window == nullptr || !window->isVisible())
            return;
        if (mAbandoned) {
            QTest::keyClick(window, Qt::Key_Escape);
            return;
        }
        const bool fresh = window != mLast.data();
        mSeen += fresh ? 1 : 0;
        mLast = window;
        if (mSteps.empty()) {
            Unexpected(fresh, window);
            return;
        }
        if (mSteps.front().ready ? !mSteps.front().ready(window) : !fresh)
            return;
        // Taken before it runs: an action may bring up the next window inside itself (a button
        // whose handler shows an alert), which the next step answers.
        Step step = std::move(mSteps.front());
        mSteps.pop_front();
        step.action(window);
        // An assertion that failed inside the action left its window up: every window from here on
        // gets Escape, so that the test ends rather than waits.
        mAbandoned = testing::Test::HasFatalFailure();
    }
    static void Unexpected(bool fresh, QWidget* window)
    {
        if (!fresh)
            return;
        ADD_FAILURE() << "a window the script did not expect: " << window->windowTitle().toStdString();
        QTest::keyClick(window, Qt::Key_Escape);
    }

    QTimer mWatch;
    std::deque<Step> mSteps;
    QPointer<QWidget> mLast;
    int mSeen = 0;
    bool mAbandoned = false;
};

// Types text key by key, as a keyboard would, letters beyond ASCII included.
inline void TypeText(QWidget* widget, const QString& text)
{
    for (QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

// The button or check box of window with this title; fails the test when there is none.
inline QAbstractButton* Titled(QWidget* window, const char* title)
{
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->text() == QString::fromUtf8(title))
            return button;
    ADD_FAILURE() << "no button " << title;
    return nullptr;
}

// Clicks a button, or a check box where a person clicks it: on its box.
inline void Click(QWidget* window, const char* title)
{
    QAbstractButton* button = Titled(window, title);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(button->height() / 2, button->height() / 2));
}

// Whether the accepting and the rejecting button of window are in the order a button box of the
// desktop's puts them.
inline bool InDesktopOrder(QWidget* window, const char* accept, const char* reject)
{
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box.layout()->activate();
    const bool acceptFirst = box.button(QDialogButtonBox::Ok)->x() < box.button(QDialogButtonBox::Cancel)->x();
    return (Titled(window, accept)->mapTo(window, QPoint()).x() < Titled(window, reject)->mapTo(window, QPoint()).x()) ==
           acceptFirst;
}

}  // namespace popuptest
