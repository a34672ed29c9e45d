#pragma once
// TAboutForm, "О программе...": the system's name, version, author and maker.
#include <QDialog>

class QLabel;

namespace zorkan::ui {

class TAboutForm : public QDialog {
    Q_OBJECT

  public:
    explicit TAboutForm(QWidget* parent);

  protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace zorkan::ui
