#include "xrddata/formats/fullprof_writer.h"

#include "xrddata/formats/decimal.h"
#include "xrddata/formats/pointtext.h"

namespace xrddata::formats {

namespace {

std::string OneLine(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

}  // namespace

void WriteFullProf(Sink& out, const Points& points, const WriteContext& context) {
    CheckPoints(points, "a FullProf file");
    std::string text;
    if (context.header) {
        // FullProf reads exactly five lines after XYDATA as the header.
        text += "XYDATA\n";
        text += "! " + TitleLine(context, 200) + "\n";
        text += "! Source: " + OneLine(context.source.empty() ? "unknown" : context.source) + "\n";
        std::string radiation = "! Radiation:";
        if (context.meta && !context.meta->anode.empty()) radiation += " " + OneLine(context.meta->anode);
        if (context.meta && context.meta->wavelength) {
            radiation += " lambda1 ";
            AppendShortest(radiation, *context.meta->wavelength);
        }
        if (context.meta && context.meta->ka2_wavelength) {
            radiation += " lambda2 ";
            AppendShortest(radiation, *context.meta->ka2_wavelength);
        }
        text += radiation + "\n";
        std::string steps;
        for (const std::string& s : context.processing) steps += (steps.empty() ? "" : ", ") + OneLine(s);
        text += "! Processing: " + (steps.empty() ? std::string("none") : steps) + "\n";
        text += points.sigma.empty() ? "! 2theta intensity\n" : "! 2theta intensity sigma\n";
    }
    out.write(text);
    text.clear();
    WritePointRows(out, text, points, ' ');
}

}  // namespace xrddata::formats
