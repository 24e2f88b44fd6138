// A plot of powder patterns (SVG through the figure model): axes with ticks and labels in degrees two-theta and counts, one
// line per series (pattern, fitted background, stripped pattern, ...), a legend naming each series.
#pragma once

#include <string>
#include <vector>

#include "plot/figure.h"
#include "xrddata/platform/types.h"

class CGraphData;

struct PlotSeries {
    CString label;
    std::vector<double> x, y;
    bool dashed = false;
};

struct PlotOptions {
    double width = 1600.0;
    double height = 1000.0;
    bool logY = false;  // counts on a logarithmic axis (values at or below zero sit on the axis floor)
    CString title;
    CString xLabel;     // empty: "Two-theta (degrees)"
    CString yLabel;     // empty: "Counts"
};

// The points of a point set as a series.
PlotSeries SeriesFrom(const CString& label, CGraphData& points, bool dashed = false);

// The figure: axes, series and legend as shapes, for any renderer.
Figure BuildPlotFigure(const std::vector<PlotSeries>& series, const PlotOptions& options);
// The whole SVG document. Series without points appear in the legend only; with no points at all the axes span 0..1.
std::string RenderPlotSvg(const std::vector<PlotSeries>& series, const PlotOptions& options);
