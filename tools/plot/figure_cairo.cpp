#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "plot/figure.h"

namespace {

void SetColour(cairo_t* cr, const std::string& hex, double alpha = 1.0) {
    const unsigned long v = hex.size() == 7 ? std::strtoul(hex.c_str() + 1, nullptr, 16) : 0;
    cairo_set_source_rgba(cr, ((v >> 16) & 0xff) / 255.0, ((v >> 8) & 0xff) / 255.0, (v & 0xff) / 255.0, alpha);
}

void Stroke(cairo_t* cr, const Shape& s) {
    if (s.stroke.empty()) {
        cairo_new_path(cr);
        return;
    }
    SetColour(cr, s.stroke);
    cairo_set_line_width(cr, s.strokeWidth);
    const double dash[2] = {6.0, 3.0};
    cairo_set_dash(cr, dash, s.dashed ? 2 : 0, 0.0);
    cairo_stroke(cr);
}

void Draw(cairo_t* cr, const Figure& f) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    for (const Shape& s : f.shapes) {
        switch (s.kind) {
            case Shape::Rect:
                cairo_rectangle(cr, s.at[0], s.at[1], s.at[2], s.at[3]);
                if (!s.fill.empty()) {
                    SetColour(cr, s.fill, s.fillOpacity);
                    cairo_fill_preserve(cr);
                }
                Stroke(cr, s);
                break;
            case Shape::Line:
                cairo_move_to(cr, s.at[0], s.at[1]);
                cairo_line_to(cr, s.at[2], s.at[3]);
                Stroke(cr, s);
                break;
            case Shape::Polyline:
                for (size_t i = 0; i + 1 < s.at.size(); i += 2) {
                    if (i == 0) cairo_move_to(cr, s.at[i], s.at[i + 1]);
                    else cairo_line_to(cr, s.at[i], s.at[i + 1]);
                }
                cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
                Stroke(cr, s);
                break;
            case Shape::Text: {
                cairo_save(cr);
                cairo_set_font_size(cr, s.fontSize);
                cairo_text_extents_t e;
                cairo_text_extents(cr, s.text.c_str(), &e);
                const double shift = s.anchor == Shape::Middle ? e.x_advance / 2 : s.anchor == Shape::End ? e.x_advance : 0;
                cairo_translate(cr, s.at[0], s.at[1]);
                if (s.vertical) cairo_rotate(cr, -1.5707963267948966);
                cairo_move_to(cr, -shift, 0);
                cairo_set_source_rgb(cr, 0, 0, 0);
                cairo_show_text(cr, s.text.c_str());
                cairo_restore(cr);
                break;
            }
            case Shape::ClipBegin:
                cairo_save(cr);
                cairo_rectangle(cr, s.at[0], s.at[1], s.at[2], s.at[3]);
                cairo_clip(cr);
                break;
            case Shape::ClipEnd: cairo_restore(cr); break;
            case Shape::GroupBegin:
            case Shape::GroupEnd: break;
        }
    }
}

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string RenderCairo(const Figure& f, RasterKind kind) {
    std::string out;
    cairo_surface_t* surface =
        kind == RasterKind::Pdf
            ? cairo_pdf_surface_create_for_stream(Append, &out, f.width, f.height)
            : cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(f.width), static_cast<int>(f.height));
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> keep(surface, cairo_surface_destroy);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(std::string("cannot draw: ") + cairo_status_to_string(cairo_surface_status(surface)));
    cairo_t* cr = cairo_create(surface);
    Draw(cr, f);
    const cairo_status_t drawn = cairo_status(cr);
    cairo_destroy(cr);
    if (drawn != CAIRO_STATUS_SUCCESS) throw std::runtime_error(std::string("cannot draw: ") + cairo_status_to_string(drawn));
    if (kind == RasterKind::Png) {
        if (cairo_surface_write_to_png_stream(surface, Append, &out) != CAIRO_STATUS_SUCCESS)
            throw std::runtime_error("cannot encode the PNG image");
    } else {
        cairo_surface_finish(surface);
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) throw std::runtime_error("cannot write the PDF");
    }
    keep.reset();
    // The tool draws one figure per run: Cairo's font caches and the font configuration are let go, so that
    // nothing stays allocated at exit (a later figure sets them up again).
    cairo_debug_reset_static_data();
    FcFini();
    return out;
}
