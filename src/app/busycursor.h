#pragma once

namespace app {

// The application's busy pointer while an object of this class lives, or until release().
class BusyCursor {
public:
    // `wanted` false: no busy pointer (a task too short for one to be seen other than as a
    // flicker, and each change of pointer is a round trip to the display).
    explicit BusyCursor(bool wanted = true);
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // Back to the default pointer before the end of the scope, as before a message.
    void release();

private:
    bool active_ = false;
};

} // namespace app
