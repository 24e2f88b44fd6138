// One drawing model for every plot output: a figure is a list of shapes in pixel coordinates (rectangles, lines,
// polylines, text, a clip region), built once from the series and drawn by one of two renderers: the SVG writer
// (text stays searchable text) or Cairo (PNG and PDF).
#pragma once

#include <string>
#include <vector>

struct Shape {
    enum Kind { Rect, Line, Polyline, Text, ClipBegin, ClipEnd, GroupBegin, GroupEnd } kind = Rect;
    std::vector<double> at;    // Rect and ClipBegin: x, y, w, h; Line: x1, y1, x2, y2; Polyline: x0, y0, x1, ...;
                               // Text: x, y (the baseline)
    std::string text;          // Text: the text; GroupBegin: the group's id
    std::string stroke;        // "#rrggbb" or empty for none
    std::string fill;          // "#rrggbb" or empty for none
    double strokeWidth = 1.0;
    double fillOpacity = 1.0;
    bool dashed = false;
    double fontSize = 12.0;
    enum Anchor { Start, Middle, End } anchor = Start;
    bool vertical = false;     // Text turned a quarter turn anticlockwise about its point
};

struct Figure {
    double width = 0.0, height = 0.0;
    std::vector<Shape> shapes;
};

// The SVG document of the figure.
std::string RenderSvg(const Figure& figure);
// PNG or PDF bytes drawn by Cairo; throws std::runtime_error when Cairo fails.
enum class RasterKind { Png, Pdf };
std::string RenderCairo(const Figure& figure, RasterKind kind);
