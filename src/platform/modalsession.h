#pragma once

// The modal session of a command: the dialog (or sheet) that the command
// opened and that must stay live while the command waits. The application
// implements it; a command without a window has none.
namespace platform {

class ModalSession {
public:
    virtual ~ModalSession() = default;
    // One turn: the dialog handles the events that are pending for it.
    virtual void runModalSession() = 0;
};

}  // namespace platform
