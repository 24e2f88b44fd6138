// A plot of powder patterns as an SVG document: axes with ticks and labels in degrees two-theta and counts, one
// line per series (pattern, fitted background, stripped pattern, ...), a legend naming each series.
#pragma once

#include <string>
#include <vector>

#include "xrddata/platform/types.h"

class CGraphData;

struct PlotSeries {
    CString label;
    std::vector<double> x, y;
    bool dashed = false;
};

struct PlotOptions {
    double width = 960.0;
    double height = 600.0;
    bool logY = false;  // counts on a logarithmic axis (values at or below zero sit on the axis floor)
    CString title;
};

// The points of a point set as a series.
PlotSeries SeriesFrom(const CString& label, CGraphData& points, bool dashed = false);

// The whole document. Series without points appear in the legend only; with no points at all the axes span 0..1.
std::string RenderPlotSvg(const std::vector<PlotSeries>& series, const PlotOptions& options);
