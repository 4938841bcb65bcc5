// The lock that every process of the user takes before it reads the stored clip list to change
// it, or moves a package into or out of the clips folder. Holding it from the read to the write
// makes each save apply to the list as it stands, so two processes never overwrite each other's
// clips, and it tells the sweeper of abandoned work that no writer is half-way through a move.
#pragma once

#include <Carbon/Carbon.h>

// Holds the lock for the life of the scope (or until Unlock). The lock is taken once per
// process: a nested hold in the same process only counts, so a save inside a command that already
// holds it does not wait for itself. The kernel drops the lock when the process dies; a process
// that is stopped or stalled keeps it, so the wait for it is bounded.
class StClipListLock {
public:
    // How the lock is waited for: a bounded time (the platform's lock wait), or not at all, for
    // work that can as well be done at a later menu.
    enum EWait { kWaitBounded, kTryOnly };

    explicit StClipListLock(EWait wait = kWaitBounded);
    ~StClipListLock() { Unlock(); }
    StClipListLock(const StClipListLock&) = delete;
    StClipListLock& operator=(const StClipListLock&) = delete;

    // noErr while the lock is held; fBsyErr when another process held it for the whole wait.
    OSStatus Status() const { return mStatus; }
    void Unlock();

    // Whether this process holds the lock now.
    static bool IsHeld();
    // Calls callback once this process no longer holds the lock: at once when it does not, else
    // when the last hold goes. What waits on the user (an alert) goes there, so that no other
    // application's menu waits on this one's user.
    static void CallOnceReleased(void (*callback)());
    // Who held the lock when the last bounded wait of this process ran out ("cmhost (process
    // 1234)"), for the message that tells the user (+1); NULL when that wait did not run out.
    static CFStringRef CopyBusyHolderDescription();

private:
    OSStatus mStatus;
    bool mCounted = false;
};
