#pragma once
// TForm2, "Расчет параметров фильтра": the requirements of a filter, checked and handed
// to the design run. A child window of the main window; only one exists at a time
// (DesignWindowOpen).
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace zorkan::ui {

class RadioGroup;
class ResultsView;

class TForm2 : public QWidget {
    Q_OBJECT

  public:
    // The design account goes to `results`, which is shown modally after each design.
    explicit TForm2(ResultsView& results, QWidget* parent = nullptr);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BitBtn1Click();
    bool bandEdgesAccepted() const;
    bool pointCountRefused() const;

    ResultsView& results_;
    RadioGroup* RadioGroup1;
    QLineEdit* Edit1;  // F1
    QLineEdit* Edit2;  // F2
    QLineEdit* Edit3;  // F3
    QLineEdit* Edit4;  // F4
    QLineEdit* Edit5;  // DA
    QLineEdit* Edit6;  // B1
    QLineEdit* Edit7;  // FF1
    QLineEdit* Edit8;  // FF2
    QLineEdit* Edit9;  // FD
    QLineEdit* Edit10; // point count
    QPushButton* BitBtn1;
};

} // namespace zorkan::ui
