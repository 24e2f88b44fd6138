#include "plot/figure.h"
#include "plot/svg.h"

namespace {

const char* AnchorName(Shape::Anchor a) {
    return a == Shape::Middle ? "middle" : a == Shape::End ? "end" : "start";
}

}  // namespace

std::string RenderSvg(const Figure& f) {
    SvgWriter svg(f.width, f.height);
    using N = SvgWriter;
    int clips = 0;
    for (const Shape& s : f.shapes) {
        const std::string stroke = s.stroke.empty() ? "none" : s.stroke;
        const std::string fill = s.fill.empty() ? "none" : s.fill;
        switch (s.kind) {
            case Shape::Rect:
                if (s.fillOpacity < 1.0)
                    svg.Empty("rect", {{"x", N::Num(s.at[0])}, {"y", N::Num(s.at[1])}, {"width", N::Num(s.at[2])},
                                       {"height", N::Num(s.at[3])}, {"fill", fill},
                                       {"fill-opacity", N::Num(s.fillOpacity)}, {"stroke", stroke}});
                else
                    svg.Empty("rect", {{"x", N::Num(s.at[0])}, {"y", N::Num(s.at[1])}, {"width", N::Num(s.at[2])},
                                       {"height", N::Num(s.at[3])}, {"fill", fill}, {"stroke", stroke}});
                break;
            case Shape::Line:
                svg.Empty("line", {{"x1", N::Num(s.at[0])}, {"y1", N::Num(s.at[1])}, {"x2", N::Num(s.at[2])},
                                   {"y2", N::Num(s.at[3])}, {"stroke", stroke}, {"stroke-width", N::Num(s.strokeWidth)},
                                   {"stroke-dasharray", s.dashed ? "6 3" : "none"}});
                break;
            case Shape::Polyline: {
                std::string points;
                for (size_t i = 0; i + 1 < s.at.size(); i += 2) {
                    if (!points.empty()) points += ' ';
                    points += N::Num(s.at[i]) + "," + N::Num(s.at[i + 1]);
                }
                svg.Empty("polyline", {{"points", points}, {"fill", "none"}, {"stroke", stroke},
                                       {"stroke-width", N::Num(s.strokeWidth)},
                                       {"stroke-dasharray", s.dashed ? "6 3" : "none"}});
                break;
            }
            case Shape::Text: {
                const std::string x = N::Num(s.at[0]), y = N::Num(s.at[1]);
                if (s.vertical)
                    svg.Text("text", {{"x", x}, {"y", y}, {"font-size", N::Num(s.fontSize)},
                                      {"text-anchor", AnchorName(s.anchor)},
                                      {"transform", "rotate(-90 " + x + " " + y + ")"}},
                             s.text);
                else
                    svg.Text("text", {{"x", x}, {"y", y}, {"font-size", N::Num(s.fontSize)},
                                      {"text-anchor", AnchorName(s.anchor)}},
                             s.text);
                break;
            }
            case Shape::ClipBegin: {
                const std::string id = "clip" + std::to_string(++clips);
                svg.Open("defs");
                svg.Open("clipPath", {{"id", id}});
                svg.Empty("rect", {{"x", N::Num(s.at[0])}, {"y", N::Num(s.at[1])}, {"width", N::Num(s.at[2])},
                                   {"height", N::Num(s.at[3])}});
                svg.Close();
                svg.Close();
                svg.Open("g", {{"clip-path", "url(#" + id + ")"}});
                break;
            }
            case Shape::GroupBegin: svg.Open("g", {{"id", s.text}, {"font-family", "sans-serif"}}); break;
            case Shape::ClipEnd:
            case Shape::GroupEnd: svg.Close(); break;
        }
    }
    return svg.Finish();
}
