#pragma once
// TForm5, "Результаты": the account of a design, and the road on to the
// frequency-response analysis. One instance for the whole run, shown modally.
#include "ui/resultsview.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace zorkan::ui {

class TForm5 : public QDialog, public ResultsView {
    Q_OBJECT

  public:
    explicit TForm5(QWidget* parent);

    void clearText() override;
    void appendLine(const QString& line) override;
    void setTextReadOnly(bool readOnly) override;
    QDialog* dialog() override { return this; }
    QString text() const;

  protected:
    void showEvent(QShowEvent* event) override;
    // Only "Готово" dismisses the window.
    void reject() override {}

  private:
    void BitBtn1Click();

    QPlainTextEdit* Memo1;
    QPushButton* BitBtn1;
};

} // namespace zorkan::ui
