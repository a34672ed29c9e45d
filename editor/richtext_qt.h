#pragma once
// Between the editor control's document and the rich-text model the files are read
// into and written from. Indents: 1 pixel of the document is 15 twips (96 per inch).
#include "editor/richtext.h"

class QTextDocument;

namespace zorkan::editor {

richtext::Document toRichText(const QTextDocument& document);
// Replaces the whole content of `document`.
void fromRichText(const richtext::Document& text, QTextDocument& document);
// The text of the document, paragraphs joined by '\n' (line breaks inside a paragraph
// stay U+2028), as UTF-8.
std::string documentText(const QTextDocument& document);

} // namespace zorkan::editor
