#include "report/svg_writer.h"

#include "common/number_format.h"

namespace {

// Two decimals are a hundredth of a pixel: plenty, and they keep files small.
void appendPoint(std::string& out, SvgPoint p) { appendFormat(out, "%.2f,%.2f", p.x, p.y); }

void appendStroke(std::string& out, SvgStroke stroke) {
    appendFormat(out, " stroke=\"%s\" stroke-width=\"%.2f\"", stroke.colour, stroke.width);
    if (stroke.dash) appendFormat(out, " stroke-dasharray=\"%s\"", stroke.dash);
}

void appendClip(std::string& out, const char* clipId) {
    if (clipId) appendFormat(out, " clip-path=\"url(#%s)\"", clipId);
}

void appendPoints(std::string& out, const std::vector<SvgPoint>& points) {
    out += " points=\"";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i) out += ' ';
        appendPoint(out, points[i]);
    }
    out += '"';
}

}  // namespace

std::string escapeXml(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

void beginSvg(std::string& out, double width, double height, std::string_view title) {
    appendFormat(out,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f "
                 "%.0f\" font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\">\n",
                 width, height, width, height);
    out += "<title>" + escapeXml(title) + "</title>\n";
    appendFormat(out, "<rect x=\"0\" y=\"0\" width=\"%.0f\" height=\"%.0f\" fill=\"white\"/>\n", width, height);
}

void endSvg(std::string& out) { out += "</svg>\n"; }

std::string standaloneSvg(const std::string& svgElement) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n" + svgElement;
}

void svgLine(std::string& out, SvgPoint from, SvgPoint to, SvgStroke stroke) {
    appendFormat(out, "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\"", from.x, from.y, to.x, to.y);
    appendStroke(out, stroke);
    out += "/>\n";
}

void svgPolyline(std::string& out, const std::vector<SvgPoint>& points, SvgStroke stroke, const char* clipId) {
    if (points.size() < 2) return;
    out += "<polyline fill=\"none\" stroke-linejoin=\"round\"";
    appendStroke(out, stroke);
    appendClip(out, clipId);
    appendPoints(out, points);
    out += "/>\n";
}

void svgPolygon(std::string& out, const std::vector<SvgPoint>& points, const char* fill, double opacity,
                const char* clipId) {
    if (points.size() < 3) return;
    appendFormat(out, "<polygon fill=\"%s\" fill-opacity=\"%.2f\" stroke=\"none\"", fill, opacity);
    appendClip(out, clipId);
    appendPoints(out, points);
    out += "/>\n";
}

void svgRect(std::string& out, double x, double y, double width, double height, const char* fill,
             SvgStroke stroke) {
    appendFormat(out, "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"%s\"", x, y, width, height,
                 fill);
    appendStroke(out, stroke);
    out += "/>\n";
}

void svgCircle(std::string& out, SvgPoint centre, double radius, const char* fill, SvgStroke stroke) {
    appendFormat(out, "<circle cx=\"%.2f\" cy=\"%.2f\" r=\"%.2f\" fill=\"%s\"", centre.x, centre.y, radius, fill);
    appendStroke(out, stroke);
    out += "/>\n";
}

void svgSquare(std::string& out, SvgPoint centre, double halfSide, const char* fill, SvgStroke stroke) {
    svgRect(out, centre.x - halfSide, centre.y - halfSide, 2.0 * halfSide, 2.0 * halfSide, fill, stroke);
}

void svgText(std::string& out, SvgPoint at, std::string_view text, SvgText style) {
    static const char* const anchors[] = {"start", "middle", "end"};
    appendFormat(out, "<text x=\"%.2f\" y=\"%.2f\" font-size=\"%.1f\" fill=\"%s\" text-anchor=\"%s\"", at.x, at.y,
                 style.size, style.colour, anchors[static_cast<int>(style.anchor)]);
    if (style.bold) out += " font-weight=\"bold\"";
    if (style.rotate != 0.0) appendFormat(out, " transform=\"rotate(%.1f %.2f %.2f)\"", style.rotate, at.x, at.y);
    out += '>';
    out += escapeXml(text);
    out += "</text>\n";
}

void svgClipRect(std::string& out, const char* id, double x, double y, double width, double height) {
    appendFormat(out,
                 "<defs><clipPath id=\"%s\"><rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\"/>"
                 "</clipPath></defs>\n",
                 id, x, y, width, height);
}
