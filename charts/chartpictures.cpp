#include "charts/chartpictures.h"

#include "common/errors.h"
#include "common/pngfile.h"
#include "common/replacefile.h"
#include "common/utf8.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace zorkan {

namespace {

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    std::string s = text;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    if (s == "-0")
        s = "0";
    return s;
}

std::string hexColor(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

// Text for an XML 1.0 document in UTF-8: bytes that are no UTF-8 (a file name in another
// encoding) become U+FFFD, as do the two non-characters XML refuses, U+FFFE and U+FFFF;
// control characters other than the tab are left out.
std::string xmlEscaped(const std::string& text) {
    std::string s = validUtf8(text);
    for (const char* refused : {"\xEF\xBF\xBE", "\xEF\xBF\xBF"})
        for (std::size_t at = s.find(refused); at != std::string::npos; at = s.find(refused, at))
            s.replace(at, 3, "\xEF\xBF\xBD");
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
                out += c;
        }
    }
    return out;
}

// The text in the standard Helvetica face's WinAnsi bytes. The face has no Cyrillic
// letters, so they are written in Latin ones ("Частота" as "Chastota"), which every
// viewer shows and finds; a character neither has, and a byte that is no UTF-8, becomes '?'.
std::string helveticaText(const std::string& text) {
    const std::string utf8 = validUtf8(text);
    static const char* const lower[32] = {
        "a", "b", "v", "g", "d", "e",  "zh", "z",  "i",  "i",    "k", "l", "m", "n", "o",  "p",
        "r", "s", "t", "u", "f", "kh", "ts", "ch", "sh", "shch", "",  "y", "",  "e", "yu", "ya"};
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned code = c;
        std::size_t length = 1;
        if (c >= 0xF0) {
            length = 4;
            code = c & 0x07;
        } else if (c >= 0xE0) {
            length = 3;
            code = c & 0x0F;
        } else if (c >= 0xC0) {
            length = 2;
            code = c & 0x1F;
        }
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += length;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if ((code >= 0x410 && code <= 0x44F) || code == 0x401 || code == 0x451) {
            const bool capital = code < 0x430 || code == 0x401;
            const unsigned index = code == 0x401 || code == 0x451 ? 5 : (code - 0x410) % 32;
            std::string latin = lower[index];
            if (capital && !latin.empty())
                latin[0] = static_cast<char>(latin[0] - 'a' + 'A');
            out += latin;
        } else if (code == 0x3C0) {
            out += "pi";
        } else if (code >= 0xA0 && code <= 0xFF) {
            out += static_cast<char>(code); // Latin-1 and WinAnsi agree there
        } else {
            out += '?';
        }
    }
    return out;
}

class SvgPainter : public ChartPainter {
  public:
    std::string body;

    // The first face named is DejaVu Sans, about a seventh wider than Helvetica.
    double measure(const std::string& text, double size) const override {
        return 1.15 * textWidth(text, size);
    }

    void fillRect(const ChartRect& r, Rgb color) override {
        body += "<rect x=\"" + number(r.x) + "\" y=\"" + number(r.y) + "\" width=\"" +
                number(r.width) + "\" height=\"" + number(r.height) + "\" fill=\"" +
                hexColor(color) + "\"/>\n";
    }
    void line(double x0, double y0, double x1, double y1, Rgb color, double width) override {
        body += "<line x1=\"" + number(x0) + "\" y1=\"" + number(y0) + "\" x2=\"" + number(x1) +
                "\" y2=\"" + number(y1) + "\" stroke=\"" + hexColor(color) + "\" stroke-width=\"" +
                number(width) + "\"/>\n";
    }
    void curve(const std::string& name, const std::vector<std::vector<double>>& runs, Rgb color,
               double width) override {
        std::string d;
        for (const std::vector<double>& run : runs)
            for (std::size_t i = 0; i + 1 < run.size(); i += 2) {
                d += i == 0 ? (d.empty() ? "M" : " M") : " L";
                d += number(run[i]);
                d += ' ';
                d += number(run[i + 1]);
            }
        body += "<path class=\"curve\" data-file=\"" + xmlEscaped(name) + "\" d=\"" + d +
                "\" fill=\"none\" stroke=\"" + hexColor(color) + "\" stroke-width=\"" +
                number(width) + "\" stroke-linejoin=\"round\"/>\n";
    }
    void text(double x, double y, const std::string& text, double size, TextAlign align,
              Rgb color) override {
        const char* anchor = align == TextAlign::Left     ? "start"
                             : align == TextAlign::Center ? "middle"
                                                          : "end";
        body += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" font-size=\"" +
                number(size) + "\" text-anchor=\"" + anchor + "\" fill=\"" + hexColor(color) +
                "\">" + xmlEscaped(text) + "</text>\n";
    }
};

// PDF coordinates grow upwards from the page's lower left corner.
class PdfPainter : public ChartPainter {
  public:
    explicit PdfPainter(double height) : height_(height) {}
    std::string content;

    double measure(const std::string& text, double size) const override {
        return textWidth(helveticaText(text), size);
    }

