// The keyboard for an open menu. The key binding that started the popup may still hold the keyboard
// (a desktop grabs it while the keys of a shortcut are down), so the menu's first grab can be
// refused; until it has the keyboard, keys would go to the window under it instead.
#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

namespace popup {

class KeyboardGrab : public QObject {
public:
    // Asks again for the keyboard for the shown popup widget (which must outlive this object) every
    // little while until it is granted or patienceMilliseconds have passed.
    explicit KeyboardGrab(QWidget& popup, int patienceMilliseconds = 3000);

    bool Granted() const { return mGranted; }

private:
    void Ask();

    QWidget& mPopup;
    QTimer mTimer;
    int mAttemptsLeft;
    bool mGranted = false;
};

}  // namespace popup
