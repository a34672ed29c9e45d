#pragma once
// TForm3, "Ввод параметров фильтра ": coefficients of a cascade typed by hand, saved to
// and loaded from a filter parameter file, and quantised. A child window of the main
// window; only one exists at a time (CoefficientWindowOpen).
//
// Object names: Edit1 order, Edit2 parameter, Edit3 precision with their labels
// Label1..Label3; RadioGroup1 the number system; BitBtn1 "Преобразовать",
// BitBtn2 "    Считать", BitBtn3 "Сохранить"; StringGrid1 numerator, StringGrid2
// denominator. A grid's header row is its horizontal header; column 0 (and column 1 of
// the denominator grid) are fixed cells.
#include "coefficients/quantise.h"

#include <QWidget>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace zorkan::ui {

class RadioGroup;

class TForm3 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm3(QWidget* parent = nullptr);

    QLineEdit* orderField() const { return Edit1; }

    void setUpCoefficientGrids();
    void saveCoefficients();
    void loadCoefficients();
    void quantiseCoefficients();

    // Everything the window holds, as the computing side sees it.
    CoefficientForm form() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showForm(const CoefficientForm& form);
    // Runs `work` on the window's contents and shows what it left, also when it throws.
    template <class Work> void change(Work work);
    void StringGrid1SelectCell(int column);
    void orderCheck();

    QLineEdit* Edit1; // order
    QLineEdit* Edit2; // parameter
    QLineEdit* Edit3; // precision
    RadioGroup* RadioGroup1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QTableWidget* StringGrid1;
    QTableWidget* StringGrid2;
    // Every cell's text, also of cells that the grids' present size hides: a grid made
    // larger again shows them. The visible cells are the grids' own.
    CellTable numeratorCells_;
    CellTable denominatorCells_;
    bool checking_ = false;
    bool closing_ = false;
};

} // namespace zorkan::ui
