#pragma once

// A unit of work queued on the command worker. The worker owns it from add() on.

class CommandsThread;

class ThreadCommand {
public:
    virtual ~ThreadCommand() = default;
    // Runs on the worker; true asks for notify() on the user-interface thread.
    virtual bool execute(CommandsThread& thread) = 0;
    // Runs on the user-interface thread while the worker waits.
    virtual void notify() {}
    // The worker does not consult it.
    virtual bool check() { return true; }

protected:
    ThreadCommand() = default;
    ThreadCommand(const ThreadCommand&) = default;
    ThreadCommand& operator=(const ThreadCommand&) = default;
};
