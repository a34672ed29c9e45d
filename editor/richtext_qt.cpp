#include "editor/richtext_qt.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <cmath>

namespace zorkan::editor {

namespace {

constexpr double twipsPerPixel = 15.0;

int toTwips(qreal pixels) {
    return static_cast<int>(std::lround(pixels * twipsPerPixel));
}

richtext::CharFormat modelFormat(const QTextCharFormat& format, const QFont& defaultFont) {
    const QFont font = format.font().resolve(defaultFont);
    richtext::CharFormat out;
    out.fontName = font.family().toStdString();
    qreal points = font.pointSizeF();
    if (points <= 0)
        points = font.pixelSize() * 0.75;
    out.halfPoints = std::clamp(static_cast<int>(std::lround(points * 2)), richtext::minHalfPoints,
                                richtext::maxHalfPoints);
    out.bold = font.weight() >= QFont::DemiBold;
    out.italic = font.italic();
    out.underline = font.underline();
    return out;
}

QTextCharFormat qtFormat(const richtext::CharFormat& format) {
    QTextCharFormat out;
    if (!format.fontName.empty())
        out.setFontFamilies({QString::fromStdString(format.fontName)});
    out.setFontPointSize(format.halfPoints / 2.0);
    out.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    out.setFontItalic(format.italic);
    out.setFontUnderline(format.underline);
    return out;
}

richtext::Alignment modelAlignment(Qt::Alignment alignment) {
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignHCenter)
        return richtext::Alignment::Center;
    if (horizontal & Qt::AlignRight)
        return richtext::Alignment::Right;
    return richtext::Alignment::Left;
}

Qt::Alignment qtAlignment(richtext::Alignment alignment) {
    switch (alignment) {
    case richtext::Alignment::Center:
        return Qt::AlignHCenter;
    case richtext::Alignment::Right:
        return Qt::AlignRight | Qt::AlignAbsolute;
    case richtext::Alignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignAbsolute;
}

} // namespace

richtext::Document toRichText(const QTextDocument& document) {
    richtext::Document out;
    const QFont defaultFont = document.defaultFont();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        richtext::Paragraph paragraph;
        paragraph.alignment = modelAlignment(format.alignment());
        paragraph.firstIndent = toTwips(format.textIndent());
        paragraph.leftIndent = toTwips(format.leftMargin());
        paragraph.rightIndent = toTwips(format.rightMargin());
        paragraph.bullet = block.textList() != nullptr;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.text().isEmpty())
                continue;
            const richtext::CharFormat runFormat = modelFormat(fragment.charFormat(), defaultFont);
            const std::string text = fragment.text().toStdString();
            if (!paragraph.runs.empty() && paragraph.runs.back().format == runFormat)
                paragraph.runs.back().text += text;
            else
                paragraph.runs.push_back({runFormat, text});
        }
        out.paragraphs.push_back(std::move(paragraph));
    }
    return out;
}

void fromRichText(const richtext::Document& text, QTextDocument& document) {
    // A loaded text starts with nothing to undo.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool first = true;
    QTextList* list = nullptr;
    for (const richtext::Paragraph& paragraph : text.paragraphs) {
        QTextBlockFormat format;
        format.setAlignment(qtAlignment(paragraph.alignment));
        format.setTextIndent(paragraph.firstIndent / twipsPerPixel);
        format.setLeftMargin(paragraph.leftIndent / twipsPerPixel);
        format.setRightMargin(paragraph.rightIndent / twipsPerPixel);
        const QTextCharFormat mark =
            paragraph.runs.empty() ? QTextCharFormat() : qtFormat(paragraph.runs.front().format);
        if (first) {
            cursor.setBlockFormat(format);
            cursor.setBlockCharFormat(mark);
        } else {
            cursor.insertBlock(format, mark);
        }
        first = false;
        // Consecutive bullet paragraphs make one list.
        if (paragraph.bullet) {
            if (list)
                list->add(cursor.block());
            else
                list = cursor.createList(QTextListFormat::ListDisc);
        } else {
            list = nullptr;
        }
        for (const richtext::Run& run : paragraph.runs)
            cursor.insertText(QString::fromStdString(run.text), qtFormat(run.format));
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
}

std::string documentText(const QTextDocument& document) {
    std::string out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            out += '\n';
        out += block.text().toStdString();
    }
    return out;
}

} // namespace zorkan::editor
