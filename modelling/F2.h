#pragma once
// TSetupForm, "Настройка": the sine's frequency, the noise law and the noise scale.
// A tool window centred on the screen, shown modally by the modelling window.
//
// Object names: Label1 "Частота", Label2 "Шумы Закон", Label3 "Сигма"; Edit1 the
// frequency, Edit2 the sigma, ComboBox1 the law; BitBtn1 "ДА" (accepted), BitBtn2 "НЕТ"
// (refused).
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zorkan::ui {

class TSetupForm : public QDialog {
    Q_OBJECT

  public:
    explicit TSetupForm(QWidget* parent = nullptr);

    QLineEdit* frequencyField() const { return Edit1; }
    QLineEdit* sigmaField() const { return Edit2; }
    QComboBox* lawSelector() const { return ComboBox1; }

    // "ДА" closes the dialog only when both fields hold numbers in range.
    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Centred on the screen, not on the modelling window.
    void showEvent(QShowEvent* event) override;

  private:
    // Leaving a field: its text must be a real within (0, limit]. Shows the message and
    // puts the focus back when it is not.
    bool checkField(QLineEdit* field, double limit);

    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QComboBox* ComboBox1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    bool checking_ = false;
};

// "Ошибочная запись числа:", shown immediately followed by the field's text.
extern const char* const badNumberMessage;

} // namespace zorkan::ui
