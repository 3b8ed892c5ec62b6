#pragma once

namespace app {

// The application's busy pointer while an object of this class lives.
class BusyCursor {
public:
    // `wanted` false: no busy pointer (a task too short for one to be seen other than as a
    // flicker, and each change of pointer is a round trip to the display).
    explicit BusyCursor(bool wanted = true);
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool active_ = false;
};

} // namespace app
