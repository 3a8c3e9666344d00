#pragma once
#include "chart/core/BurstTiming.h"

#include <QObject>
#include <QString>
#include <functional>

namespace korvel {

class ChartController;
struct Uperemen;

// The timed burst of chart mode (btnContiniousReading): 1001 consecutive stream samples read
// as fast as the indicator delivers them, timed, and plotted on a time axis from that
// measurement. The time panel then shows how long 1000 sample intervals took.
//
// The burst blocks the GUI thread while it reads, with the link's blocking frame receive,
// and each sample is stamped on the link's monotonic clock the moment its frame is complete:
// nothing else runs in between, so the stamps measure the indicator's delivery and not the
// event loop's. It is a service measurement of a few seconds; the window does not respond
// meanwhile. Samples that do not come produce no point; a stream that falls silent ends the
// burst early instead of holding the window for every remaining receive.
class ContinuousReading : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSamples = 1001;
    // Silence after which the burst gives up waiting for more samples.
    static constexpr int kSilenceLimitMs = 3000;

    ContinuousReading(ChartController& chart, Uperemen& settings, QObject* parent = nullptr);

    // btnContiniousReadingClick. Refused while a run is active.
    void btnContiniousReadingClick();

    // The last burst's measurement.
    const BurstMeasurement& measurement() const { return measurement_; }
    bool busy() const { return busy_; }

    // No sample came (the link failure message).
    std::function<void()> showLinkFailure;

signals:
    // The button is disabled (true) at the start and enabled again however the burst ends; the
    // widgets repaint at once, as the burst holds the event loop.
    void busyChanged(bool busy);
    // paTime's text.
    void timeTextChanged(const QString& text);

private:
    void read();
    void setBusy(bool busy);
    void sendStop();

    ChartController& chart_;
    Uperemen& settings_;
    BurstMeasurement measurement_;
    bool busy_ = false;
    bool attempted_ = false; // the stream was started
};

} // namespace korvel
