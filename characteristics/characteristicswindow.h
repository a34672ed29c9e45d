#pragma once
// CharacteristicsWindow, "Характеристики фильтров": up to eight parameter files (and the
// quantised filters of their fixed-point implementations) overlaid in one chart of the
// magnitude, the phase or the group delay, with the tolerance mask of a design request,
// zoom and pan, a readout under the pointer, markers, and the picture and the numbers
// saved for reports.
//
// Object names: Edit1 a file name to add (Enter adds it), BitBtn1 "Добавить", BitBtn2
// "Убрать", ListBox1 the files, ComboBox1 the characteristic, CheckBox1 the wrapped phase,
// CheckBox2 degrees, CheckBox3 seconds, CheckBox4 the logarithmic frequency axis,
// CheckBox5 magnitudes relative to each curve's pass-band maximum, Edit2 FD,
// Edit3 the design report of the mask with BitBtn3 "Маска" and BitBtn4 "Последний
// расчет", ComboBox2 the implementation's arithmetic with BitBtn5 "Квантованный",
// BitBtn6 "Весь график", BitBtn7 "Рисунок", BitBtn8 "Копировать", BitBtn9 "CSV",
// BitBtn10 "Выход", Image1 the chart, StaticText1 the readout, StaticText2 the markers.
#include "charts/chartplot_qt.h"
#include "fixedpoint/implementation.h"

#include <QWidget>

#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace zorkan::ui {

class CharacteristicsWindow : public QWidget {
    Q_OBJECT

  public:
    explicit CharacteristicsWindow(QWidget* parent = nullptr);

    // Adds a file (refused with a message when it cannot be read or eight are shown).
    bool addFile(const QString& path);
    // Adds the quantised filter of the selected file in the chosen arithmetic.
    bool addQuantised();
    void removeSelected();
    void BitBtn1Click();
    void BitBtn3Click();
    void BitBtn4Click();
    // Reads the controls and recomputes the curves; false with a message on bad input.
    bool refresh();
    void savePicture();
    // The picture in the format of the name's extension (PNG, SVG or PDF), at the size shown.
    void savePictureTo(const QString& path);
    void copyData();
    void saveCsv();

    CharacteristicsPlot* plot() const { return Image1; }

  private:
    // Shows the report's mask on an axis in the unit of its design's FD (Edit2).
    void takeMaskReport(const QString& report);
    // Adds a file to the list without recomputing the curves.
    bool appendFile(const QString& path);

    struct Entry {
        QString path;
        std::optional<Target> quantised;
    };
    std::vector<Entry> entries_;

    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QCheckBox* CheckBox5 = nullptr;
    CharacteristicsPlot* Image1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* StaticText2 = nullptr;
};

// Opens the window in the document area with the filter last designed or analysed.
CharacteristicsWindow* openCharacteristicsWindow();

} // namespace zorkan::ui
