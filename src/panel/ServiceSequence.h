#pragma once

namespace korvel {

// The hidden five-key sequence (each key with Ctrl held) that shows or hides the service
// commands. The first key must register twice (pressed twice, or held until it repeats).
class ServiceSequence
{
public:
    // The access code; letters as Qt key codes (Qt::Key_A..Qt::Key_Z equal 'A'..'Z').
    static constexpr char CODE[5] = {'K', 'O', 'R', 'V', 'L'};

    // One key-down event; true when it completes the sequence (toggle the service commands).
    bool keyDown(int key, bool ctrl);
    int step() const { return step_; }

private:
    int step_ = 0;
};

} // namespace korvel
