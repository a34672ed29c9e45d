#include "editor/ruler.h"

namespace zorkan::editor {

namespace {

// Points to pixels and back at 96 pixels per inch, cut toward zero (integer division
// truncates, and keeps 4/3·3 exactly 4 where a double would not always).
int toPixels(int points) {
    return 4 * points / 3;
}
int toPoints(int pixels) {
    return 3 * pixels / 4;
}

} // namespace

RulerMarkers rulerMarkers(const RulerIndents& indents, int rulerWidth) {
    return {toPixels(indents.first) + 2, toPixels(indents.left + indents.first) + 2,
            rulerWidth - toPixels(indents.right + 6) - 6};
}

int firstIndentAt(int marker, int half) {
    return toPoints(marker + half - 6);
}

int leftIndentAt(int marker, int half, int firstIndent) {
    return toPoints(marker + half - 6) - firstIndent;
}

int rightIndentAt(int marker, int half, int rulerWidth) {
    return toPoints(rulerWidth + half - marker - 2) - 12;
}

} // namespace zorkan::editor
