#pragma once
// TSplash: the start-up picture. Hidden (not destroyed) when its timer fires.
#include <QDialog>
#include <QTimer>

class QPushButton;

namespace zorkan::ui {

class TSplash : public QDialog {
    Q_OBJECT

  public:
    static constexpr int defaultInterval = 3300; // ms from creation to hiding

    explicit TSplash(QWidget* parent, int intervalMs = defaultInterval);

    // The "OK" button is shown only when the logo opens the splash.
    void setOkVisible(bool visible);
    QTimer& timer() { return Timer1; }

    // The splash closes only by "OK" or its timer: Escape (and any other request to
    // cancel) leaves it on screen.
    void reject() override {}

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Timer1Timer();

    QTimer Timer1;
    QPushButton* BitBtn1;
};

} // namespace zorkan::ui
