#include "finder/ProbePlan.h"

#include <algorithm>

namespace korvel::ProbePlan {

std::vector<int> baudOrder(int configured)
{
    std::vector<int> order;
    if (configured > 0)
        order.push_back(configured);
    for (int b : kBaudRates)
        if (b != configured)
            order.push_back(b);
    return order;
}

std::vector<int> addressOrder(int configured)
{
    std::vector<int> order;
    if (configured >= kFirstAddress && configured <= kLastAddress)
        order.push_back(configured);
    for (int a = kFirstAddress; a <= kLastAddress; ++a)
        if (a != configured)
            order.push_back(a);
    return order;
}

double lineTimeMs(int baud)
{
    return baud > 0 ? kProbeLineBytes * 10 * 1000.0 / baud : 0.0;
}

int probeTimeoutMs(int baud)
{
    const int bits = kProbeLineBytes * 10;
    const int lineMs = baud > 0 ? (bits * 1000 + baud - 1) / baud : 0;
    return lineMs + kReplyMarginMs;
}

} // namespace korvel::ProbePlan
