#include "panel/ServiceSequence.h"

namespace korvel {

bool ServiceSequence::keyDown(int key, bool ctrl)
{
    const auto is = [key](int i) { return key == CODE[i]; };
    if (ctrl) {
        if (is(0) && (step_ == 0 || step_ == 1)) {
            ++step_;
            return false;
        }
        for (int i = 1; i <= 3; ++i) {
            if (is(i) && step_ == i + 1) {
                ++step_;
                return false;
            }
        }
        if (is(4) && step_ == 5) {
            step_ = 0;
            return true;
        }
    }
    step_ = 0;
    return false;
}

} // namespace korvel
