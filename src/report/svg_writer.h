#pragma once

#include <string>
#include <string_view>
#include <vector>

// A small writer of standalone SVG: every element carries its own presentation
// attributes, so the picture looks the same in a browser, an image viewer or
// inlined into an HTML page.

struct SvgPoint {
    double x = 0.0;
    double y = 0.0;
};

struct SvgStroke {
    const char* colour = "black";
    double width = 1.0;
    const char* dash = nullptr;  // e.g. "6 3"; none when null
};

enum class SvgAnchor { start, middle, end };

struct SvgText {
    double size = 13.0;
    SvgAnchor anchor = SvgAnchor::start;
    const char* colour = "#222";
    bool bold = false;
    double rotate = 0.0;  // degrees about the text's anchor point
};

std::string escapeXml(std::string_view text);

// Opens an <svg> element of the given size with a white background.
void beginSvg(std::string& out, double width, double height, std::string_view title);
void endSvg(std::string& out);
// The XML declaration that a standalone .svg file starts with.
std::string standaloneSvg(const std::string& svgElement);

void svgLine(std::string& out, SvgPoint from, SvgPoint to, SvgStroke stroke);
void svgPolyline(std::string& out, const std::vector<SvgPoint>& points, SvgStroke stroke,
                 const char* clipId = nullptr);
void svgPolygon(std::string& out, const std::vector<SvgPoint>& points, const char* fill, double opacity,
                const char* clipId = nullptr);
void svgRect(std::string& out, double x, double y, double width, double height, const char* fill,
             SvgStroke stroke);
void svgCircle(std::string& out, SvgPoint centre, double radius, const char* fill, SvgStroke stroke);
void svgSquare(std::string& out, SvgPoint centre, double halfSide, const char* fill, SvgStroke stroke);
void svgText(std::string& out, SvgPoint at, std::string_view text, SvgText style);
// A rectangular clip region that later elements refer to by `id`.
void svgClipRect(std::string& out, const char* id, double x, double y, double width, double height);
