#pragma once
// The chart as the main window holds it, on the fake indicator and virtual time: plot,
// controller, panel and the file commands, with the message popup's texts collected.
#include "ChartFakes.h"
#include "chart/ChartController.h"
#include "chart/ChartFiles.h"
#include "chart/ChartPanel.h"
#include "chart/ChartPlot.h"
#include "link/Link.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace korvel::test {

struct ChartPanelRig
{
    // Shows the panel at `size` and enters chart mode; settings the entry reads are set before.
    void start(QSize size)
    {
        panel.resize(size);
        panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
        chart.enter();
        files.showMessage = [this](const PopupMessage& m) { messages << m.text; };
    }

    VirtualClock clock;
    ChartIndicator indicator{clock};
    Uperemen settings;
    ChartControls controls;
    Link link{indicator, clock, settings};
    FrontPanel front;
    PollCycle poll{link, settings, front};
    ChartPlot* plot = new ChartPlot;
    ChartController chart{link, settings, controls, poll, *plot};
    ChartPanel panel{chart, settings, controls, plot};
    ChartFiles files{chart, panel};
    QTemporaryDir dir;
    QStringList messages;
};

} // namespace korvel::test
