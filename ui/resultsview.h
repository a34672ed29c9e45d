#pragma once
// What a window that runs a design needs of the results window: the account lines as
// they come, the read-only switch after a completed run, and the window itself to show
// modally. The results window lives with the main window; design windows see only this.
#include <QString>

class QDialog;

namespace zorkan::ui {

class ResultsView {
  public:
    // Empties the text: each run shows its own account only.
    virtual void clearText() = 0;
    virtual void appendLine(const QString& line) = 0;
    virtual void setTextReadOnly(bool readOnly) = 0;
    virtual QDialog* dialog() = 0;

  protected:
    ~ResultsView() = default;
};

} // namespace zorkan::ui
