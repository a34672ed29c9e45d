#pragma once
// TForm4, "Частотные характеристики цифровых фильтров": phase and magnitude (linear and
// in decibels) of the filter in ResponseFilterFile over a chosen band, on one picture
// with three scales. A child window of the main window; only one exists at a time
// (ResponseWindowOpen).
//
// Object names: Bevel1 the frame, Image1 the picture; axis labels Label1..Label11
// (frequency, left to right), Label12..Label16 (linear, green), Label17..Label21
// (decibels, red), Label22..Label26 (phase, blue), all top to bottom; Panel1 below the
// picture with the range fields Edit1 "B1-db", Edit2 "B2-db", Edit3 "F1-str",
// Edit4 "F2-str", Edit5 "A1-lin", Edit6 "A2-lin" and their labels Label27..Label32, the
// legend Label33..Label35, the results StaticText1 (step), StaticText2 (Kmax),
// StaticText3 (FM), the file name Edit7; BitBtn1 "Расчет", BitBtn2 "Очистить",
// BitBtn3 "Файл", BitBtn4 "Выход".
#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace zorkan::ui {

class PictureBox;

class TForm4 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm4(QWidget* parent = nullptr);

    void clearResponsePlot();
    void runResponse();
    void setFileName(const QString& name);

    PictureBox* picture() const { return Image1; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createPicture();
    void createPanel();
    void showMaximum(double kmax, double fm);
    void BitBtn3Click();

    PictureBox* Image1;
    std::array<QLabel*, 11> frequencyLabels_{};
    std::array<QLabel*, 5> linearLabels_{};
    std::array<QLabel*, 5> decibelLabels_{};
    QLineEdit* Edit1;    // B1
    QLineEdit* Edit2;    // B2
    QLineEdit* Edit3;    // F1
    QLineEdit* Edit4;    // F2
    QLineEdit* Edit5;    // A1
    QLineEdit* Edit6;    // A2
    QLineEdit* Edit7;    // file name
    QLabel* StaticText1; // step
    QLabel* StaticText2; // Kmax
    QLabel* StaticText3; // FM
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QToolButton* BitBtn4;
    int width_ = 0; // W and H as captured when the picture was last cleared
    int height_ = 0;
};

// Creates the window in the document area at (1, 1), shows it and clears its picture.
TForm4* openResponseWindow();
// The open window, or nullptr.
TForm4* responseWindow();
// Puts the open, fill and close of this window into the shared state, for the main
// window's commands and the results window.
void installResponseWindowHooks();

} // namespace zorkan::ui
