#pragma once
// Small controls the windows share: a button bound to a command, a picture that can be
// clicked, and a group of radio buttons read by index.
#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <functional>
#include <vector>

namespace zorkan::ui {

// A push button showing its own caption and running `action` when pressed. It is
// enabled with the action; its hint is its own when given, otherwise the action's.
class ActionButton : public QPushButton {
  public:
    ActionButton(QAction* action, const QString& caption, QWidget* parent,
                 const QString& ownHint = QString());
    QAction* action() const { return action_; }

  private:
    void follow();

    QAction* action_;
    QString ownHint_;
};

// A picture with a hand cursor that reports a click.
class ClickableImage : public QLabel {
    Q_OBJECT
  public:
    explicit ClickableImage(QWidget* parent = nullptr);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A framed group of radio buttons laid out in columns; one is selected at a time.
class RadioGroup : public QGroupBox {
  public:
    RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent);
    int itemIndex() const;
    void setItemIndex(int index);
    QAbstractButton* item(int index) const { return buttons_.button(index); }

  private:
    QButtonGroup buttons_;
};

// Shows the wait cursor while a long computation runs on the interface thread; the
// cursor comes back however the computation ends.
class BusyCursor {
  public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The line under a window's pictures that reads out the point under the pointer: a sunken
// label "StaticText1" in 11-pixel type, 20 pixels high, child of `window`. Over a watched
// picture it shows `readout` of the picture's index (in the order watched) and the point;
// it is cleared when the pointer leaves a picture.
class PointerReadout : public QObject {
  public:
    using Readout = std::function<QString(int picture, QPoint at)>;
    PointerReadout(QWidget* window, Readout readout);
    QLabel* label() const { return label_; }
    void watch(QWidget* picture);
    // Lays the window out: `content` over the readout line.
    void placeUnder(QWidget* content);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* label_;
    Readout readout_;
    std::vector<QObject*> pictures_;
};

// Narrows, then shrinks, the label's font until its text fits `width` pixels: the fonts
// named by the windows are not on every machine, and their stand-ins are often wider.
void fitText(QLabel* label, int width);

} // namespace zorkan::ui
