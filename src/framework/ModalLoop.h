#pragma once
// ModalLoop: the modal loops running on this thread (dialogs, message boxes, modal
// sheets), innermost last. Each registers for the time it runs, with the way to end it.
// A window that owns objects used inside such loops must not go away while they are on
// the stack: the frame asks them to end first (EndAll) and closes once they have.
#include <functional>

class ModalLoop {
public:
    using Ender = std::function<void()>;

    explicit ModalLoop(Ender ender);
    ~ModalLoop();
    ModalLoop(const ModalLoop&) = delete;
    ModalLoop& operator=(const ModalLoop&) = delete;

    // True while any modal loop runs on this thread.
    static bool AnyRunning();
    // Asks every running loop of this thread to end, innermost first. They end when
    // control returns to them, so callers retry what they wanted once the stack unwinds.
    static void EndAll();

private:
    Ender m_ender;
};
