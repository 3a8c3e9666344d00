#pragma once
// Processes events until a condition holds or the bound runs out. The bound only keeps a
// broken test from hanging; no test asserts on how long anything took.
#include <QElapsedTimer>
#include <QTest>
#include <functional>

namespace korvel::test {

inline bool waitFor(const std::function<bool()>& pred, int boundMs, int stepMs = 5)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > boundMs)
            return false;
        QTest::qWait(stepMs);
    }
    return true;
}

} // namespace korvel::test
