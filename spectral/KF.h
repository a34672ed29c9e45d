#pragma once
// TForm8, "Ввод коэффициента": the small modal dialog in which RPF and PPF take their
// coefficient K. One instance, made at start-up, kept for the run; its value survives
// between uses.
//
// Object names: Label1, Edit1 the field, BitBtn1 "OK", BitBtn2 "Cancel".
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace zorkan::ui {

class TForm8 : public QDialog {
    Q_OBJECT

  public:
    explicit TForm8(QWidget* parent = nullptr);
    ~TForm8() override;

    // Sets the field's text, which sets the value and the state of "OK" as typing does.
    void setText(const QString& text);
    QString text() const;
    // The field read as a number, 0 when it is not one; "OK" is enabled exactly when
    // 0 < value < 1.
    double value() const { return value_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Edit1Change();

    QLineEdit* Edit1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    double value_ = 0;
};

// The dialog made at start-up, or nullptr before it is made.
TForm8* coefficientDialog();

} // namespace zorkan::ui
