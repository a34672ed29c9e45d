#pragma once
// "Расчет фильтра: все типы": every approximation and kind, by tolerance or by order.
// The report and the parameter file are asked for as in the design window, and the
// account goes to the same results window, which then opens the response window.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zorkan::ui {

class RadioGroup;
class ResultsView;

class ClassicalDesignWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ClassicalDesignWindow(ResultsView& results, QWidget* parent = nullptr);

  private:
    void updateFields();
    void designClick();

    ResultsView& results_;
    RadioGroup* approximation_;
    RadioGroup* kind_;
    RadioGroup* mode_;
    QLineEdit* f1_;
    QLineEdit* f2_;
    QLineEdit* f3_;
    QLineEdit* f4_;
    QLabel* layout_;
    QLineEdit* order_;
    QLineEdit* edge1_;
    QLineEdit* edge2_;
    QLabel* edgeMeaning_;
    QLineEdit* da_;
    QLineEdit* b1_;
    QLineEdit* ff1_;
    QLineEdit* ff2_;
    QLineEdit* fd_;
    QLineEdit* count_;
    QPushButton* design_;
};

// Opens a new window of the kind in the main window's work area.
ClassicalDesignWindow* openClassicalDesignWindow(ResultsView& results);

} // namespace zorkan::ui
