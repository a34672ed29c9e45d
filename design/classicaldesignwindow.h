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
    RadioGroup* approximationGroup_;
    RadioGroup* kindGroup_;
    RadioGroup* modeGroup_;
    QLineEdit* f1Edit_;
    QLineEdit* f2Edit_;
    QLineEdit* f3Edit_;
    QLineEdit* f4Edit_;
    QLabel* layoutHint_;
    QLineEdit* orderEdit_;
    QLineEdit* edge1Edit_;
    QLineEdit* edge2Edit_;
    QLabel* edgeMeaningLabel_;
    QLineEdit* daEdit_;
    QLineEdit* b1Edit_;
    QLineEdit* ff1Edit_;
    QLineEdit* ff2Edit_;
    QLineEdit* fdEdit_;
    QLineEdit* countEdit_;
    QPushButton* designButton_;
};

// Opens a new window of the kind in the main window's work area.
ClassicalDesignWindow* openClassicalDesignWindow(ResultsView& results);

} // namespace zorkan::ui
