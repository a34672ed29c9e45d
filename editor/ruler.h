#pragma once
// The editor's ruler in numbers: where its three markers stand for a paragraph's indents,
// and the indents a dragged marker sets. Indents are in points, positions in pixels of
// the ruler; every step is cut toward zero.
namespace zorkan::editor {

// Indents as the ruler shows them: `first` of the first line from the left margin,
// `left` of the other lines relative to the first line, `right` from the right margin.
struct RulerIndents {
    int first = 0;
    int left = 0;
    int right = 0;
    bool operator==(const RulerIndents&) const = default;
};

// Left edges of the three markers.
struct RulerMarkers {
    int first = 0;
    int left = 0;
    int right = 0;
    bool operator==(const RulerMarkers&) const = default;
};

// first: 4/3·first + 2; left: 4/3·(left + first) + 2; right: width − 4/3·(right + 6) − 6.
RulerMarkers rulerMarkers(const RulerIndents& indents, int rulerWidth);

// The first-line indent of a first marker released at `marker` (half its width `half`).
int firstIndentAt(int marker, int half);
// The left indent of a left marker released at `marker`, relative to the first indent.
int leftIndentAt(int marker, int half, int firstIndent);
// The right indent of a right marker released at `marker`.
int rightIndentAt(int marker, int half, int rulerWidth);

} // namespace zorkan::editor
