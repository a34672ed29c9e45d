#include "app/spectralcommands.h"

#include "app/ras1.h"
#include "spectral/KF.h"
#include "spectral/Unit6.h"
#include "spectral/spectralcommands.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <optional>

namespace zorkan::ui {

namespace {

// The folder of the last file of that kind, or the current one.
QString startFolder(const QString& lastName) {
    return lastName.isEmpty() ? QDir::currentPath() : QFileInfo(lastName).absolutePath();
}

void chooseInput(const char* title, const char* filter, QString SharedState::*name,
                 std::int32_t source) {
    SharedState& state = shared();
    const auto path = prompts().openFileName({QString::fromUtf8(title), startFolder(state.*name),
                                              QString(), QString::fromUtf8(filter), QString()});
    if (!path)
        return;
    state.*name = *path;
    state.flags.SpectrumSource = source;
}

SpectrumInputNames inputNames() {
    const SharedState& state = shared();
    return {state.DatFileName.toStdString(), state.XicdFileName.toStdString(),
            state.ReimFileName.toStdString()};
}

bool inputChosen() {
    if (shared().flags.SpectrumSource != noSpectrumInput)
        return true;
    prompts().message(MessageIcon::None, applicationTitle(),
                      QString::fromUtf8(noSpectrumInputText));
    return false;
}

// Draws through the window that the command makes; whatever was drawn is shown, also
// when the command stops midway.
class SpectrumWindowScope {
  public:
    explicit SpectrumWindowScope(const QString& suffix) : suffix_(suffix) {}
    ~SpectrumWindowScope() {
        if (form_)
            form_->refreshPictures();
    }
    SpectrumWindowScope(const SpectrumWindowScope&) = delete;
    SpectrumWindowScope& operator=(const SpectrumWindowScope&) = delete;

    SpectrumWindowMaker maker() {
        return [this] {
            form_ = openSpectrumWindow(suffix_);
            return form_->canvases();
        };
    }

  private:
    QString suffix_;
    QPointer<TForm6> form_;
};

// Steps from the check of the input on; the coefficient dialogs come before or after
// the check as each command has it.
void runTransformCommand(SpectralCommand command, bool checked = false) {
    if (!checked && !inputChosen())
        return;
    const SpectralCommandTexts& texts = commandTexts(command);
    const auto path =
        prompts().saveFileName({QStringLiteral("Сохранить как"), QDir::currentPath(),
                                QString::fromUtf8(texts.proposedName),
                                QString::fromUtf8(texts.filter), QStringLiteral("reim")});
    if (!path)
        return;
    const BusyCursor busy;
    SpectrumWindowScope window(QString::fromUtf8(texts.captionSuffix));
    runSpectralCommand(command, shared().flags.SpectrumSource, inputNames(), path->toStdString(),
                       spectralState(), window.maker());
}

// The dialog's value when it is accepted.
std::optional<double> askCoefficient(const char* preset) {
    TForm8* dialog = coefficientDialog();
    Q_ASSERT(dialog);
    dialog->setText(QString::fromLatin1(preset));
    if (prompts().showModal(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog->value();
}

void BPFExecute() {
    runTransformCommand(SpectralCommand::BPF);
}

void OPFExecute() {
    runTransformCommand(SpectralCommand::OPF);
}

// A cancelled dialog stops the command.
void RPFExecute() {
    if (!inputChosen())
        return;
    const std::optional<double> K = askCoefficient("0.98");
    if (!K)
        return;
    spectralState().RecursiveCoefficient = *K;
    runTransformCommand(SpectralCommand::RPF, true);
}

// A cancelled dialog keeps the coefficient of the last accepted one.
void PPFExecute() {
    if (const std::optional<double> K = askCoefficient("0.97"))
        spectralState().ShiftCoefficient = *K;
    runTransformCommand(SpectralCommand::PPF);
}

void ViewFileExecute() {
    const std::int32_t source = shared().flags.SpectrumSource;
    if (!inputChosen())
        return;
    const BusyCursor busy;
    SpectrumWindowScope window(QStringLiteral(" - Входной сигнал - файл: ") +
                               QString::fromLatin1(inputPattern(source)));
    viewSpectralInput(source, inputNames(), spectralState(), window.maker());
}

} // namespace

void connectSpectralCommands(TForm1& main) {
    const auto bind = [&main](const char* name, auto handler) {
        QAction* action = main.command(name);
        action->setEnabled(true);
        QObject::connect(action, &QAction::triggered, &main, handler);
    };
    bind("Data1", [] {
        chooseInput("Открыть файл DAT", "Dat file (*.DAT)|*.DAT", &SharedState::DatFileName,
                    datSpectrumInput);
    });
    bind("Data2", [] {
        chooseInput("Открыть файл XICD", "Signal file (*.XICD)|*.XICD", &SharedState::XicdFileName,
                    xicdSpectrumInput);
    });
    bind("Data3", [] {
        chooseInput("Открыть файл ReIm", "Signal file (*.ReIm)|*.reim", &SharedState::ReimFileName,
                    reimSpectrumInput);
    });
    bind("ViewFile", ViewFileExecute);
    bind("BPF", BPFExecute);
    bind("RPF", RPFExecute);
    bind("PPF", PPFExecute);
    bind("OPF", OPFExecute);
}

} // namespace zorkan::ui
