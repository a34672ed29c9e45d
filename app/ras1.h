#pragma once
// TForm1: the main window. A multiple-document frame with the control bar (tool bar,
// logo, close button, the five tab pages), the menus, the command list and the status
// bar whose second panel shows the current hint.
//
// Object names: actions by their command names (CalcFil, InputPars, ...; the menu items
// with a text of their own are MenuCalcFil, MenuACHH, MenuEditor2, MenuAbout, MenuExit;
// the ".reim" input is Data3, the view of the input ViewFile, the sound tools WAVConv,
// WAVWriter, AudioPlayer), menus MenuSystem, MenuCalc, MenuFilterFiles, MenuSpectral,
// MenuFiles, MenuHelp; ControlBar1, ToolBar1 with ToolButton1 and ToolButton2, Image1 (logo),
// SpeedButton1 (close), PageControl1 with TabSheet1..TabSheet5, the page buttons
// SpeedButton2..SpeedButton17, the framed texts StaticText1..StaticText3, StatusBar1 with
// StatusPanel0..StatusPanel3, and MdiArea, the document area. The "Система" menu ends
// with Cascade "Каскадом", Tile "Мозаикой" and ChildWindow1.. for the open child windows.
#include <QMainWindow>
#include <QPointer>

class QLabel;
class QMdiArea;
class QMenu;
class QTabWidget;

namespace zorkan::ui {

class TForm5;
class THelpForm;
class TSplash;

class TForm1 : public QMainWindow {
    Q_OBJECT

  public:
    struct Options {
        int splashInterval = 3300; // ms; tests shorten it
    };

    explicit TForm1(const Options& options);
    ~TForm1() override;

    // The single results and help windows, created after the main window.
    void setAuxiliaryWindows(TForm5* results, THelpForm* help);

    QAction* command(const char* name) const;
    TSplash* startUpSplash() const { return splash_; }
    // The width last given to the hint panel by the creation step or a resize.
    int hintPanelWidth() const { return hintPanelWidth_; }

  protected:
    bool event(QEvent* event) override;
    // The application-wide part of ShowHintInStatusBar: hints of every other window too.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FormCreate();
    void createCommands();
    void connectSoundTools();
    void createControlBar();
    void createPages();
    void createMenus();
    void createStatusBar();

    // Opens the design window unless one is open; true when it opened one.
    bool CalcFilExecute();
    void MenuCalcFilClick();
    void InputParsExecute();
    // Opens the frequency-response window unless one is open; true when it opened one.
    bool ACHHExecute();
    void MenuACHHClick();
    void ModellingExecute();
    void SavePar();
    void LoadPar();
    void SpAnalExecute();
    void HelpExecute();
    void AboutExecute();
    void Image1Click();

    void setHintPanelWidth(int width);
    // Status panel 1 shows the long part of `hint`; an empty hint empties it.
    void ShowHintInStatusBar(const QString& hint);

    Options options_;
    QMdiArea* MdiArea;
    QTabWidget* PageControl1 = nullptr;
    QLabel* panels_[4] = {};
    int hintPanelWidth_ = 0;
    TSplash* splash_ = nullptr;
    QPointer<TForm5> results_;
    QPointer<THelpForm> help_;
};

// The tab pages, in order.
enum Page { PageCalc = 0, PageModelling, PageResponse, PageSpectral, PageFiles };

} // namespace zorkan::ui
