#pragma once
#include "chart/core/ChartPoint.h"

#include <QByteArrayView>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class QIODevice;

namespace korvel {

// Why a file could not be read to its end. The points read before the problem are kept.
struct ChartFileProblem
{
    enum class Kind {
        None,
        TooLarge,       // over the size limit, refused unread (`text`: the size in bytes)
        Unreadable,     // the device failed (`text`: the system's reason)
        Empty,          // no line at all
        TooShort,       // a chart file without its five header lines (`line`: the first missing)
        HeaderMismatch, // line 2, 3 or 4 does not begin with its caption
        LineMismatch,   // a data line with fewer fields than its form needs (a blank line too)
        NotANumber,     // a number field that does not convert (`text`: the field)
        TextTooLong,    // a time or weight text over 19 characters (`text`: the field)
    };
    Kind kind = Kind::None;
    int line = 0; // from 1; 0 for the whole file
    QString text;

    explicit operator bool() const { return kind != Kind::None; }
};

// A file as the chart shows it.
struct ChartFileContents
{
    enum class Form {
        Chart,      // the current chart file (line 4 the input mask)
        OlderChart, // line 4 "График цифровых входов = N"
        Plain,      // two columns, time text and weight, from line 1
        Skipped,    // line 1 begins with "#": nothing is shown
    };
    Form form = Form::Plain;
    // laPeriodACPFromFile and laNumDInputFromFile; an empty text leaves the label hidden.
    QString periodLabel;
    QString inputsLabel;
    std::vector<ChartPoint> points;
    QStringList times; // the time text of each point, as the file has it
    // The input traces: input k is drawn when bit k-1 of the mask is set, on where bit k-1 of
    // the point's byte is. The older form's one trace is input 1.
    std::uint8_t traceMask = 0;
    std::vector<std::uint8_t> traceBytes; // one per point when traceMask is not 0
    // The most decimals any weight text shows (the writer drops trailing zeros, so a single
    // text may show fewer than the scale had).
    int weightDecimals = 0;
    ChartFileProblem problem;
};

// Reads a chart file, an older chart file or a plain two-column text from its bytes
// (Windows-1251; lines end in CR LF, LF or CR; blank lines at the end are ignored). Numbers are
// read with a decimal point or comma, whatever the locale writes. Never fails on any input:
// what cannot be read ends the reading with a problem.
ChartFileContents ParseChartFile(QByteArrayView bytes);
// The same from an open device, refusing one over ChartFileFormat::kMaxFileBytes unread.
ChartFileContents ReadChartFile(QIODevice& device);

// A number of a chart file as the reader takes it, with a decimal point or a comma whatever the
// locale writes (the time texts of loaded points are read again with it).
bool ParseChartNumber(QStringView text, double& value);

// The text of laNumDInputFromFile for a chart file's mask, and for an older file's N (empty
// when that shows no trace).
QString InputsLabelForMask(std::uint8_t mask);
QString InputsLabelForOlderInput(int n);
// Whether the older form's one trace is on for an input byte.
bool OlderTraceOn(int n, std::uint8_t byte);

} // namespace korvel
