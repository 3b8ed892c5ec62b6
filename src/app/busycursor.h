#pragma once

namespace app {

// The application's busy pointer while an object of this class lives, or until release().
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // Back to the default pointer before the end of the scope, as before a message.
    void release();

private:
    bool active_ = false;
};

} // namespace app
