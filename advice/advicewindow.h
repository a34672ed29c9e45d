#pragma once
// "Выбор фильтра по требованиям": one tolerance request, every IIR and FIR design that
// meets it in one table, their magnitudes and group delays over each other, and any one
// of them saved with its report.
#include "advice/advice.h"

#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace zorkan::ui {

class ChartPicture;

class AdviceWindow : public QWidget {
    Q_OBJECT

  public:
    explicit AdviceWindow(QWidget* parent = nullptr);
    const std::optional<Advice>& advice() const { return advice_; }

  private:
    void updateFields();
    void compareClick();
    void saveClick();
    void showAdvice();

    QLineEdit* f1Edit_;
    QLineEdit* f2Edit_;
    QLineEdit* f3Edit_;
    QLineEdit* f4Edit_;
    QLineEdit* daEdit_;
    QLineEdit* b1Edit_;
    QLineEdit* fdEdit_;
    QComboBox* targetBox_;
    QLineEdit* dataBitsEdit_;
    QLineEdit* coefBitsEdit_;
    QPushButton* compareButton_;
    QPushButton* saveButton_;
    QTableWidget* table_;
    QLabel* summary_;
    ChartPicture* magnitudes_;
    ChartPicture* delays_;
    std::optional<Advice> advice_;
};

// Opens a new window of the kind in the main window's work area.
AdviceWindow* openAdviceWindow();

} // namespace zorkan::ui