    void fillRect(const ChartRect& r, Rgb color) override {
        content += rgb(color) + " rg " + number(r.x) + ' ' + number(height_ - r.y - r.height) +
                   ' ' + number(r.width) + ' ' + number(r.height) + " re f\n";
    }
    void line(double x0, double y0, double x1, double y1, Rgb color, double width) override {
        content += rgb(color) + " RG " + number(width) + " w " + number(x0) + ' ' +
                   number(height_ - y0) + " m " + number(x1) + ' ' + number(height_ - y1) +
                   " l S\n";
    }
    void curve(const std::string&, const std::vector<std::vector<double>>& runs, Rgb color,
               double width) override {
        content += rgb(color) + " RG " + number(width) + " w 1 j\n";
        for (const std::vector<double>& run : runs) {
            for (std::size_t i = 0; i + 1 < run.size(); i += 2) {
                content += number(run[i]);
                content += ' ';
                content += number(height_ - run[i + 1]);
                content += i == 0 ? " m\n" : " l\n";
            }
            content += "S\n";
        }
    }
    void text(double x, double y, const std::string& text, double size, TextAlign align,
              Rgb color) override {
        const std::string written = helveticaText(text);
        const double w = textWidth(written, size);
        const double left = align == TextAlign::Left     ? x
                            : align == TextAlign::Center ? x - w / 2
                                                         : x - w;
        std::string literal;
        for (char c : written) {
            if (c == '(' || c == ')' || c == '\\')
                literal += '\\';
            literal += c;
        }
        content += "BT " + rgb(color) + " rg /F1 " + number(size) + " Tf " + number(left) + ' ' +
                   number(height_ - y) + " Td (" + literal + ") Tj ET\n";
    }

  private:
    static std::string rgb(Rgb c) {
        return number(c.r / 255.0) + ' ' + number(c.g / 255.0) + ' ' + number(c.b / 255.0);
    }
    double height_;
};

class CanvasPainter : public ChartPainter {
  public:
    explicit CanvasPainter(Canvas& canvas) : canvas_(canvas) {}

    void fillRect(const ChartRect& r, Rgb color) override {
        canvas_.fillRect(round(r.x), round(r.y), round(r.x + r.width), round(r.y + r.height),
                         color);
    }
    void line(double x0, double y0, double x1, double y1, Rgb color, double width) override {
        canvas_.setPenColor(color);
        canvas_.setPenWidth(static_cast<int>(std::lround(width)));
        canvas_.moveTo(round(x0), round(y0));
        canvas_.lineTo(round(x1), round(y1));
        canvas_.setPixel(round(x1), round(y1), color);
    }
    void curve(const std::string&, const std::vector<std::vector<double>>& runs, Rgb color,
               double width) override {
        canvas_.setPenColor(color);
        canvas_.setPenWidth(static_cast<int>(std::lround(width)));
        for (const std::vector<double>& run : runs) {
            for (std::size_t i = 0; i + 1 < run.size(); i += 2) {
                if (i == 0)
                    canvas_.moveTo(round(run[i]), round(run[i + 1]));
                else
                    canvas_.lineTo(round(run[i]), round(run[i + 1]));
            }
        }
    }
    void text(double, double, const std::string&, double, TextAlign, Rgb) override {}

  private:
    static int round(double v) { return static_cast<int>(std::lround(v)); }
    Canvas& canvas_;
};

std::string lowerExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string e = path.substr(dot + 1);
    for (char& c : e)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

} // namespace

std::string chartSvg(const Chart& chart) {
    SvgPainter painter;
    drawChart(chart, painter);
    const std::string w = std::to_string(chart.width), h = std::to_string(chart.height);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
    svg += w;
    svg += "\" height=\"";
    svg += h;
    svg += "\" viewBox=\"0 0 ";
    svg += w;
    svg += ' ';
    svg += h;
    svg += "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">\n";
    svg += painter.body;
    svg += "</svg>\n";
    return svg;
}

std::string chartPdf(const Chart& chart) {
    PdfPainter painter(chart.height);
    drawChart(chart, painter);
    std::vector<std::string> objects;
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    std::string page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ";
    page += std::to_string(chart.width);
    page += ' ';
    page += std::to_string(chart.height);
    page += "] /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>";
    objects.push_back(page);
    std::string stream = "<< /Length ";
    stream += std::to_string(painter.content.size());
    stream += " >>\nstream\n";
    stream += painter.content;
    stream += "endstream";
    objects.push_back(stream);
    objects.push_back(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");

    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1);
        pdf += " 0 obj\n";
        pdf += objects[i];
        pdf += "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 ";
    pdf += std::to_string(objects.size() + 1);
    pdf += "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size ";
    pdf += std::to_string(objects.size() + 1);
    pdf += " /Root 1 0 R >>\nstartxref\n";
    pdf += std::to_string(xref);
    pdf += "\n%%EOF\n";
    return pdf;
}

Canvas chartCanvas(const Chart& chart) {
    Canvas canvas(chart.width, chart.height);
    CanvasPainter painter(canvas);
    drawChart(chart, painter);
    return canvas;
}

bool pictureFormatOf(const std::string& path, PictureFormat& format) {
    const std::string e = lowerExtension(path);
    if (e == "png")
        format = PictureFormat::Png;
    else if (e == "svg")
        format = PictureFormat::Svg;
    else if (e == "pdf")
        format = PictureFormat::Pdf;
    else
        return false;
    return true;
}

void saveChartPicture(const Chart& chart, const std::string& path) {
    PictureFormat format;
    if (!pictureFormatOf(path, format))
        throw UserMessage("Рисунок " + path + ": укажите имя с расширением .png, .svg или .pdf");
    switch (format) {
    case PictureFormat::Png:
        writeFileSafely(path, [&] {
            const std::vector<std::uint8_t> bytes = pngBytes(chartCanvas(chart));
            return std::string(bytes.begin(), bytes.end());
        }());
        break;
    case PictureFormat::Svg:
        writeFileSafely(path, chartSvg(chart));
        break;
    case PictureFormat::Pdf:
        writeFileSafely(path, chartPdf(chart));
        break;
    }
}

} // namespace zorkan
