#pragma once
// Where chart mode's controls and a digit sit in korvel's window: the same panels laid out here,
// offscreen, at the window's design size. The framed window has no decoration under a bare X
// server, so the places in the panel are the places in the window.
#include "chart/ChartController.h"
#include "chart/ChartPanel.h"
#include "chart/ChartPlot.h"
#include "link/Link.h"
#include "link/PosixSerialPort.h"
#include "panel/DigitPanel.h"
#include "panel/FrontPanel.h"
#include "panel/PollCycle.h"
#include "settings/ChartControls.h"
#include "settings/SettingsValues.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QSize>

namespace korvel::test {

struct ChartPanelPlaces
{
    QPoint pusk, exit, burst, plot; // in the chart panel
    QPoint digit;                   // a digit of row 1 on the front panel, to double-click
    QPoint record;                  // "Записывать в файл", in the chart panel
};

// serviceCommands: the burst button shown, as after the service key sequence; it takes room in
// the toolbar, so the other places depend on it.
inline ChartPanelPlaces chartPanelPlaces(QSize window, bool serviceCommands = false)
{
    PosixSerialPort port;
    Uperemen settings;
    ChartControls controls;
    Link link(port, systemClock(), settings);
    FrontPanel front;
    PollCycle poll(link, settings, front);
    auto* plot = new ChartPlot;
    ChartController controller(link, settings, controls, poll, *plot);
    ChartPanel panel(controller, settings, controls, plot);
    panel.setServiceCommandsVisible(serviceCommands);
    panel.resize(window);
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.show();
    QCoreApplication::processEvents();
    const auto centre = [](QWidget* w, QWidget* in) { return w->mapTo(in, w->rect().center()); };
    return {centre(panel.BitBtnPuskStop(), &panel), centre(panel.BitBtnCloseGraphic(), &panel),
            centre(panel.btnContiniousReading(), &panel), centre(panel.Chart1(), &panel),
            centre(front.row1Digit(3), &front), centre(panel.CheckBoxRecordToFile(), &panel)};
}

} // namespace korvel::test
