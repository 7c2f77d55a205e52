#include "app/ui/TextCells.h"

#include <algorithm>
#include <iterator>

#include "app/TextEncoding.h"

namespace devio::app::ui {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

struct Range {
    char32_t first;
    char32_t last;
};

// Characters drawn two columns wide: the wide and full-width blocks of East Asian scripts.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F},
    {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Characters that take no column of their own: combining marks and zero-width characters.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1160, 0x11FF}, {0x200B, 0x200F},
    {0x20D0, 0x20FF}, {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
};

template <size_t N>
bool InRanges(const Range (&ranges)[N], char32_t c) {
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [c](const Range& range) { return c >= range.first && c <= range.last; });
}

int ColumnsOf(char32_t c) {
    if (InRanges(kZeroWidth, c)) {
        return 0;
    }
    return InRanges(kWide, c) ? 2 : 1;
}

int WidthOf(const std::vector<Glyph>& glyphs) {
    int width = 0;
    for (const Glyph& glyph : glyphs) {
        width += glyph.width;
    }
    return width;
}

std::string Join(std::vector<Glyph>::const_iterator first,
                 std::vector<Glyph>::const_iterator last) {
    std::string text;
    for (auto it = first; it != last; ++it) {
        text += it->bytes;
    }
    return text;
}

// The paragraphs of `text`, split at "\r\n", "\n" and "\r".
std::vector<std::string_view> Paragraphs(std::string_view text) {
    std::vector<std::string_view> paragraphs;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            paragraphs.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    paragraphs.push_back(text.substr(start));
    return paragraphs;
}

void WrapParagraph(const std::vector<Glyph>& glyphs, int width, std::vector<std::string>& lines) {
    const size_t linesBefore = lines.size();
    std::vector<Glyph> line;
    int lineWidth = 0;
    auto flush = [&] {
        lines.push_back(Join(line.begin(), line.end()));
        line.clear();
        lineWidth = 0;
    };
    auto word = glyphs.begin();
    while (word != glyphs.end()) {
        if (word->bytes == " ") {
            ++word;
            continue;
        }
        auto end = std::find_if(word, glyphs.end(), [](const Glyph& g) { return g.bytes == " "; });
        std::vector<Glyph> letters(word, end);
        int wordWidth = WidthOf(letters);
        // Text in wide characters runs on without spaces and may break between any two of them.
        bool breaksAnywhere = std::any_of(letters.begin(), letters.end(),
                                          [](const Glyph& g) { return g.width == 2; });
        bool fits = lineWidth + 1 + wordWidth <= width;
        if (lineWidth > 0 && (fits || (breaksAnywhere && lineWidth + 3 <= width))) {
            line.push_back(Glyph{" ", 1});
            lineWidth += 1;
        } else if (lineWidth > 0) {
            flush();
        }
        // A word longer than a line is cut wherever the line is full.
        for (const Glyph& letter : letters) {
            if (lineWidth + letter.width > width && lineWidth > 0) {
                flush();
            }
            line.push_back(letter);
            lineWidth += letter.width;
        }
        word = end;
    }
    if (lineWidth > 0 || lines.size() == linesBefore) {
        flush();
    }
}

} // namespace

std::vector<Glyph> SplitGlyphs(std::string_view text) {
    std::vector<Glyph> glyphs;
    while (!text.empty()) {
        char32_t c = 0;
        size_t length = DecodeUtf8Sequence(text, c);
        std::string_view bytes = text.substr(0, length);
        if (length == 0) {
            length = 1;
            c = 0xFFFD;
            bytes = kReplacementUtf8;
        }
        text.remove_prefix(length);
        if (c == '\t') {
            c = ' ';
            bytes = " ";
        }
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            continue;
        }
        int columns = ColumnsOf(c);
        if (columns == 0) {
            if (!glyphs.empty()) {
                glyphs.back().bytes += bytes;
            }
            continue;
        }
        glyphs.push_back(Glyph{std::string(bytes), columns});
    }
    return glyphs;
}

int TextWidth(std::string_view text) {
    return WidthOf(SplitGlyphs(text));
}

std::vector<std::string> WrapText(std::string_view text, int width) {
    width = std::max(width, 2);
    std::vector<std::string> lines;
    for (std::string_view paragraph : Paragraphs(text)) {
        WrapParagraph(SplitGlyphs(paragraph), width, lines);
    }
    return lines;
}

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string Ellipsize(std::string_view text, int width) {
    std::vector<Glyph> glyphs = SplitGlyphs(text);
    if (WidthOf(glyphs) <= width) {
        return Join(glyphs.begin(), glyphs.end());
    }
    std::string cut;
    int used = 0;
    for (const Glyph& glyph : glyphs) {
        if (used + glyph.width > width - 1) {
            break;
        }
        cut += glyph.bytes;
        used += glyph.width;
    }
    return cut + "…";
}

} // namespace devio::app::ui
